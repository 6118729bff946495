// Reading a real window back through Win32: places relative to the parent, texts of tabs,
// lists and edits, and a picture of the window as a BMP file.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "toolkit/types.h"
#include "toolkit/win32_backend.h"

// The window's place in its parent's client area, in pixels.
toolkit::Bounds PlaceInParent(HWND window);
// The text a window holds, read as the toolkit reads it.
inline constexpr auto& TextOf = toolkit::WindowText;
std::vector<std::string> SplitLines(const std::string& text);
std::string TabCaption(HWND tabs, int index);
std::string ListCell(HWND list, int row, int column);
std::string ListHeader(HWND list, int column);
// Runs the thread's messages for about `milliseconds`.
void PumpMessages(int milliseconds);
// Copies the window as the screen shows it into a 24-bit BMP file.
bool SaveWindowPicture(HWND window, const std::string& path);
