// The sensor page ("ADVANCED SETTINGS") on a fake main window and the simulated mouse: what
// Apply writes, what Cancel restores, the CPI edits and step buttons, the enabling rules, help
// texts, and Calibrate as an exchange of its own.
//
// Simulator headers come before Qt's: Qt's `slots` keyword macro would rename SimState::slots.
#include "sim/sim_factory.h"
#include "sim/sim_transport.h"

namespace z7 {
namespace {
uint16_t StoredU16(const SimState& state, int slot, size_t offset) {
    const DeviceImage& image = state.slots[static_cast<size_t>(slot)];
    return static_cast<uint16_t>(image[offset] | (image[offset + 1] << 8));
}
uint8_t StoredByte(const SimState& state, int slot, size_t offset) {
    return state.slots[static_cast<size_t>(slot)][offset];
}
}  // namespace
}  // namespace z7
// The main window fixture reads the simulator's slots before Qt comes in, too.
#include "gui/app/main_window_fixture.h"

#include <gtest/gtest.h>

#include <QTest>

#include "gui/pages/fake_page_host.h"
#include "gui/pages/sensor/sensor_page.h"
#include "gui/ui/skin_combo_button.h"
#include "gui/ui/title_tip.h"

namespace z7 {
namespace {

QString U(const char* text) {
    return QString::fromUtf8(text);
}

class SensorPageTest : public ::testing::Test {
  protected:
    void SetUp() override {
        clock.SetBlockingWaits(true);
        page = std::make_unique<SensorPage>(host, nullptr);
        host.pages.push_back(page.get());
        host.set.records()[2].inUse = 1;
        host.set.SetCurrent(2);
        page->LoadFromProfile(host.set.current());
    }
    void TearDown() override { page.reset(); }

    void Show() {
        page->Open();
        ASSERT_TRUE(page->built());
    }
    static void Choose(SkinComboButton* combo, int id) { combo->menu()->ChooseItem(id); }
    SkinLineEdit* Edit(int step, bool y) { return page->cpiEdit(step, y); }
    void Press(SkinButton* b) { QTest::mouseClick(b, Qt::LeftButton); }
    // Step button: 0 up, 1 down on X; 2 up, 3 down on Y.
    SkinButton* StepButton(int step, int which) { return page->stepButton(step * 4 + which); }

