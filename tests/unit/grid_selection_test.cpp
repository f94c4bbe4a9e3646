#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "grid/grid_selection.h"

namespace scanvale {
namespace {

// One user action on a grid of `kRows` rows (header included).
constexpr int kRows = 8;

struct Step {
  enum Kind { kPress, kRelease, kClick, kMove, kKeyDown, kKeyUp, kWheelDown, kWheelUp } kind;
  int col = 1;
  int row = 1;
  bool held = false;  // Ctrl or Shift held at the moment (press), Ctrl in the state (keys)
  GridButton button = GridButton::kLeft;
};

Step Click(int row, bool held = false) { return {Step::kClick, 1, row, held}; }
Step Press(int col, int row, bool held = false) { return {Step::kPress, col, row, held}; }
Step Drag(int row) { return {Step::kMove, 1, row}; }
Step Down(int key, bool ctrl = false) { return {Step::kKeyDown, 0, key, ctrl}; }
Step Up(int key) { return {Step::kKeyUp, 0, key}; }
Step Wheel(bool down) { return {down ? Step::kWheelDown : Step::kWheelUp}; }

void Apply(GridSelection& s, const Step& step) {
  switch (step.kind) {
    case Step::kPress: s.MouseDown(step.button, {step.col, step.row}, step.held); break;
    case Step::kRelease: s.MouseUp(step.button, {step.col, step.row}, kRows); break;
    case Step::kClick:
      s.MouseDown(step.button, {step.col, step.row}, step.held);
      s.MouseUp(step.button, {step.col, step.row}, kRows);
      break;
    case Step::kMove: s.MouseMove({step.col, step.row}, true); break;
    case Step::kKeyDown: s.KeyDown(step.row, step.held, kRows); break;
    case Step::kKeyUp: s.KeyUp(step.row); break;
    case Step::kWheelDown: s.WheelDown(kRows); break;
    case Step::kWheelUp: s.WheelUp(kRows); break;
  }
}

std::vector<int> Rows(const GridSelection& s) {
  std::vector<int> rows;
  for (const auto& entry : s.m_SelectedRows) rows.push_back(entry.row);
  return rows;
}

TEST(GridSelection, MouseKeysAndWheelTable) {
  const int ctrl = kGridKeyCtrl, shift = kGridKeyShift;
  const struct {
    const char* what;
    std::vector<Step> steps;
    std::vector<int> selected;
    int unselRow;
  } cases[] = {
      {"plain click selects exactly the row", {Click(3)}, {3}, -1},
      {"plain click after a Ctrl selection leaves one row",
       {Down(ctrl), Click(2, true), Click(5, true), Up(ctrl), Click(3)}, {3}, -1},
      {"Ctrl adds rows and a second Ctrl click removes one",
       {Down(ctrl), Click(2, true), Click(4, true), Click(6, true), Click(4, true)}, {2, 6}, 4},
      {"Shift selects from the anchor, in walking order",
       {Click(5), Down(shift), Click(2, true)}, {5, 4, 3, 2}, -1},
      {"Shift walks downwards too", {Click(2), Down(shift), Click(4, true)}, {2, 3, 4}, -1},
      {"Shift click on the anchor keeps the range",
       {Click(5), Down(shift), Click(2, true), Click(5, true)}, {5, 4, 3, 2}, -1},
      {"a header press empties the selection", {Click(3), Press(2, 0)}, {}, -1},
      {"a press below the last row changes nothing", {Click(3), Press(-1, -1)}, {3}, -1},
      {"stale Ctrl flag without the key held falls back to one row",
       {Down(ctrl), Click(2, true), Click(4, true), Click(6, false)}, {6}, -1},
      {"right press leaves the selection", {Click(3), {Step::kPress, 1, 5, false, GridButton::kRight}},
       {3}, -1},
      {"Down before any click selects row 1", {Down(kGridKeyDown)}, {1}, -1},
      {"Up on row 1 keeps row 1", {Click(1), Down(kGridKeyUp)}, {1}, -1},
      {"Down on the last row keeps it", {Click(7), Down(kGridKeyDown)}, {7}, -1},
      {"Right moves down like Down", {Click(3), Down(kGridKeyRight)}, {4}, -1},
      {"Left moves up like Up", {Click(3), Down(kGridKeyLeft)}, {2}, -1},
      {"arrows with Ctrl do nothing", {Click(3), Down(kGridKeyDown, true)}, {3}, -1},
      {"wheel down and up move one row", {Click(3), Wheel(true), Wheel(true), Wheel(false)}, {4}, -1},
      {"wheel moves whatever the modifiers",
       {Down(ctrl), Click(2, true), Click(4, true), Wheel(true)}, {5}, -1},
      {"drag without Shift moves the pressed row along", {Press(1, 2), Drag(3), Drag(4)}, {4}, -1},
      {"drag begun with Shift adds every row passed",
       {Click(2), Down(shift), Press(1, 4, true), Drag(5), Drag(6), Drag(5)}, {2, 3, 4, 5, 6}, -1},
  };
  for (const auto& c : cases) {
    GridSelection s;
    for (const auto& step : c.steps) Apply(s, step);
    EXPECT_EQ(Rows(s), c.selected) << c.what;
    EXPECT_EQ(s.m_UnselRow, c.unselRow) << c.what;
    EXPECT_EQ(s.m_UnselValid, c.unselRow != -1) << c.what;
  }
}

TEST(GridSelection, ReleaseMovesAnchorsAndHeaderReleaseSorts) {
  GridSelection s;
  Apply(s, Press(-1, -1));
  const MouseUpResult below = s.MouseUp(GridButton::kLeft, {-1, -1}, kRows);
  EXPECT_FALSE(below.sort);
  EXPECT_EQ(s.DRow, kRows - 1);
  EXPECT_EQ(s.m_LastClick, (tRowSelected{1, kRows - 1}));

  MouseUpResult header = s.MouseUp(GridButton::kLeft, {3, 0}, kRows);
  EXPECT_TRUE(header.sort);
  EXPECT_EQ(header.sortColumn, 3);
  header = s.MouseUp(GridButton::kLeft, {5, 0}, kRows);
  EXPECT_EQ(header.sortColumn, 5);

  EXPECT_FALSE(s.MouseUp(GridButton::kRight, {3, 0}, kRows).sort);
  EXPECT_FALSE(s.MouseUp(GridButton::kLeft, {-1, 0}, kRows).sort) << "beyond the last column";
  s.m_JobBusy = true;
  EXPECT_FALSE(s.MouseUp(GridButton::kLeft, {3, 0}, kRows).sort);
}

TEST(GridSelection, PopupAttachesOnFocusOrRightPressAfterASearch) {
  GridSelection s;
  EXPECT_FALSE(s.MouseDown(GridButton::kRight, {1, 1}, false).attachPopup) << "nothing found yet";
  EXPECT_TRUE(s.SelectCell(1, 2, "198.18.1.5"));
  EXPECT_EQ(s.m_CurrentRow, 2);
  EXPECT_TRUE(s.m_PopupAttached);
  EXPECT_FALSE(s.SelectCell(1, 0, ""));
  EXPECT_FALSE(s.m_PopupAttached);
  EXPECT_EQ(s.m_CurrentRow, 2);

  s.m_DevicesFound = true;
  EXPECT_FALSE(s.MouseDown(GridButton::kRight, {1, 0}, false).attachPopup) << "header";
  EXPECT_TRUE(s.MouseDown(GridButton::kRight, {1, 3}, false).attachPopup);
  EXPECT_TRUE(s.m_PopupAttached);
}

TEST(GridSelection, ResetAfterSearchSelectsRowOne) {
  GridSelection s;
  Apply(s, Down(kGridKeyCtrl));
  Apply(s, Click(4, true));
  Apply(s, Click(5, true));
  Apply(s, Up(kGridKeyCtrl));
  s.ResetAfterSearch(6);
  EXPECT_EQ(Rows(s), std::vector<int>{1});
  EXPECT_EQ(s.m_CurrentRow, 1);
  EXPECT_EQ(s.m_LastClick, (tRowSelected{1, 1}));
  EXPECT_EQ(s.DRow, 1);
  Apply(s, Down(kGridKeyDown));
  EXPECT_EQ(Rows(s), std::vector<int>{2});
}

TEST(GridSelection, HandPointerOnlyOverIpCells) {
  GridSelection s;
  EXPECT_TRUE(s.MouseMove({3, 1}, false).handCursor);
  EXPECT_FALSE(s.MouseMove({3, 0}, false).handCursor);
  EXPECT_FALSE(s.MouseMove({2, 1}, false).handCursor);
  EXPECT_FALSE(s.MouseMove({3, 1}, false).repaint) << "no button held";
}

}  // namespace
}  // namespace scanvale
