#include "gui/pages/sensor/sensor_page.h"

#include <QKeyEvent>
#include <QPointer>
#include <QRegularExpressionValidator>
#include <algorithm>

#include "core/device/device_exchanges.h"
#include "gui/ui/skin.h"
#include "gui/ui/skin_combo_button.h"
#include "gui/ui/skin_layout.h"
#include "gui/ui/skin_style.h"

namespace z7 {
namespace {

QString U(const char* text) {
    return QString::fromUtf8(text);
}

constexpr int kCpiTickMs = 200;
constexpr int kSnapOff = 0;  // where the sliders go when their setting is switched off
constexpr int kLodOff = 6;

constexpr const char* kEditNames[6] = {"Step 1 X", "Step 1 Y", "Step 2 X",
                                       "Step 2 Y", "Step 3 X", "Step 3 Y"};
constexpr const char* kStepButtonNames[12] = {
    "Step 1 X Up", "Step 1 X Down", "Step 1 Y Up", "Step 1 Y Down", "Step 2 X Up", "Step 2 X Down",
    "Step 2 Y Up", "Step 2 Y Down", "Step 3 X Up", "Step 3 X Down", "Step 3 Y Up", "Step 3 Y Down"};

constexpr const char* kSnapBarTip = "如果你想设置角度捕捉，需先在右边下拉式选单中选择“打开”。";
constexpr const char* kLodBarTip = "设置提升距离功能需要在右边菜单中选中“打开”选项";
constexpr const char* kCpiHelp =
    "你可以在这里提高或降低鼠标的灵敏度/速度。如果你想将X和Y设置成不同的值，请先设置X值，再调整Y值"
    "。";

// What the two "Change CPI" pictures say for one, two and three steps.
constexpr const char* kStepsInUse[3] = {"已启用 1 个阶段", "已启用 2 个阶段", "已启用 3 个阶段"};
constexpr const char* kStepCycle[3] = {"仅阶段 1", "阶段 1 ↔ 2", "阶段 1 ↔ 2 ↔ 3"};

void AddOffOn(SkinComboButton* combo) {
    combo->AddItem(0, U("关闭"));
    combo->AddItem(1, U("打开"));
}

// A disabled edit looks like one: the skin's off picture and dimmed digits.
void ShowEditEnabled(SkinLineEdit* edit, int family, const char* name, bool on) {
    edit->setEnabled(on);
    edit->SetBackground(SkinPart(ElementNamed(family, name), on ? kStateNormal : kStateOff));
    edit->SetTextColor(on ? skin::kText : skin::kTextOff);
}

int StepButtonIndex(int controlId) {
    const auto it = std::find(kCpiStepButtonIds.begin(), kCpiStepButtonIds.end(), controlId);
    return it == kCpiStepButtonIds.end() ? -1 : static_cast<int>(it - kCpiStepButtonIds.begin());
}

}  // namespace

SensorPage::SensorPage(PageHost& host, QWidget* owner)
    : PageWindow(PageId::kSensor, 71, host, owner) {
    cpiTimer_.setInterval(kCpiTickMs);
    connect(&cpiTimer_, &QTimer::timeout, this, &SensorPage::NormaliseCpiEdits);
}

void SensorPage::BuildControls() {
    // Made in the order Tab walks them: the steps, then the right column from the top.
    steps_ = AddComboButton("Steps", kIdSteps);
    for (int n = 1; n <= 3; ++n) steps_->AddItem(n, QString::number(n));
    steps_->setAccessibleDescription(HelpText(kIdSteps));
    auto* digits =
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), this);
    for (int i = 0; i < 6; ++i) {
        SkinLineEdit* edit = AddLineEdit(kEditNames[i], kIdStep1X + i);
        edit->setValidator(digits);
        edit->setAlignment(Qt::AlignCenter);
        edit->setAccessibleDescription(HelpText(kIdStep1X + i));
        edit->installEventFilter(this);
        cpiEdits_[static_cast<size_t>(i)] = edit;
        for (int b = 0; b < 2; ++b) {
            const size_t index = static_cast<size_t>(i * 2 + b);
            stepButtons_[index] = AddSkinButton(kStepButtonNames[index], kCpiStepButtonIds[index]);
        }
    }

    angleSnap_ = AddComboButton("Angle Snap", kIdAngleSnap, U("打开或关闭角度捕捉节功能。"));
    AddOffOn(angleSnap_);
    snapSlider_ = AddSlider("Angle Snap Slider", kIdSnapSlider, {}, U("Angle Snap Level"));
    snapSlider_->SetRange(0, 15);
    snapSlider_->setAccessibleDescription(HelpText(kIdSnapSlider));
    snapBar_ = AddLabel("Snap Bar", kIdSnapBar, U("Snap Bar"));
    lod_ = AddComboButton("LOD", kIdLod, U("打开或关闭提升距离的功能。"));
    AddOffOn(lod_);
    lodSlider_ = AddSlider("LOD Slider", kIdLodSlider, {}, U("LOD Level"));
    lodSlider_->SetRange(1, 11);
    lodSlider_->setAccessibleDescription(HelpText(kIdLodSlider));
    lodBar_ = AddLabel("LOD Bar", kIdLodBar, U("LOD Bar"));
    for (auto [bar, tip] : {std::pair{snapBar_, kSnapBarTip}, std::pair{lodBar_, kLodBarTip}}) {
        bar->setToolTip(U(tip));
        bar->setAccessibleDescription(U(tip));
        bar->SetFontHeight(14);
        bar->SetColors(Qt::transparent, skin::kText);
    }
    polling_ = AddComboButton("Polling Rate", kIdPollingRate,
                              U("此项数值决定着鼠标通过USB 传达数据的频率"));
    polling_->AddItem(1, U("1000 Hz"));
    polling_->AddItem(2, U("500 Hz"));
    polling_->AddItem(4, U("250 Hz"));
    polling_->AddItem(8, U("125 Hz"));
    smoothing_ = AddComboButton("Smoothing", kIdSmoothing);
    AddOffOn(smoothing_);
    smoothing_->setAccessibleDescription(HelpText(kIdSmoothing));
    surface_ = AddComboButton("Surface Calibrate", kIdSurfaceMode);
    surface_->AddItem(1, U("自动"));
    surface_->AddItem(2, U("手动"));
    surface_->setAccessibleDescription(HelpText(kIdSurfaceMode));
    calibrate_ = AddSkinButton("Calibrate", kIdCalibrate);
    calibrate_->setAccessibleDescription(HelpText(kIdCalibrate));

    for (int i = 0; i < 2; ++i) {
        SkinLabel* label = AddLabel(i == 0 ? "Change CPI 1" : "Change CPI 2",
                                    i == 0 ? kIdChangeCpi1 : kIdChangeCpi2);
        label->SetFontHeight(14);
        label->SetColors(Qt::transparent, i == 0 ? skin::kTextDim : skin::kText);
        for (int n = 0; n < 3; ++n) label->AddText(U(i == 0 ? kStepsInUse[n] : kStepCycle[n]));
        changeCpi_[static_cast<size_t>(i)] = label;
    }
    // Angle tune stays in the profile only.
    for (const char* hidden : {"Angle Tune", "Angle Tune Slider", "Tune Bar"})
        CoverSheetElement(hidden);
}