    VirtualClock clock;
    SimMouse mouse{clock, FactorySimState()};
    SimTransport transport{mouse};
    DeviceLink link{transport, clock};
    test::FakePageHost host;
    std::unique_ptr<SensorPage> page;
};

TEST_F(SensorPageTest, ControlsCarryTheirNamesTooltipsAndHelpTexts) {
    Show();
    const std::pair<QWidget*, const char*> names[] = {
        {page->steps(), "Steps"},
        {Edit(0, false), "Step 1 X"},
        {Edit(0, true), "Step 1 Y"},
        {Edit(2, true), "Step 3 Y"},
        {page->pollingRate(), "Polling Rate"},
        {page->angleSnap(), "Angle Snap"},
        {page->lod(), "LOD"},
        {page->smoothing(), "Smoothing"},
        {page->surfaceMode(), "Surface Calibrate"},
        {page->calibrateButton(), "Calibrate"},
        {page->angleSnapSlider(), "Angle Snap Level"},
        {page->lodSlider(), "LOD Level"},
        {page->applyButton(), "Apply"},
        {page->cancelButton(), "Cancel"},
        {page->defaultButton(), "Default"},
        {page->closeButton(), "Close"},
    };
    for (const auto& [control, name] : names) {
        ASSERT_NE(control, nullptr) << name;
        EXPECT_EQ(control->accessibleName(), U(name));
        EXPECT_TRUE(control->isVisible()) << name;
        EXPECT_NE(control->focusPolicy(), Qt::NoFocus) << name;
    }
    QStringList rates;
    for (int id : {1, 2, 4, 8}) rates << page->pollingRate()->menu()->FindItem(id)->text;
    EXPECT_EQ(rates, (QStringList{U("1000 Hz"), U("500 Hz"), U("250 Hz"), U("125 Hz")}));
    EXPECT_EQ(page->pollingRate()->toolTip(), U("此项数值决定着鼠标通过USB 传达数据的频率"));
    EXPECT_EQ(page->angleSnap()->toolTip(), U("打开或关闭角度捕捉节功能。"));
    EXPECT_EQ(page->lod()->toolTip(), U("打开或关闭提升距离的功能。"));
    EXPECT_TRUE(page->snapBar()->toolTip().startsWith(U("如果你想设置角度捕捉")));
    EXPECT_TRUE(page->lodBar()->toolTip().startsWith(U("设置提升距离功能")));
    EXPECT_TRUE(page->applyButton()->toolTip().isEmpty());
    // The balloon texts reach screen readers as descriptions.
    EXPECT_TRUE(Edit(1, false)->accessibleDescription().startsWith(U("你可以在这里提高或降低")));
    EXPECT_TRUE(page->calibrateButton()->accessibleDescription().startsWith(U("如果用户想要进行")));
}

TEST_F(SensorPageTest, ApplyStoresSavesAndWritesTheSensorBlockOfTheSlot) {
    Show();
    Edit(0, false)->setText(QStringLiteral("1200"));
    Edit(0, true)->setText(QStringLiteral("1100"));
    Choose(page->pollingRate(), 2);
    Choose(page->angleSnap(), 1);
    page->angleSnapSlider()->MoveByUser(5);
    Choose(page->lod(), 1);
    page->lodSlider()->MoveByUser(9);
    Choose(page->smoothing(), 1);
    EXPECT_TRUE(page->HasChanges());
    QTest::mouseClick(page->applyButton(), Qt::LeftButton);

    ASSERT_EQ(host.saved.size(), 1u);
    const ProfileRecord& saved = host.saved[0];
    EXPECT_EQ(saved.cpiX[0], 1200);
    EXPECT_EQ(saved.cpiY[0], 1100);
    EXPECT_EQ(saved.xyLinked[0], 0u);
    EXPECT_EQ(saved.pollingRate, 2);
    EXPECT_EQ(saved.angleSnapLevel, 5);
    EXPECT_EQ(saved.liftOffLevel, 9);
    EXPECT_EQ(host.stepCounts, std::vector<int>{3});  // the button page hears the step count
    EXPECT_FALSE(page->HasChanges());
    EXPECT_FALSE(page->applyButton()->isEnabled());
    ASSERT_EQ(host.posted.size(), 1u);
    host.RunPosted(link);

    const SimState state = mouse.state();
    EXPECT_EQ(state.activeSlot, 2);
    EXPECT_EQ(StoredU16(state, 2, kOffsetStep[0] + kStepCpiX), 1200);
    EXPECT_EQ(StoredU16(state, 2, kOffsetStep[0] + kStepCpiY), 1100);
    EXPECT_EQ(StoredByte(state, 2, kOffsetPollingRate), 2);
    EXPECT_EQ(StoredByte(state, 2, kOffsetLiftOffOn), 1);
    EXPECT_EQ(StoredByte(state, 2, kOffsetLiftOffLevel), 9);
    EXPECT_EQ(StoredU16(state, 2, kOffsetAngleSnapLevel), 5);
    EXPECT_EQ(StoredByte(state, 2, kOffsetSmoothingOn), 1);
    EXPECT_EQ(host.notices, std::vector<DeviceNotice>{DeviceNotice::kNone});
    EXPECT_TRUE(page->applyButton()->isEnabled());
}

TEST_F(SensorPageTest, ATypedValueAboveTheMaximumNeverReachesTheMouse) {
    Show();
    // Applied before the edit timer's next tick.
    Edit(1, false)->setText(QStringLiteral("9999"));
    page->Apply();
    EXPECT_EQ(host.saved.at(0).cpiX[1], 8200);
    host.RunPosted(link);
    EXPECT_EQ(StoredU16(mouse.state(), 2, kOffsetStep[1] + kStepCpiX), 8200);
}

TEST_F(SensorPageTest, OneStepLeavesTheOtherStepsOfTheProfileAlone) {
    ProfileRecord r = host.set.current();
    r.cpiX = {400, 900, 1700};
    r.cpiY = {400, 950, 1750};
    host.set.current() = r;
    page->LoadFromProfile(r);
    Show();
    Choose(page->steps(), 1);
    for (int step = 1; step < 3; ++step) {
        EXPECT_FALSE(Edit(step, false)->isEnabled());
        EXPECT_FALSE(Edit(step, true)->isEnabled());
        for (int b = 0; b < 4; ++b) EXPECT_FALSE(StepButton(step, b)->isEnabled());
    }
    EXPECT_TRUE(Edit(0, true)->isEnabled());
    EXPECT_EQ(page->changeCpi(1)->Text(), U("仅阶段 1"));
    Edit(2, false)->setText(QStringLiteral("5000"));  // not reachable by the user; not stored
    page->Apply();
    const ProfileRecord& saved = host.saved.at(0);
    EXPECT_EQ(saved.stepCount, 1);
    EXPECT_EQ(saved.currentStep, 1);
    EXPECT_EQ(saved.cpiX, (std::array<int16_t, 3>{400, 900, 1700}));
    EXPECT_EQ(saved.cpiY, (std::array<int16_t, 3>{400, 950, 1750}));
    EXPECT_EQ(host.stepCounts, std::vector<int>{1});

    Choose(page->steps(), 2);
    EXPECT_TRUE(Edit(1, false)->isEnabled());
    EXPECT_FALSE(Edit(2, false)->isEnabled());
    EXPECT_EQ(page->changeCpi(0)->Text(), U("已启用 2 个阶段"));
}

TEST_F(SensorPageTest, CancelComparesAndRestoresEveryField) {
    ProfileRecord r = host.set.current();
    r.angleSnapOn = 1;
    r.angleSnapLevel = 4;
    r.angleTuneOn = 1;
    r.angleTuneLevel = 7;
    host.set.current() = r;
    page->LoadFromProfile(r);
    Show();
    // Only the angle snap level moves: that is a change, and "NO" takes it back.
    page->angleSnapSlider()->MoveByUser(12);
    EXPECT_EQ(page->snapBar()->Text(), QStringLiteral("12"));
    EXPECT_TRUE(page->HasChanges());
    host.popupAnswer = kPopupNo;
    QTest::mouseClick(page->cancelButton(), Qt::LeftButton);
    EXPECT_EQ(host.popups, std::vector<int>{kPopupDataChanged});
    EXPECT_FALSE(page->isVisible());
    EXPECT_EQ(page->angleSnapSlider()->pos(), 4);
    EXPECT_EQ(page->snapBar()->Text(), QStringLiteral("4"));
    // Another page's Apply stores every page: the discarded level must not come back.
    host.StorePagesAndSave();
    EXPECT_EQ(host.saved.back().angleSnapLevel, 4);
    EXPECT_EQ(host.saved.back().angleTuneOn, 1u);
    EXPECT_EQ(host.saved.back().angleTuneLevel, 7);

    // Every kind of control, changed and restored.
    page->Open();
    Choose(page->steps(), 2);
    Edit(0, true)->setText(QStringLiteral("3000"));
    Choose(page->angleSnap(), 0);
    Choose(page->lod(), 1);
    page->lodSlider()->MoveByUser(2);
    Choose(page->pollingRate(), 8);
    Choose(page->smoothing(), 1);
    Choose(page->surfaceMode(), 2);
    QTest::mouseClick(page->closeButton(), Qt::LeftButton);
    EXPECT_EQ(host.popups.size(), 2u);
    EXPECT_EQ(page->Shown(), SensorSettingsOf(r));
    EXPECT_TRUE(Edit(2, false)->isEnabled());  // three steps again
    EXPECT_TRUE(page->angleSnapSlider()->isEnabled());
    EXPECT_FALSE(page->lodSlider()->isEnabled());
    EXPECT_FALSE(page->calibrateButton()->isEnabled());
    EXPECT_EQ(host.saved.size(), 1u);
    EXPECT_TRUE(host.posted.empty());
}

TEST_F(SensorPageTest, SwitchesMoveTheirSlidersAndKeepTheEnablingRules) {
    Show();
    EXPECT_FALSE(page->angleSnapSlider()->isEnabled());
    EXPECT_FALSE(page->lodSlider()->isEnabled());
    EXPECT_FALSE(page->calibrateButton()->isEnabled());
    Choose(page->angleSnap(), 1);
    Choose(page->lod(), 1);
    EXPECT_TRUE(page->angleSnapSlider()->isEnabled());
    EXPECT_TRUE(page->lodSlider()->isEnabled());
    page->angleSnapSlider()->MoveByUser(9);
    page->lodSlider()->MoveByUser(2);
    Choose(page->angleSnap(), 0);
    Choose(page->lod(), 0);
    EXPECT_EQ(page->angleSnapSlider()->pos(), 0);
    EXPECT_EQ(page->lodSlider()->pos(), 6);
    EXPECT_EQ(page->lodBar()->Text(), QStringLiteral("6"));
    EXPECT_FALSE(page->angleSnapSlider()->isEnabled());
    EXPECT_FALSE(page->lodSlider()->isEnabled());
    Choose(page->surfaceMode(), 2);
    EXPECT_TRUE(page->calibrateButton()->isEnabled());
    Choose(page->surfaceMode(), 1);
    EXPECT_FALSE(page->calibrateButton()->isEnabled());
}

TEST_F(SensorPageTest, TheEditTimerCorrectsTypedTextAndTheStepButtonsStepFromIt) {
    Show();
    page->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(page.get()));
    SkinLineEdit* x = Edit(0, false);
    SkinLineEdit* y = Edit(0, true);
    x->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(x->hasFocus());
    x->clear();
    QTest::keyClicks(x, QStringLiteral("007"));
    page->NormaliseCpiEdits();
    EXPECT_EQ(x->text(), QStringLiteral("7"));
    page->NormaliseCpiEdits();
    EXPECT_EQ(x->text(), QStringLiteral("7"));  // still being typed
    y->setFocus(Qt::TabFocusReason);
    page->NormaliseCpiEdits();
    EXPECT_EQ(x->text(), QStringLiteral("50"));

