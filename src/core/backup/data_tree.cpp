#include "core/backup/data_tree.h"

#include <algorithm>

#include "core/buttons/bind_key_library.h"
#include "core/buttons/library_list.h"
#include "core/buttons/shortcut_library.h"
#include "core/buttons/text_block_library.h"
#include "core/macros/custom_hotkey_library.h"
#include "core/macros/macro_library.h"
#include "core/profile/profile_file.h"
#include "core/profile/profile_store.h"
#include "core/profile/settings.h"
#include "core/util/text.h"

namespace z7 {
namespace fsys = std::filesystem;

namespace {
constexpr TreeFolder FromLibrary(const LibraryFormat& f) {
    return {f.folderName, f.listFileName, f.extension, f.maxItemBytes};
}

const std::array<TreeFolder, kTreeFolderCount> kFolders = {{
    {"Profiles", kProfileListName, u".profile", kMaxProfileFileBytes},
    FromLibrary(kMacroFormat),
    FromLibrary(kCustomHotkeyFormat),
    FromLibrary(kBindKeyFormat),
    FromLibrary(kShortcutFormat),
    FromLibrary(kTextBlockFormat),
}};

template <class Library>
FolderState LoadLibraryState(FileSystem& fs, const fsys::path& dataFolder, bool recover) {
    Library library = Library::ForDataFolder(dataFolder);
    library.Load(fs, recover);
    return library.loadState();
}

FolderState LoadState(FileSystem& fs, const fsys::path& dataFolder, size_t index, bool recover) {
    switch (index) {
        case 0: {
            ProfileSet set;
            LoadProfileSet(fs, set, dataFolder, recover);
            return set.folderState();
        }
        case 1:
            return LoadLibraryState<MacroLibrary>(fs, dataFolder, recover);
        case 2:
            return LoadLibraryState<CustomHotkeyLibrary>(fs, dataFolder, recover);
        case 3:
            return LoadLibraryState<BindKeyLibrary>(fs, dataFolder, recover);
        case 4:
            return LoadLibraryState<ShortcutLibrary>(fs, dataFolder, recover);
        default:
            return LoadLibraryState<TextBlockLibrary>(fs, dataFolder, recover);
    }
}

void AddOnce(const FileSystem& fs, std::vector<fsys::path>& names, const fsys::path& name) {
    if (!ContainsFileName(fs, names, name)) names.push_back(name);
}
}  // namespace

const std::array<TreeFolder, kTreeFolderCount>& DataTreeFolders() {
    return kFolders;
}

bool IsTreeFileName(const TreeFolder& folder, const fsys::path& name) {
    if (name == fsys::path(folder.listFileName)) return true;
    const std::u16string n = PathToUtf16(name);
    const std::u16string_view ext = folder.extension;
    return n.size() > ext.size() &&
           EqualsIgnoreAsciiCase(std::u16string_view(n).substr(n.size() - ext.size()), ext);
}

std::vector<TreeFolderState> InspectDataTree(FileSystem& fs, const fsys::path& dataFolder,
                                             bool recover) {
    std::vector<TreeFolderState> tree;
    for (size_t i = 0; i < kFolders.size(); ++i) {
        TreeFolderState t;
        t.folder = &kFolders[i];
        t.path = DataRoot(dataFolder) / kFolders[i].name;
        t.state = LoadState(fs, dataFolder, i, recover);
        const fsys::path list(kFolders[i].listFileName);
        if (fs.Exists(t.path / list) && !fs.IsDirectory(t.path / list))
            AddOnce(fs, t.setFiles, list);
        for (const auto& name : t.state.owned) AddOnce(fs, t.setFiles, name);
        for (const auto& d : t.state.damaged) AddOnce(fs, t.setFiles, d.name);
        std::vector<fsys::path> names = fs.List(t.path);
        std::sort(names.begin(), names.end());
        for (const auto& name : names) {
            if (IsCommitArtefact(name) || ContainsFileName(fs, t.setFiles, name) ||
                fs.IsDirectory(t.path / name))
                continue;
            t.unknown.push_back(name);
        }
        tree.push_back(std::move(t));
    }
    return tree;
}

}  // namespace z7
