#include "core/macros/macro_library.h"

#include <algorithm>

#include "core/macros/macro_file.h"

namespace z7 {

Macro* MacroLibrary::current() {
    return current_ < 0 ? nullptr : &macros_[static_cast<size_t>(current_)];
}

Macro* MacroLibrary::FindById(int32_t id) {
    for (auto& m : macros_)
        if (m.id == id) return &m;
    return nullptr;
}

const Macro* MacroLibrary::FindById(int32_t id) const {
    for (const auto& m : macros_)
        if (m.id == id) return &m;
    return nullptr;
}

Macro& MacroLibrary::Register(const std::u16string& name, int32_t id, int32_t repeatMode) {
    for (size_t i = 0; i < macros_.size(); ++i) {
        if (macros_[i].id == id) {
            current_ = static_cast<std::ptrdiff_t>(i);
            return macros_[i];
        }
    }
    Macro m;
    m.name = name;
    m.id = id;
    m.repeatMode = repeatMode;
    m.areaRect = areaRect_;
    macros_.push_back(std::move(m));
    current_ = static_cast<std::ptrdiff_t>(macros_.size() - 1);
    return macros_.back();
}

void MacroLibrary::Update(int32_t id, const std::u16string& name, int32_t repeatMode) {
    if (Macro* m = FindById(id)) {
        m->name = name;
        m->repeatMode = repeatMode;
    }
}

void MacroLibrary::RemoveById(int32_t id) {
    std::ptrdiff_t kept = -1;
    std::vector<Macro> rest;
    rest.reserve(macros_.size());
    for (size_t i = 0; i < macros_.size(); ++i) {
        if (macros_[i].id == id) continue;
        if (static_cast<std::ptrdiff_t>(i) == current_)
            kept = static_cast<std::ptrdiff_t>(rest.size());
        rest.push_back(std::move(macros_[i]));
    }
    macros_ = std::move(rest);
    current_ = kept;
}

MacroImportPlan MacroLibrary::PlanImport(const Macro& macro) const {
    MacroImportPlan plan;
    for (size_t i = 0; i < macros_.size(); ++i) {
        const bool sameId = macros_[i].id == macro.id;
        const bool sameName = macros_[i].name == macro.name;
        if (!sameId && !sameName) continue;
        plan.index = i;
        plan.rule = sameId && sameName ? MacroImportPlan::Rule::kReplace
                    : sameId           ? MacroImportPlan::Rule::kNewId
                                       : MacroImportPlan::Rule::kRename;
        return plan;
    }
    return plan;
}

size_t MacroLibrary::Import(Macro macro, const MacroImportPlan& plan) {
    using Rule = MacroImportPlan::Rule;
    if (plan.rule == Rule::kReplace && plan.index < macros_.size()) {
        macro.tag = macros_[plan.index].tag;
        macros_[plan.index] = std::move(macro);
        current_ = static_cast<std::ptrdiff_t>(plan.index);
        return plan.index;
    }
    if (plan.rule == Rule::kNewId) macro.id = NewMacroId();
    // A later macro may hold the id or the name the first conflict did not show; two macros
    // under one id would both follow a binding, and both go with a removal.
    if (FindById(macro.id)) macro.id = NewMacroId();
    macro.name = UniqueMacroName(macro.name, macro.id);
    macro.tag = 0;
    macros_.push_back(std::move(macro));
    current_ = static_cast<std::ptrdiff_t>(macros_.size() - 1);
    return macros_.size() - 1;
}

void MacroLibrary::SetCurrentIndex(size_t index) {
    if (index < macros_.size()) current_ = static_cast<std::ptrdiff_t>(index);
}

bool MacroLibrary::SameMacros(const MacroLibrary& other) const {
    return std::equal(
        macros_.begin(), macros_.end(), other.macros_.begin(), other.macros_.end(),
        [](const Macro& a, const Macro& b) { return a.id == b.id && SameMacroContent(a, b); });
}

std::optional<MacroData> MacroLibrary::MakeKeySequenceCopy(int32_t id) const {
    const Macro* m = FindById(id);
    if (!m) return std::nullopt;
    return z7::MakeKeySequenceCopy(*m);
}

std::u16string MacroLibrary::UniqueMacroName(const std::u16string& name,
                                             std::optional<int32_t> exceptId) const {
    return UniqueName(name, [&](const std::u16string& n) {
        return std::any_of(macros_.begin(), macros_.end(), [&](const Macro& m) {
            return (!exceptId || m.id != *exceptId) && m.name == n;
        });
    });
}

void MacroLibrary::Load(FileSystem& fs, bool recover) {
    std::vector<Macro> loaded;
    loaded_ = ForEachLibraryItem(
        fs, folder_, kMacroFormat,
        [&](std::span<const uint8_t> bytes) {
            Macro m;
            if (!ParseMacroFile(bytes, m)) return false;
            loaded.push_back(std::move(m));
            return true;
        },
        recover);
    macros_ = std::move(loaded);
    current_ = -1;
}

bool MacroLibrary::Save(FileSystem& fs, std::string* error) {
    // Ids and names change only once the new set is on disk.
    std::vector<int32_t> ids(macros_.size());
    std::vector<std::u16string> names(macros_.size());
    int32_t followed = currentId_;
    bool found = false;
    IdMap map;
    LibraryWriter writer(fs, folder_, kMacroFormat, loaded_);
    for (size_t i = 0; i < macros_.size(); ++i) {
        Macro& m = macros_[i];
        const int32_t position = static_cast<int32_t>(i);
        if (!found && m.id == currentId_) {
            followed = position;
            found = true;
        }
        ids[i] = m.id;
        names[i] = m.name;
        map.emplace(m.id, position);
        // Written with its new id and name; restored below when the save fails.
        m.id = position;
        const std::u16string file = writer.Place(m.name);
        writer.Add(file, m.name, SerializeMacroFile(m));
    }
    if (!writer.Commit(error)) {
        for (size_t i = 0; i < macros_.size(); ++i) {
            macros_[i].id = ids[i];
            macros_[i].name = std::move(names[i]);
        }
        return false;
    }
    currentId_ = followed;
    loaded_ = writer.committed();
    renumbering_ = std::move(map);
    ++saveCount_;
    return true;
}

}  // namespace z7
