#include "ui/save_rows_model.h"

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
  if (role == Qt::DisplayRole || role == Qt::ToolTipRole) {
    return QString::fromStdString(rows[static_cast<std::size_t>(index.row())].cell(columns_[static_cast<std::size_t>(index.column())]));
  }
  if (role == Qt::TextAlignmentRole) return QVariant::fromValue(alignment_ | Qt::AlignVCenter);
  return {};
}

QVariant SaveRowsModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= columnCount()) return {};
  if (role == Qt::DisplayRole) return QString(kSaveColumnCaptions[static_cast<std::size_t>(columns_[static_cast<std::size_t>(section)])]);
  if (role == Qt::TextAlignmentRole) return QVariant::fromValue(alignment_ | Qt::AlignVCenter);
  return {};
}

void SaveRowsModel::Refresh() {
  beginResetModel();
  endResetModel();
}

}  // namespace quillmere::ui
