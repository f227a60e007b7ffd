// Loading and saving a macro library of 1000 macros with 100 events each, on the disk (flushed,
// as the crash-safe save does) and in memory (the encoding and procedure alone).
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <map>

#include "core/macros/macro_events.h"
#include "core/macros/macro_library.h"
#include "core/util/text.h"
#include "platform/file_system.h"

namespace {
namespace fsys = std::filesystem;

constexpr int kMacros = 1000;
constexpr int kEvents = 100;

z7::MacroLibrary MakeLibrary(const fsys::path& dataFolder) {
    z7::MacroLibrary lib = z7::MacroLibrary::ForDataFolder(dataFolder);
    lib.SetAreaRect({0, 0, 300, 420});
    for (int i = 0; i < kMacros; ++i) {
        z7::Macro& m = lib.Register(u"宏" + std::u16string(1, u'A' + i % 26) + z7::DecimalText(i),
                                    lib.NewMacroId(), 1);
        for (int e = 0; e < kEvents; ++e) {
            z7::AddEvent(m, z7::kEventKindKey, static_cast<uint16_t>(65 + e % 26), e % 2);
            z7::SetLastDelay(m, e * 10);
        }
    }
    return lib;
}

class MemoryFileSystem final : public z7::FileSystem {
  public:
    bool WriteFile(const fsys::path& p, std::span<const uint8_t> b, std::string*) override {
        files_[p].assign(b.begin(), b.end());
        return true;
    }
    bool ReadFile(const fsys::path& p, std::vector<uint8_t>& out, size_t maxBytes,
                  std::string*) override {
        auto it = files_.find(p);
        if (it == files_.end() || it->second.size() > maxBytes) return false;
        out = it->second;
        return true;
    }
    bool Rename(const fsys::path& from, const fsys::path& to, std::string*) override {
        auto it = files_.find(from);
        if (it == files_.end()) return false;
        files_[to] = std::move(it->second);
        files_.erase(from);
        return true;
    }
    bool Remove(const fsys::path& p, std::string*) override {
        files_.erase(p);
        return true;
    }
    bool CreateDirectories(const fsys::path& p, std::string*) override {
        folders_[p] = true;
        return true;
    }
    bool Exists(const fsys::path& p) override { return files_.count(p) || folders_.count(p); }
    bool IsDirectory(const fsys::path& p) override { return folders_.count(p) > 0; }
    std::vector<fsys::path> List(const fsys::path& folder) override {
        std::vector<fsys::path> names;
        for (const auto& [p, _] : files_)
            if (p.parent_path() == folder) names.push_back(p.filename());
        return names;
    }

  private:
    std::map<fsys::path, std::vector<uint8_t>> files_;
    std::map<fsys::path, bool> folders_;
};

fsys::path TempFolder() {
    std::string tmpl = (fsys::temp_directory_path() / "z7bench.XXXXXX").string();
    return fsys::path(mkdtemp(tmpl.data()));
}

// Every iteration changes every macro, so that each save writes all 1000 files anew.
void SaveAndLoad(benchmark::State& state, z7::FileSystem& fs, const fsys::path& data) {
    z7::MacroLibrary lib = MakeLibrary(data);
    int32_t round = 0;
    for (auto _ : state) {
        ++round;
        for (auto& m : lib.macros()) m.events.front().delay = round;
        if (!lib.Save(fs, nullptr)) state.SkipWithError("save failed");
        z7::MacroLibrary loaded = z7::MacroLibrary::ForDataFolder(data);
        loaded.Load(fs);
        if (loaded.macros().size() != kMacros) state.SkipWithError("load lost macros");
        benchmark::DoNotOptimize(loaded.macros().data());
    }
}

void BM_MacroLibrarySaveLoadDisk(benchmark::State& state) {
    const fsys::path data = TempFolder();
    SaveAndLoad(state, z7::LocalFileSystem(), data);
    fsys::remove_all(data);
}
BENCHMARK(BM_MacroLibrarySaveLoadDisk)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_MacroLibrarySaveLoadMemory(benchmark::State& state) {
    MemoryFileSystem fs;
    SaveAndLoad(state, fs, "/data");
}
BENCHMARK(BM_MacroLibrarySaveLoadMemory)->Unit(benchmark::kMillisecond);

// The application saves every library on each Apply; most saves change nothing.
void BM_MacroLibraryUnchangedSaveDisk(benchmark::State& state) {
    const fsys::path data = TempFolder();
    z7::MacroLibrary lib = MakeLibrary(data);
    if (!lib.Save(z7::LocalFileSystem(), nullptr)) state.SkipWithError("save failed");
    for (auto _ : state)
        if (!lib.Save(z7::LocalFileSystem(), nullptr)) state.SkipWithError("save failed");
    fsys::remove_all(data);
}
BENCHMARK(BM_MacroLibraryUnchangedSaveDisk)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_MacroLibraryLoadDisk(benchmark::State& state) {
    const fsys::path data = TempFolder();
    z7::MacroLibrary lib = MakeLibrary(data);
    if (!lib.Save(z7::LocalFileSystem(), nullptr)) state.SkipWithError("save failed");
    for (auto _ : state) {
        z7::MacroLibrary loaded = z7::MacroLibrary::ForDataFolder(data);
        loaded.Load(z7::LocalFileSystem());
        benchmark::DoNotOptimize(loaded.macros().data());
    }
    fsys::remove_all(data);
}
BENCHMARK(BM_MacroLibraryLoadDisk)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