// ---- profile <-> controls ---------------------------------------------------------------------

void SensorPage::LoadControls(const ProfileRecord& r) {
    const int count = static_cast<int>(SelectValue(steps_, "stepCount", r.stepCount));
    for (size_t i = 0; i < 3; ++i) {
        cpiEdits_[i * 2]->setText(QString::number(r.cpiX[i]));
        cpiEdits_[i * 2 + 1]->setText(QString::number(r.cpiY[i]));
    }
    const bool snapOn = SelectValue(angleSnap_, "angleSnapOn", r.angleSnapOn) != 0;
    SetSliderValue(snapSlider_, "angleSnapLevel", r.angleSnapLevel);
    snapSlider_->setEnabled(snapOn);
    angleTuneOn_ = r.angleTuneOn != 0;
    angleTuneLevel_ = r.angleTuneLevel;
    const bool lodOn = SelectValue(lod_, "liftOffOn", r.liftOffOn) != 0;
    SetSliderValue(lodSlider_, "liftOffLevel", r.liftOffLevel);
    lodSlider_->setEnabled(lodOn);
    SelectValue(polling_, "pollingRate", r.pollingRate);
    SelectValue(smoothing_, "smoothingOn", r.smoothingOn);
    SelectValue(surface_, "surfaceMode", r.surfaceMode);
    ApplyStepCount(count);
    UpdateCalibrate();
}

