// A stand-in for the media player, as a general-purpose plug-in sees it: a main window that
// answers the playlist queries and takes the play/pause commands, a plug-in loaded from the
// Plugins folder beside this program, and a message loop. A script of timed commands drives
// it; everything that happens (including each timer tick of the plug-in's windows) is reported
// on stdout, one line each, prefixed with the time in milliseconds since the start.
//
// Usage: standin-player <script> [<playlist>]
//
// Script commands ("at <ms> <command> [<argument>]"):
//   start        what the player does at its start: load, export, fill, init
//   load, export, fill, init   those steps one by one (export prints the whole record)
//   config, quit the plug-in's callbacks
//   unload       frees the library
//   next, select <n>            change the current playlist entry
//   window       facts about the top-level window "Quillon 1.0", or "window none"
//   module       "module loaded" while the plug-in's DLL is mapped, else "module none"
//   close        sends it WM_CLOSE
//   log          the lines of its log page, "log lines=<n>" then "logline <text>" each
//   fields       each edit with a label on its left: field "<label>" "<text>"
//   tab <caption>              clicks that tab of the window's pages
//   focus <label>              keyboard focus to the edit labelled so (label's beginning)
//   key <code>   a key (virtual-key code, decimal) down and up in the focused control
//   type <text>  characters typed into the focused control (no blanks: one word)
//   click <caption>            clicks the enabled button with that caption (its beginning)
//   await <name> holds the script until a file of that name is in the current folder (the
//                test's signal that the steps after it may run; they run at once when late)
//   exit         leaves the message loop (unloading a still-loaded plug-in)
//   exitprocess  ends the process with the plug-in still loaded
//   gap          the longest time one message kept the loop busy since the last gap report
//   resources    the process's handle count, GDI and USER objects and private bytes
//   quiet        stops reporting ticks and queries (long runs)
//   timescale <n>  runs the plug-in's timers <n> times faster from the next load on (tests
//                only: periods set at load are measured by their first tick)
#include <windows.h>
// after windows.h, which it builds on
#include <psapi.h>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <cstdarg>
#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/codepage.h"
#include "player/player.h"
#include "plugin/general_purpose_plugin.h"
#include "tools/standin-player/plugin_window.h"
#include "tools/standin-player/script.h"

namespace {

constexpr char PLUGIN_FILE[] = "gen_quillon.dll";
constexpr UINT_PTR SCRIPT_TIMER = 1;
constexpr UINT AWAIT_POLL_MS = 50;

struct Player {
    HWND window = nullptr;
    ULONGLONG started = 0;
    std::vector<standin::Step> steps;
    std::size_t nextStep = 0;
    std::vector<std::string> playlist;  // UTF-8
    // The answers to the two file queries: UTF-16, and the code page's version (where a
    // character it lacks becomes its default character, as an old player has it).
    std::vector<std::u16string> widePlaylist;
    std::vector<std::string> ansiPlaylist;
    std::int32_t current = 0;
    HMODULE library = nullptr;
    plugin::GeneralPurposePlugin* record = nullptr;
    double longestDispatchMs = 0;
    bool quiet = false;
    unsigned timeScale = 1;
    ULONGLONG loadedAt = 0;
    std::set<std::pair<HWND, UINT_PTR>> scaledTimers;
};

Player ThePlayer;

void Report(const char* format, ...) {
    std::printf("%llu ", GetTickCount64() - ThePlayer.started);
    va_list arguments;
    va_start(arguments, format);
    std::vprintf(format, arguments);
    va_end(arguments);
    std::printf("\n");
    std::fflush(stdout);  // tests read the lines while the player runs
}

std::string PluginPath() {
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length == 0 || length == MAX_PATH) throw std::runtime_error("own path unknown");
    std::string directory(path, length);
    directory.erase(directory.find_last_of('\\') + 1);
    return directory + "Plugins\\" + PLUGIN_FILE;
}

const void* Address(auto pointer) { return reinterpret_cast<const void*>(pointer); }

