#pragma once

#include <QStringList>
#include <QTableView>
#include <QWidget>

namespace quillmere::testing {

// The window's child of that name; the test stops when there is none.
template <typename T>
T* FindChild(QWidget& window, const char* name) {
  T* widget = window.findChild<T*>(name);
  if (!widget) qFatal("no widget named %s", name);
  return widget;
}

// The texts a list view shows in one column, top to bottom.
inline QStringList Column(QTableView* list, int column) {
  QStringList cells;
  for (int row = 0; row < list->model()->rowCount(); ++row) cells << list->model()->index(row, column).data().toString();
  return cells;
}

// The texts a list view shows in one row, left to right.
inline QStringList Row(QTableView* list, int row) {
  QStringList cells;
  for (int column = 0; column < list->model()->columnCount(); ++column) {
    cells << list->model()->index(row, column).data().toString();
  }
  return cells;
}

}  // namespace quillmere::testing
