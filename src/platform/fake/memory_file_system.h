#pragma once
// A file system held in memory, for fuzzing and tests that must not touch the disk. Paths are
// compared as given (lexically normalised); folders exist once created or once a file is in them.
#include <map>
#include <set>

#include "platform/file_system.h"

namespace z7 {

class MemoryFileSystem final : public FileSystem {
  public:
    explicit MemoryFileSystem(FileNameRules rules = {}) : rules_(rules) {}

    bool WriteFile(const std::filesystem::path& path, std::span<const uint8_t> bytes,
                   std::string* error) override;
    bool ReadFile(const std::filesystem::path& path, std::vector<uint8_t>& out, size_t maxBytes,
                  std::string* error) override;
    bool Rename(const std::filesystem::path& from, const std::filesystem::path& to,
                std::string* error) override;
    bool Remove(const std::filesystem::path& path, std::string* error) override;
    bool CreateDirectories(const std::filesystem::path& path, std::string* error) override;
    bool RemoveEmptyFolder(const std::filesystem::path& folder, std::string* error) override;
    bool Exists(const std::filesystem::path& path) override;
    bool IsDirectory(const std::filesystem::path& path) override;
    std::vector<std::filesystem::path> List(const std::filesystem::path& folder) override;
    FileNameRules nameRules() const override { return rules_; }
    bool SameFileName(std::u16string_view a, std::u16string_view b) const override;

    const std::map<std::filesystem::path, std::vector<uint8_t>>& files() const { return files_; }

  private:
    static std::filesystem::path Key(const std::filesystem::path& path);
    // The stored spelling of `path` where the rules ignore case; `path` itself otherwise.
    std::filesystem::path Find(const std::filesystem::path& path) const;

    FileNameRules rules_;
    std::map<std::filesystem::path, std::vector<uint8_t>> files_;
    std::set<std::filesystem::path> folders_;
};

}  // namespace z7
