#include "gui/pages/pointer/pointer_page.h"

#include <QGuiApplication>
#include <QRegularExpressionValidator>
#include <QStyleHints>

#include "gui/ui/skin.h"
#include "gui/ui/skin_accessible.h"
#include "gui/ui/skin_combo_button.h"
#include "gui/ui/skin_layout.h"
#include "gui/ui/skin_style.h"

namespace z7 {
namespace {

QString U(const char* text) {
    return QString::fromUtf8(text);
}

constexpr int kLinesTickMs = 200;

constexpr const char* kSpeedTip = "拖移指标，以设置你想要指针跟随鼠标移动的速度";
constexpr const char* kAccelerationTip = "选择开启或关闭“鼠标加速”的功能";
constexpr const char* kSnapTip = "选择开启或关闭“自动将光标移至对话框”的功能";
constexpr const char* kWheelLinesTip = "设置滚轮翻动的速度";
constexpr const char* kWheelPageTip = "勾选后，每滚动一下鼠标滚轮，即可翻动一页";
constexpr const char* kTrailsTip = "勾选后，移动鼠标时将会出现光标轨迹";
constexpr const char* kSonarTip = "勾选后，按下键盘的CTRL键时，荧幕上才会出现鼠标的光标";
constexpr const char* kLinesTip = "勾选后，即可选择你希望鼠标滚动一下要跳多少行";
constexpr const char* kDoubleClickTip = "拖移指标，以设置你想要鼠标双击的速度";
constexpr const char* kTestTip =
    "把指针定在Q上可测试双击的速度，如果不合适，可以在画面左继续调整速度";

// The program's own double-click interval: the test area and every other control of ours.
void SetProgramDoubleClickTime(unsigned ms) {
    QGuiApplication::styleHints()->setMouseDoubleClickInterval(static_cast<int>(ms));
}

}  // namespace

PointerPage::PointerPage(PageHost& host, QWidget* owner)
    : PageWindow(PageId::kPointer, 50, host, owner) {
    linesTimer_.setInterval(kLinesTickMs);
    connect(&linesTimer_, &QTimer::timeout, this, &PointerPage::NormaliseLinesEdit);
}

bool PointerPage::Applied(PointerSetting setting) const {
    const PointerSystem* s = system();
    return !s || s->Support(setting).applied;
}

QString PointerPage::TipFor(PointerSetting setting, const char* tooltip) const {
    const PointerSystem* s = system();
    if (!s) return U(tooltip);
    const PointerSupport support = s->Support(setting);
    const QString note = QString::fromStdU16String(std::u16string(support.note));
    if (!support.applied) return note.isEmpty() ? U(tooltip) : note;
    return note.isEmpty() ? U(tooltip) : U(tooltip) + QLatin1Char('\n') + note;
}

void PointerPage::BuildControls() {
    using S = PointerSetting;
    // Made in the order Tab walks them: the left column from the top, then the right one.
    speed_ = AddSlider("Pointer Speed", kIdPointerSpeed, TipFor(S::Speed, kSpeedTip),
                       U("Pointer Speed"));
    speed_->SetRange(1, 11);
    acceleration_ = AddComboButton("Acceleration", kIdAcceleration,
                                   TipFor(S::Acceleration, kAccelerationTip), U("Acceleration"));
    acceleration_->AddItem(0, U("关闭"));
    acceleration_->AddItem(1, U("低"));
    acceleration_->AddItem(3, U("中"));
    acceleration_->AddItem(6, U("高"));
    snapTo_ = AddComboButton("Snap To", kIdSnapToDefault, TipFor(S::SnapToDefault, kSnapTip),
                             U("Auto Move cursor to default button"));
    snapTo_->AddItem(0, U("关闭"));
    snapTo_->AddItem(1, U("打开"));
    // The captions of the template: "x" is the check box before the line count.
    wheelLines_ =
        AddCheckBox("Wheel Lines", kIdWheelLines, TipFor(S::WheelScroll, kWheelLinesTip), U("x"));
    lines_ = AddLineEdit("Lines", kIdLines, TipFor(S::WheelScroll, kLinesTip), U("Scroll Lines"));
    lines_->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), lines_));
    lines_->setAlignment(Qt::AlignCenter);
    linesUp_ = AddSkinButton("Lines Up", kIdLinesUp, {}, U("Up"));
    linesDown_ = AddSkinButton("Lines Down", kIdLinesDown, {}, U("Down"));
    wheelPage_ =
        AddCheckBox("Wheel Page", kIdWheelPage, TipFor(S::WheelScroll, kWheelPageTip), U("Page"));
    doubleClick_ = AddSlider("Double Click Speed", kIdDoubleClickSpeed,
                             TipFor(S::DoubleClickTime, kDoubleClickTip), U("Double-click Speed"));
    doubleClick_->SetRange(1, 11);
    trails_ = AddCheckBox("Trails", kIdTrails, TipFor(S::Trails, kTrailsTip), U("Pointer trails"));
    sonar_ = AddCheckBox("Sonar", kIdSonar, TipFor(S::Sonar, kSonarTip), U("Show Ctrl"));
    test_ = new DoubleClickTestArea(kIdDoubleClickTest, this);
    test_->SetSkinElement(ElementNamed(family(), "Double Click Test"));
    Adopt(test_, "Double Click Test", U(kTestTip), U("Double click Test"));
    // The wheel arrows say what the edit beside them says.
    for (SkinButton* b : {linesUp_, linesDown_})
        b->setAccessibleDescription(TipFor(S::WheelScroll, kLinesTip));
}

