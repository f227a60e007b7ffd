#include "core/macros/macro_edit_log.h"

#include <algorithm>
#include <vector>

namespace z7 {

namespace {
std::ptrdiff_t IndexOfTag(const std::vector<Macro>& macros, uint64_t tag) {
    const auto it =
        std::find_if(macros.begin(), macros.end(), [tag](const Macro& m) { return m.tag == tag; });
    return it == macros.end() ? -1 : it - macros.begin();
}
}  // namespace

void MacroEditLog::BeforeChange(MacroLibrary& library, Macro& macro) {
    if (macro.tag == 0) macro.tag = NewMacroTag();
    if (entries_.count(macro.tag)) return;
    const std::ptrdiff_t index = IndexOfTag(library.macros(), macro.tag);
    Entry entry;
    entry.original = macro;
    entry.index = index < 0 ? library.macros().size() : static_cast<size_t>(index);
    entries_.emplace(macro.tag, std::move(entry));
}

void MacroEditLog::Added(Macro& macro) {
    if (macro.tag == 0) macro.tag = NewMacroTag();
    entries_.try_emplace(macro.tag, Entry{});
}

bool MacroEditLog::Changed(const MacroLibrary& library) const {
    for (const auto& [tag, entry] : entries_) {
        const std::ptrdiff_t index = IndexOfTag(library.macros(), tag);
        if (!entry.original) {
            if (index >= 0) return true;
            continue;
        }
        if (index < 0) return true;
        if (!SameMacroContent(*entry.original, library.macros()[static_cast<size_t>(index)]))
            return true;
    }
    return false;
}

void MacroEditLog::Restore(MacroLibrary& library) {
    std::vector<Macro>& macros = library.macros();
    std::vector<std::pair<size_t, Macro>> returning;
    for (auto& [tag, entry] : entries_) {
        const std::ptrdiff_t index = IndexOfTag(macros, tag);
        if (!entry.original) {
            if (index >= 0) macros.erase(macros.begin() + index);
            continue;
        }
        if (index < 0) {
            returning.emplace_back(entry.index, std::move(*entry.original));
            continue;
        }
        // Its id may have moved with a save since; the bindings follow that id.
        Macro& now = macros[static_cast<size_t>(index)];
        const int32_t id = now.id;
        now = std::move(*entry.original);
        now.id = id;
    }
    std::sort(returning.begin(), returning.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    for (auto& [index, macro] : returning) {
        if (library.FindById(macro.id)) macro.id = library.NewMacroId();
        const size_t at = std::min(index, macros.size());
        macros.insert(macros.begin() + static_cast<std::ptrdiff_t>(at), std::move(macro));
    }
    library.ClearCurrent();
    entries_.clear();
}

void MacroEditLog::Rebase(MacroLibrary& live, MacroLibrary& disk) const {
    std::vector<Macro>& target = disk.macros();
    const auto named = [&target](const std::u16string& name) {
        return std::find_if(target.begin(), target.end(),
                            [&name](const Macro& m) { return m.name == name; });
    };
    const Macro* current = live.current();
    const uint64_t currentTag = current ? current->tag : 0;
    for (const auto& [tag, entry] : entries_) {
        const std::ptrdiff_t index = IndexOfTag(live.macros(), tag);
        if (index < 0) {
            // Removed by the visit: it goes from what the other program left as well.
            if (entry.original) {
                const auto it = named(entry.original->name);
                if (it != target.end()) target.erase(it);
            }
            continue;
        }
        Macro edited = live.macros()[static_cast<size_t>(index)];
        // The same macro on disk: under its present name (a save of ours may have written it),
        // else under the name it had before the visit.
        auto it = named(edited.name);
        if (it == target.end() && entry.original) it = named(entry.original->name);
        if (it != target.end()) {
            edited.id = it->id;
            *it = std::move(edited);
            continue;
        }
        if (disk.FindById(edited.id)) edited.id = disk.NewMacroId();
        edited.name = disk.UniqueMacroName(edited.name, edited.id);
        target.push_back(std::move(edited));
    }
    disk.ClearCurrent();
    if (currentTag != 0) {
        const std::ptrdiff_t index = IndexOfTag(target, currentTag);
        if (index >= 0) {
            disk.SetCurrentIndex(static_cast<size_t>(index));
            disk.SetCurrentId(target[static_cast<size_t>(index)].id);
        }
    }
}

}  // namespace z7
