// The quillon command-line tool: dispatch to its commands.
#include <iostream>
#include <string>
#include <vector>

#include "tools/quillon/post_command.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (!args.empty() && args[0] == "post") return RunPost({args.begin() + 1, args.end()});
    std::cerr << "usage: quillon post URL [options]\n";
    return 2;
}
