#pragma once
#include "platform/file_system.h"

namespace z7 {

// Forwards to another file system and, after `allowedChanges` changing operations (write,
// rename, remove, create folder), fails every further change: a crash at that step, as seen
// by whoever loads the files afterwards.
class FaultyFileSystem final : public FileSystem {
public:
    FaultyFileSystem(FileSystem& inner, int allowedChanges) : inner_(inner), left_(allowedChanges) {}

    bool WriteFile(const std::filesystem::path& path, std::span<const uint8_t> bytes,
                   std::string* error) override;
    bool ReadFile(const std::filesystem::path& path, std::vector<uint8_t>& out, size_t maxBytes,
                  std::string* error) override {
        return inner_.ReadFile(path, out, maxBytes, error);
    }
    bool Rename(const std::filesystem::path& from, const std::filesystem::path& to,
                std::string* error) override;
    bool Remove(const std::filesystem::path& path, std::string* error) override;
    bool CreateDirectories(const std::filesystem::path& path, std::string* error) override;
    bool RemoveEmptyFolder(const std::filesystem::path& folder, std::string* error) override;
    bool Exists(const std::filesystem::path& path) override { return inner_.Exists(path); }
    bool IsDirectory(const std::filesystem::path& path) override { return inner_.IsDirectory(path); }
    std::vector<std::filesystem::path> List(const std::filesystem::path& folder) override {
        return inner_.List(folder);
    }

    FileNameRules nameRules() const override { return inner_.nameRules(); }
    bool SameFileName(std::u16string_view a, std::u16string_view b) const override {
        return inner_.SameFileName(a, b);
    }
    bool Sync(const std::filesystem::path& folder, std::string* error) override {
        return inner_.Sync(folder, error);
    }

    int changesMade() const { return made_; }

private:
    bool Allow(std::string* error);
    FileSystem& inner_;
    int left_;
    int made_ = 0;
};

}  // namespace z7