    y->clear();
    QTest::keyClicks(y, QStringLiteral("12345"));
    page->NormaliseCpiEdits();
    EXPECT_EQ(y->text(), QStringLiteral("2345"));
    EXPECT_EQ(y->cursorPosition(), 4);
    QTest::keyClicks(y, QStringLiteral("a-"));  // digits only
    EXPECT_EQ(y->text(), QStringLiteral("2345"));

    // X buttons move both edits of the step, Y buttons only Y, within 50..8200.
    x->setText(QStringLiteral("8180"));
    Press(StepButton(0, 0));
    EXPECT_EQ(x->text(), QStringLiteral("8200"));
    EXPECT_EQ(y->text(), QStringLiteral("8200"));
    Press(StepButton(0, 0));
    EXPECT_EQ(x->text(), QStringLiteral("8200"));
    y->setText(QStringLiteral("30"));
    Press(StepButton(0, 3));
    EXPECT_EQ(y->text(), QStringLiteral("50"));
    EXPECT_EQ(x->text(), QStringLiteral("8200"));
    Edit(2, true)->setText(QStringLiteral("1234"));
    Press(StepButton(2, 2));
    EXPECT_EQ(Edit(2, true)->text(), QStringLiteral("1284"));
    // The arrow keys in an edit do what its buttons do.
    QTest::keyClick(Edit(2, true), Qt::Key_Down);
    EXPECT_EQ(Edit(2, true)->text(), QStringLiteral("1234"));
    QTest::keyClick(Edit(2, false), Qt::Key_Up);
    EXPECT_EQ(Edit(2, false)->text(), QStringLiteral("1650"));
    EXPECT_EQ(Edit(2, true)->text(), QStringLiteral("1650"));

