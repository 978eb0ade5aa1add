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

  // Brings the row count in step with the table: rows appended by a scan
  // are inserted, a shorter table resets the model.
  void Sync();
  // Announces that the rows' text changed (a chapter command rewrote lines,
  // or a new read filled the table again).
  void AllRowsChanged();

 private:
  const TitleTables& t_;
  int32_t rows_ = 0;
};

}  // namespace vm
