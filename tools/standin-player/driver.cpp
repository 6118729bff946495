#include "tools/standin-player/driver.h"

#include <windows.h>

#include <charconv>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace standin {

namespace {

class Handle {
public:
    explicit Handle(HANDLE handle = nullptr) : handle_(handle) {}
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle() { Close(); }
    HANDLE get() const { return handle_; }
    HANDLE* out() { return &handle_; }
    void Close() {
        if (handle_) CloseHandle(handle_);
        handle_ = nullptr;
    }

private:
    HANDLE handle_;
};

void WriteText(const std::filesystem::path& path, const std::string& text) {
    std::ofstream output(path, std::ios::binary);
    output << text;
    if (!output) throw std::runtime_error("cannot write " + path.string());
}

std::string ReadAll(HANDLE pipe) {
    std::string text;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(pipe, buffer, sizeof buffer, &read, nullptr) && read > 0) {
        text.append(buffer, read);
    }
    return text;
}

void SplitLines(const std::string& text, Report& report) {
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        // A line without a time (an error on stderr) is kept whole, at time 0.
        unsigned long time = 0;
        const auto [end, error] = std::from_chars(line.data(), line.data() + line.size(), time);
        const bool timed = error == std::errc() && end != line.data() && *end == ' ';
        report.times.push_back(timed ? time : 0);
        report.lines.push_back(timed ? std::string(end + 1) : line);
    }
}

}  // namespace

Report RunStandinPlayer(const std::filesystem::path& folder, const Setup& setup,
                        std::chrono::milliseconds timeout) {
    namespace fs = std::filesystem;
    const fs::path program = folder / setup.player.filename();
    fs::copy_file(setup.player, program);
    fs::create_directory(folder / "Plugins");
    fs::copy_file(setup.plugin, folder / "Plugins" / "gen_quillon.dll");
    WriteText(folder / "script.txt", setup.script);
    std::string playlist;
    for (const auto& entry : setup.playlist) playlist += entry + "\r\n";
    WriteText(folder / "playlist.txt", playlist);

    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    Handle readEnd, writeEnd;
    if (!CreatePipe(readEnd.out(), writeEnd.out(), &inherit, 0)) {
        throw std::runtime_error("CreatePipe failed");
    }
    SetHandleInformation(readEnd.get(), HANDLE_FLAG_INHERIT, 0);

    std::wstring commandLine = L"\"" + program.wstring() + L"\" \"" +
                               (folder / "script.txt").wstring() + L"\" \"" +
                               (folder / "playlist.txt").wstring() + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd.get();
    startup.hStdError = writeEnd.get();
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION process{};
    const std::wstring directory = folder.wstring();
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                        directory.c_str(), &startup, &process)) {
        throw std::runtime_error("cannot start " + program.string());
    }
    Handle processHandle(process.hProcess), threadHandle(process.hThread);
    writeEnd.Close();  // so that reading ends when the player's copy closes

    std::string output;
    std::thread reader([&] { output = ReadAll(readEnd.get()); });
    Report report;
    const auto waited = WaitForSingleObject(processHandle.get(),
                                            static_cast<DWORD>(timeout.count()));
    report.finished = waited == WAIT_OBJECT_0;
    if (!report.finished) {
        TerminateProcess(processHandle.get(), 1);
        WaitForSingleObject(processHandle.get(), INFINITE);
    }
    reader.join();
    DWORD exitCode = 0;
    GetExitCodeProcess(processHandle.get(), &exitCode);
    report.exitCode = exitCode;
    SplitLines(output, report);
    return report;
}

}  // namespace standin
