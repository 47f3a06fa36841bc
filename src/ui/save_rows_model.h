#pragma once

#include <QAbstractTableModel>
#include <QByteArray>
#include <QStringList>
#include <functional>
#include <vector>

#include "model/save_entry.h"

namespace quillmere::ui {

// A read-only table over rows the core owns. The view asks for cells; the
// window calls Refresh() after the core changed the rows.
class SaveRowsModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  using RowsGetter = std::function<const std::vector<SaveEntry>&()>;

  // `columns` picks and orders the row's cells for this view.
  SaveRowsModel(RowsGetter rows, std::vector<SaveColumn> columns, Qt::Alignment alignment, QObject* parent);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  // Dragging: rows can be dragged out once a payload is set; the drag then
  // carries `payload` as `format`, and the drop site reads the selection.
  void SetDragPayload(QString format, QByteArray payload);
  // A row's tooltip in place of its cell's text, where `tip` gives one.
  void SetRowTip(std::function<QString(int row)> tip) { rowTip_ = std::move(tip); }
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  QStringList mimeTypes() const override;
  QMimeData* mimeData(const QModelIndexList& indexes) const override;
  Qt::DropActions supportedDragActions() const override { return Qt::CopyAction; }

  void Refresh();

 private:
  RowsGetter rows_;
  std::vector<SaveColumn> columns_;
  Qt::Alignment alignment_;
  QString dragFormat_;
  QByteArray dragPayload_;
  std::function<QString(int)> rowTip_;
};

}  // namespace quillmere::ui
