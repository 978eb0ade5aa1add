// The view of the time list: one text line per row, all rows the same
// height, extended selection, the caret as the current index. It keeps no
// per-row state, so a list of 131,071 lines costs the view no more than a
// list of ten; scrolling is by whole lines, the top line being the scroll
// bar's value.
#pragma once

#include <QAbstractItemView>

namespace vm {

class TimeListView : public QAbstractItemView {
 public:
  explicit TimeListView(QWidget* parent);

  QRect visualRect(const QModelIndex& index) const override;
  void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
  QModelIndex indexAt(const QPoint& point) const override;

  // The first row shown at the top, or -1 for an empty list.
  int TopRow() const;
  int RowHeight() const;

 protected:
  QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
  int horizontalOffset() const override { return 0; }
  int verticalOffset() const override;
  bool isIndexHidden(const QModelIndex&) const override { return false; }
  void setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags flags) override;
  QRegion visualRegionForSelection(const QItemSelection& selection) const override;
  void updateGeometries() override;
  void paintEvent(QPaintEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  void rowsInserted(const QModelIndex& parent, int start, int end) override;
  void reset() override;

 private:
  int Rows() const;
  int VisibleRows() const;
};

}  // namespace vm
