#include <iostream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "platform/file_system.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv, argv + argc);
    return z7::cli::Run(args, std::cout, std::cerr, z7::LocalFileSystem());
}