// ---- profile <-> controls ---------------------------------------------------------------------

void PointerPage::LoadControls(const ProfileRecord& r) {
    // The sliders report every position they are given; loading is not a change of the user's.
    // The main window has made the profile's speed and double-click time take effect already.
    loading_ = true;
    SetSliderValue(speed_, "pointerSpeed", r.pointerSpeed);
    SelectValue(acceleration_, "pointerAcceleration", r.pointerAcceleration);
    SelectValue(snapTo_, "snapToDefault", r.snapToDefault);
    wheelLines_->SetChecked(r.scrollByLines != 0);
    lines_->setText(QString::number(r.scrollLines));
    wheelPage_->SetChecked(r.scrollByPage != 0);
    SetSliderValue(doubleClick_, "doubleClickSpeed", r.doubleClickSpeed);
    trails_->SetChecked(r.pointerTrails != 0);
    sonar_->SetChecked(r.showPointerOnCtrl != 0);
    loading_ = false;
    UpdateEnabled();
}

void PointerPage::StoreControls(ProfileRecord& r) {
    r.pointerSpeed = static_cast<uint8_t>(speed_->pos());
    r.pointerAcceleration = static_cast<uint8_t>(acceleration_->currentId());
    r.snapToDefault = static_cast<uint8_t>(snapTo_->currentId());
    r.scrollByLines = wheelLines_->checked() ? 1 : 0;
    r.scrollLines = static_cast<uint16_t>(ScrollLinesFromText(lines_->text().toStdU16String()));
    r.scrollByPage = wheelPage_->checked() ? 1 : 0;
    r.doubleClickSpeed = static_cast<uint8_t>(doubleClick_->pos());
    r.pointerTrails = trails_->checked() ? 1 : 0;
    r.showPointerOnCtrl = sonar_->checked() ? 1 : 0;
}

void PointerPage::UpdateEnabled() {
    using S = PointerSetting;
    speed_->setEnabled(Applied(S::Speed));
    acceleration_->setEnabled(Applied(S::Acceleration));
    snapTo_->setEnabled(Applied(S::SnapToDefault));
    const bool wheel = Applied(S::WheelScroll);
    wheelLines_->setEnabled(wheel);
    wheelPage_->setEnabled(wheel);
    const bool lines = wheel && wheelLines_->checked();
    linesUp_->setEnabled(lines);
    linesDown_->setEnabled(lines);
    // A disabled edit looks like one: the skin's off picture and a dimmed number.
    lines_->setEnabled(lines);
    lines_->SetBackground(
        SkinPart(ElementNamed(family(), "Lines"), lines ? kStateNormal : kStateOff));
    lines_->SetTextColor(lines ? skin::kText : skin::kTextOff);
    doubleClick_->setEnabled(Applied(S::DoubleClickTime));
    trails_->setEnabled(Applied(S::Trails));
    sonar_->setEnabled(Applied(S::Sonar));
}

// ---- the desktop ------------------------------------------------------------------------------