SensorSettings SensorPage::Shown() const {
    SensorSettings s;
    if (!steps_) return s;
    s.stepCount = static_cast<uint8_t>(std::clamp(steps_->currentId(), 1, 3));
    for (size_t i = 0; i < 3; ++i) {
        s.cpiX[i] = CpiFromText(cpiEdits_[i * 2]->text().toStdU16String());
        s.cpiY[i] = CpiFromText(cpiEdits_[i * 2 + 1]->text().toStdU16String());
    }
    s.angleSnapOn = angleSnap_->currentId() == 1;
    s.angleSnapLevel = static_cast<uint8_t>(snapSlider_->pos());
    s.angleTuneOn = angleTuneOn_;
    s.angleTuneLevel = angleTuneLevel_;
    s.liftOffOn = lod_->currentId() == 1;
    s.liftOffLevel = static_cast<uint8_t>(lodSlider_->pos());
    s.pollingRate = static_cast<uint16_t>(polling_->currentId());
    s.smoothingOn = smoothing_->currentId() == 1;
    s.surfaceMode = static_cast<uint8_t>(surface_->currentId());
    return s;
}

void SensorPage::StoreControls(ProfileRecord& record) {
    StoreSensorSettings(Shown(), record);
}

void SensorPage::TakeSnapshot(const ProfileRecord& record) {
    PageWindow::TakeSnapshot(record);
    if (built()) shownAtSnapshot_ = Shown();
}

bool SensorPage::HasChanges() {
    // Every field counts, the levels too: a level left changed by Cancel was saved by the next
    // Apply of any other page.
    return built() && !(Shown() == shownAtSnapshot_);
}

// ---- Apply and Calibrate ----------------------------------------------------------------------

DeviceExchange SensorPage::ApplyExchange() {
    return [](DeviceLink& link, const ProfileRecord& profile) {
        return WriteSensorExchange(link, profile);
    };
}

void SensorPage::AfterApplySaved() {
    // The button page offers as many CPI steps as the profile has.
    host().NotifyStepCountChanged(host().currentProfile().stepCount);
}

void SensorPage::Calibrate() {
    if (!built() || surface_->currentId() == 1 || calibrating_ || !applyButtonsEnabled()) return;
    calibrating_ = true;
    // Like a write: one exchange at a time on the worker, under the device lock, and no Apply
    // meanwhile.
    host().SetApplyButtonsEnabled(false);
    QPointer<SensorPage> self(this);
    PageHost* host = &this->host();
    host->PostExchange(
        [](DeviceLink& link, const ProfileRecord&) { return CalibrateExchange(link); },
        [self, host](ExchangeResult result) {
            if (self) self->calibrating_ = false;
            host->SetApplyButtonsEnabled(true);
            if (result == ExchangeResult::kOk)
                host->Popup(kPopupCalibrate);
            else
                host->ShowExchangeResult(result);
        });
}

void SensorPage::SetApplyButtonsEnabled(bool enabled) {
    PageWindow::SetApplyButtonsEnabled(enabled);
    UpdateCalibrate();
}

void SensorPage::UpdateCalibrate() {
    if (!calibrate_) return;
    calibrate_->setEnabled(surface_->currentId() != 1 && applyButtonsEnabled() && !calibrating_);
}

// ---- control notifications --------------------------------------------------------------------

void SensorPage::OnCommand(int code, int value) {
    // Drop-downs report the new value before they show it.
    switch (code) {
        case kIdSteps:
            ApplyStepCount(value);
            break;
        case kIdAngleSnap:
            ApplySwitch(snapSlider_, value == 1, kSnapOff);
            break;
        case kIdLod:
            ApplySwitch(lodSlider_, value == 1, kLodOff);
            break;
        case kIdSurfaceMode:
            calibrate_->setEnabled(value != 1 && applyButtonsEnabled() && !calibrating_);
            break;
        case kIdSnapSlider:
            snapBar_->SetText(QString::number(value));
            break;
        case kIdLodSlider:
            lodBar_->SetText(QString::number(value));
            break;
        default:
            break;
    }
}

void SensorPage::OnClicked(int controlId) {
    if (controlId == kIdCalibrate) return Calibrate();
    const int index = StepButtonIndex(controlId);
    if (index >= 0) PressStepButton(index);
}

void SensorPage::ApplySwitch(SkinSlider* slider, bool on, int offPosition) {
    if (!on) slider->SetPos(offPosition);
    slider->setEnabled(on);
}

void SensorPage::ApplyStepCount(int stepCount) {
    stepCount = std::clamp(stepCount, 1, 3);
    for (int step = 0; step < 3; ++step) {
        const bool on = step < stepCount;
        for (int i = 0; i < 2; ++i) {
            const int edit = step * 2 + i;
            ShowEditEnabled(cpiEdits_[static_cast<size_t>(edit)], family(), kEditNames[edit], on);
        }
        for (int i = 0; i < 4; ++i) stepButtons_[static_cast<size_t>(step * 4 + i)]->setEnabled(on);
    }
    for (SkinLabel* label : changeCpi_) label->SelectText(stepCount - 1);
}

