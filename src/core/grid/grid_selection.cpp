#include "grid/grid_selection.h"

#include <algorithm>

#include "protocol/device_grid.h"
#include "protocol/diag_log.h"
#include "support/debug_output.h"

namespace scanvale {

bool GridSelection::IsSelected(int row) const {
  return std::any_of(m_SelectedRows.begin(), m_SelectedRows.end(),
                     [row](const tRowSelected& s) { return s.row == row; });
}

bool GridSelection::RemoveRow(int row) {
  const auto before = m_SelectedRows.size();
  std::erase_if(m_SelectedRows, [row](const tRowSelected& s) { return s.row == row; });
  return m_SelectedRows.size() != before;
}

MouseDownResult GridSelection::MouseDown(GridButton button, GridCell cell,
                                         bool ctrlOrShiftHeldNow) {
  MouseDownResult result;
  const int c = cell.col;
  const int r = cell.row;
  if (button == GridButton::kRight && r > 0 && m_DevicesFound && !m_PopupAttached) {
    m_PopupAttached = true;
    result.attachPopup = true;
  }
  if (button != GridButton::kLeft) return result;
  if (c > 0 && r > 0) m_LastClick = {c, r};
  if (c < 0 || r < 0) return result;

  bool taken = false;
  if (m_SelectedRows.empty() || !m_MultiSel) {
    m_SelectedRows.clear();
    m_SelCell = {c, r};
    First_Row = r;
    m_UnselRow = -1;
  } else if (m_ShiftDown) {
    DebugOutput("First_Row:%d, In StringGrid1MouseDown\r\n", First_Row);
    if (r != First_Row) {
      m_SelectedRows.clear();
      const int step = r > First_Row ? 1 : -1;
      for (int a = First_Row;; a += step) {
        m_SelCell = {a, a};
        if (r != 0) m_SelectedRows.push_back(m_SelCell);
        DebugOutput("ARow:%d, In StringGrid1MouseDown\r\n", r);
        if (a == r) break;
      }
    } else {
      m_SelCell = {c, r};
    }
    taken = true;
  } else if (m_CtrlDown) {
    m_SelCell = {c, r};
    First_Row = r;
    m_UnselRow = -1;
  }

  if (taken) {
    if (m_SelectedRows.empty()) m_CurrentRow = r;
  } else {
    if (!m_MultiSel || !ctrlOrShiftHeldNow) {
      m_MultiSel = false;
      m_SelectedRows.clear();
    }
    if (!m_SelectedRows.empty() && RemoveRow(r)) {
      taken = true;
      if (!m_ShiftDown) {
        m_UnselRow = r;
        m_UnselValid = true;
      }
    }
    if (!taken && r != 0) {
      m_UnselValid = false;
      m_SelectedRows.push_back(m_SelCell);
      if (m_ShiftDown)
        m_DragMark.reset();
      else
        m_DragMark = m_SelectedRows.size();
    }
  }
  result.repaint = true;
  return result;
}

MouseUpResult GridSelection::MouseUp(GridButton button, GridCell cell, int rowCount) {
  MouseUpResult result;
  int c = cell.col;
  int r = cell.row;
  DebugOutput("ARow:%d, StringGrid1->RowCount:%d, In StringGrid1MouseUp\r\n", r, rowCount);
  if (r == -1) {
    r = rowCount - 1;
    c = 1;
  }
  DRow = r;
  const bool left = button == GridButton::kLeft;
  if (c > 0 && r > 0 && left) m_LastClick = {c, r};
  // A release on the header beyond the last column names no column to sort by.
  if (r == 0 && left && !m_JobBusy && c >= 0 && c < kGridColumns) {
    result.sort = true;
    result.sortColumn = c;
  }
  return result;
}

MouseMoveResult GridSelection::MouseMove(GridCell cell, bool leftHeld) {
  MouseMoveResult result;
  const int c = cell.col;
  const int r = cell.row;
  result.handCursor = c == kColIp && r >= 1;
  if (c < 0 || r < 0 || !leftHeld) return result;
  m_SelCell = {c, r};
  First_Row = m_LastClick.row;
  m_UnselRow = -1;
  if (r != 0) {
    if (!m_DragMark) {
      if (!IsSelected(r)) m_SelectedRows.push_back(m_SelCell);
    } else if (!m_SelectedRows.empty() && m_SelectedRows.back().row != r) {
      m_SelectedRows.back() = m_SelCell;
    }
  }
  result.repaint = true;
  return result;
}

bool GridSelection::SelectCell(int col, int row, const std::string& ip) {
  if (row <= 0) {
    m_PopupAttached = false;
    return false;
  }
  m_CurrentRow = row;
  m_PopupAttached = true;
  DiagLog::Printf("ARow(%d) ACol(%d) IP(%s)\n", row, col, ip.c_str());
  return true;
}

void GridSelection::MoveLastClickUp() {
  if (m_LastClick.row == 0)
    m_LastClick.row = 1;
  else if (m_LastClick.row > 1)
    --m_LastClick.row;
}

void GridSelection::MoveLastClickDown(int rowCount) {
  if (m_LastClick.row == 0)
    m_LastClick.row = 1;
  else if (m_LastClick.row < rowCount - 1)
    ++m_LastClick.row;
}

bool GridSelection::SingleRowMove() {
  if (m_LastClick.col < 0 || m_LastClick.row < 0) return false;
  m_SelectedRows.clear();
  m_SelCell = m_LastClick;
  First_Row = m_SelCell.row;
  m_UnselRow = -1;
  if (m_SelCell.row != 0) m_SelectedRows.push_back(m_SelCell);
  return true;
}

bool GridSelection::KeyDown(int key, bool ctrlInState, int rowCount) {
  switch (key) {
    case kGridKeyCtrl:
      m_MultiSel = true;
      m_CtrlDown = true;
      return false;
    case kGridKeyShift:
      m_MultiSel = true;
      m_ShiftDown = true;
      m_DragMark.reset();
      return false;
    case kGridKeyUp:
    case kGridKeyLeft:
      if (ctrlInState) return false;
      MoveLastClickUp();
      return SingleRowMove();
    case kGridKeyDown:
    case kGridKeyRight:
      if (ctrlInState) return false;
      MoveLastClickDown(rowCount);
      return SingleRowMove();
    default:
      return false;
  }
}

void GridSelection::KeyUp(int key) {
  if (key == kGridKeyCtrl) {
    m_MultiSel = false;
    m_CtrlDown = false;
  } else if (key == kGridKeyShift) {
    m_MultiSel = false;
    m_ShiftDown = false;
  }
}

bool GridSelection::WheelDown(int rowCount) {
  MoveLastClickDown(rowCount);
  return SingleRowMove();
}

bool GridSelection::WheelUp(int /*rowCount*/) {
  MoveLastClickUp();
  return SingleRowMove();
}

void GridSelection::ResetAfterSearch(int rowCount) {
  m_CurrentRow = 1;
  m_LastClick = {1, 1};
  m_SelectedRows.assign(1, tRowSelected{1, 1});
  // The finish replays a plain left click inside the first cell of row 1.
  MouseDown(GridButton::kLeft, GridCell{0, 1}, false);
  MouseUp(GridButton::kLeft, GridCell{0, 1}, rowCount);
}

}  // namespace scanvale
