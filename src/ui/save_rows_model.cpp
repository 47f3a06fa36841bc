#include "ui/save_rows_model.h"

#include <QMimeData>

#include "catalog/catalog.h"
#include "ui/words.h"

namespace quillmere::ui {

SaveRowsModel::SaveRowsModel(RowsGetter rows, std::vector<SaveColumn> columns, Qt::Alignment alignment,
                             QObject* parent)
    : QAbstractTableModel(parent), rows_(std::move(rows)), columns_(std::move(columns)), alignment_(alignment) {}

int SaveRowsModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_().size());
}

int SaveRowsModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant SaveRowsModel::data(const QModelIndex& index, int role) const {
  const auto& rows = rows_();
  if (!index.isValid() || index.row() >= static_cast<int>(rows.size()) || index.column() >= columnCount()) return {};
  if (role == Qt::ToolTipRole && rowTip_) {
    const QString tip = rowTip_(index.row());
    if (!tip.isEmpty()) return tip;
  }
  if (role == Qt::DisplayRole || role == Qt::ToolTipRole) {
    return QString::fromStdString(rows[static_cast<std::size_t>(index.row())].cell(columns_[static_cast<std::size_t>(index.column())]));
  }
  if (role == Qt::TextAlignmentRole) return QVariant::fromValue(alignment_ | Qt::AlignVCenter);
  return {};
}

QVariant SaveRowsModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= columnCount()) return {};
  if (role == Qt::DisplayRole) return QString::fromStdString(ColumnCaption(columns_[static_cast<std::size_t>(section)]));
  if (role == Qt::TextAlignmentRole) return QVariant::fromValue(alignment_ | Qt::AlignVCenter);
  return {};
}

void SaveRowsModel::SetDragPayload(QString format, QByteArray payload) {
  dragFormat_ = std::move(format);
  dragPayload_ = std::move(payload);
}

Qt::ItemFlags SaveRowsModel::flags(const QModelIndex& index) const {
  Qt::ItemFlags flags = QAbstractTableModel::flags(index);
  if (index.isValid() && !dragFormat_.isEmpty()) flags |= Qt::ItemIsDragEnabled;
  return flags;
}

QStringList SaveRowsModel::mimeTypes() const { return dragFormat_.isEmpty() ? QStringList() : QStringList{dragFormat_}; }

QMimeData* SaveRowsModel::mimeData(const QModelIndexList& indexes) const {
  if (dragFormat_.isEmpty() || indexes.isEmpty()) return nullptr;
  auto* data = new QMimeData;
  data->setData(dragFormat_, dragPayload_);
  return data;
}

void SaveRowsModel::Refresh() {
  beginResetModel();
  endResetModel();
}

}  // namespace quillmere::ui
