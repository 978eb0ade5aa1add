#include "app/time_list_view.h"

#include <QPainter>
#include <QPaintEvent>
#include <QScrollBar>

#include <algorithm>

namespace vm {

namespace {
constexpr int kTextIndent = 2;
}

TimeListView::TimeListView(QWidget* parent) : QAbstractItemView(parent) {
  setVerticalScrollMode(ScrollPerItem);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

int TimeListView::Rows() const { return model() != nullptr ? model()->rowCount(rootIndex()) : 0; }

int TimeListView::RowHeight() const { return std::max(1, fontMetrics().height()); }

int TimeListView::VisibleRows() const { return std::max(1, viewport()->height() / RowHeight()); }

int TimeListView::TopRow() const { return Rows() > 0 ? verticalScrollBar()->value() : -1; }

int TimeListView::verticalOffset() const { return verticalScrollBar()->value() * RowHeight(); }

QRect TimeListView::visualRect(const QModelIndex& index) const {
  if (!index.isValid()) return QRect();
  const int y = (index.row() - verticalScrollBar()->value()) * RowHeight();
  return QRect(0, y, viewport()->width(), RowHeight());
}

QModelIndex TimeListView::indexAt(const QPoint& point) const {
  if (point.y() < 0) return QModelIndex();
  const int row = verticalScrollBar()->value() + point.y() / RowHeight();
  return row < Rows() ? model()->index(row, 0, rootIndex()) : QModelIndex();
}

void TimeListView::scrollTo(const QModelIndex& index, ScrollHint hint) {
  if (!index.isValid()) return;
  const int row = index.row();
  const int top = verticalScrollBar()->value();
  const int visible = VisibleRows();
  int value = top;
  switch (hint) {
    case PositionAtTop: value = row; break;
    case PositionAtBottom: value = row - visible + 1; break;
    case PositionAtCenter: value = row - visible / 2; break;
    case EnsureVisible:
      if (row < top) value = row;
      else if (row >= top + visible) value = row - visible + 1;
      break;
  }
  verticalScrollBar()->setValue(std::clamp(value, 0, verticalScrollBar()->maximum()));
}

QModelIndex TimeListView::moveCursor(CursorAction action, Qt::KeyboardModifiers) {
  const int rows = Rows();
  if (rows == 0) return QModelIndex();
  const int current = currentIndex().isValid() ? currentIndex().row() : 0;
  int row = current;
  switch (action) {
    case MoveUp:
    case MovePrevious: row = current - 1; break;
    case MoveDown:
    case MoveNext: row = current + 1; break;
    case MovePageUp: row = current - VisibleRows(); break;
    case MovePageDown: row = current + VisibleRows(); break;
    case MoveHome: row = 0; break;
    case MoveEnd: row = rows - 1; break;
    default: break;
  }
  return model()->index(std::clamp(row, 0, rows - 1), 0, rootIndex());
}

void TimeListView::setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags flags) {
  const int rows = Rows();
  if (rows == 0) return;
  // The rectangle may reach above or below the viewport (a Shift+click
  // from a line scrolled out of view): rows are counted from the top line
  // with division rounding down.
  const QRect r = rect.normalized();
  const int top = verticalScrollBar()->value();
  const int h = RowHeight();
  auto rowAt = [&](int y) { return top + (y >= 0 ? y / h : -((-y + h - 1) / h)); };
  const int first = std::clamp(rowAt(r.top()), 0, rows - 1);
  const int last = std::clamp(rowAt(r.bottom()), 0, rows - 1);
  selectionModel()->select(
      QItemSelection(model()->index(first, 0, rootIndex()), model()->index(last, 0, rootIndex())),
      flags);
}

QRegion TimeListView::visualRegionForSelection(const QItemSelection& selection) const {
  QRegion region;
  const int top = verticalScrollBar()->value();
  const int bottom = top + VisibleRows();
  for (const QItemSelectionRange& range : selection) {
    const int first = std::max(range.top(), top);
    const int last = std::min(range.bottom(), bottom);
    if (first > last) continue;
    region += QRect(0, (first - top) * RowHeight(), viewport()->width(),
                    (last - first + 1) * RowHeight());
  }
  return region;
}

void TimeListView::updateGeometries() {
  const int rows = Rows();
  const int visible = VisibleRows();
  verticalScrollBar()->setSingleStep(1);
  verticalScrollBar()->setPageStep(visible);
  verticalScrollBar()->setRange(0, std::max(0, rows - visible));
  QAbstractItemView::updateGeometries();
}

void TimeListView::scrollContentsBy(int, int dy) {
  viewport()->scroll(0, dy * RowHeight());
}

void TimeListView::rowsInserted(const QModelIndex& parent, int start, int end) {
  QAbstractItemView::rowsInserted(parent, start, end);
  updateGeometries();
  viewport()->update();
}

void TimeListView::reset() {
  QAbstractItemView::reset();
  updateGeometries();
  viewport()->update();
}

void TimeListView::paintEvent(QPaintEvent* event) {
  QPainter p(viewport());
  const QRect area = event->rect();
  p.fillRect(area, palette().base());
  const int rows = Rows();
  if (rows == 0) return;
  const int h = RowHeight();
  const int top = verticalScrollBar()->value();
  const int first = top + std::max(area.top(), 0) / h;
  const int last = std::min(rows - 1, top + area.bottom() / h);
  const QModelIndex current = currentIndex();
  QItemSelectionModel* selection = selectionModel();
  for (int row = first; row <= last; ++row) {
    const QModelIndex at = model()->index(row, 0, rootIndex());
    const QRect line(0, (row - top) * h, viewport()->width(), h);
    const bool selected = selection->isSelected(at);
    if (selected) p.fillRect(line, palette().highlight());
    p.setPen(selected ? palette().highlightedText().color() : palette().text().color());
    const QString text = at.data(Qt::DisplayRole).toString();
    const QRect textArea = line.adjusted(kTextIndent, 0, 0, 0);
    const int needed = p.fontMetrics().horizontalAdvance(text);
    if (needed > textArea.width() && textArea.width() > 0) {
      // A line wider than the list (entry numbers past 99,999 take a sixth
      // digit) is drawn narrower rather than cut at the scroll bar.
      QFont narrow = font();
      narrow.setStretch(std::max(50, 100 * textArea.width() / needed));
      p.save();
      p.setFont(narrow);
      p.drawText(textArea, Qt::AlignLeft | Qt::AlignVCenter, text);
      p.restore();
    } else {
      p.drawText(textArea, Qt::AlignLeft | Qt::AlignVCenter, text);
    }
    if (at == current && hasFocus()) {
      p.setPen(QPen(selected ? palette().highlightedText().color() : palette().text().color(), 1,
                    Qt::DotLine));
      p.drawRect(line.adjusted(0, 0, -1, -1));
    }
  }
}

}  // namespace vm