UINT ScaledPeriod(ULONGLONG period) {
    return static_cast<UINT>(std::max<ULONGLONG>(period / ThePlayer.timeScale, USER_TIMER_MINIMUM));
}

UINT_PTR WINAPI ScaledSetTimer(HWND window, UINT_PTR id, UINT period, TIMERPROC procedure) {
    ThePlayer.scaledTimers.insert({window, id});
    return SetTimer(window, id, ScaledPeriod(period), procedure);
}

// Points the plug-in's import of SetTimer at ScaledSetTimer.
void ScalePluginTimers(HMODULE module) {
    auto* base = reinterpret_cast<BYTE*>(module);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
        base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const auto& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* library = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         imports.VirtualAddress != 0 && library->Name != 0; ++library) {
        if (_stricmp(reinterpret_cast<const char*>(base + library->Name), "user32.dll") != 0)
            continue;
        auto* name = reinterpret_cast<IMAGE_THUNK_DATA*>(base + library->OriginalFirstThunk);
        auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + library->FirstThunk);
        for (; name->u1.AddressOfData != 0; ++name, ++slot) {
            if (IMAGE_SNAP_BY_ORDINAL(name->u1.Ordinal)) continue;
            const auto* byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + name->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char*>(byName->Name), "SetTimer") != 0) continue;
            DWORD protection = 0;
            VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, PAGE_READWRITE, &protection);
            slot->u1.Function = reinterpret_cast<ULONG_PTR>(&ScaledSetTimer);
            VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, protection, &protection);
        }
    }
}

// A timer the plug-in set while loading, before the scaling: its first tick gives its period.
void ScaleLoadTimer(const MSG& message) {
    if (ThePlayer.timeScale <= 1 || !ThePlayer.library) return;
    if (!ThePlayer.scaledTimers.insert({message.hwnd, message.wParam}).second) return;
    SetTimer(message.hwnd, message.wParam, ScaledPeriod(GetTickCount64() - ThePlayer.loadedAt),
             nullptr);
}

void Load() {
    const std::string path = PluginPath();
    ThePlayer.scaledTimers.clear();
    ThePlayer.library = LoadLibraryA(path.c_str());
    ThePlayer.loadedAt = GetTickCount64();
    if (ThePlayer.library && ThePlayer.timeScale > 1) ScalePluginTimers(ThePlayer.library);
    if (ThePlayer.library) {
        Report("load ok");
    } else {
        Report("load failed error=%lu", GetLastError());
    }
}

void CallExport() {
    const auto get = reinterpret_cast<plugin::GetGeneralPurposePlugin>(
        reinterpret_cast<void*>(GetProcAddress(ThePlayer.library, plugin::EXPORT_NAME)));
    if (!get) {
        Report("export missing");
        return;
    }
    ThePlayer.record = get();
    const auto* r = ThePlayer.record;
    Report("export record=%p version=%d description=\"%s\" init=%p config=%p quit=%p "
           "hwndParent=%p hDllInstance=%p",
           Address(r), r->version, r->description, Address(r->init), Address(r->config),
           Address(r->quit), Address(r->hwndParent), Address(r->hDllInstance));
}

void Fill() {
    ThePlayer.record->hwndParent = ThePlayer.window;
    ThePlayer.record->hDllInstance = ThePlayer.library;
    Report("fill hwndParent=%p hDllInstance=%p", Address(ThePlayer.window),
           Address(ThePlayer.library));
}

void Init() { Report("init -> %d", ThePlayer.record->init()); }

void Unload() {
    const BOOL freed = FreeLibrary(ThePlayer.library);
    ThePlayer.library = nullptr;
    ThePlayer.record = nullptr;
    Report(freed ? "unload ok" : "unload failed");
}

// Whether the plug-in's module is still mapped: a thread of ours holds it while it runs.
void ReportModule() {
    Report(GetModuleHandleA(PLUGIN_FILE) ? "module loaded" : "module none");
}

