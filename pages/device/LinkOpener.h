// The device pages' link buttons: the address from data/Config.ini opened in the desktop's
// browser, and when no browser takes it, a notice that shows the address for copying.
#pragma once

#include <string_view>

class QWidget;

/// Opens the address of `key` in `section` with the desktop's default handler. When nothing
/// opens it, a message box over `parent` (not modal: the wizard goes on) says so and shows the
/// address as plain, selectable text.
void OpenLinkOrSay(QWidget* parent, std::string_view section, std::string_view key);