    // The timer runs only while the page shows.
    EXPECT_TRUE(page->cpiTimer()->isActive());
    page->hide();
    EXPECT_FALSE(page->cpiTimer()->isActive());
}

TEST_F(SensorPageTest, CalibrateIsAnExchangeOfItsOwnAndSaysHowItWent) {
    Show();
    ProfileRecord manual = host.set.current();
    manual.surfaceMode = 2;
    page->LoadFromProfile(manual);
    ASSERT_TRUE(page->calibrateButton()->isEnabled());

    // While a write runs Calibrate waits.
    host.SetApplyButtonsEnabled(false);
    EXPECT_FALSE(page->calibrateButton()->isEnabled());
    page->Calibrate();
    EXPECT_TRUE(host.posted.empty());
    host.SetApplyButtonsEnabled(true);
    EXPECT_TRUE(page->calibrateButton()->isEnabled());

    Press(page->calibrateButton());
    ASSERT_EQ(host.posted.size(), 1u);
    EXPECT_TRUE(page->calibrating());
    EXPECT_FALSE(page->calibrateButton()->isEnabled());
    EXPECT_FALSE(page->applyButton()->isEnabled());  // no Apply to race it
    EXPECT_EQ(mouse.state().calibrations, 0u);       // nothing on this thread
    host.RunPosted(link);
    EXPECT_EQ(mouse.state().calibrations, 1u);
    EXPECT_EQ(host.popups, std::vector<int>{kPopupCalibrate});
    EXPECT_TRUE(page->calibrateButton()->isEnabled());
    EXPECT_TRUE(page->applyButton()->isEnabled());

    // A failure is said, not swallowed.
    mouse.Update([](SimState& s) { s.faults.transportErrors = 1000; });
    Press(page->calibrateButton());
    host.RunPosted(link);
    ASSERT_EQ(host.notices.size(), 1u);
    EXPECT_EQ(host.notices.back(), DeviceNotice::kFailed);
    mouse.Update([](SimState& s) { s.faults.transportErrors = 0; });
    mouse.Unplug();
    Press(page->calibrateButton());
    host.RunPosted(link);
    ASSERT_EQ(host.notices.size(), 2u);
    EXPECT_EQ(host.notices.back(), DeviceNotice::kNoDevice);
    EXPECT_EQ(host.popups.size(), 1u);
    EXPECT_TRUE(host.saved.empty());  // calibrating saves nothing
}

TEST_F(SensorPageTest, DisabledControlsStillExplainThemselves) {
    Show();
    ASSERT_FALSE(page->calibrateButton()->isEnabled());
    auto* tip = page->findChild<TitleTip*>();
    ASSERT_NE(tip, nullptr);
    // The pointer moves over the disabled controls, through the window system.
    const auto moveOnto = [this](QWidget* w) {
        QTest::mouseMove(page.get(), w->geometry().center());
        QApplication::processEvents();
    };
    QTest::mouseMove(page.get(), QPoint(8, 440));  // into the window first
    moveOnto(page->calibrateButton());
    EXPECT_TRUE(tip->text().startsWith(U("如果用户想要进行"))) << tip->text().toStdString();
    tip->Hide();
    moveOnto(page->lodSlider());
    EXPECT_TRUE(tip->text().startsWith(U("滑动箭头以调整光头感应距离")));
    tip->Hide();
    moveOnto(page->steps());
    EXPECT_TRUE(tip->text().startsWith(U("在这里选择CPI移动的阶数")));
}

TEST_F(SensorPageTest, DefaultResetsOnlyTheSensorSettingsAndApplies) {
    ProfileRecord r = host.set.current();
    r.pollingRate = 8;
    r.cpiX = {100, 200, 300};
    r.pointerSpeed = 9;
    host.set.current() = r;
    page->LoadFromProfile(r);
    Show();
    host.popupAnswer = kPopupYes;
    QTest::mouseClick(page->defaultButton(), Qt::LeftButton);
    EXPECT_EQ(host.popups, std::vector<int>{kPopupAdvancedDefault});
    ASSERT_EQ(host.saved.size(), 1u);
    EXPECT_EQ(SensorSettingsOf(host.saved[0]), SensorSettingsOf(CreateProfileRecord()));
    EXPECT_EQ(host.saved[0].pointerSpeed, 9);
    EXPECT_EQ(host.posted.size(), 1u);
}

// The real main window and its device worker.
using SensorOnMainWindow = test::MainWindowTest;

TEST_F(SensorOnMainWindow, CalibrateAndApplyRunOnTheDeviceWorker) {
    Open();
    auto* page = static_cast<SensorPage*>(dlg->page(PageId::kSensor));
    dlg->OpenPage(PageId::kSensor);
    page->surfaceMode()->menu()->ChooseItem(2);
    QTest::mouseClick(page->calibrateButton(), Qt::LeftButton);
    EXPECT_FALSE(dlg->button(kIdSave)->isEnabled());  // the main window's writes wait too
    dlg->WaitForDeviceWork();
    EXPECT_EQ(mouse.state().calibrations, 1u);
    ASSERT_EQ(popups.size(), 1u);
    EXPECT_EQ(popups[0].first, kPopupCalibrate);
    EXPECT_TRUE(dlg->button(kIdSave)->isEnabled());
    EXPECT_TRUE(page->calibrateButton()->isEnabled());

    page->cpiEdit(0, false)->setText(QStringLiteral("1200"));
    page->pollingRate()->menu()->ChooseItem(2);
    QTest::mouseClick(page->applyButton(), Qt::LeftButton);
    dlg->WaitForDeviceWork();
    const SimState state = mouse.state();
    EXPECT_EQ(StoredU16(state, 0, kOffsetStep[0] + kStepCpiX), 1200);
    EXPECT_EQ(StoredByte(state, 0, kOffsetPollingRate), 2);
    EXPECT_EQ(StoredByte(state, 0, kOffsetSurfaceMode), 2);
    EXPECT_EQ(ReloadFromDisk()[0].cpiX[0], 1200);
    EXPECT_EQ(popups.size(), 1u);
    EXPECT_TRUE(messages.empty());
}

}  // namespace
}  // namespace z7
