#pragma once
// The macro library: the recorded macros in the macro folder (one *.macro file each plus
// "macroList.dat"), the current macro the recording page shows and the current id.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "core/buttons/library_list.h"
#include "core/macros/macro.h"
#include "platform/file_system.h"

namespace z7 {

// Where Import puts a macro read from a file, by the first library macro (from the start)
// that has its id or its name.
struct MacroImportPlan {
    enum class Rule {
        kAppend,   // no macro shares its id or name
        kReplace,  // one has its id and its name: the file's macro takes its place
        kNewId,    // one has its id only: appended under a new id
        kRename,   // one has its name only: appended under a name made unique
    };
    Rule rule = Rule::kAppend;
    size_t index = 0;  // kReplace: the macro replaced
};

class MacroLibrary {
  public:
    explicit MacroLibrary(std::filesystem::path folder = {}) : folder_(std::move(folder)) {}
    static MacroLibrary ForDataFolder(const std::filesystem::path& dataFolder) {
        return MacroLibrary(LibraryFolder(dataFolder, kMacroFormat));
    }

    const std::filesystem::path& folder() const { return folder_; }
    void SetFolder(std::filesystem::path folder) { folder_ = std::move(folder); }
    const std::vector<Macro>& macros() const { return macros_; }
    std::vector<Macro>& macros() { return macros_; }

    // The client rectangle new macros take (the event list control's).
    void SetAreaRect(const Rect& area) { areaRect_ = area; }

    // Nullptr when no macro is current. Valid until the library's macros change.
    Macro* current();
    int32_t currentId() const { return currentId_; }
    void SetCurrentId(int32_t id) { currentId_ = id; }
    void ClearCurrent() { current_ = -1; }

    Macro* FindById(int32_t id);
    const Macro* FindById(int32_t id) const;
    // The macro with `id` becomes current; without one, a new empty macro with these values is
    // appended and becomes current.
    Macro& Register(const std::u16string& name, int32_t id, int32_t repeatMode);
    void Update(int32_t id, const std::u16string& name, int32_t repeatMode);
    // Removes every macro with `id`; the current macro is cleared when it is among them.
    void RemoveById(int32_t id);
    // The button copy of the macro with `id`, or nothing when there is none.
    std::optional<MacroData> MakeKeySequenceCopy(int32_t id) const;

    MacroImportPlan PlanImport(const Macro& macro) const;
    // Adds `macro` by `plan` (PlanImport of this library, unchanged since) and makes it
    // current; returns its index. A replacing macro takes over the replaced one's tag. Whatever
    // the rule, the result has an id and a name no other macro has.
    size_t Import(Macro macro, const MacroImportPlan& plan);
    // Makes the macro at `index` current (nothing for an index outside the list).
    void SetCurrentIndex(size_t index);
    // The same macros (ids and SameMacroContent) in the same order.
    bool SameMacros(const MacroLibrary& other) const;

    // 0 for an empty library, else one more than the largest of 500 and every id.
    int32_t NewMacroId() const { return ProvisionalId(macros_); }
    // N, N(1), N(2), ... until no macro has the name; `exceptId` (variant A) leaves out the
    // macro being renamed, without it (variant B) every macro counts.
    std::u16string UniqueMacroName(const std::u16string& name,
                                   std::optional<int32_t> exceptId = std::nullopt) const;

    // Replaces the macros with the library on disk; no macro is current afterwards. Unreadable
    // or damaged macro files are skipped, reported in loadState() and left on disk.
    void Load(FileSystem& fs, bool recover = true);
    // Ids become list positions (the current id follows its macro); a name whose file an
    // earlier macro took grows a "1". The library replaces the set it was loaded from.
    [[nodiscard]] bool Save(FileSystem& fs, std::string* error);
    const FolderState& loadState() const { return loaded_; }
    // Old id -> new id of the last successful Save.
    const IdMap& renumbering() const { return renumbering_; }
    // Successful saves of this object so far.
    uint64_t saveCount() const { return saveCount_; }

  private:
    std::filesystem::path folder_;
    std::vector<Macro> macros_;
    std::ptrdiff_t current_ = -1;
    int32_t currentId_ = 0;
    Rect areaRect_;
    FolderState loaded_;
    IdMap renumbering_;
    uint64_t saveCount_ = 0;
};

}  // namespace z7
