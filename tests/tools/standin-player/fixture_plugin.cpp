// A minimal general-purpose plug-in for testing the stand-in player (and the 32-bit harness)
// without the real window: a hidden top-level window captioned like ours, polling the player
// every second through the real message channel; config shows it and sends pause then play,
// so that the player's command record can be checked; a close request hides it.
#include <windows.h>

#include "player/win32_channel.h"
#include "plugin/general_purpose_plugin.h"

namespace {

constexpr char CLASS_NAME[] = "QuillonFixturePlugin";
constexpr UINT_PTR POLL_TIMER = 1;

HINSTANCE Module = nullptr;
HWND Window = nullptr;
player::Win32MessageChannel Channel;

std::int32_t __cdecl Init() { return 0; }
void __cdecl Config();
void __cdecl Quit() {}

plugin::GeneralPurposePlugin Record = {plugin::GPPHDR_VER, "Fixture plug-in", Init, Config,
                                       Quit, nullptr, nullptr};

player::WindowHandle Player() { return reinterpret_cast<player::WindowHandle>(Record.hwndParent); }

void __cdecl Config() {
    ShowWindow(Window, SW_SHOW);
    SetForegroundWindow(Window);
    player::SendPlayerCommand(Channel, Player(), player::WINAMP_BUTTON3);
    player::SendPlayerCommand(Channel, Player(), player::WINAMP_BUTTON2);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TIMER && wParam == POLL_TIMER) {
        const auto position = player::QueryPlayer(Channel, Player(), player::IPC_GETLISTPOS, 0);
        player::QueryPlayerText(Channel, Player(), player::IPC_GETPLAYLISTFILE, position);
        return 0;
    }
    if (message == WM_CLOSE) {
        ShowWindow(window, SW_HIDE);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

bool CreateFixtureWindow() {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = Module;
    windowClass.lpszClassName = CLASS_NAME;
    if (!RegisterClassA(&windowClass)) return false;
    constexpr DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    RECT frame{0, 0, 333, 321};
    AdjustWindowRectEx(&frame, style, FALSE, WS_EX_TOPMOST);
    Window = CreateWindowExA(WS_EX_TOPMOST, CLASS_NAME, "Quillon 1.0", style, 0, 0,
                             frame.right - frame.left, frame.bottom - frame.top, nullptr,
                             nullptr, Module, nullptr);
    return Window && SetTimer(Window, POLL_TIMER, 1000, nullptr);
}

}  // namespace

extern "C" plugin::GeneralPurposePlugin* __cdecl winampGetGeneralPurposePlugin() {
    return &Record;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) {
        Module = module;
        return CreateFixtureWindow() ? TRUE : FALSE;
    }
    if (reason == DLL_PROCESS_DETACH && reserved == nullptr) {
        if (Window) DestroyWindow(Window);
        UnregisterClassA(CLASS_NAME, Module);
    }
    return TRUE;
}
