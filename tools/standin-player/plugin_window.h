// What a user sees and does in the plug-in's window, for the stand-in player's script: controls
// are found as a user finds them, an edit by the label on its left, a button by its caption.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace standin {

// The plug-in's top-level window "Quillon 1.0", or null.
HWND FindPluginWindow();

// The lines of the log page: the multi-line edit that the user may type in and that fills a
// whole page (325 x 226). Empty when there is no such edit.
std::vector<std::string> LogLines(HWND window, bool& found);

struct LabelledField {
    std::string label;
    std::string text;
};

// Every edit with a label on its left, in window order.
std::vector<LabelledField> LabelledFields(HWND window);

// The edit whose label begins with `label` ("&" ignored), or null.
HWND FieldByLabel(HWND window, const std::string& label);

// The button whose caption begins with `caption` ("&" ignored), or null.
HWND ButtonByCaption(HWND window, const std::string& caption);

// Clicks the tab whose caption begins with `caption` with the left mouse button, as a user
// selects a page. Returns false when there is no such tab.
bool ClickTab(HWND window, const std::string& caption);

// A key going down and up in `target`, as the keyboard delivers it through the message queue.
void PostKey(HWND target, WORD virtualKey);

// Characters typed into `target` (UTF-8), as the keyboard delivers them after translation.
void PostCharacters(HWND target, const std::string& text);

// A short fingerprint of a file's first 64 KiB (where its tag is) and its size, so a report
// shows whether a file changed between two moments; "unreadable" when it cannot be opened.
// `path` in UTF-8.
std::string FileFingerprint(const std::string& path);

// The text of a window, as it holds it (GetWindowTextW), in UTF-8.
std::string WindowText(HWND window);

}  // namespace standin