void ReportPluginWindow() {
    const HWND window = standin::FindPluginWindow();
    if (!window) {
        Report("window none");
        return;
    }
    const LONG style = GetWindowLongA(window, GWL_STYLE);
    const LONG exStyle = GetWindowLongA(window, GWL_EXSTYLE);
    RECT client{};
    GetClientRect(window, &client);
    const bool ownThread = GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId();
    Report("window handle=%p visible=%d topmost=%d maximizebox=%d minimizebox=%d sysmenu=%d "
           "thickframe=%d toplevel=%d owner=%p foreground=%d client=%ldx%ld thread=%s",
           Address(window), IsWindowVisible(window) ? 1 : 0,
           (exStyle & WS_EX_TOPMOST) ? 1 : 0, (style & WS_MAXIMIZEBOX) ? 1 : 0,
           (style & WS_MINIMIZEBOX) ? 1 : 0, (style & WS_SYSMENU) ? 1 : 0,
           (style & WS_THICKFRAME) ? 1 : 0,
           GetAncestor(window, GA_PARENT) == GetDesktopWindow() ? 1 : 0,
           Address(GetWindow(window, GW_OWNER)),
           GetForegroundWindow() == window ? 1 : 0, client.right - client.left,
           client.bottom - client.top, ownThread ? "player" : "other");
}

void ClosePluginWindow() {
    const HWND window = standin::FindPluginWindow();
    if (!window) {
        Report("close none");
        return;
    }
    SendMessageA(window, WM_CLOSE, 0, 0);
    Report("close sent");
}

void ReportLog() {
    bool found = false;
    const auto lines = standin::LogLines(standin::FindPluginWindow(), found);
    if (!found) {
        Report("log none");
        return;
    }
    Report("log lines=%zu", lines.size());
    for (const auto& line : lines) Report("logline %s", line.c_str());
}

void ReportFields() {
    const HWND window = standin::FindPluginWindow();
    if (!window) {
        Report("fields none");
        return;
    }
    for (const auto& field : standin::LabelledFields(window)) {
        Report("field \"%s\" \"%s\"", field.label.c_str(), field.text.c_str());
    }
}

void SelectTab(const std::string& caption) {
    const HWND window = standin::FindPluginWindow();
    Report("tab \"%s\" %s", caption.c_str(),
           window && standin::ClickTab(window, caption) ? "clicked" : "none");
}

void FocusField(const std::string& label) {
    const HWND window = standin::FindPluginWindow();
    const HWND edit = window ? standin::FieldByLabel(window, label) : nullptr;
    if (!edit) {
        Report("focus \"%s\" none", label.c_str());
        return;
    }
    SetFocus(edit);
    Report("focus \"%s\" %s", label.c_str(), GetFocus() == edit ? "ok" : "refused");
}

bool ParseNumber(const std::string& text, auto& number) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    return error == std::errc() && end == text.data() + text.size();
}

void PressKey(const std::string& code) {
    WORD key = 0;
    const HWND focus = GetFocus();
    if (!ParseNumber(code, key) || !focus) {
        Report("key %s not sent: %s", code.c_str(), focus ? "no key code" : "no focus");
        return;
    }
    standin::PostKey(focus, key);
    Report("key %u posted", static_cast<unsigned>(key));
}

void Type(const std::string& text) {
    const HWND focus = GetFocus();
    if (!focus) {
        Report("type not sent: no focus");
        return;
    }
    standin::PostCharacters(focus, text);
    Report("type \"%s\" posted", text.c_str());
}

void Click(const std::string& caption) {
    const HWND window = standin::FindPluginWindow();
    const HWND button = window ? standin::ButtonByCaption(window, caption) : nullptr;
    if (!button) {
        Report("click \"%s\" none", caption.c_str());
    } else if (!IsWindowEnabled(button)) {
        Report("click \"%s\" disabled", caption.c_str());
    } else {
        Report("click \"%s\"", caption.c_str());
        SendMessageA(button, BM_CLICK, 0, 0);  // the handler runs before this returns
        Report("click \"%s\" done", caption.c_str());
    }
}

