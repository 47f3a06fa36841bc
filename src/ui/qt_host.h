#pragma once

#include <QString>

#include "operations/host.h"

class QWidget;

namespace quillmere::ui {

// The desktop's dialogs: message boxes captioned "信息" without an icon, the
// open-file dialog, and the system file browser.
class QtHost : public Host {
 public:
  explicit QtHost(QWidget* parent = nullptr) : parent_(parent) {}
  void setParent(QWidget* parent) { parent_ = parent; }

  void ShowMessage(std::string_view text) override;
  bool AskOkCancel(std::string_view text) override;
  std::optional<std::filesystem::path> PickOpenFile(std::string_view filter,
                                                    const std::filesystem::path& initialFolder) override;
  bool RevealFile(const std::filesystem::path& file) override;
  void PaneChanged(int) override {}
  void ButtonChanged(int, PaneButton, std::string_view, bool) override {}

 private:
  QWidget* parent_;
};

// "description|pattern" as a Qt file-dialog filter: "description (pattern)".
QString DialogFilter(std::string_view filter);

}  // namespace quillmere::ui
