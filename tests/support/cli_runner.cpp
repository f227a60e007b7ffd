#include "support/cli_runner.h"

#include <sstream>

#include "cli/cli.h"
#include "platform/file_system.h"

namespace z7::test {

CliResult RunCli(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {"z7ctl"};
    argv.insert(argv.end(), args.begin(), args.end());
    std::ostringstream out, err;
    CliResult r;
    r.code = cli::Run(argv, out, err, LocalFileSystem());
    r.out = out.str();
    r.err = err.str();
    return r;
}

}  // namespace z7::test
