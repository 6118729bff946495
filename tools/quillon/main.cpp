// quillon COMMAND ...: dispatches on the first word to one command module.
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>

#include "platform/codepage.h"
#endif

#include "tools/quillon/post_command.h"
#include "tools/quillon/tag_commands.h"

namespace {

struct Command {
    std::string_view name;
    int (*run)(const std::vector<std::string>& args);
    const char* usage;
};

// One line per command.
const Command kCommands[] = {
    {"read", RunRead, kReadUsage},
    {"write", RunWrite, kWriteUsage},
    {"post", RunPost, kPostUsage},
};

void PrintUsage(std::FILE* out) {
    std::fputs("usage: quillon COMMAND ARGUMENTS\n       quillon --help\n\ncommands:\n", out);
    for (const Command& command : kCommands) std::fprintf(out, "%s\n", command.usage);
}

// The arguments after the program name, in UTF-8 on every build: Windows hands `main` ANSI
// text, which cannot carry every file name, so the wide command line is used there.
std::vector<std::string> Utf8Arguments(int argc, char** argv) {
    std::vector<std::string> args;
#ifdef _WIN32
    (void)argc;
    (void)argv;
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr) return args;
    for (int i = 1; i < count; ++i) {
        args.push_back(platform::Utf8FromUtf16(reinterpret_cast<const char16_t*>(wide[i])));
    }
    LocalFree(wide);
#else
    for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
#endif
    return args;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args = Utf8Arguments(argc, argv);
    if (args.empty()) {
        PrintUsage(stderr);
        return 2;
    }
    if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        PrintUsage(stdout);
        return 0;
    }
    for (const Command& command : kCommands) {
        if (args[0] == command.name) return command.run({args.begin() + 1, args.end()});
    }
    std::fprintf(stderr, "quillon: unknown command \"%s\"\n", args[0].c_str());
    PrintUsage(stderr);
    return 2;
}
