// The application title, the modal message box, the default error box that catches what
// escapes an event handler, and opening an address in the shell.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "toolkit/backend.h"

namespace toolkit {

class Form;

// The executable's file name without its directory, cut at its first ".", with every
// character after the first lower-cased.
std::string ApplicationTitle(std::string_view executablePath);

// The message with a full stop appended, unless it already ends with a character whose
// code is at most that of ".".
std::string ErrorBoxText(std::string_view message);

// A modal box: the text, one OK button, no icon, the application title as caption.
void ShowMessage(const Form& owner, const std::string& text);
// The default error box: the text by the rule above, a stop icon, OK, the title.
void ShowErrorBox(const Form& owner, std::string_view message);
void ShellOpen(const Form& owner, const std::string& address);

// Runs the handling of one piece of input; an error that escapes it goes to the error box
// and the form goes on working.
void RunGuarded(const Form& owner, const std::function<void()>& input);

}  // namespace toolkit
