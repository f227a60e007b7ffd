// z7ctl profile ...
#include <algorithm>
#include <functional>
#include <sstream>

#include "cli/cli.h"
#include "core/profile/profile_file.h"
#include "core/profile/profile_store.h"
#include "core/profile/value_sets.h"
#include "core/util/text.h"

namespace z7::cli {
namespace {

Json ProfileJson(const ProfileRecord& r) {
    Json o = Json::object();
    o.set("slot", static_cast<int>(r.profileSlot));
    o.set("file", PathToUtf8(r.filePath));
    o.set("profileName", Utf16ToUtf8(r.profileName));
    for (const ProfileField& f : ProfileFields()) {
        if (f.count == 1) {
            o.set(f.name, f.get(r, 0));
            continue;
        }
        Json a = Json::array();
        for (size_t i = 0; i < f.count; ++i) a.push(f.get(r, i));
        o.set(f.name, std::move(a));
    }
    Json bindings = Json::array();
    for (const auto& b : r.buttonBindings) {
        bindings.push(Json::object()
                          .set("buttonIndex", static_cast<int>(b.buttonIndex))
                          .set("functionType", b.functionType)
                          .set("functionValue", b.functionValue)
                          .set("macroId", static_cast<int>(b.macroId))
                          .set("defaultValue", b.defaultValue));
    }
    o.set("buttonBindings", std::move(bindings));
    Json macros = Json::array();
    for (const auto& m : r.buttonMacros) {
        Json events = Json::array();
        for (const auto& e : m.events)
            events.push(Json::object()
                            .set("kind", static_cast<int>(e.kind))
                            .set("code", static_cast<int>(e.code))
                            .set("flag", static_cast<int>(e.flag))
                            .set("value", e.value));
        macros.push(Json::object()
                        .set("name", Utf16ToUtf8(m.name))
                        .set("id", m.id)
                        .set("mode", static_cast<int>(m.mode))
                        .set("events", std::move(events)));
    }
    o.set("buttonMacros", std::move(macros));
    return o;
}

std::string ProfileText(const ProfileRecord& r) {
    std::ostringstream s;
    s << "profileName: " << TextSafe(Utf16ToUtf8(r.profileName)) << '\n';
    for (const ProfileField& f : ProfileFields()) {
        s << f.name << ": ";
        for (size_t i = 0; i < f.count; ++i) s << (i ? "," : "") << f.get(r, i);
        s << '\n';
    }
    for (const auto& b : r.buttonBindings)
        s << "button " << (b.buttonIndex + 1) << ": type " << b.functionType << " value "
          << b.functionValue << " macroId " << b.macroId << '\n';
    return s.str();
}

ProfileRecord& InUseSlot(LoadedProfiles& p, const std::string& text) {
    const int slot = ParseSlot(text);
    if (p.set[slot].inUse != 1)
        throw CliError(kExitBadInput, "slot " + std::to_string(slot) + " holds no profile");
    return p.set[slot];
}

void ApplyAssignment(ProfileRecord& r, const std::string& assignment) {
    const size_t eq = assignment.find('=');
    if (eq == std::string::npos)
        throw CliError(kExitUsage, "expected FIELD=VALUE, got \"" + assignment + "\"");
    const std::string name = assignment.substr(0, eq);
    const std::string value = assignment.substr(eq + 1);
    if (name == "profileName") {
        if (value.empty()) throw CliError(kExitBadInput, "profileName must not be empty");
        r.profileName = Utf8ToUtf16(value);
        return;
    }
    const ProfileField* f = FindProfileField(name);
    if (!f || !f->set) throw CliError(kExitBadInput, "unknown or unsettable field: " + name);
    std::vector<long long> values;
    if (f->count == 1) {
        values.push_back(ParseNumber(value, f->name));
    } else {
        std::stringstream parts(value);
        for (std::string part; std::getline(parts, part, ',');)
            values.push_back(ParseNumber(part, f->name));
        if (values.empty() || values.size() > f->count)
            throw CliError(kExitBadInput, name + " takes one to three comma-separated values");
    }
    for (size_t i = 0; i < values.size(); ++i) {
        if (!f->Contains(values[i]))
            throw CliError(
                kExitBadInput,
                name + (f->count == 1 ? "=" + value : " value " + std::to_string(values[i])) +
                    " is out of range (allowed: " + f->AllowedText() + ")");
        f->set(r, i, values[i]);
    }
}

int List(Context& ctx) {
    ctx.ExpectNoMoreArgs();
    LoadedProfiles p = LoadProfiles(ctx);
    Json list = Json::array();
    std::ostringstream text;
    for (const auto& r : p.set.records()) {
        if (r.inUse != 1) continue;
        list.push(Json::object()
                      .set("slot", static_cast<int>(r.profileSlot))
                      .set("name", Utf16ToUtf8(r.profileName))
                      .set("inUse", static_cast<long long>(r.inUse))
                      .set("file", PathToUtf8(r.filePath)));
        text << static_cast<int>(r.profileSlot) << "  " << TextSafe(Utf16ToUtf8(r.profileName))
             << '\n';
    }
    ctx.Print(list, text.str());
    return kExitOk;
}

int Show(Context& ctx) {
    const std::string slot = ctx.TakeArg("SLOT");
    ctx.ExpectNoMoreArgs();
    LoadedProfiles p = LoadProfiles(ctx);
    const int s = ParseSlot(slot);
    ctx.Print(ProfileJson(p.set[s]), ProfileText(p.set[s]));
    return kExitOk;
}

int Set(Context& ctx) {
    const std::string slot = ctx.TakeArg("SLOT");
    if (ctx.args.empty()) throw CliError(kExitUsage, "missing FIELD=VALUE");
    LoadedProfiles p = LoadProfiles(ctx);
    ProfileRecord& r = InUseSlot(p, slot);
    ProfileRecord edited = r;  // all or nothing
    for (const auto& a : ctx.args) ApplyAssignment(edited, a);
    r = std::move(edited);
    SaveProfiles(ctx, p);
    ctx.Print(ProfileJson(r), "");
    return kExitOk;
}

int New(Context& ctx) {
    ctx.ExpectNoMoreArgs();
    LoadedProfiles p = LoadProfiles(ctx);
    const int slot = p.set.NewProfile();
    if (slot == 0) throw CliError(kExitBadInput, "all four user slots are in use");
    SaveProfiles(ctx, p);
    ctx.Print(Json::object().set("slot", slot).set("name", Utf16ToUtf8(p.set[slot].profileName)),
              std::to_string(slot));
    return kExitOk;
}

int Delete(Context& ctx) {
    const std::string slotText = ctx.TakeArg("SLOT");
    ctx.ExpectNoMoreArgs();
    LoadedProfiles p = LoadProfiles(ctx);
    const int slot = ParseSlot(slotText);
    if (slot == 0) throw CliError(kExitBadInput, "the factory profile (slot 0) cannot be deleted");
    InUseSlot(p, slotText);
    DeleteProfileFile(ctx.fs, p.set[slot]);
    p.set.FreeSlot(slot);
    SaveProfiles(ctx, p);
    ctx.Print(Json::object().set("slot", slot).set("deleted", true), "");
    return kExitOk;
}

int Reset(Context& ctx) {
    const std::string slotText = ctx.TakeArg("SLOT");
    ctx.ExpectNoMoreArgs();
    LoadedProfiles p = LoadProfiles(ctx);
    InUseSlot(p, slotText);
    p.set.SetCurrent(ParseSlot(slotText));
    p.set.ResetCurrent();
    SaveProfiles(ctx, p);
    ctx.Print(ProfileJson(p.set.current()), "");
    return kExitOk;
}

int Import(Context& ctx) {
    const auto slotText = ctx.TakeOption("--slot");
    const std::string file = ctx.TakeArg("FILE");
    ctx.ExpectNoMoreArgs();
    if (!slotText) throw CliError(kExitUsage, "profile import needs --slot SLOT");
    LoadedProfiles p = LoadProfiles(ctx);
    const int slot = ParseSlot(*slotText);
    if (slot != 0) InUseSlot(p, *slotText);
    p.set.SetCurrent(slot);
    const ImportResult result = ImportProfile(ctx.fs, p.set, PathFromUtf8(file));
    switch (result.status) {
        case ImportStatus::Unreadable:
            throw CliError(kExitBadInput, file + " is not a readable profile file");
        case ImportStatus::FactorySlot:
            throw CliError(kExitBadInput,
                           "the factory profile (slot 0) cannot be replaced by an import");
        case ImportStatus::Imported:
            break;
    }
    if (!result.repaired.empty()) {
        std::string fields;
        for (const auto& f : result.repaired) fields += (fields.empty() ? "" : ", ") + f;
        ctx.Warn(file + ": values no page offers were replaced by factory defaults (" + fields +
                 ")");
    }
    SaveProfiles(ctx, p);
    ctx.Print(Json::object().set("slot", slot).set("name", Utf16ToUtf8(result.name)),
              TextSafe(Utf16ToUtf8(result.name)));
    return kExitOk;
}

int Export(Context& ctx) {
    const std::string slotText = ctx.TakeArg("SLOT");
    const std::string file = ctx.TakeArg("FILE");
    ctx.ExpectNoMoreArgs();
    LoadedProfiles p = LoadProfiles(ctx);
    const ProfileRecord& r = InUseSlot(p, slotText);
    std::string error;
    if (!WriteProfileFile(ctx.fs, r, PathFromUtf8(file), &error))
        throw CliError(kExitBadInput, "cannot export: " + error);
    ctx.Print(Json::object().set("slot", static_cast<int>(r.profileSlot)).set("file", file), "");
    return kExitOk;
}

int Save(Context& ctx) {
    ctx.ExpectNoMoreArgs();
    LoadedProfiles p = LoadProfiles(ctx);
    SaveProfiles(ctx, p);
    ctx.Print(Json::object().set("folder", PathToUtf8(ProfileFolder(p.dataFolder))), "");
    return kExitOk;
}

}  // namespace

int RunProfileCommand(Context& ctx) {
    const std::string sub = ctx.TakeArg("profile subcommand");
    if (sub == "list") return List(ctx);
    if (sub == "show") return Show(ctx);
    if (sub == "set") return Set(ctx);
    if (sub == "new") return New(ctx);
    if (sub == "delete") return Delete(ctx);
    if (sub == "reset") return Reset(ctx);
    if (sub == "import") return Import(ctx);
    if (sub == "export") return Export(ctx);
    if (sub == "save") return Save(ctx);
    throw CliError(kExitUsage, "unknown profile subcommand: " + sub);
}

}  // namespace z7::cli
