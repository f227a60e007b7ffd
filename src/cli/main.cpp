#include <iostream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>
#endif

#include "cli/cli.h"
#include "core/util/text.h"
#include "platform/file_system.h"

int main(int argc, char** argv) {
    std::vector<std::string> args;
#ifdef _WIN32
    // The narrow argv is in the ANSI code page; the CLI works in UTF-8 throughout.
    (void)argc;
    (void)argv;
    int count = 0;
    wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    for (int i = 0; wide && i < count; ++i) {
        const std::wstring w(wide[i]);
        args.push_back(z7::Utf16ToUtf8(std::u16string(w.begin(), w.end())));
    }
    ::LocalFree(wide);
    ::SetConsoleOutputCP(CP_UTF8);
#else
    args.assign(argv, argv + argc);
#endif
    return z7::cli::Run(args, std::cout, std::cerr, z7::LocalFileSystem());
}
