// Recovery of an interrupted save reads a journal that may be damaged: whatever it says,
// nothing outside the folder and no folder is touched, nothing staged is left behind, and a
// following save still leaves exactly its files in place.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/util/folder_commit.h"
#include "platform/fake/memory_file_system.h"

namespace {
const std::filesystem::path kFolder = "/d/f";
const std::vector<uint8_t> kBytes = {1, 2, 3};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    z7::MemoryFileSystem fs;
    std::string ignored;
    (void)fs.CreateDirectories(kFolder / "sub", &ignored);
    for (const char* name : {"a.tb", "a.tb.z7new", "b.tb.z7new", ".z7commit.tmp", "TBList.dat"})
        (void)fs.WriteFile(kFolder / name, kBytes, &ignored);
    (void)fs.WriteFile(kFolder / "sub" / "inside", kBytes, &ignored);
    (void)fs.WriteFile("/d/outside", kBytes, &ignored);
    (void)fs.WriteFile("/d/outside.z7new", kBytes, &ignored);
    (void)fs.WriteFile(kFolder / ".z7commit", {data, data + size}, &ignored);

    z7::RecoverFolder(fs, kFolder);
    for (const auto& [path, bytes] : fs.files()) {
        const auto name = path.filename().string();
        if (path.parent_path() == kFolder &&
            (name == ".z7commit" || name == ".z7commit.tmp" ||
             (name.size() > 6 && name.compare(name.size() - 6, 6, ".z7new") == 0)))
            std::abort();
    }
    if (!fs.Exists("/d/outside") || !fs.Exists("/d/outside.z7new") ||
        !fs.Exists(kFolder / "sub" / "inside") || !fs.IsDirectory(kFolder / "sub"))
        std::abort();

    // The journal's lines as a save's obsolete names: only plain files in the folder may go.
    std::vector<std::filesystem::path> obsolete;
    std::string line;
    for (size_t i = 0; i < size; ++i) {
        if (data[i] != '\n') {
            line.push_back(static_cast<char>(data[i]));
            continue;
        }
        obsolete.emplace_back(line);
        line.clear();
    }
    if (!z7::CommitFolder(fs, kFolder, {{"new.tb", {4}}, {"TBList.dat", {5}}}, obsolete, &ignored))
        std::abort();
    std::vector<uint8_t> read;
    if (!fs.ReadFile(kFolder / "new.tb", read, 16, nullptr) || read != std::vector<uint8_t>{4})
        std::abort();
    if (!fs.ReadFile(kFolder / "TBList.dat", read, 16, nullptr) || read != std::vector<uint8_t>{5})
        std::abort();
    if (!fs.Exists("/d/outside") || !fs.Exists(kFolder / "sub" / "inside")) std::abort();
    return 0;
}
