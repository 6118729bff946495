// The library's lifetime: the lasting objects, the export and the three callbacks.
//
// The objects are built in DllMain because the player may look for them as soon as the
// library is loaded, before it calls the export. DllMain runs under the loader lock, so the
// load does only what is safe there: every DLL the window uses is a static import, already
// loaded and initialised before this runs, so nothing is loaded from here; no thread is
// started or waited for (a submission thread starts only with a submission, and the HTTP
// client opens no socket before it posts); every message sent goes to our own windows on
// this same thread.
// A failure while building ends the load cleanly (FALSE), so the player skips the plug-in
// instead of meeting a half-built window.
//
// Submissions run on a thread that exists only while they wait or run: it ends when none is
// left, so an idle plug-in has no thread of ours and FreeLibrary, with or without quit,
// unloads it on the player's thread. That thread never touches a window, and it holds a
// reference on this module that it drops only as its very last act
// (FreeLibraryAndExitThread), as does a name lookup that it left behind; so no thread of
// ours can run code of an unloaded library. Quit, which is not under the loader lock, ends
// them: the exchange in flight is cancelled, waiting ones are dropped, no thread is started
// after it, and it waits up to kQuitGraceMs. Then unload finds no thread of ours and nothing
// to wait for. Should one still run (a name lookup that never returns), the library's last
// reference is that thread's, so the unload would happen on it, where the window cannot be
// destroyed: quit destroys the library objects itself, on the player's thread, and the late
// unload finds nothing left to do.
// FreeLibrary without quit while an exchange runs leaves the last reference to the worker
// too. Then the unload, on that thread, hands the destruction to the player's thread through
// a message-only window of ours, the courier, and waits for it a bounded time; should the
// player's thread not take the message in that time, the objects are left, as at process exit.
#include <windows.h>

#include <cstdint>
#include <memory>

#include "player/win32_channel.h"
#include "plugin/general_purpose_plugin.h"
#include "toolkit/win32_backend.h"
#include "ui/library_objects.h"

namespace {

std::int32_t __cdecl Init() { return 0; }

void __cdecl Config();

void __cdecl Quit();

plugin::GeneralPurposePlugin Record = {
    plugin::GPPHDR_VER,
    "Quillon Song Tracker Plugin (gen_quillon.dll)",
    Init,
    Config,
    Quit,
    nullptr,
    nullptr,
};

player::Win32MessageChannel PlayerChannel;
std::unique_ptr<LibraryObjects> Library;

constexpr int kQuitGraceMs = 2000;

constexpr wchar_t kCourierClass[] = L"QuillonCourier";
constexpr UINT kDestroyLibraryMessage = WM_APP + 1;
HWND Courier;
DWORD WindowThread;

LRESULT CALLBACK CourierProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != kDestroyLibraryMessage) return DefWindowProcW(window, message, wParam, lParam);
    Library.reset();
    DestroyWindow(window);
    return 1;
}

// Without a courier the late unload leaves the objects: the plug-in works the same.
void CreateCourier(HINSTANCE module) {
    WNDCLASSEXW courierClass{};
    courierClass.cbSize = sizeof courierClass;
    courierClass.lpfnWndProc = CourierProc;
    courierClass.hInstance = module;
    courierClass.lpszClassName = kCourierClass;
    RegisterClassExW(&courierClass);
    Courier = CreateWindowExW(0, kCourierClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, module, nullptr);
}

void DestroyLibraryObjects(HINSTANCE module) {
    if (GetCurrentThreadId() == WindowThread) {
        Library.reset();
        if (Courier) DestroyWindow(Courier);
    } else {
        DWORD_PTR destroyed = 0;
        if (!Courier || !SendMessageTimeoutW(Courier, kDestroyLibraryMessage, 0, 0, SMTO_BLOCK | SMTO_ABORTIFHUNG,
                                             kQuitGraceMs, &destroyed) || destroyed != 1) {
            // Destructors on this thread would fail to destroy the windows and leave their
            // procedures pointing into the unloaded library.
            (void)Library.release();
        }
    }
    UnregisterClassW(kCourierClass, module);
}

void __cdecl Config() {
    // An exception must not unwind into the player's frames, which know nothing of it.
    try {
        if (Library) Library->mainForm.ShowAndBringToFront();
    } catch (...) {
    }
}

bool CreateLibraryObjects(HINSTANCE module) {
    WindowThread = GetCurrentThreadId();
    CreateCourier(module);
    try {
        // The target is read from the record at every send: the player fills it in later.
        Library = std::make_unique<LibraryObjects>(toolkit::CreateWin32Backend(module), PlayerChannel, [] {
            return reinterpret_cast<player::WindowHandle>(Record.hwndParent);
        });
        return true;
    } catch (...) {
        return false;
    }
}

void __cdecl Quit() {
    try {
        if (Library && !Library->mainForm.poster.Stop(kQuitGraceMs)) Library.reset();
    } catch (...) {
    }
}

}  // namespace

extern "C" plugin::GeneralPurposePlugin* __cdecl winampGetGeneralPurposePlugin() {
    return &Record;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID reserved) {
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        return CreateLibraryObjects(module) ? TRUE : FALSE;
    case DLL_PROCESS_DETACH:
        if (reserved == nullptr) {
            DestroyLibraryObjects(module);
        } else {
            // At process exit the other threads are gone and may have left the heap or the
            // window manager mid-operation: nothing is touched, the system reclaims it all.
            (void)Library.release();
        }
        return TRUE;
    default:
        return TRUE;
    }
}
