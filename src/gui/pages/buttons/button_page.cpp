#include "gui/pages/buttons/button_page.h"

#include <QPointer>
#include <QTimer>
#include <memory>

#include "core/buttons/bind_key_library.h"
#include "core/buttons/key_name.h"
#include "core/buttons/shortcut_library.h"
#include "core/buttons/text_block_library.h"
#include "core/device/device_image.h"
#include "core/macros/custom_hotkey_library.h"
#include "core/macros/macro_library.h"
#include "gui/pages/buttons/library_popups.h"
#include "gui/pages/macros/macro_page.h"
#include "gui/ui/skin_accessible.h"
#include "gui/ui/skin_combo_button.h"
#include "gui/ui/skin_layout.h"
#include "gui/ui/skin_style.h"

namespace z7 {
namespace {

QString U(const char* text) {
    return QString::fromUtf8(text);
}
QString Q(std::u16string_view text) {
    return QString::fromStdU16String(std::u16string(text));
}

constexpr int32_t kLeftClick = 2101;

int32_t HeaderOf(LibraryKind kind) {
    switch (kind) {
        case LibraryKind::kBindKeys:
            return kAssignKeyHeader;
        case LibraryKind::kCustomHotkeys:
            return kCustomHotkeyHeader;
        case LibraryKind::kMacros:
            return kMacroHeader;
        case LibraryKind::kTextBlocks:
            return kTextBlockHeader;
        case LibraryKind::kShortcuts:
            return kShortcutHeader;
    }
    return 0;
}

const char* LibraryNoun(LibraryKind kind) {
    switch (kind) {
        case LibraryKind::kBindKeys:
            return "按键";
        case LibraryKind::kCustomHotkeys:
            return "自定义热键";
        case LibraryKind::kMacros:
            return "宏";
        case LibraryKind::kTextBlocks:
            return "文本块";
        case LibraryKind::kShortcuts:
            return "快捷键";
    }
    return "";
}

// What a button shows for a function no menu item offers (a deleted library entry, a CPI step
// the profile does not have): the category, plainly, never another function's label.
QString PlaceholderLabel(int32_t id) {
    // A key bound without a library entry (z7ctl, another version) still has its key's name.
    const int32_t vk = id - kAssignKeyHeader - kLibraryItemBase;
    if (CategoryOf(id) == FunctionCategory::AssignKey && vk >= 0 && vk <= 0xFFFF &&
        !KeyNameOf(static_cast<uint16_t>(vk)).empty())
        return Q(KeyNameOf(static_cast<uint16_t>(vk)));
    for (const MenuItem& item : TopLevelMenu()) {
        if (item.functionId != 0 && CategoryOf(item.functionId) == CategoryOf(id) &&
            CategoryOf(id) != FunctionCategory::None)
            return Q(item.label) + U("（未列出）");
    }
    return U("未知功能");
}

// The library entries of one submenu: (key, name) in library order.
struct Entry {
    int32_t key;
    std::u16string name;
};

}  // namespace

// ---- building -------------------------------------------------------------------------------

void ButtonPage::BuildControls() {
    for (int i = 0; i < kButtonCount; ++i) {
        const QString name = QStringLiteral("Button %1").arg(i + 1);
        const QByteArray elementName = name.toUtf8();
        const int element = ElementNamed(family(), elementName.constData());
        auto* combo = new ButtonFunctionCombo(kFirstButtonId + i, this);
        combo->SetSkinElement(element);
        combo->SetColors(skin::kText, skin::kAccent);
        Adopt(combo, elementName.constData(), {}, name);
        combos_[static_cast<size_t>(i)] = combo;
        for (const MenuItem& item : TopLevelMenu()) {
            combo->AddItem(item.functionId, Q(item.label));
            for (const MenuItem& sub : FixedSubmenu(item.functionId))
                combo->AddSubItem(item.functionId, sub.functionId, Q(sub.label));
        }
    }
    for (LibraryKind kind :
         {LibraryKind::kBindKeys, LibraryKind::kCustomHotkeys, LibraryKind::kMacros,
          LibraryKind::kTextBlocks, LibraryKind::kShortcuts}) {
        RebuildLibraryMenus(kind);
    }
    RebuildProfileMenus();
}

ButtonFunctionCombo* ButtonPage::functionButton(int button) const {
    if (button < 0 || button >= kButtonCount) return nullptr;
    return combos_[static_cast<size_t>(button)];
}

int32_t ButtonPage::functionOf(int button) const {
    const ButtonFunctionCombo* combo = functionButton(button);
    return combo ? combo->currentId() : FactoryFunctionOf(button).functionId;
}

QString ButtonPage::labelOf(int button) const {
    const ButtonFunctionCombo* combo = functionButton(button);
    return combo ? combo->text() : QString();
}

// ---- menus ----------------------------------------------------------------------------------

void ButtonPage::RebuildLibraryMenus(LibraryKind kind) {
    if (!combos_[0]) return;
    const int32_t header = HeaderOf(kind);
    FileSystem& fs = host().fileSystem();
    const std::filesystem::path& folder = host().dataFolder();
    // Read afresh (without recovering: only a holder of the data folder's lock may).
    std::vector<Entry> entries;
    switch (kind) {
        case LibraryKind::kBindKeys: {
            BindKeyLibrary lib = BindKeyLibrary::ForDataFolder(folder);
            lib.Load(fs, false);
            for (const BindKeyEntry& e : lib.entries()) entries.push_back({e.key, e.name});
            break;
        }
        case LibraryKind::kCustomHotkeys: {
            CustomHotkeyLibrary lib = CustomHotkeyLibrary::ForDataFolder(folder);
            lib.Load(fs, false);
            for (const MacroData& e : lib.entries()) entries.push_back({e.id, e.name});
            break;
        }
        case LibraryKind::kMacros:
            for (const Macro& m : host().macroLibrary().macros()) entries.push_back({m.id, m.name});
            break;
        case LibraryKind::kTextBlocks: {
            TextBlockLibrary lib = TextBlockLibrary::ForDataFolder(folder);
            lib.Load(fs, false);
            for (const TextBlockEntry& e : lib.entries()) entries.push_back({e.id, e.name});
            break;
        }
        case LibraryKind::kShortcuts: {
            ShortcutLibrary lib = ShortcutLibrary::ForDataFolder(folder);
            lib.Load(fs, false);
            for (const ShortcutEntry& e : lib.entries()) entries.push_back({e.id, e.name});
            break;
        }
    }
    size_t leftOut = 0;
    for (const Entry& e : entries) leftOut += LibraryItemFits(header, e.key) ? 0 : 1;
    const QString note = leftOut ? Q(LibraryOverflowNote(header, leftOut)) : QString();
    for (ButtonFunctionCombo* combo : combos_) {
        if (SkinMenu* sub = combo->bnMenu()->Submenu(header, false)) sub->RemoveAllItems();
        combo->AddSubItem(header, header + kSettingsEntry, Q(FunctionLabel(header + 1)));
        for (const Entry& e : entries) {
            if (!LibraryItemFits(header, e.key)) continue;
            combo->AddSubItem(header, header + kLibraryItemBase + e.key, Q(e.name));
        }
        // Said where the entries would be, as a row that cannot be chosen.
        if (leftOut) combo->AddSubItem(header, -header, note, 0, false);
    }
}

void ButtonPage::RebuildCpiMenus(int stepCount) {
    if (!combos_[0]) return;
    std::vector<int32_t> ids;
    switch (stepCount) {
        case 1:
            ids = {2004};
            break;
        case 2:
            ids = {2002, 2003, 2004, 2005};
            break;
        case 3:
            ids = {2002, 2003, 2004, 2005, 2006};
            break;
        default:
            break;
    }
    for (ButtonFunctionCombo* combo : combos_) {
        if (SkinMenu* sub = combo->bnMenu()->Submenu(kCpiHeader, false)) sub->RemoveAllItems();
        combo->AddSubItem(kCpiHeader, kCpiHeader + kSettingsEntry,
                          Q(FunctionLabel(kCpiHeader + kSettingsEntry)));
        for (int32_t id : ids) combo->AddSubItem(kCpiHeader, id, Q(FunctionLabel(id)));
    }
}

void ButtonPage::RebuildProfileMenus() {
    if (!combos_[0]) return;
    const ProfileSet& set = host().profiles();
    for (ButtonFunctionCombo* combo : combos_) {
        if (SkinMenu* sub = combo->bnMenu()->Submenu(kProfileHeader, false)) sub->RemoveAllItems();
        for (const MenuItem& item : FixedSubmenu(kProfileHeader))
            combo->AddSubItem(kProfileHeader, item.functionId, Q(item.label));
        for (int slot = 1; slot < kSlotCount; ++slot) {
            if (set[slot].inUse != 1) continue;
            combo->AddSubItem(kProfileHeader, 2303 + slot, Q(set[slot].profileName));
        }
    }
}

void ButtonPage::OnLibraryChanged(LibraryKind kind) {
    RebuildLibraryMenus(kind);
}

void ButtonPage::OnStepCountChanged(int stepCount) {
    RebuildCpiMenus(stepCount);
}

void ButtonPage::OnProfilesChanged() {
    RebuildProfileMenus();
}

// ---- what the buttons show --------------------------------------------------------------------

void ButtonPage::Show(int button, int32_t functionId) {
    ButtonFunctionCombo* combo = functionButton(button);
    if (!combo) return;
    const SkinMenuItem* item = functionId >= 0 ? combo->menu()->FindItem(functionId) : nullptr;
    if (item && !item->hasSubmenu && item->enabled)
        combo->SelectItem(functionId);
    else
        combo->ShowUnlistedValue(functionId, PlaceholderLabel(functionId));
    UpdateTooltip(button);
}

void ButtonPage::SetFunction(int button, int32_t functionId, const QString& text) {
    ButtonFunctionCombo* combo = functionButton(button);
    if (!combo) return;
    combo->ShowUnlistedValue(functionId, text);
    UpdateTooltip(button);
}

void ButtonPage::UpdateTooltip(int button) {
    ButtonFunctionCombo* combo = functionButton(button);
    const QString tip = Q(StatusTextOf(combo->currentId()));
    combo->setToolTip(tip);
    combo->setAccessibleDescription(tip);
}

// ---- choices ----------------------------------------------------------------------------------

void ButtonPage::OnCommand(int code, int value) {
    const int button = code - kFirstButtonId;
    if (button < 0 || button >= kButtonCount) return;
    // The page decides what the button shows, whatever was chosen.
    functionButton(button)->VetoChosenText();
    Choose(button, value);
}

void ButtonPage::ChooseFunction(int button, int32_t functionId) {
    if (button < 0 || button >= kButtonCount) return;
    EnsureBuilt();
    // The macro page's save has just added the macro.
    if (CategoryOf(functionId) == FunctionCategory::Macro &&
        !functionButton(button)->menu()->FindItem(functionId))
        RebuildLibraryMenus(LibraryKind::kMacros);
    Choose(button, functionId);
}

void ButtonPage::Choose(int button, int32_t f) {
    const auto later = [this](std::function<void()> work) {
        // After the menu has closed: a modal window must not open under a menu still shown.
        QTimer::singleShot(0, this, std::move(work));
    };
    int leftClicks = 0;
    for (int i = 0; i < kButtonCount; ++i) leftClicks += functionOf(i) == kLeftClick;
    if (functionOf(button) == kLeftClick && leftClicks == 1 && f != kLeftClick) {
        later([this] { host().Popup(kPopupLeftClick); });
        return;
    }
    switch (f) {
        case kFunctionRestoreFactory: {
            const FactoryFunction& factory = FactoryFunctionOf(button);
            SetFunction(button, factory.functionId, Q(factory.label));
            return;
        }
        case kCustomHotkeyHeader + kSettingsEntry:
        case kAssignKeyHeader + kSettingsEntry:
        case kShortcutHeader + kSettingsEntry:
        case kTextBlockHeader + kSettingsEntry:
            later([this, button, f] { OpenPopup(button, f); });
            return;
        case kCpiHeader + kSettingsEntry:
            later([this] { host().OpenPage(PageId::kSensor); });
            return;
        case kMacroHeader + kSettingsEntry:
            later([this, button] {
                if (auto* macros = static_cast<MacroPage*>(host().page(PageId::kMacros)))
                    macros->OpenForButton(button);
            });
            return;
        default:
            break;
    }
    // Category entries and notes open or say something; they are never a function.
    const SkinMenuItem* item = functionButton(button)->menu()->FindItem(f);
    if (f < 0 || (item && item->hasSubmenu)) return;
    Show(button, f);
}

void ButtonPage::OpenPopup(int button, int32_t editorEntry) {
    std::unique_ptr<LibraryPopup> popup;
    switch (editorEntry) {
        case kCustomHotkeyHeader + kSettingsEntry:
            popup = std::make_unique<CustomHotkeyPopup>(host(), button, this);
            break;
        case kAssignKeyHeader + kSettingsEntry:
            popup = std::make_unique<BindKeyPopup>(host(), button, this);
            break;
        case kShortcutHeader + kSettingsEntry:
            popup = std::make_unique<ShortcutPopup>(host(), button, this);
            break;
        case kTextBlockHeader + kSettingsEntry:
            popup = std::make_unique<TextBlockPopup>(host(), button, this);
            break;
        default:
            return;
    }
    RunPopup(*popup);
}

void ButtonPage::RunPopup(LibraryPopup& popup) {
    QPointer<ButtonPage> self(this);
    if (beforePopupShown) beforePopupShown(popup);
    popup.exec();
    if (!self) return;
    const LibraryKind kind = popup.kind();
    if (const IdMap* map = popup.renumbering()) FollowRenumbering(kind, *map);
    // The libraries changed on disk (a save, an imported file deleted): every page hears it.
    host().NotifyLibraryChanged(kind);
    const int button = popup.targetButton();
    if (const std::optional<PopupSaveResult>& saved = popup.saved()) {
        const int32_t header = HeaderOf(kind);
        if (!LibraryItemFits(header, saved->functionId - header - kLibraryItemBase)) {
            host().MessageBox(U("“%1”已保存，但按键只能使用前 %2 个%3，所以没有指派给按键 %4。")
                                  .arg(Q(saved->name))
                                  .arg(LibraryCapacity(header))
                                  .arg(U(LibraryNoun(kind)))
                                  .arg(button + 1));
            return;
        }
        if (functionButton(button)->menu()->FindItem(saved->functionId))
            Show(button, saved->functionId);
        else
            SetFunction(button, saved->functionId, Q(saved->name));
    } else if (popup.restoresFactory()) {
        Choose(button, kFunctionRestoreFactory);
    }
}

void ButtonPage::FollowRenumbering(LibraryKind kind, const IdMap& map) {
    const int32_t header = HeaderOf(kind);
    auto follow = [&](int button, int32_t id) -> int32_t {
        if (CategoryOf(id) != CategoryOf(header) || id < header + kLibraryItemBase) return id;
        const auto it = map.find(id - header - kLibraryItemBase);
        // Gone: the button falls back to its factory function, as the stored profiles do.
        return it == map.end() ? FactoryFunctionOf(button).functionId
                               : header + kLibraryItemBase + it->second;
    };
    for (int i = 0; i < kButtonCount; ++i) {
        const size_t b = static_cast<size_t>(i);
        savedIds_[b] = follow(i, savedIds_[b]);
        const int32_t now = functionOf(i);
        const int32_t moved = follow(i, now);
        if (moved != now) SetFunction(i, moved, labelOf(i));
    }
}

// ---- the editing pattern ----------------------------------------------------------------------

void ButtonPage::LoadControls(const ProfileRecord& record) {
    // The CPI items first, so that a button on "CPI 3" finds its item.
    RebuildCpiMenus(record.stepCount);
    RebuildProfileMenus();
    for (int i = 0; i < kButtonCount; ++i)
        Show(i, DecodeBinding(record.buttonBindings[static_cast<size_t>(i)]));
}

MacroSources ButtonPage::Sources() {
    // Custom hotkeys as they are on disk now; macros from the one library in memory.
    auto hotkeys = std::make_shared<CustomHotkeyLibrary>(
        CustomHotkeyLibrary::ForDataFolder(host().dataFolder()));
    hotkeys->Load(host().fileSystem(), /*recover=*/false);
    MacroSources sources;
    sources.customHotkey = [hotkeys](int32_t id) { return hotkeys->FindById(id); };
    MacroLibrary* macros = &host().macroLibrary();
    sources.macro = [macros](int32_t id) { return macros->MakeKeySequenceCopy(id); };
    return sources;
}

void ButtonPage::StoreControls(ProfileRecord& record) {
    const MacroSources sources = Sources();
    for (int i = 0; i < kButtonCount; ++i) {
        // A copy too long for the profile leaves the binding as it was; Apply says so first.
        (void)EncodeFunction(functionOf(i), i, record, sources);
    }
}

void ButtonPage::TakeSnapshot(const ProfileRecord& record) {
    PageWindow::TakeSnapshot(record);
    if (!built()) return;
    for (int i = 0; i < kButtonCount; ++i) savedIds_[static_cast<size_t>(i)] = functionOf(i);
}

bool ButtonPage::HasChanges() {
    if (!built()) return false;
    for (int i = 0; i < kButtonCount; ++i)
        if (functionOf(i) != savedIds_[static_cast<size_t>(i)]) return true;
    return false;
}

void ButtonPage::RestoreSnapshot() {
    for (int i = 0; i < kButtonCount; ++i) Show(i, savedIds_[static_cast<size_t>(i)]);
}

QString ButtonPage::ApplyProblem() {
    ProfileRecord record = host().currentProfile();
    const MacroSources sources = Sources();
    QStringList problems;
    for (int i = 0; i < kButtonCount; ++i) {
        const int32_t id = functionOf(i);
        if (EncodeFunction(id, i, record, sources) != EncodeResult::TooManyEvents) continue;
        size_t events = 0;
        if (CategoryOf(id) == FunctionCategory::Macro) {
            if (auto copy = sources.macro(id - kMacroHeader - kLibraryItemBase))
                events = copy->events.size();
        } else if (const MacroData* hotkey =
                       sources.customHotkey(id - kCustomHotkeyHeader - kLibraryItemBase)) {
            events = hotkey->events.size();
        }
        problems << U("按键 %1 的“%2”有 %3 个事件，一个按键最多只能保存 %4 个。")
                        .arg(i + 1)
                        .arg(labelOf(i))
                        .arg(events)
                        .arg(kMaxBoundMacroEvents);
    }
    if (!problems.isEmpty()) return problems.join(QLatin1Char('\n'));
    // The mouse keeps at most 128 entries per button and 147 in all.
    const DeviceRecord device = BuildDeviceRecord(record);
    QStringList perButton;
    for (int i = 0; i < kButtonCount; ++i) {
        const size_t b = static_cast<size_t>(i);
        const ButtonBinding& binding = record.buttonBindings[b];
        const MacroData& copy = record.buttonMacros[b];
        if (!FunctionTypeCarriesMacro(binding.functionType) || copy.id != binding.macroId) continue;
        if (copy.events.size() > kMaxAreaEntries) {
            problems << U("按键 %1 的“%2”有 %3 个事件，鼠标每个按键最多只能保存 %4 个。")
                            .arg(i + 1)
                            .arg(labelOf(i))
                            .arg(copy.events.size())
                            .arg(kMaxAreaEntries);
        }
        if (!device.areas[b].entries.empty())
            perButton << U("按键 %1: %2 个").arg(i + 1).arg(device.areas[b].entries.size());
    }
    if (!problems.isEmpty()) return problems.join(QLatin1Char('\n'));
    const size_t total = TotalEntries(device);
    if (total > kMaxImageEntries) {
        return U("所有按键的宏和组合键共有 %1 个事件，超过鼠标可保存的 %2 个（%3）。")
            .arg(total)
            .arg(kMaxImageEntries)
            .arg(perButton.join(U("，")));
    }
    return {};
}

void ButtonPage::Apply() {
    EnsureBuilt();
    // Nothing is stored or sent that the profile or the mouse could not hold as shown.
    const QString problem = ApplyProblem();
    if (!problem.isEmpty()) {
        host().MessageBox(U("无法应用按键设置:\n") + problem);
        emit applyFinished(ExchangeResult::kCommandFailed);
        return;
    }
    PageWindow::Apply();
}

DeviceExchange ButtonPage::ApplyExchange() {
    return [](DeviceLink& link, const ProfileRecord& profile) {
        return WriteAllExchange(link, profile);
    };
}

}  // namespace z7
