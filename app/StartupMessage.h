// The plain system message box used before any skinned window exists.
#pragma once

#include <string>

/// Shows `text` with an OK button, titled `title`, and waits until it is closed. The text also
/// goes to the debug output. PENLOW_DISMISS_MESSAGES_FOR_TESTING=1 closes the box at once.
void ShowStartupMessage(const std::string& text, const std::string& title);
