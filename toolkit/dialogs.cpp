#include "toolkit/dialogs.h"

#include <exception>

#include "platform/codepage.h"
#include "toolkit/form.h"

namespace toolkit {

namespace {
// Lower case as the code page 1252 titles always had it: ASCII, the accented capitals
// U+00C0-U+00DE but the multiplication sign, and Š, Œ, Ž, Ÿ; other letters stay.
char16_t Lower(char16_t unit) {
    if ((unit >= u'A' && unit <= u'Z') || (unit >= 0xC0 && unit <= 0xDE && unit != 0xD7)) {
        return static_cast<char16_t>(unit + 0x20);
    }
    if (unit == 0x160 || unit == 0x152 || unit == 0x17D) return static_cast<char16_t>(unit + 1);
    if (unit == 0x178) return 0xFF;
    return unit;
}
}  // namespace

std::string ApplicationTitle(std::string_view executablePath) {
    const std::size_t slash = executablePath.find_last_of("\\/:");
    std::string_view name =
        slash == std::string_view::npos ? executablePath : executablePath.substr(slash + 1);
    name = name.substr(0, name.find('.'));
    std::u16string title = platform::Utf16FromUtf8(name);
    for (std::size_t i = 1; i < title.size(); ++i) title[i] = Lower(title[i]);
    return platform::Utf8FromUtf16(title);
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
