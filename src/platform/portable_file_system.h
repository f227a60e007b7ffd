#pragma once
// The queries every platform answers the same way through std::filesystem; backends add the
// operations whose durability or error text differ.
#include <system_error>

#include "platform/file_system.h"

namespace z7 {

class PortableFileSystem : public FileSystem {
public:
    bool Exists(const std::filesystem::path& path) override {
        std::error_code ec;
        return std::filesystem::exists(path, ec);
    }

    bool IsDirectory(const std::filesystem::path& path) override {
        std::error_code ec;
        return std::filesystem::is_directory(path, ec);
    }

    bool RemoveEmptyFolder(const std::filesystem::path& folder, std::string* error) override {
        std::error_code ec;
        // remove() would also delete a file of that name; only an empty folder may go.
        if (!std::filesystem::is_directory(folder, ec) || !std::filesystem::is_empty(folder, ec) ||
            !std::filesystem::remove(folder, ec)) {
            if (error)
                *error = "cannot remove folder " + folder.string() +
                         (ec ? ": " + ec.message() : std::string(": not an empty folder"));
            return false;
        }
        return true;
    }

    std::vector<std::filesystem::path> List(const std::filesystem::path& folder) override {
        std::vector<std::filesystem::path> names;
        std::error_code ec;
        for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
             it.increment(ec))
            names.push_back(it->path().filename());
        return names;
    }
};

}  // namespace z7