void ReportGap() {
    Report("gap longest=%.1f ms", ThePlayer.longestDispatchMs);
    ThePlayer.longestDispatchMs = 0;
}

// Counted by trying every handle value: wine's GetProcessHandleCount says 0.
DWORD CountHandles() {
    DWORD count = 0;
    for (std::uintptr_t value = 4; value < (1u << 16); value += 4) {
        DWORD flags = 0;
        if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++count;
    }
    return count;
}

void ReportResources() {
    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                         sizeof memory);
    Report("resources handles=%lu gdi=%lu user=%lu private=%llu", CountHandles(),
           GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS),
           GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS),
           static_cast<unsigned long long>(memory.PrivateUsage));
}

void Select(std::int32_t entry) {
    ThePlayer.current = entry;
    Report("select %d", entry);
}

void Start() {  // what the player does at its own start
    Load();
    if (!ThePlayer.library) return;
    CallExport();
    if (!ThePlayer.record) return;
    Fill();
    Init();
}

void Next() {
    Select(ThePlayer.playlist.empty()
               ? 0
               : (ThePlayer.current + 1) % static_cast<std::int32_t>(ThePlayer.playlist.size()));
}

void SelectEntry(const std::string& argument) {
    std::int32_t entry = 0;
    if (!ParseNumber(argument, entry)) {
        Report("select needs an entry number, got \"%s\"", argument.c_str());
    } else {
        Select(entry);
    }
}

void SetTimeScale(const std::string& argument) {
    if (!ParseNumber(argument, ThePlayer.timeScale) || ThePlayer.timeScale == 0) {
        Report("timescale needs a positive number, got \"%s\"", argument.c_str());
        ThePlayer.timeScale = 1;
    } else {
        Report("timescale %u", ThePlayer.timeScale);
    }
}

void Config() {
    ThePlayer.record->config();
    Report("config done");
}

void Quit() {
    ThePlayer.record->quit();
    Report("quit done");
}

void Quiet() { ThePlayer.quiet = true; }

// An "await" step whose file is not there yet: the script stays on it.
bool Awaiting(const standin::Step& step) {
    return step.command == "await" && !step.argument.empty() &&
           GetFileAttributesA(step.argument.c_str()) == INVALID_FILE_ATTRIBUTES;
}

void Await(const std::string& name) {
    if (name.empty()) {
        Report("await needs a file name");
    } else {
        Report("await %s done", name.c_str());
    }
}

void ExitProcessNow() {  // ends with the plug-in still loaded
    Report("exitprocess");
    ExitProcess(0);
}

void Exit() {
    Report("exit");
    PostQuitMessage(0);
}

template <void (*Run)()>
void NoArgument(const std::string&) {
    Run();
}

enum class Needs { Nothing, Library, Record };

struct Command {
    std::string_view name;
    Needs needs;  // a step whose need is unmet is reported as skipped
    void (*run)(const std::string& argument);
};

// One line per script command.
const Command kCommands[] = {
    {"start", Needs::Nothing, NoArgument<Start>},
    {"load", Needs::Nothing, NoArgument<Load>},
    {"export", Needs::Library, NoArgument<CallExport>},
    {"fill", Needs::Record, NoArgument<Fill>},
    {"init", Needs::Record, NoArgument<Init>},
    {"config", Needs::Record, NoArgument<Config>},
    {"quit", Needs::Record, NoArgument<Quit>},
    {"unload", Needs::Library, NoArgument<Unload>},
    {"next", Needs::Nothing, NoArgument<Next>},
    {"select", Needs::Nothing, SelectEntry},
    {"window", Needs::Nothing, NoArgument<ReportPluginWindow>},
    {"module", Needs::Nothing, NoArgument<ReportModule>},
    {"close", Needs::Nothing, NoArgument<ClosePluginWindow>},
    {"log", Needs::Nothing, NoArgument<ReportLog>},
    {"fields", Needs::Nothing, NoArgument<ReportFields>},
    {"tab", Needs::Nothing, SelectTab},
    {"focus", Needs::Nothing, FocusField},
    {"key", Needs::Nothing, PressKey},
    {"type", Needs::Nothing, Type},
    {"click", Needs::Nothing, Click},
    {"quiet", Needs::Nothing, NoArgument<Quiet>},
    {"gap", Needs::Nothing, NoArgument<ReportGap>},
    {"resources", Needs::Nothing, NoArgument<ReportResources>},
    {"timescale", Needs::Nothing, SetTimeScale},
    {"exitprocess", Needs::Nothing, NoArgument<ExitProcessNow>},
    {"await", Needs::Nothing, Await},
    {"exit", Needs::Nothing, NoArgument<Exit>},
};

