#include "gui/pages/lighting/lighting_page.h"

#include <iterator>
#include <span>

#include "gui/pages/lighting/colour_disc.h"
#include "gui/pages/lighting/lighting_preview.h"
#include "gui/ui/skin.h"
#include "gui/ui/skin_accessible.h"
#include "gui/ui/skin_combo_button.h"
#include "gui/ui/skin_layout.h"

namespace z7 {
namespace {

struct Item {
    int value;
    const char* text;
};
constexpr Item kLightsItems[] = {
    {kLightsBothOn, "全部打开"},
    {kLightsBothOff, "全部关闭"},
    {kLightsWheelOff, "滚轮灯关闭"},
    {kLightsLogoOff, "Logo 灯关闭"},
};
constexpr Item kModeItems[] = {
    {kEffectSteady, "单色恒亮"},
    {kEffectBreathing, "单色呼吸"},
    {kEffectBeating, "单色跳动"},
    {kEffectColourCycle, "多彩循环"},
};
constexpr Item kSpeedItems[] = {
    {0xF0, "普通"},   {0x40, "中速"},   {0x50, "高速"},    {0x60, "20 bpm"},
    {0x70, "40 bpm"}, {0x80, "80 bpm"}, {0x90, "120 bpm"}, {0xA0, "150 bpm"},
};
constexpr Item kSaverItems[] = {
    {0, "关闭"},    {1, "1 min"},   {5, "5 min"},   {10, "10 min"}, {15, "15 min"},
    {20, "20 min"}, {25, "25 min"}, {30, "30 min"}, {60, "60 min"},
};
constexpr Item kStrengthItems[] = {
    {1, "0%"}, {2, "25%"}, {3, "50%"}, {4, "75%"}, {5, "100%"},
};
constexpr Item kSyncItems[] = {
    {kSyncNone, "无"},
    {kSyncBlue, "VR-40 蓝"},
    {kSyncRed, "VR-60 红"},
};

struct ComboEntry {
    const char* name;  // element and accessible name
    int id;
    const char* field;  // profile field (value_sets.h)
    const char* tooltip;
    std::span<const Item> items;
};
// In the order of combos_: lights, mode, speed, sleep, brightness, sync.
constexpr ComboEntry kCombos[] = {
    {"Lights", kIdLights, "lightSwitch", "设置灯光开／关模式，共四种模式 ", kLightsItems},
    {"Mode", kIdMode, "lightEffect", "设置背光模式，共四种模式 ", kModeItems},
    {"Speed", kIdSpeed, "lightSpeed", "", kSpeedItems},
    {"Mouse Saver", kIdMouseSaver, "lightSleep",
     "设置你的鼠标的省电睡眠时间，若选择关闭， 则鼠标的灯光将保持常亮状态", kSaverItems},
    {"Strength", kIdStrength, "lightBrightness", "设置背光的亮度，从关闭到全亮共5级",
     kStrengthItems},
    {"Kesta Color", kIdKestaColor, "lightSync",
     "同步Kesta设备的颜色。只适用于恒亮，呼吸和跳动模式。", kSyncItems},
};
constexpr int kSpeedCombo = 2;

constexpr const char* kEditNames[2][3] = {{"Red 1", "Green 1", "Blue 1"},
                                          {"Red 2", "Green 2", "Blue 2"}};
constexpr const char* kEditTooltip = "可在此分别填入RGB数值";

constexpr const char* kWheelHelp =
    "若点选圆形色盘，将预设滚轮与Kesta标志同色。如果你想单独设置滚轮颜色，可以分别在R/G/"
    "B栏位输入数值";
constexpr const char* kLogoHelp =
    "若点选圆形色盘，将预设滚轮与Kesta标志同色。如果你想单独设置LOGO颜色，可以分别在R/G/"
    "B栏位输入数值";
constexpr const char* kSpeedHelp =
    "当你选择背光模式为“跳动”时，此处可设置跳动的速度，若选择其他模式，则此功能无法设置";

// The preview stands between the discs and the drop-downs.
constexpr QRect kPreviewRect(316, 92, 148, 348);

QString U(const char* text) {
    return QString::fromUtf8(text);
}

QString WheelHelp() {
    return LanguageText(100, U(kWheelHelp));
}
QString LogoHelp() {
    return LanguageText(101, U(kLogoHelp));
}

uint8_t Channel(uint32_t color, int channel) {
    return channel == 0 ? RedOf(color) : channel == 1 ? GreenOf(color) : BlueOf(color);
}

}  // namespace

LightingPage::LightingPage(PageHost& host, QWidget* owner)
    : PageWindow(PageId::kLighting, 152, host, owner) {}

void LightingPage::BuildControls() {
    const Light lights[] = {Light::kWheel, Light::kLogo};
    for (Light light : lights) {
        const size_t i = Index(light);
        auto* disc = new ColourDisc(light == Light::kWheel ? kIdWheelDisc : kIdLogoDisc, this);
        const char* name = light == Light::kWheel ? "Wheel Colour" : "Logo Colour";
        disc->SetSkinElement(ElementNamed(family(), name));
        Adopt(disc, name, light == Light::kWheel ? WheelHelp() : LogoHelp());
        connect(disc, &ColourDisc::picking, this,
                [this, light](int phase, QPoint pos) { OnPicking(light, phase, pos); });
        discs_[i] = disc;
        for (int c = 0; c < 3; ++c) {
            const int id = (light == Light::kWheel ? kIdWheelRed : kIdLogoRed) + c;
            SkinLineEdit* edit = AddLineEdit(kEditNames[i][c], id, U(kEditTooltip));
            // A field left empty reads as 0, so it shows 0.
            connect(edit, &QLineEdit::editingFinished, this, [this, edit] {
                if (!edit->text().isEmpty()) return;
                filling_ = true;
                edit->setText(QStringLiteral("0"));
                filling_ = false;
            });
            edits_[i][c] = edit;
        }
        const char* tip = light == Light::kWheel ? "wheel tooltip" : "logo tooltip";
        if (SkinButton* help =
                AddSkinButton(tip, light == Light::kWheel ? kIdWheelTooltip : kIdLogoTooltip)) {
            // The balloon carries the help; a tooltip as well would cover it.
            help->setAccessibleDescription(light == Light::kWheel ? WheelHelp() : LogoHelp());
        }
    }
    for (size_t i = 0; i < std::size(kCombos); ++i) {
        const ComboEntry& entry = kCombos[i];
        SkinComboButton* combo = AddComboButton(entry.name, entry.id, U(entry.tooltip));
        for (const Item& item : entry.items) combo->AddItem(item.value, U(item.text));
        combos_[i] = combo;
    }
    preview_ = new LightingPreview(this);
    preview_->setGeometry(kPreviewRect);
    NameControl(preview_, QStringLiteral("Light Preview"));
}

uint8_t LightingPage::Current(int which) const {
    const SkinComboButton* combo = combos_[static_cast<size_t>(which)];
    return static_cast<uint8_t>(combo && combo->currentId() >= 0 ? combo->currentId() : 0);
}

uint32_t LightingPage::EditColor(Light light) const {
    uint8_t channel[3] = {};
    for (int c = 0; c < 3; ++c) {
        if (SkinLineEdit* e = edits_[Index(light)][c])
            channel[c] = ChannelValue(e->text().toStdString());
    }
    return PackColor(channel[0], channel[1], channel[2]);
}

void LightingPage::LoadControls(const ProfileRecord& record) {
    picked_[0] = PickedColorOnLoad(record, Light::kWheel);
    picked_[1] = PickedColorOnLoad(record, Light::kLogo);
    dragging_[0] = dragging_[1] = false;
    const long long values[] = {record.lightSwitch, record.lightEffect,     record.lightSpeed,
                                record.lightSleep,  record.lightBrightness, record.lightSync};
    for (size_t i = 0; i < std::size(kCombos); ++i)
        SelectValue(combos_[i], kCombos[i].field, values[i]);
    // A profile keeps its speed whatever its effect; only a change of effect resets it.
    combos_[kSpeedCombo]->setEnabled(SpeedEditable(Current(1)));
    ShowColors();
}

void LightingPage::StoreControls(ProfileRecord& record) {
    record.lightSwitch = lightSwitch();
    record.lightEffect = Current(1);
    record.lightSpeed = Current(2);
    record.lightSleep = Current(3);
    record.lightBrightness = Current(4);
    record.lightSync = lightSync();
    record.lightColor1 =
        StoredColor(lightSwitch(), lightSync(), Light::kWheel, EditColor(Light::kWheel));
    record.lightColor2 =
        StoredColor(lightSwitch(), lightSync(), Light::kLogo, EditColor(Light::kLogo));
}

DeviceExchange LightingPage::ApplyExchange() {
    return [](DeviceLink& link, const ProfileRecord& profile) {
        return WriteLightingExchange(link, profile);
    };
}

void LightingPage::ShowColors() {
    for (Light light : {Light::kWheel, Light::kLogo}) {
        const size_t i = Index(light);
        const uint32_t shown = ShownColor(lightSwitch(), lightSync(), light, picked_[i]);
        const bool editable = ColorEditable(lightSwitch(), lightSync(), light);
        filling_ = true;
        for (int c = 0; c < 3; ++c) {
            SkinLineEdit* e = edits_[i][c];
            const QString text = QString::number(Channel(shown, c));
            // The fields being typed in hold this colour already, as the user wrote it.
            if (typing_ != light && e->text() != text) e->setText(text);
            e->setEnabled(editable);
        }
        filling_ = false;
        ColourDisc* disc = discs_[i];
        disc->setEnabled(editable);
        disc->SetColor(shown);
        // A marker that already sits on the light's colour stays where the user put it.
        const std::optional<QPoint> at = disc->marker();
        if (editable && (!at || disc->ColorAt(*at) != picked_[i])) disc->MarkColor(picked_[i]);
    }
    UpdatePreview();
}

void LightingPage::ShowEffect() {
    SkinComboButton* speed = combos_[kSpeedCombo];
    const uint8_t effect = Current(1);
    const uint8_t kept = SpeedForEffect(effect, Current(kSpeedCombo));
    if (kept != Current(kSpeedCombo)) speed->SelectItem(kept);
    speed->setEnabled(SpeedEditable(effect));
}

void LightingPage::UpdatePreview() {
    if (!preview_) return;
    const PreviewSettings settings{
        .effect = Current(1), .speed = Current(2), .brightness = Current(4)};
    preview_->SetState(settings, StoredColor(lightSwitch(), lightSync(), Light::kWheel, picked_[0]),
                       StoredColor(lightSwitch(), lightSync(), Light::kLogo, picked_[1]));
}

void LightingPage::OnCommand(int code, int value) {
    for (size_t i = 0; i < std::size(kCombos); ++i) {
        SkinComboButton* combo = combos_[i];
        if (code != kCombos[i].id || !combo || !combo->menu() || !combo->menu()->FindItem(value))
            continue;
        // The button shows the choice only after telling us; the rules need it now.
        combo->SelectItem(value);
        switch (code) {
            case kIdLights:
            case kIdKestaColor:
                ShowColors();
                return;
            case kIdMode:
                ShowEffect();
                break;
            default:
                break;
        }
        UpdatePreview();
        return;
    }
    if (value == kTextChangedValue && code >= kIdWheelRed && code < kIdWheelRed + 6)
        OnEditChanged(code);
}

void LightingPage::OnEditChanged(int controlId) {
    if (filling_) return;
    const int offset = controlId - kIdWheelRed;
    const Light light = offset < 3 ? Light::kWheel : Light::kLogo;
    SkinLineEdit* edit = edits_[Index(light)][offset % 3];
    const ChannelText normal = NormalizeChannelText(edit->text().toStdString());
    if (normal.changed) {
        filling_ = true;
        edit->setText(QString::fromStdString(normal.text));
        edit->setCursorPosition(static_cast<int>(normal.text.size()));
        filling_ = false;
    }
    // Typing chooses the light's colour as a pick does; a later Lights or sync change keeps it.
    picked_[Index(light)] = EditColor(light);
    typing_ = light;
    ShowColors();
    typing_.reset();
}

void LightingPage::OnPicking(Light source, int phase, QPoint pos) {
    if (phase == ColourDisc::kPress) {
        ColourDisc* disc = discs_[Index(source)];
        const std::optional<uint32_t> color = disc->ColorAt(pos);
        const PickTargets targets = PickTargetsFor(lightSwitch(), lightSync(), source);
        if (!color || !targets.any()) return;
        dragging_[0] = targets.wheel;
        dragging_[1] = targets.logo;
        TakePick(source, pos, *color);
        return;
    }
    if (!dragging_[0] && !dragging_[1]) return;
    // A drag may cross into the other disc: whichever live disc is under the pointer gives the
    // colour, to the lights a pick on that disc colours.
    const QPoint onPage = discs_[Index(source)]->mapTo(this, pos);
    for (Light light : {Light::kWheel, Light::kLogo}) {
        ColourDisc* disc = discs_[Index(light)];
        const QPoint local = disc->mapFrom(this, onPage);
        if (!disc->isEnabled()) continue;
        if (const std::optional<uint32_t> color = disc->ColorAt(local)) {
            TakePick(light, local, *color);
            break;
        }
    }
    if (phase == ColourDisc::kRelease) dragging_[0] = dragging_[1] = false;
}

void LightingPage::TakePick(Light disc, QPoint pos, uint32_t color) {
    const PickTargets targets = PickTargetsFor(lightSwitch(), lightSync(), disc);
    if (!targets.any()) return;
    if (targets.wheel) picked_[0] = color;
    if (targets.logo) picked_[1] = color;
    discs_[Index(disc)]->SetMarker(pos);
    ShowColors();
}

void LightingPage::OnClicked(int controlId) {
    // The help buttons only carry their balloon; from the keyboard a press shows it.
    if (controlId == kIdWheelTooltip || controlId == kIdLogoTooltip) ShowHelp(controlId);
}

QString LightingPage::HelpText(int controlId) const {
    switch (controlId) {
        case kIdWheelTooltip:
            return WheelHelp();
        case kIdLogoTooltip:
            return LogoHelp();
        case kIdSpeed:
            return LanguageText(107, U(kSpeedHelp));
        default:
            return {};
    }
}

void LightingPage::changeEvent(QEvent* event) {
    if (event->type() == QEvent::WindowStateChange && preview_) preview_->SetPaused(isMinimized());
    PageWindow::changeEvent(event);
}

}  // namespace z7