void PointerPage::FollowProfile(const ProfileRecord& record) {
    const unsigned ms = SystemDoubleClickTime(record.doubleClickSpeed);
    SetProgramDoubleClickTime(ms);
    const Followed now{record.profileSlot, SystemMouseSpeed(record.pointerSpeed), ms};
    if (followed_ == now) return;
    followed_ = now;
    if (PointerSystem* s = system()) {
        s->SetMouseSpeed(now.speed);
        s->SetDoubleClickTime(ms);
    }
}

void PointerPage::Remember(const ProfileRecord& record) {
    const unsigned ms = SystemDoubleClickTime(record.doubleClickSpeed);
    SetProgramDoubleClickTime(ms);
    followed_ = Followed{record.profileSlot, SystemMouseSpeed(record.pointerSpeed), ms};
}

DeviceExchange PointerPage::ApplyExchange() {
    PointerSystem* s = system();
    if (!s) return {};
    // On the worker, under the device lock like every other Apply: acceleration and wheel are
    // made permanent, the rest last for the session where the desktop can tell the two apart.
    return [s](DeviceLink&, const ProfileRecord& profile) {
        ApplyPointerSettings(profile, *s, true);
        return ExchangeResult::kOk;
    };
}

void PointerPage::AfterApplySaved() {
    Remember(host().currentProfile());
}

void PointerPage::RestoreSnapshot() {
    PageWindow::RestoreSnapshot();
    if (PointerSystem* s = system()) ApplyPointerSettings(snapshot(), *s, true);
    Remember(snapshot());
}

// ---- control notifications --------------------------------------------------------------------

void PointerPage::OnCommand(int code, int value) {
    if (loading_) return;
    PointerSystem* s = system();
    switch (code) {
        case kIdPointerSpeed:
            if (s) s->SetMouseSpeed(SystemMouseSpeed(static_cast<uint8_t>(value)));
            break;
        case kIdAcceleration:
            if (s && (value == 0 || value == 1 || value == 3 || value == 6))
                s->SetMouseAcceleration(SystemMouseAcceleration(static_cast<uint8_t>(value)),
                                        false);
            break;
        case kIdSnapToDefault:
            if (s) s->SetSnapToDefaultButton(value == 1);
            break;
        case kIdDoubleClickSpeed: {
            const unsigned ms = SystemDoubleClickTime(static_cast<uint8_t>(value));
            SetProgramDoubleClickTime(ms);
            if (s) s->SetDoubleClickTime(ms);
            break;
        }
        default:
            break;
    }
}

void PointerPage::OnClicked(int controlId) {
    PointerSystem* s = system();
    switch (controlId) {
        case kIdWheelLines:
            if (wheelLines_->checked()) {
                wheelPage_->SetChecked(false);
                if (s)
                    s->SetWheelScrollLines(ScrollLinesFromText(lines_->text().toStdU16String()),
                                           false);
            }
            UpdateEnabled();
            break;
        case kIdWheelPage:
            if (wheelPage_->checked()) {
                wheelLines_->SetChecked(false);
                if (s) s->SetWheelScrollLines(kWheelPageScroll, false);
            }
            UpdateEnabled();
            break;
        case kIdTrails:
            if (s) s->SetMouseTrails(trails_->checked() ? 3 : 0);
            break;
        case kIdSonar:
            if (s) s->SetMouseSonar(sonar_->checked());
            break;
        case kIdLinesUp:
        case kIdLinesDown:
            if (wheelLines_->checked()) {
                const int delta = controlId == kIdLinesUp ? 1 : -1;
                lines_->setText(
                    QString::number(StepScrollLines(lines_->text().toStdU16String(), delta)));
            }
            break;
        default:
            break;
    }
}

void PointerPage::NormaliseLinesEdit() {
    if (!lines_) return;
    const auto text = NormaliseScrollLinesText(lines_->text().toStdU16String(), lines_->hasFocus());
    if (text) lines_->setText(QString::fromStdU16String(*text));
}

void PointerPage::showEvent(QShowEvent* event) {
    PageWindow::showEvent(event);
    linesTimer_.start();
}

void PointerPage::hideEvent(QHideEvent* event) {
    linesTimer_.stop();
    PageWindow::hideEvent(event);
}

}  // namespace z7
