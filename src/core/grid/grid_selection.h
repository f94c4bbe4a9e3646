#pragma once
// The grid's selection as plain state and the rules that mouse, keys and wheel apply to it.
// The window forwards its events here and repaints from the result; nothing in here knows
// about widgets, so every rule runs in a test without a window.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "protocol/device_table.h"

namespace scanvale {

enum class GridButton { kLeft, kRight, kMiddle };

// Key codes as the handlers compare them (the window maps its toolkit's codes onto these).
enum GridKey : int {
  kGridKeyShift = 16,
  kGridKeyCtrl = 17,
  kGridKeyLeft = 37,
  kGridKeyUp = 38,
  kGridKeyRight = 39,
  kGridKeyDown = 40,
};

// A cell position under the pointer; (-1, -1) outside every cell.
struct GridCell {
  int col = -1;
  int row = -1;
};

struct MouseDownResult {
  bool repaint = false;
  bool attachPopup = false;  // the popup menu was attached by this press
};

struct MouseUpResult {
  // A left release on the header with no job running: toggle the sort direction and sort
  // by `sortColumn`.
  bool sort = false;
  int sortColumn = 0;
};

struct MouseMoveResult {
  bool handCursor = false;  // the pointer is over an IP cell
  bool repaint = false;
};

class GridSelection {
 public:
  std::vector<tRowSelected> m_SelectedRows;
  tRowSelected m_SelCell{0, 0};
  int m_CurrentRow = 1;
  bool m_MultiSel = false;
  bool m_CtrlDown = false;
  bool m_ShiftDown = false;
  int First_Row = 0;
  tRowSelected m_LastClick{0, 0};
  int DRow = 0;
  int m_UnselRow = -1;
  bool m_UnselValid = false;
  // Position in m_SelectedRows after the last plain or Ctrl click; none while Shift is held.
  std::optional<std::size_t> m_DragMark;
  bool m_NoSearchYet = true;
  bool m_DevicesFound = false;
  bool m_JobBusy = false;
  // Whether the grid has its popup menu attached (a right click shows it only then).
  bool m_PopupAttached = false;

  // `ctrlOrShiftHeldNow` is the keyboard state at the moment of the press, which can
  // differ from the flags the key events left behind (a key released over another window).
  MouseDownResult MouseDown(GridButton button, GridCell cell, bool ctrlOrShiftHeldNow);
  // `rowCount` counts the header row.
  MouseUpResult MouseUp(GridButton button, GridCell cell, int rowCount);
  MouseMoveResult MouseMove(GridCell cell, bool leftHeld);
  // The grid's own focus moved (clicks and the toolkit's own navigation); `ip` is the IP
  // cell of `row`. Returns true when the popup menu is attached afterwards.
  bool SelectCell(int col, int row, const std::string& ip);
  // `ctrlInState`: Ctrl is part of the modifier state of the key event.
  bool KeyDown(int key, bool ctrlInState, int rowCount);
  void KeyUp(int key);
  bool WheelDown(int rowCount);
  bool WheelUp(int rowCount);

  // A finished search: row 1 current and selected as by a plain click on its first cell.
  void ResetAfterSearch(int rowCount);

  bool IsSelected(int row) const;

 private:
  void MoveLastClickUp();
  void MoveLastClickDown(int rowCount);
  bool SingleRowMove();
  bool RemoveRow(int row);
};

}  // namespace scanvale
