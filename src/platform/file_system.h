#pragma once
// File operations the data store needs, behind an interface so that tests can interrupt a
// save at any step. Paths are native; errors carry the operation and the OS's own text.
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace z7 {

// How the file system measures and compares file names.
struct FileNameRules {
    size_t maxNameUnits = 255;  // the longest file name, in the unit below
    bool utf16Units = false;    // false: bytes of UTF-8 (Linux), true: UTF-16 units (Windows)
    bool ignoreCase = false;    // names that differ only in letter case are one file
};

class FileSystem {
public:
    virtual ~FileSystem() = default;
    // Creates or truncates `path` and writes `bytes`; the data is on the disk when this returns.
    virtual bool WriteFile(const std::filesystem::path& path, std::span<const uint8_t> bytes,
                           std::string* error) = 0;
    // Reads a whole file; fails for files larger than maxBytes rather than allocating them.
    virtual bool ReadFile(const std::filesystem::path& path, std::vector<uint8_t>& out,
                          size_t maxBytes, std::string* error) = 0;
    // Replaces `to` atomically where the platform can.
    virtual bool Rename(const std::filesystem::path& from, const std::filesystem::path& to,
                        std::string* error) = 0;
    // Removes one file (or link); a missing path is not an error. A folder is never removed:
    // that fails.
    virtual bool Remove(const std::filesystem::path& path, std::string* error) = 0;
    virtual bool CreateDirectories(const std::filesystem::path& path, std::string* error) = 0;
    // Removes a folder only while it is empty; a folder with anything in it stays and fails.
    virtual bool RemoveEmptyFolder(const std::filesystem::path& folder, std::string* error) {
        if (error) *error = "cannot remove folder " + folder.string() + ": not supported";
        return false;
    }
    virtual bool Exists(const std::filesystem::path& path) = 0;
    virtual bool IsDirectory(const std::filesystem::path& path) = 0;
    // Entry names (not paths) of a folder; empty when it cannot be read.
    virtual std::vector<std::filesystem::path> List(const std::filesystem::path& folder) = 0;

    // Batch forms for replacing many files at once: they do not wait for the disk; a later
    // Sync of the folder makes everything written or renamed there durable in one step (one
    // flush per file costs seconds for a library of a thousand files).
    virtual bool WriteFileNoSync(const std::filesystem::path& path, std::span<const uint8_t> bytes,
                                 std::string* error) {
        return WriteFile(path, bytes, error);
    }
    virtual bool RenameNoSync(const std::filesystem::path& from, const std::filesystem::path& to,
                              std::string* error) {
        return Rename(from, to, error);
    }
    virtual bool Sync(const std::filesystem::path& /*folder*/, std::string* /*error*/) { return true; }

    // The platform's file naming: Windows counts UTF-16 units and ignores case, Linux counts
    // bytes and compares them exactly.
    virtual FileNameRules nameRules() const { return {}; }
    // Whether two file names (without folders) name the same file here.
    virtual bool SameFileName(std::u16string_view a, std::u16string_view b) const { return a == b; }
};

// The machine's own file system.
FileSystem& LocalFileSystem();

}  // namespace z7