void SensorPage::PressStepButton(int index) {
    const int step = index / 4;
    const bool yButton = (index / 2) % 2 == 1;
    const int delta = index % 2 == 1 ? -kCpiStep : kCpiStep;
    SkinLineEdit* x = cpiEdit(step, false);
    SkinLineEdit* y = cpiEdit(step, true);
    const CpiPair result =
        StepCpi({ShownCpi(x->text().toStdU16String()), ShownCpi(y->text().toStdU16String())},
                !yButton, delta);
    if (!yButton) x->setText(QString::number(result.x));
    y->setText(QString::number(result.y));
}

void SensorPage::NormaliseCpiEdits() {
    for (SkinLineEdit* edit : cpiEdits_) {
        if (!edit) continue;
        const CpiTextFix fix = NormaliseCpiText(edit->text().toStdU16String(), edit->hasFocus());
        if (!fix.changed) continue;
        edit->setText(QString::fromStdU16String(fix.text));
        if (fix.caretAfter4) edit->setCursorPosition(static_cast<int>(kCpiDigits));
    }
}

QString SensorPage::HelpText(int controlId) const {
    switch (controlId) {
        case kIdSteps:
            return LanguageText(58,
                                U("在这里选择CPI移动的阶数，范围是1-3，如果你只想要一种CPI，"
                                  "就选择1，反之，若需要3种不同的CPI以适应不同的使用范围或游戏，"
                                  "则选择3"));
        case kIdStep1X:
        case kIdStep1X + 1:
            return LanguageText(59, U(kCpiHelp));
        case kIdStep1X + 2:
        case kIdStep1X + 3:
            return LanguageText(60, U(kCpiHelp));
        case kIdStep1X + 4:
        case kIdStep1X + 5:
            return LanguageText(61, U(kCpiHelp));
        case kIdSnapSlider:
            return LanguageText(64,
                                U("滑动箭头以调整角度捕捉功能的程度，角度捕捉功能可以帮助在画直线时"
                                  "进行修正。角度捕捉越大，修正能力越强。"));
        case kIdLodSlider:
            return LanguageText(
                66,
                U("滑动箭头以调整光头感应距离。光头感应距离，即当鼠标垂直于表面多大距离时会停止工"
                  "作。数字越大，意味着光头感应距离越长。尽管内部设置相同，不同的表面也会有不同的光"
                  "头"
                  "感应距离。"));
        case kIdSmoothing:
            return LanguageText(68,
                                U("打开这个功能可以调整光标移动的平滑度，尤其是高速CPI的设置。若关"
                                  "掉功能，鼠标则将以实际手部运动的数据进行运作。"));
        case kIdSurfaceMode:
            return LanguageText(
                69,
                U("当选择“自动”功能时，鼠标会根据正在使用的表面自动校正到最佳设置。若选择“自定义”"
                  "功能时，如果用户没有右击“校准”，鼠标会使用默认设置。更多说明请先选择“手动”后，"
                  "將指针放置在“校准”上读取说明。"));
        case kIdCalibrate:
            return LanguageText(
                70,
                U("如果用户想要进行“校准”，需要将表面校正模式调到“手动”。此项功能可以使用户根据实际"
                  "表面调整鼠标内部最优化设置。整个过程大概只需1秒。如果换到另一个不同的表面使用，"
                  "需"
                  "要进行再一次的校准。"));
        default:
            return {};
    }
}

// ---- events -----------------------------------------------------------------------------------

void SensorPage::showEvent(QShowEvent* event) {
    PageWindow::showEvent(event);
    cpiTimer_.start();
}

void SensorPage::hideEvent(QHideEvent* event) {
    cpiTimer_.stop();
    PageWindow::hideEvent(event);
}

bool SensorPage::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        // Up and Down in a CPI edit work as the step buttons beside it.
        const auto* key = static_cast<QKeyEvent*>(event);
        const auto it = std::find(cpiEdits_.begin(), cpiEdits_.end(), watched);
        if (it != cpiEdits_.end() && (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down) &&
            key->modifiers() == Qt::NoModifier) {
            const int edit = static_cast<int>(it - cpiEdits_.begin());
            PressStepButton(edit * 2 + (key->key() == Qt::Key_Down ? 1 : 0));
            return true;
        }
    }
    return PageWindow::eventFilter(watched, event);
}

}  // namespace z7
