#pragma once
// The grid widget StringGrid1: a table whose cells are drawn from the core's drawing
// decisions and whose mouse, wheel and key events are handed to the main window.
// Grid row r of the core (row 0 the header) is widget row r - 1 under the header.

#include <QStyledItemDelegate>
#include <QTableWidget>
#include <functional>

#include "grid/cell_paint.h"

namespace scanvale {

class DeviceGridWidget : public QTableWidget {
  Q_OBJECT

 public:
  explicit DeviceGridWidget(QWidget* parent = nullptr);

  // Mouse events with the cell under the pointer (-1, -1 outside all cells), in core rows.
  std::function<void(QMouseEvent*, int col, int row)> onMouseDown;
  std::function<void(QMouseEvent*, int col, int row)> onMouseUp;
  std::function<void(QMouseEvent*, int col, int row)> onMouseMove;
  std::function<void(bool down)> onWheel;
  std::function<void()> onDoubleClick;
  std::function<void(QKeyEvent*)> onKeyDown;
  std::function<void(QKeyEvent*)> onKeyUp;
  // How a cell is drawn (core rows; row 0 is the header).
  std::function<CellPaint(int col, int row)> cellPaint;

  // The cell under a point of the viewport, in core rows.
  void CellAt(const QPoint& viewportPos, int& col, int& row) const;
  // Header colours from the drawing decisions (the sort column's mark).
  void PaintHeader();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  int headerSizesAtPress_ = 0;
};

class GridCellDelegate : public QStyledItemDelegate {
 public:
  explicit GridCellDelegate(DeviceGridWidget* grid);
  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;

 private:
  DeviceGridWidget* grid_;
};

}  // namespace scanvale
