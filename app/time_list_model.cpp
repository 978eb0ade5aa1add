#include "app/time_list_model.h"

#include <QString>

namespace vm {

TimeListModel::TimeListModel(const TitleTables& tables, QObject* parent)
    : QAbstractListModel(parent), t_(tables) {}

int TimeListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : rows_;
}

QVariant TimeListModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rows_) return QVariant();
  return QString::fromLatin1(t_.Line[index.row()]);
}

void TimeListModel::Sync() {
  const int32_t lines = t_.LineCount;
  if (lines < rows_) {
    beginResetModel();
    rows_ = lines;
    endResetModel();
    return;
  }
  if (lines > rows_) {
    beginInsertRows(QModelIndex(), rows_, lines - 1);
    rows_ = lines;
    endInsertRows();
  }
}

void TimeListModel::AllRowsChanged() {
  if (rows_ > 0) emit dataChanged(index(0), index(rows_ - 1), {Qt::DisplayRole});
}

}  // namespace vm
