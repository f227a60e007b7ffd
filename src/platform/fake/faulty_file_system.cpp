#include "platform/fake/faulty_file_system.h"

namespace z7 {

bool FaultyFileSystem::Allow(std::string* error) {
    if (left_ <= 0) {
        if (error) *error = "injected failure";
        return false;
    }
    --left_;
    ++made_;
    return true;
}

bool FaultyFileSystem::WriteFile(const std::filesystem::path& path, std::span<const uint8_t> bytes,
                                 std::string* error) {
    return Allow(error) && inner_.WriteFile(path, bytes, error);
}

bool FaultyFileSystem::Rename(const std::filesystem::path& from, const std::filesystem::path& to,
                              std::string* error) {
    return Allow(error) && inner_.Rename(from, to, error);
}

bool FaultyFileSystem::Remove(const std::filesystem::path& path, std::string* error) {
    return Allow(error) && inner_.Remove(path, error);
}

bool FaultyFileSystem::RemoveEmptyFolder(const std::filesystem::path& folder,
                                         std::string* error) {
    return Allow(error) && inner_.RemoveEmptyFolder(folder, error);
}

bool FaultyFileSystem::CreateDirectories(const std::filesystem::path& path, std::string* error) {
    return Allow(error) && inner_.CreateDirectories(path, error);
}

}  // namespace z7
