#pragma once

#include <QGroupBox>
#include <QRect>
#include <filesystem>
#include <vector>

#include "model/outcome.h"
#include "model/save_entry.h"
#include "operations/host.h"
#include "singlesave/converter.h"
#include "ui/controls.h"

class QLineEdit;
class QPushButton;
class QTableView;

namespace quillmere::ui {

class SaveRowsModel;

// What makes one converter panel the SSF one or the SAROO one: its places in
// the window, its words, where its files are picked, and how its file is shown
// and converted.
struct ConverterSetup {
  const char* prefix;  // of the controls' object names
  QRect frame, convert, pick, path, label, list;
  UiText title, convertCaption, labelCaption;
  FileFilter fileFilter;
  std::filesystem::path (*pickFolder)(const std::filesystem::path& programDirectory);
  singlesave::SarooShown (*show)(const std::filesystem::path& file, Host& host);
  void (*convertFile)(const std::filesystem::path& file, const singlesave::SarooShown& shown,
                      const std::filesystem::path& programDirectory, Host& host);
};

// "SSF单存档转SAROO单存档" and "SAROO单存档转SSF单存档".
extern const ConverterSetup kSsfToSaroo;
extern const ConverterSetup kSarooToSsf;

// A converter panel: the file's path, its one-row list and the convert
// button. A file picked with "..." or dropped on the panel is shown at once.
class ConverterPanel : public QGroupBox {
  Q_OBJECT
 public:
  ConverterPanel(const ConverterSetup& setup, std::filesystem::path programDirectory, Host& host, QWidget* window);

  void PickFile();
  void ShowFile(const QString& path);
  void Convert();
  void ApplyTexts();

  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  const ConverterSetup& setup_;
  std::filesystem::path programDirectory_;
  Host& host_;
  QLineEdit* path_ = nullptr;
  QTableView* list_ = nullptr;
  SaveRowsModel* model_ = nullptr;
  Captions captions_;
  // One row, empty until a file is shown.
  std::vector<SaveEntry> row_{1};
  singlesave::SarooShown shown_;
};

}  // namespace quillmere::ui