void Run(const standin::Step& step) {
    const auto* command = std::find_if(std::begin(kCommands), std::end(kCommands),
                                       [&](const Command& c) { return c.name == step.command; });
    if (command == std::end(kCommands)) {
        Report("unknown command \"%s\"", step.command.c_str());
    } else if (command->needs == Needs::Record && !ThePlayer.record) {
        Report("%s skipped: no plug-in record", step.command.c_str());
    } else if (command->needs == Needs::Library && !ThePlayer.library) {
        Report("%s skipped: no plug-in loaded", step.command.c_str());
    } else {
        command->run(step.argument);
    }
}

void ScheduleNextStep() {
    if (ThePlayer.nextStep == ThePlayer.steps.size()) return;
    const ULONGLONG due = ThePlayer.started + ThePlayer.steps[ThePlayer.nextStep].at;
    const ULONGLONG now = GetTickCount64();
    const UINT delay = due > now ? static_cast<UINT>(due - now) : USER_TIMER_MINIMUM;
    SetTimer(ThePlayer.window, SCRIPT_TIMER, delay, nullptr);
}

// One step per timer message: what a step posted (typed characters, clicks) is handled
// before the next step runs, however late a loaded machine runs them.
void RunDueSteps() {
    KillTimer(ThePlayer.window, SCRIPT_TIMER);
    const ULONGLONG elapsed = GetTickCount64() - ThePlayer.started;
    if (ThePlayer.nextStep < ThePlayer.steps.size() &&
        ThePlayer.steps[ThePlayer.nextStep].at <= elapsed) {
        if (Awaiting(ThePlayer.steps[ThePlayer.nextStep])) {
            SetTimer(ThePlayer.window, SCRIPT_TIMER, AWAIT_POLL_MS, nullptr);
            return;
        }
        Run(ThePlayer.steps[ThePlayer.nextStep++]);
    }
    ScheduleNextStep();
}

LRESULT AnswerQuery(WPARAM data, LPARAM query) {
    if (query == player::IPC_GETLISTPOS) {
        if (!ThePlayer.quiet) Report("query IPC_GETLISTPOS -> %d", ThePlayer.current);
        return ThePlayer.current;
    }
    if (query == player::IPC_GETPLAYLISTFILE || query == player::IPC_GETPLAYLISTFILEW) {
        const bool wide = query == player::IPC_GETPLAYLISTFILEW;
        const char* name = wide ? "IPC_GETPLAYLISTFILEW" : "IPC_GETPLAYLISTFILE";
        const auto entry = static_cast<std::int32_t>(data);
        if (entry < 0 || entry >= static_cast<std::int32_t>(ThePlayer.playlist.size())) {
            Report("query %s %d -> null", name, entry);
            return 0;
        }
        const auto index = static_cast<std::size_t>(entry);
        if (!ThePlayer.quiet) {
            // Reported in UTF-8 either way: what the answer holds, "?" and all.
            const std::string shown = wide ? ThePlayer.playlist[index]
                                           : platform::Utf8FromAnsi(ThePlayer.ansiPlaylist[index]);
            Report("query %s %d -> \"%s\"", name, entry, shown.c_str());
        }
        return wide ? reinterpret_cast<LRESULT>(ThePlayer.widePlaylist[index].c_str())
                    : reinterpret_cast<LRESULT>(ThePlayer.ansiPlaylist[index].c_str());
    }
    Report("query unknown lParam=%lld wParam=%llu -> 0", static_cast<long long>(query),
           static_cast<unsigned long long>(data));
    return 0;
}

