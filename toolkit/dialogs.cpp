#include "toolkit/dialogs.h"

#include <exception>

#include "toolkit/form.h"

namespace toolkit {

namespace {
// Lower case in the ANSI code page (Windows-1252): ASCII, the accented capitals
// 0xC0-0xDE but the multiplication sign, and the four capitals among 0x8A-0x9F.
char LowerAnsi(char character) {
    const auto code = static_cast<unsigned char>(character);
    if ((code >= 'A' && code <= 'Z') || (code >= 0xC0 && code <= 0xDE && code != 0xD7)) {
        return static_cast<char>(code + 0x20);
    }
    if (code == 0x8A || code == 0x8C || code == 0x8E) return static_cast<char>(code + 0x10);
    if (code == 0x9F) return static_cast<char>(0xFF);
    return character;
}
}  // namespace

std::string ApplicationTitle(std::string_view executablePath) {
    const std::size_t slash = executablePath.find_last_of("\\/:");
    std::string_view name =
        slash == std::string_view::npos ? executablePath : executablePath.substr(slash + 1);
    name = name.substr(0, name.find('.'));
    std::string title(name);
    for (std::size_t i = 1; i < title.size(); ++i) title[i] = LowerAnsi(title[i]);
    return title;
}

std::string ErrorBoxText(std::string_view message) {
    std::string text(message);
    if (text.empty() || static_cast<unsigned char>(text.back()) > '.') text += '.';
    return text;
}

void ShowMessage(const Form& owner, const std::string& text) {
    Backend& backend = owner.GetBackend();
    backend.ShowMessageBox(&owner, ApplicationTitle(backend.HostExecutablePath()), text,
                           MessageStyle::Plain);
}

void ShowErrorBox(const Form& owner, std::string_view message) {
    Backend& backend = owner.GetBackend();
    backend.ShowMessageBox(&owner, ApplicationTitle(backend.HostExecutablePath()),
                           ErrorBoxText(message), MessageStyle::Error);
}

void ShellOpen(const Form& owner, const std::string& address) {
    owner.GetBackend().ShellOpen(owner, address);
}

void RunGuarded(const Form& owner, const std::function<void()>& input) {
    try {
        input();
    } catch (const std::exception& error) {
        ShowErrorBox(owner, error.what());
    } catch (...) {
        ShowErrorBox(owner, "Unknown error");
    }
}

}  // namespace toolkit
