// z7ctl library ...
#include <algorithm>

#include "cli/cli.h"
#include "core/buttons/bind_key_library.h"
#include "core/buttons/button_function.h"
#include "core/buttons/key_name.h"
#include "core/buttons/library_sources.h"
#include "core/buttons/shortcut_library.h"
#include "core/buttons/text_block_library.h"
#include "core/macros/custom_hotkey_library.h"
#include "core/macros/macro_file.h"
#include "core/macros/macro_library.h"
#include "core/util/text.h"

namespace z7::cli {
namespace {
namespace fsys = std::filesystem;

enum class Kind { BindKey, Shortcut, TextBlock, Macro, Hotkey };

Kind ParseKind(const std::string& word) {
    if (word == "bindkey") return Kind::BindKey;
    if (word == "shortcut") return Kind::Shortcut;
    if (word == "textblock") return Kind::TextBlock;
    if (word == "macro") return Kind::Macro;
    if (word == "hotkey") return Kind::Hotkey;
    throw CliError(kExitUsage, "unknown library kind \"" + word +
                                   "\" (bindkey, shortcut, textblock, macro or hotkey)");
}

std::string U8(const std::u16string& s) {
    return Utf16ToUtf8(s);
}

// For plain text output: names and texts with their control characters escaped.
std::string Shown(const std::u16string& s) {
    return TextSafe(Utf16ToUtf8(s));
}

// The library as the command finds it, with a warning for every file it could not read.
template <class Library>
Library LoadLibrary(Context& ctx, const fsys::path& data) {
    Library lib = Library::ForDataFolder(data);
    lib.Load(ctx.fs, /*recover=*/ctx.HoldsDataLock());
    ctx.Warn(lib.loadState().issues);
    return lib;
}

LibraryRenumbering Renumbered(std::optional<IdMap> LibraryRenumbering::*library, const IdMap& map) {
    LibraryRenumbering r;
    r.*library = map;
    return r;
}

// After a library save: the stored profiles' bindings follow the renumbered ids. The library
// change is done by then, so a failure here is a warning, not the command's failure.
void FollowRenumbering(Context& ctx, const fsys::path& data,
                       const LibraryRenumbering& renumbering) {
    std::string error;
    if (!RemapProfilesOnDisk(ctx.fs, data, renumbering, &error))
        ctx.Warn("the profiles could not follow the renumbered library: " + error);
}

uint16_t ParseVk(const std::string& text) {
    const long long vk = ParseNumber(text, "VK");
    if (vk < 1 || vk > 255)
        throw CliError(kExitBadInput, "virtual-key code out of range 1..255: " + text);
    return static_cast<uint16_t>(vk);
}

int32_t ParseId(const std::string& text) {
    const long long id = ParseNumber(text, "ID");
    if (id < INT32_MIN || id > INT32_MAX) throw CliError(kExitBadInput, "id out of range: " + text);
    return static_cast<int32_t>(id);
}

[[noreturn]] void SaveFailed(const std::string& error) {
    throw CliError(kExitBadInput, "cannot save the library: " + error);
}

Json EventsJson(const std::vector<MacroEvent>& events) {
    Json a = Json::array();
    for (const auto& e : events)
        a.push(Json::object()
                   .set("kind", e.kind)
                   .set("code", e.code)
                   .set("flag", e.flag)
                   .set("value", e.value));
    return a;
}

// ---- list

int List(Context& ctx, Kind kind, const fsys::path& data) {
    ctx.ExpectNoMoreArgs();
    Json out = Json::array();
    std::string text;
    switch (kind) {
        case Kind::BindKey: {
            auto lib = LoadLibrary<BindKeyLibrary>(ctx, data);
            for (const auto& e : lib.entries()) {
                out.push(Json::object().set("key", e.key).set("name", U8(e.name)));
                text += std::to_string(e.key) + "\t" + Shown(e.name) + "\n";
            }
            break;
        }
        case Kind::Shortcut: {
            auto lib = LoadLibrary<ShortcutLibrary>(ctx, data);
            for (const auto& e : lib.entries()) {
                out.push(Json::object()
                             .set("id", e.id)
                             .set("name", U8(e.name))
                             .set("kind", e.kind)
                             .set("target", U8(e.target)));
                text += std::to_string(e.id) + "\t" + Shown(e.name) + "\t" + Shown(e.target) + "\n";
            }
            break;
        }
        case Kind::TextBlock: {
            auto lib = LoadLibrary<TextBlockLibrary>(ctx, data);
            for (const auto& e : lib.entries()) {
                out.push(
                    Json::object().set("id", e.id).set("name", U8(e.name)).set("text", U8(e.text)));
                text += std::to_string(e.id) + "\t" + Shown(e.name) + "\t" + Shown(e.text) + "\n";
            }
            break;
        }
        case Kind::Macro: {
            auto lib = LoadLibrary<MacroLibrary>(ctx, data);
            for (const auto& m : lib.macros()) {
                Json events = Json::array();
                for (const auto& e : m.events)
                    events.push(Json::object()
                                    .set("kind", e.kind)
                                    .set("code", e.code)
                                    .set("flag", e.flag)
                                    .set("delay", e.delay));
                // "events" is the count scripts compare; the events themselves follow.
                out.push(Json::object()
                             .set("id", m.id)
                             .set("name", U8(m.name))
                             .set("repeatMode", m.repeatMode)
                             .set("events", static_cast<int64_t>(m.events.size()))
                             .set("eventList", std::move(events)));
                text += std::to_string(m.id) + "\t" + Shown(m.name) + "\t" +
                        std::to_string(m.events.size()) + " events\n";
            }
            break;
        }
        case Kind::Hotkey: {
            auto lib = LoadLibrary<CustomHotkeyLibrary>(ctx, data);
            for (const auto& d : lib.entries()) {
                out.push(Json::object()
                             .set("id", d.id)
                             .set("name", U8(d.name))
                             .set("mode", d.mode)
                             .set("events", EventsJson(d.events)));
                const ImportedHotkey s = ImportedHotkeyState(d);
                text += std::to_string(d.id) + "\t" + Shown(d.name) + "\t" +
                        Shown(CombinationText(s.modifiers, s.mainKey)) + "\n";
            }
            break;
        }
    }
    ctx.Print(out, text);
    return kExitOk;
}

// ---- add and import, as the popups' Save does

int Report(Context& ctx, int32_t id, const std::u16string& name, int32_t functionId,
           const char* idKey = "id") {
    ctx.Print(Json::object().set(idKey, id).set("name", U8(name)).set("functionId", functionId),
              "added \"" + Shown(name) + "\" as " + idKey + " " + std::to_string(id) +
                  " (function " + std::to_string(functionId) + ")");
    return kExitOk;
}

int AddBindKey(Context& ctx, const fsys::path& data, int32_t key, const std::u16string& name) {
    if (KeyNameOf(static_cast<uint16_t>(key)).empty())
        throw CliError(kExitBadInput,
                       "virtual-key code " + std::to_string(key) + " has no key name");
    if (name.empty()) throw CliError(kExitBadInput, "the name is empty");
    auto lib = LoadLibrary<BindKeyLibrary>(ctx, data);
    const size_t index = lib.Add(key, name);
    std::string error;
    if (!lib.Save(ctx.fs, &error)) SaveFailed(error);
    // The entry stored, not another one with the same key; a file-name clash may lengthen it.
    const std::u16string stored = lib.entries()[index].name;
    return Report(ctx, key, stored, kAssignKeyHeader + kLibraryItemBase + key, "key");
}

int AddShortcut(Context& ctx, const fsys::path& data, const std::u16string& name,
                const std::u16string& target) {
    auto lib = LoadLibrary<ShortcutLibrary>(ctx, data);
    std::string error;
    auto added = lib.AddAndSave(ctx.fs, name, target, &error);
    if (!added) throw CliError(kExitBadInput, error);
    FollowRenumbering(ctx, data, Renumbered(&LibraryRenumbering::shortcuts, lib.renumbering()));
    return Report(ctx, added->id, added->name, kShortcutHeader + kLibraryItemBase + added->id);
}

int AddTextBlock(Context& ctx, const fsys::path& data, const std::u16string& name,
                 const std::u16string& text) {
    if (text.size() > kMaxTextBlockUnits)
        throw CliError(kExitBadInput, "a text block holds at most 100 characters");
    auto lib = LoadLibrary<TextBlockLibrary>(ctx, data);
    std::string error;
    auto added = lib.AddAndSave(ctx.fs, name, text, &error);
    if (!added) throw CliError(kExitBadInput, error);
    FollowRenumbering(ctx, data, Renumbered(&LibraryRenumbering::textBlocks, lib.renumbering()));
    return Report(ctx, added->id, added->name, kTextBlockHeader + kLibraryItemBase + added->id);
}

int AddHotkey(Context& ctx, const fsys::path& data, const std::u16string& name,
              HotkeyModifiers modifiers, uint16_t key) {
    auto lib = LoadLibrary<CustomHotkeyLibrary>(ctx, data);
    std::string error;
    auto added = lib.AddAndSave(ctx.fs, name, modifiers, key, &error);
    if (!added) throw CliError(kExitBadInput, error);
    FollowRenumbering(ctx, data, Renumbered(&LibraryRenumbering::hotkeys, lib.renumbering()));
    return Report(ctx, added->id, added->name, added->functionId);
}

int Add(Context& ctx, Kind kind, const fsys::path& data) {
    switch (kind) {
        case Kind::BindKey: {
            const uint16_t vk = ParseVk(ctx.TakeArg("VK"));
            const std::u16string name = Utf8ToUtf16(ctx.TakeArg("NAME"));
            ctx.ExpectNoMoreArgs();
            return AddBindKey(ctx, data, vk, name);
        }
        case Kind::Shortcut: {
            const std::u16string name = Utf8ToUtf16(ctx.TakeArg("NAME"));
            const std::u16string target = Utf8ToUtf16(ctx.TakeArg("TARGET"));
            ctx.ExpectNoMoreArgs();
            return AddShortcut(ctx, data, name, target);
        }
        case Kind::TextBlock: {
            const std::u16string name = Utf8ToUtf16(ctx.TakeArg("NAME"));
            const std::u16string text = WithCrLf(Utf8ToUtf16(ctx.TakeArg("TEXT")));
            ctx.ExpectNoMoreArgs();
            return AddTextBlock(ctx, data, name, text);
        }
        case Kind::Hotkey: {
            HotkeyModifiers m;
            m.ctrl = ctx.TakeFlag("--ctrl");
            m.shift = ctx.TakeFlag("--shift");
            m.alt = ctx.TakeFlag("--alt");
            m.win = ctx.TakeFlag("--win");
            const std::u16string name = Utf8ToUtf16(ctx.TakeArg("NAME"));
            const uint16_t vk = ParseVk(ctx.TakeArg("VK"));
            ctx.ExpectNoMoreArgs();
            return AddHotkey(ctx, data, name, m, vk);
        }
        case Kind::Macro:
            throw CliError(kExitUsage,
                           "macros are recorded, not added: use library import macro FILE");
    }
    return kExitUsage;
}

[[noreturn]] void Unreadable(const fsys::path& file) {
    throw CliError(kExitBadInput, "cannot read " + file.string() + " as a library item file");
}

int Import(Context& ctx, Kind kind, const fsys::path& data) {
    const fsys::path file = ctx.TakeArg("FILE");
    ctx.ExpectNoMoreArgs();
    switch (kind) {
        case Kind::BindKey: {
            auto e = BindKeyLibrary::Import(ctx.fs, file);
            if (!e) Unreadable(file);
            if (e->key < 1 || e->key > 255)
                throw CliError(kExitBadInput, "the file's key is out of range");
            return AddBindKey(ctx, data, e->key, e->name);
        }
        case Kind::Shortcut: {
            auto e = ShortcutLibrary::Import(ctx.fs, file);
            if (!e) Unreadable(file);
            return AddShortcut(ctx, data, e->name, e->target);
        }
        case Kind::TextBlock: {
            auto e = TextBlockLibrary::Import(ctx.fs, file);
            if (!e) Unreadable(file);
            return AddTextBlock(ctx, data, e->name, e->text);
        }
        case Kind::Hotkey: {
            auto e = CustomHotkeyLibrary::Import(ctx.fs, file);
            if (!e) Unreadable(file);
            const ImportedHotkey s = ImportedHotkeyState(*e);
            if (s.mainKey == 0) throw CliError(kExitBadInput, "the file names no key");
            return AddHotkey(ctx, data, s.name, s.modifiers, s.mainKey);
        }
        case Kind::Macro: {
            Macro m;
            if (!ReadMacroFile(ctx.fs, file, m)) Unreadable(file);
            auto lib = LoadLibrary<MacroLibrary>(ctx, data);
            m.id = lib.NewMacroId();
            m.name = lib.UniqueMacroName(m.name.empty() ? u"newMacro" : m.name);
            lib.macros().push_back(m);
            lib.SetCurrentId(m.id);
            std::string error;
            if (!lib.Save(ctx.fs, &error)) SaveFailed(error);
            FollowRenumbering(ctx, data,
                              Renumbered(&LibraryRenumbering::macros, lib.renumbering()));
            const Macro* saved = lib.FindById(lib.currentId());
            return Report(ctx, saved->id, saved->name, kMacroHeader + kLibraryItemBase + saved->id);
        }
    }
    return kExitUsage;
}

// ---- remove

int Remove(Context& ctx, Kind kind, const fsys::path& data) {
    const int32_t id = ParseId(ctx.TakeArg(kind == Kind::BindKey ? "VK" : "ID"));
    ctx.ExpectNoMoreArgs();
    std::string error;
    bool found = false, saved = false;
    LibraryRenumbering renumbering;
    switch (kind) {
        case Kind::BindKey: {
            auto lib = LoadLibrary<BindKeyLibrary>(ctx, data);
            found = std::erase_if(lib.entries(),
                                  [&](const BindKeyEntry& e) { return e.key == id; }) > 0;
            saved = found && lib.Save(ctx.fs, &error);
            break;
        }
        case Kind::Shortcut: {
            auto lib = LoadLibrary<ShortcutLibrary>(ctx, data);
            found = lib.FindById(id) != nullptr;
            lib.Delete(ctx.fs, id, {});
            saved = found && lib.Save(ctx.fs, nullptr, &error);
            renumbering.shortcuts = lib.renumbering();
            break;
        }
        case Kind::TextBlock: {
            auto lib = LoadLibrary<TextBlockLibrary>(ctx, data);
            found = lib.FindById(id) != nullptr;
            lib.Delete(ctx.fs, id, {});
            saved = found && lib.Save(ctx.fs, nullptr, &error);
            renumbering.textBlocks = lib.renumbering();
            break;
        }
        case Kind::Macro: {
            auto lib = LoadLibrary<MacroLibrary>(ctx, data);
            found = lib.FindById(id) != nullptr;
            lib.RemoveById(id);
            saved = found && lib.Save(ctx.fs, &error);
            renumbering.macros = lib.renumbering();
            break;
        }
        case Kind::Hotkey: {
            auto lib = LoadLibrary<CustomHotkeyLibrary>(ctx, data);
            found =
                std::erase_if(lib.entries(), [&](const MacroData& e) { return e.id == id; }) > 0;
            saved = found && lib.Save(ctx.fs, nullptr, &error);
            renumbering.hotkeys = lib.renumbering();
            break;
        }
    }
    if (!found) throw CliError(kExitBadInput, "no library entry " + std::to_string(id));
    if (!saved) SaveFailed(error);
    FollowRenumbering(ctx, data, renumbering);
    ctx.Print(Json::object().set("removed", id), "removed " + std::to_string(id));
    return kExitOk;
}

}  // namespace

int RunLibraryCommand(Context& ctx) {
    const std::string sub = ctx.TakeArg("library subcommand");
    const Kind kind = ParseKind(ctx.TakeArg("KIND"));
    const fsys::path data = ctx.DataFolder();
    // One step from load to save, with no other program in between.
    if (sub == "list")
        ctx.LockDataFolder();
    else
        ctx.RequireDataLock();
    if (sub == "list") return List(ctx, kind, data);
    if (sub == "add") return Add(ctx, kind, data);
    if (sub == "import") return Import(ctx, kind, data);
    if (sub == "remove") return Remove(ctx, kind, data);
    throw CliError(kExitUsage, "unknown library subcommand: " + sub);
}

}  // namespace z7::cli
