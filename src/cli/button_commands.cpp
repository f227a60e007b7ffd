// z7ctl button ...
#include <sstream>

#include "cli/cli.h"
#include "core/buttons/button_function.h"
#include "core/buttons/key_name.h"
#include "core/buttons/library_sources.h"
#include "core/util/text.h"

namespace z7::cli {
namespace {

constexpr int32_t kLeftClick = 2101;

// The custom hotkeys and macros of the data folder, as the button page finds them.
MacroSources LibrarySources(Context& ctx) {
    return LoadMacroSources(ctx.fs, ctx.DataFolder(), /*recover=*/ctx.HoldsDataLock());
}

// The text a button shows for a function, with what the profile set knows.
std::string LabelOf(const ProfileSet& set, int32_t id) {
    if (id >= 2304 && id <= 2307) return Utf16ToUtf8(set[id - 2303].profileName);
    if (CategoryOf(id) == FunctionCategory::AssignKey && id >= kAssignKeyHeader + kLibraryItemBase)
        return Utf16ToUtf8(
            KeyNameOf(static_cast<uint16_t>(id - kAssignKeyHeader - kLibraryItemBase)));
    return Utf16ToUtf8(ButtonLabel(id));
}

// Whether the function menus of this profile offer `id` as a button's function. Library items
// are offered whatever the library holds (an absent item falls back when encoded), up to the
// number of entries a button can name.
bool Offered(const ProfileSet& set, const ProfileRecord& r, int32_t id) {
    switch (CategoryOf(id)) {
        case FunctionCategory::Disabled:
        case FunctionCategory::RestoreFactory:
            return true;
        case FunctionCategory::CustomHotkey:
        case FunctionCategory::Macro:
        case FunctionCategory::Shortcut:
        case FunctionCategory::TextBlock:
            return LibraryItemFits(id / 1000 * 1000, id % 1000 - kLibraryItemBase);
        case FunctionCategory::AssignKey:
            return id - kAssignKeyHeader - kLibraryItemBase >= 0 &&
                   id - kAssignKeyHeader - kLibraryItemBase <= 0xFF;
        case FunctionCategory::Cpi:
            // The CPI submenu as rebuilt for the profile's step count.
            switch (r.stepCount) {
                case 1:
                    return id == 2004;
                case 2:
                    return id >= 2002 && id <= 2005;
                case 3:
                    return id >= 2002 && id <= 2006;
                default:
                    return false;
            }
        case FunctionCategory::Profile:
            if (id >= 2304 && id <= 2307) return set[id - 2303].inUse == 1;
            [[fallthrough]];
        case FunctionCategory::MouseFunction:
        case FunctionCategory::Multimedia:
        case FunctionCategory::Skype:
        case FunctionCategory::WindowsHotkey:
            for (const MenuItem& item : FixedSubmenu(id / 100 * 100))
                if (item.functionId == id) return true;
            return false;
        case FunctionCategory::None:
            return false;
    }
    return false;
}

Json ButtonsJson(const ProfileSet& set, const ProfileRecord& r, std::string& text) {
    Json list = Json::array();
    std::ostringstream s;
    for (int i = 0; i < kButtonCount; ++i) {
        const ButtonBinding& b = r.buttonBindings[static_cast<size_t>(i)];
        const int32_t id = DecodeBinding(b);
        const std::string label = LabelOf(set, id);
        list.push(Json::object()
                      .set("button", i + 1)
                      .set("functionId", id)
                      .set("label", label)
                      .set("functionType", b.functionType)
                      .set("functionValue", b.functionValue)
                      .set("macroId", static_cast<int>(b.macroId)));
        s << "button " << (i + 1) << ": " << id << "  " << label << '\n';
    }
    text = s.str();
    return list;
}

int List(Context& ctx) {
    const std::string slotText = ctx.TakeArg("SLOT");
    ctx.ExpectNoMoreArgs();
    const int slot = ParseSlot(slotText);
    LoadedProfiles p = LoadProfiles(ctx);
    std::string text;
    const Json list = ButtonsJson(p.set, p.set[slot], text);
    ctx.Print(list, text);
    return kExitOk;
}

int Set(Context& ctx) {
    const std::string slotText = ctx.TakeArg("SLOT");
    const std::string buttonText = ctx.TakeArg("BUTTON");
    const std::string idText = ctx.TakeArg("FUNCTIONID");
    ctx.ExpectNoMoreArgs();
    const int slot = ParseSlot(slotText);
    const long long buttonNumber = ParseNumber(buttonText, "BUTTON");
    if (buttonNumber < 1 || buttonNumber > kButtonCount)
        throw CliError(kExitBadInput, "unknown button " + buttonText + " (buttons are 1..7)");
    const long long idValue = ParseNumber(idText, "FUNCTIONID");
    LoadedProfiles p = LoadProfiles(ctx);
    ProfileRecord& r = p.set[slot];
    if (r.inUse != 1) throw CliError(kExitBadInput, "slot " + slotText + " holds no profile");
    const int button = static_cast<int>(buttonNumber - 1);
    if (idValue < INT32_MIN || idValue > INT32_MAX ||
        !Offered(p.set, r, static_cast<int32_t>(idValue)))
        throw CliError(kExitBadInput, "function " + idText + " is not offered on the button menus");
    int32_t id = static_cast<int32_t>(idValue);

    // The last left-click button keeps its function, as on the button page.
    int leftClicks = 0;
    for (const ButtonBinding& b : r.buttonBindings) leftClicks += DecodeBinding(b) == kLeftClick;
    if (DecodeBinding(r.buttonBindings[static_cast<size_t>(button)]) == kLeftClick &&
        leftClicks == 1 && id != kLeftClick)
        throw CliError(
            kExitBadInput,
            "button " + buttonText + " is the only left-click button and cannot be reassigned");
    if (id == kFunctionRestoreFactory) id = FactoryFunctionOf(button).functionId;

    switch (EncodeFunction(id, button, r, LibrarySources(ctx))) {
        case EncodeResult::Encoded:
        case EncodeResult::Fallback:
            break;
        case EncodeResult::TooManyEvents:
            throw CliError(kExitBadInput, "the key sequence is too long for a profile");
        case EncodeResult::InvalidButton:
            throw CliError(kExitBadInput, "unknown button " + buttonText);
    }
    SaveProfiles(ctx, p);
    std::string text;
    const Json list = ButtonsJson(p.set, r, text);
    ctx.Print(list, text);
    return kExitOk;
}

}  // namespace

int RunButtonCommand(Context& ctx) {
    const std::string sub = ctx.TakeArg("button subcommand");
    if (sub == "list") return List(ctx);
    if (sub == "set") return Set(ctx);
    throw CliError(kExitUsage, "unknown button subcommand: " + sub);
}

}  // namespace z7::cli
