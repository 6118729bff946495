// The Win32 backend: real windows and controls, SetTimer timers on the form's own window.
#pragma once

#include <memory>
#include <string>

#include "toolkit/backend.h"

namespace toolkit {

// `moduleInstance` is the module (the plug-in's HINSTANCE) whose resources hold the icon
// and pictures and under which the window classes are registered.
std::unique_ptr<Backend> CreateWin32Backend(void* moduleInstance);

// The text a native window (an HWND) holds.
std::string WindowText(void* window);

}  // namespace toolkit
