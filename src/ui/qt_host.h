#pragma once

#include <QPointer>
#include <QProgressDialog>
#include <QString>
#include <QStringList>

#include <filesystem>
#include <memory>
#include <utility>

#include "operations/host.h"
#include "platform/file_io.h"

class QFileDialog;
class QWidget;

namespace quillmere::ui {

// The desktop's dialogs: message boxes captioned "信息" without an icon, the
// open-file dialog, the progress dialog of long runs, and the system file browser.
class QtHost : public Host {
 public:
  explicit QtHost(QWidget* parent = nullptr);
  ~QtHost() override;
  void setParent(QWidget* parent) { parent_ = parent; }
  // Where a file dialog opens when its own folder is missing: the working folder.
  void setFallbackFolder(std::filesystem::path folder) { fallbackFolder_ = std::move(folder); }

  void ShowMessage(const Message& message) override;
  bool AskOkCancel(const Message& question) override;
  std::optional<ChoiceAnswer> AskChoice(const Message& question, const std::vector<Message>& choices,
                                       std::size_t chosen) override;
  std::optional<std::filesystem::path> PickOpenFile(FileFilter filter, const std::filesystem::path& initialFolder) override;
  std::vector<std::filesystem::path> PickOpenFiles(FileFilter filter, const std::filesystem::path& initialFolder) override;
  std::optional<std::filesystem::path> PickFolder(const std::filesystem::path& initialFolder) override;
  bool RevealFile(const std::filesystem::path& file) override;
  void PaneChanged(int) override {}
  void ButtonChanged(int, PaneButton, const std::optional<Message>&, bool) override {}
  // A busy cursor from the first step, and after half a second a modal
  // dialog with the count and Cancel, so that no other click starts work.
  bool Progress(std::size_t done, std::size_t total) override;
  // The dialog of the run under way, once it exists.
  QProgressDialog* progressDialog() const { return progress_.data(); }

 private:
  QWidget* parent_;
  // The dialog is its window's child: should the window go first mid-run,
  // the pointer turns null instead of deleting it twice.
  QPointer<QProgressDialog> progress_;
  bool busy_ = false;  // the wait cursor is set
  std::filesystem::path fallbackFolder_ = platform::ProgramDirectory();
};

// "description|pattern" pairs as Qt file-dialog filters, "description (pattern)".
// The dialog is told to show only the descriptions.
QStringList DialogFilters(std::string_view filter);

// The open-file dialog for `filter`, showing `initialFolder`, or the program
// folder where that folder does not exist, with an empty file name.
void PrepareOpenFileDialog(QFileDialog& dialog, std::string_view filter, const std::filesystem::path& initialFolder,
                           const std::filesystem::path& programFolder);

}  // namespace quillmere::ui
