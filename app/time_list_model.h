// The time list as a list model over the core's line table: one row per
// entry, the text read straight from the table, no copy kept.
#pragma once

#include <QAbstractListModel>

#include "title/tables.h"

namespace vm {

class TimeListModel : public QAbstractListModel {
 public:
  TimeListModel(const TitleTables& tables, QObject* parent);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;

  // Brings the rows in step with the table: rows appended by a scan are
  // inserted, a shorter table resets the model, and the rows the core may
  // have rewritten are announced as changed.
  void Sync();
  // Announces that row i's text changed, or every row's.
  void RowChanged(int32_t i);
  void AllRowsChanged();

 private:
  const TitleTables& t_;
  int32_t rows_ = 0;
};

}  // namespace vm
