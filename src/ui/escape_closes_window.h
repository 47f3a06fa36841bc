#pragma once

class QWidget;

namespace quillmere::ui {

// Esc closes `window`, but only when nothing else is open over it: an Esc
// meant for an open drop-down list, dialog or message box closes just that.
void CloseOnEscape(QWidget& window);

}  // namespace quillmere::ui
