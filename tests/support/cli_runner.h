#pragma once
#include <initializer_list>
#include <string>
#include <vector>

namespace z7::test {

struct CliResult {
    int code = -1;
    std::string out;
    std::string err;
};

// Runs z7ctl in-process with the local file system.
CliResult RunCli(const std::vector<std::string>& args);

}  // namespace z7::test
