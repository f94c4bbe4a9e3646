#include "mainwindow/device_grid_widget.h"

#include <algorithm>

#include <QApplication>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

namespace scanvale {

DeviceGridWidget::DeviceGridWidget(QWidget* parent) : QTableWidget(parent) {
  setItemDelegate(new GridCellDelegate(this));
  horizontalHeader()->viewport()->installEventFilter(this);
  setMouseTracking(true);
}

void DeviceGridWidget::CellAt(const QPoint& pos, int& col, int& row) const {
  const QModelIndex index = indexAt(pos);
  if (!index.isValid()) {
    col = -1;
    row = -1;
    return;
  }
  col = index.column();
  row = index.row() + 1;
}

void DeviceGridWidget::PaintHeader() {
  if (!cellPaint) return;
  const QPalette pal = QApplication::palette();
  for (int c = 0; c < columnCount(); ++c) {
    QTableWidgetItem* item = horizontalHeaderItem(c);
    if (!item) continue;
    const CellPaint paint = cellPaint(c, 0);
    if (paint.look == CellLook::kSortHeader) {
      // The nearest role to an inactive title bar's gradient colour.
      item->setBackground(pal.color(QPalette::Inactive, QPalette::Highlight).lighter(160));
      item->setForeground(Qt::black);
    } else {
      item->setData(Qt::BackgroundRole, QVariant());
      item->setData(Qt::ForegroundRole, QVariant());
    }
  }
}

void DeviceGridWidget::mousePressEvent(QMouseEvent* event) {
  // A right press leaves the grid's own focus where it is; only the popup may follow.
  if (event->button() != Qt::RightButton) QTableWidget::mousePressEvent(event);
  int col, row;
  CellAt(event->position().toPoint(), col, row);
  if (onMouseDown) onMouseDown(event, col, row);
}

void DeviceGridWidget::mouseReleaseEvent(QMouseEvent* event) {
  QTableWidget::mouseReleaseEvent(event);
  int col, row;
  CellAt(event->position().toPoint(), col, row);
  if (onMouseUp) onMouseUp(event, col, row);
}

void DeviceGridWidget::mouseMoveEvent(QMouseEvent* event) {
  int col, row;
  CellAt(event->position().toPoint(), col, row);
  if (onMouseMove) onMouseMove(event, col, row);
}

void DeviceGridWidget::mouseDoubleClickEvent(QMouseEvent* event) {
  QTableWidget::mouseDoubleClickEvent(event);
  if (event->button() == Qt::LeftButton && onDoubleClick) onDoubleClick();
}

void DeviceGridWidget::wheelEvent(QWheelEvent* event) {
  const int delta = event->angleDelta().y();
  if (delta == 0) {  // a sideways wheel only scrolls
    QTableWidget::wheelEvent(event);
    return;
  }
  const bool down = delta < 0;
  if (onWheel) onWheel(down);
  // The wheel moves the grid's focus row one row per turn, as the arrow keys do, and the view
  // follows it; were it only to scroll, the highlighted row and the row the commands act on
  // would drift apart.
  if (rowCount() > 0) {
    const int row = std::clamp(currentRow() + (down ? 1 : -1), 0, rowCount() - 1);
    setCurrentCell(row, std::max(currentColumn(), 0));
  }
  event->accept();
}

void DeviceGridWidget::keyPressEvent(QKeyEvent* event) {
  if (onKeyDown) onKeyDown(event);
  QTableWidget::keyPressEvent(event);
  // The window has seen the key already; it must not see it again by propagation.
  event->accept();
}

void DeviceGridWidget::keyReleaseEvent(QKeyEvent* event) {
  if (onKeyUp) onKeyUp(event);
  QTableWidget::keyReleaseEvent(event);
  event->accept();
}

namespace {
int SectionSizes(const QHeaderView* header) {
  int sum = 0;
  for (int i = 0; i < header->count(); ++i) sum += header->sectionSize(i) * (i + 1);
  return sum;
}
}  // namespace

bool DeviceGridWidget::eventFilter(QObject* watched, QEvent* event) {
  QHeaderView* header = horizontalHeader();
  if (watched == header->viewport() &&
      (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonRelease)) {
    auto* mouse = static_cast<QMouseEvent*>(event);
    const int col = header->logicalIndexAt(mouse->position().toPoint());
    if (event->type() == QEvent::MouseButtonPress) {
      headerSizesAtPress_ = SectionSizes(header);
      if (onMouseDown) onMouseDown(mouse, col, col < 0 ? -1 : 0);
    } else if (onMouseUp && SectionSizes(header) == headerSizesAtPress_) {
      // A release that ends dragging a column border is no click on the header.
      onMouseUp(mouse, col, 0);
    }
  }
  return QTableWidget::eventFilter(watched, event);
}

GridCellDelegate::GridCellDelegate(DeviceGridWidget* grid) : QStyledItemDelegate(grid), grid_(grid) {}

void GridCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
  QStyleOptionViewItem plain = option;
  // Which rows look selected is the core's decision, not the view's.
  plain.state &= ~(QStyle::State_Selected | QStyle::State_HasFocus);
  const CellPaint decision = grid_->cellPaint ? grid_->cellPaint(index.column(), index.row() + 1)
                                              : CellPaint{};
  if (decision.look == CellLook::kDefault) {
    QStyledItemDelegate::paint(painter, plain, index);
    return;
  }
  const QPalette& pal = option.palette;
  QColor fill = pal.color(QPalette::Active, QPalette::Highlight);
  QColor text = Qt::white;
  if (decision.look == CellLook::kPlain) {
    fill = pal.color(QPalette::Button);
    text = Qt::black;
  } else if (decision.look == CellLook::kSortHeader) {
    fill = pal.color(QPalette::Inactive, QPalette::Highlight).lighter(160);
    text = Qt::black;
  }
  painter->save();
  painter->fillRect(option.rect, fill);
  painter->setPen(text);
  painter->setFont(option.font);
  // The same placement as the cells the grid draws itself, so text does not jump.
  const QRect area = option.rect.adjusted(3, 0, -1, 0);
  painter->drawText(area, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                    QString::fromStdString(decision.text));
  painter->restore();
}

}  // namespace scanvale