const char* CommandName(WORD command) {
    switch (command) {
    case player::WINAMP_BUTTON2: return "WINAMP_BUTTON2";
    case player::WINAMP_BUTTON3: return "WINAMP_BUTTON3";
    default: return "unknown";
    }
}

void ReportCurrentFile() {
    const auto entry = static_cast<std::size_t>(ThePlayer.current);
    if (ThePlayer.current < 0 || entry >= ThePlayer.playlist.size()) return;
    Report("file %d %s", ThePlayer.current,
           standin::FileFingerprint(ThePlayer.playlist[entry]).c_str());
}

LRESULT CALLBACK PlayerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_TIMER:
        if (wParam == SCRIPT_TIMER) RunDueSteps();
        return 0;
    case WM_USER:
        return AnswerQuery(wParam, lParam);
    case WM_COMMAND:
        Report("command %u %s lParam=%lld", static_cast<unsigned>(wParam),
               CommandName(LOWORD(wParam)), static_cast<long long>(lParam));
        ReportCurrentFile();  // shows whether a tag write came before or after the command
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

template <typename Parse>
auto ParseFile(const char* path, Parse parse) {
    std::ifstream input(path, std::ios::binary);
    if (!input) throw std::runtime_error(std::string("cannot open ") + path);
    return parse(input);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: standin-player <script> [<playlist>]\n");
        return 2;
    }
    try {
        ThePlayer.steps = ParseFile(argv[1], standin::ParseScript);
        if (argc == 3) ThePlayer.playlist = ParseFile(argv[2], standin::ParsePlaylist);
        for (const std::string& name : ThePlayer.playlist) {
            ThePlayer.widePlaylist.push_back(platform::Utf16FromUtf8(name));
            ThePlayer.ansiPlaylist.push_back(platform::AnsiFromUtf8(name));
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "standin-player: %s\n", error.what());
        return 2;
    }

    const HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = PlayerWindowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = "QuillonStandinPlayer";
    if (!RegisterClassA(&windowClass)) {
        std::fprintf(stderr, "standin-player: no window class, error %lu\n", GetLastError());
        return 1;
    }
    ThePlayer.window = CreateWindowA(windowClass.lpszClassName, "Stand-in Player",
                                     WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 300, 100,
                                     nullptr, nullptr, instance, nullptr);
    if (!ThePlayer.window) {
        std::fprintf(stderr, "standin-player: no main window, error %lu\n", GetLastError());
        return 1;
    }
    ThePlayer.started = GetTickCount64();
    // The pointer size shows which build runs: the smoke run wants the 32-bit one.
    Report("player window=%p bits=%u", Address(ThePlayer.window),
           static_cast<unsigned>(8 * sizeof(void*)));
    ScheduleNextStep();

    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    MSG message;
    // A Unicode loop, as today's players run: typed characters reach the plug-in whole.
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        // The plug-in's timers run from this loop: each tick of another window is reported.
        if (message.message == WM_TIMER && message.hwnd != ThePlayer.window) {
            if (!ThePlayer.quiet)
                Report("tick window=%p id=%llu", Address(message.hwnd),
                       static_cast<unsigned long long>(message.wParam));
            ScaleLoadTimer(message);
        }
        // How long this message keeps the loop from the next: the player's stall.
        LARGE_INTEGER before, after;
        QueryPerformanceCounter(&before);
        TranslateMessage(&message);
        DispatchMessageW(&message);
        QueryPerformanceCounter(&after);
        ThePlayer.longestDispatchMs = std::max(
            ThePlayer.longestDispatchMs,
            1000.0 * static_cast<double>(after.QuadPart - before.QuadPart) /
                static_cast<double>(frequency.QuadPart));
    }
    if (ThePlayer.library) {
        Report("unload at exit");
        Unload();
    }
    DestroyWindow(ThePlayer.window);
    return 0;
}
