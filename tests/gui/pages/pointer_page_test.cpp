// The pointer page ("BASIC SETTINGS") on a fake main window with the recording pointer system:
// live changes, the lines edit, Apply's order and flags, Close and Cancel, Default, settings a
// desktop cannot apply, and the program's own double-click interval.
//
// Simulator headers come before Qt's: Qt's `slots` keyword macro would rename SimState::slots.
#include "sim/sim_factory.h"
#include "sim/sim_transport.h"
// The main window fixture reads the simulator's slots before Qt comes in, too.
#include "gui/app/main_window_fixture.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QStyleHints>
#include <QTest>

#include "gui/pages/fake_page_host.h"
#include "gui/pages/pointer/pointer_page.h"
#include "gui/ui/skin_combo_button.h"
#include "platform/fake/recording_pointer_system.h"

namespace z7 {
namespace {

using Calls = std::vector<std::string>;

QString U(const char* text) {
    return QString::fromUtf8(text);
}

int ProgramDoubleClickMs() {
    return QGuiApplication::styleHints()->mouseDoubleClickInterval();
}

class PointerPageTest : public ::testing::Test {
  protected:
    void SetUp() override {
        host.pointer = &system;
        host.set.records()[1].inUse = 1;
        host.set.SetCurrent(1);
    }
    void TearDown() override { page.reset(); }

    // The page as the main window makes it; `build` first shows it.
    void Make(bool load = true) {
        page = std::make_unique<PointerPage>(host, nullptr);
        host.pages.push_back(page.get());
        if (load) page->LoadFromProfile(host.set.current());
    }
    void Show() {
        page->Open();
        ASSERT_TRUE(page->built());
    }
    static void Choose(SkinComboButton* combo, int id) { combo->menu()->ChooseItem(id); }
    static void Click(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton); }
    Calls TakeCalls() {
        Calls calls;
        calls.swap(system.calls);
        return calls;
    }

    RecordingPointerSystem system;
    // Apply's exchange never talks to the mouse; the worker hands it a link all the same.
    VirtualClock clock;
    SimMouse mouse{clock, FactorySimState()};
    SimTransport transport{mouse};
    DeviceLink link{transport, clock};
    test::FakePageHost host;
    std::unique_ptr<PointerPage> page;
};

TEST_F(PointerPageTest, BuildingAndLoadingThePageChangeNothingOnTheDesktop) {
    // Built before any profile was loaded: the sliders' first positions are not the user's.
    Make(false);
    Show();
    EXPECT_TRUE(system.calls.empty());
    ProfileRecord r = host.set.current();
    r.pointerSpeed = 11;
    r.doubleClickSpeed = 8;
    page->LoadFromProfile(r);
    EXPECT_TRUE(system.calls.empty());  // the main window makes a load take effect
    EXPECT_EQ(page->pointerSpeed()->pos(), 11);
    EXPECT_FALSE(page->HasChanges());

    // What it does: the profile's speed and double-click time, once per slot and values.
    page->FollowProfile(r);
    EXPECT_EQ(TakeCalls(), (Calls{"speed 20", "doubleclick 500"}));
    EXPECT_EQ(ProgramDoubleClickMs(), 500);
    page->FollowProfile(r);
    EXPECT_TRUE(system.calls.empty());
    r.profileSlot = 3;
    page->FollowProfile(r);
    EXPECT_EQ(TakeCalls(), (Calls{"speed 20", "doubleclick 500"}));
}

TEST_F(PointerPageTest, ControlsCarryTheirNamesAndTooltips) {
    Make();
    Show();
    const std::pair<QWidget*, const char*> names[] = {
        {page->pointerSpeed(), "Pointer Speed"},
        {page->acceleration(), "Acceleration"},
        {page->snapToDefault(), "Auto Move cursor to default button"},
        {page->wheelLines(), "x"},
        {page->lines(), "Scroll Lines"},
        {page->linesUp(), "Up"},
        {page->linesDown(), "Down"},
        {page->wheelPage(), "Page"},
        {page->doubleClickSpeed(), "Double-click Speed"},
        {page->trails(), "Pointer trails"},
        {page->sonar(), "Show Ctrl"},
        {page->doubleClickTest(), "Double click Test"},
    };
    for (const auto& [control, name] : names) {
        ASSERT_NE(control, nullptr) << name;
        EXPECT_EQ(control->accessibleName(), U(name));
        EXPECT_TRUE(control->isVisible()) << name;
        EXPECT_NE(control->focusPolicy(), Qt::NoFocus) << name;
    }
    EXPECT_EQ(page->acceleration()->toolTip(), U("选择开启或关闭“鼠标加速”的功能"));
    EXPECT_EQ(page->trails()->toolTip(), U("勾选后，移动鼠标时将会出现光标轨迹"));
    EXPECT_EQ(page->doubleClickTest()->toolTip(),
              U("把指针定在Q上可测试双击的速度，如果不合适，可以在画面左继续调整速度"));
    QStringList levels;
    for (int id : {0, 1, 3, 6}) levels << page->acceleration()->menu()->FindItem(id)->text;
    EXPECT_EQ(levels, (QStringList{U("关闭"), U("低"), U("中"), U("高")}));
}

TEST_F(PointerPageTest, ChangesTakeEffectAtOnceForTheSessionOnly) {
    Make();
    Show();
    page->pointerSpeed()->MoveByUser(11);
    Choose(page->acceleration(), 3);
    Choose(page->snapToDefault(), 1);
    page->doubleClickSpeed()->MoveByUser(11);
    EXPECT_EQ(ProgramDoubleClickMs(), 200);
    Click(page->trails());
    Click(page->sonar());
    EXPECT_EQ(TakeCalls(), (Calls{"speed 20", "accel 6,10,1", "snap 1", "doubleclick 200",
                                  "trails 3", "sonar 1"}));

    // The two wheel options exclude each other; lines come from the edit.
    ASSERT_TRUE(page->wheelLines()->checked());
    page->lines()->setText(QStringLiteral("7"));
    Click(page->wheelPage());
    EXPECT_FALSE(page->wheelLines()->checked());
    EXPECT_FALSE(page->lines()->isEnabled());
    EXPECT_FALSE(page->linesUp()->isEnabled());
    Click(page->wheelLines());
    EXPECT_FALSE(page->wheelPage()->checked());
    EXPECT_TRUE(page->lines()->isEnabled());
    Click(page->wheelLines());  // unchecked: nothing applied, edit off
    EXPECT_FALSE(page->linesDown()->isEnabled());
    Click(page->wheelPage());
    Click(page->wheelPage());  // unchecking "Page" applies nothing
    EXPECT_EQ(TakeCalls(), (Calls{"wheel 4294967295", "wheel 7", "wheel 4294967295"}));
}

TEST_F(PointerPageTest, TheLinesEditAndItsArrowsStayWithinOneToAHundred) {
    Make();
    Show();
    SkinLineEdit* lines = page->lines();
    lines->setText(QStringLiteral("250"));
    page->NormaliseLinesEdit();
    EXPECT_EQ(lines->text(), QStringLiteral("100"));
    Click(page->linesUp());
    EXPECT_EQ(lines->text(), QStringLiteral("100"));
    lines->setText(QStringLiteral("1"));
    Click(page->linesDown());
    EXPECT_EQ(lines->text(), QStringLiteral("1"));
    Click(page->linesUp());
    EXPECT_EQ(lines->text(), QStringLiteral("2"));
    QTest::keyClicks(lines, QStringLiteral("x"));
    EXPECT_EQ(lines->text(), QStringLiteral("2"));  // digits only

    // 0 applies one line; the edit says so once the focus has left it.
    lines->setText(QStringLiteral("0"));
    page->Apply();
    EXPECT_EQ(host.saved.at(0).scrollLines, 1);
    host.RunPosted(link);
    EXPECT_EQ(TakeCalls().back(), "wheel 1 saved");
    page->NormaliseLinesEdit();
    EXPECT_EQ(lines->text(), QStringLiteral("1"));
    EXPECT_TRUE(page->linesTimer()->isActive());
    page->hide();
    EXPECT_FALSE(page->linesTimer()->isActive());
}

TEST_F(PointerPageTest, ApplySavesThenAppliesEverySettingInOrderOnTheWorker) {
    Make();
    Show();
    page->pointerSpeed()->MoveByUser(3);
    Choose(page->acceleration(), 6);
    page->lines()->setText(QStringLiteral("250"));  // applied before the timer's tick
    TakeCalls();
    Click(page->applyButton());
    ASSERT_EQ(host.saved.size(), 1u);
    EXPECT_EQ(host.saved[0].pointerSpeed, 3);
    EXPECT_EQ(host.saved[0].pointerAcceleration, 6);
    EXPECT_EQ(host.saved[0].scrollLines, 100);
    EXPECT_TRUE(system.calls.empty());  // nothing on this thread
    EXPECT_FALSE(page->applyButton()->isEnabled());
    host.RunPosted(link);
    EXPECT_EQ(TakeCalls(), (Calls{"speed 5", "accel 4,6,2 saved", "snap 0", "doubleclick 700",
                                  "trails 0", "sonar 0", "wheel 100 saved"}));
    EXPECT_TRUE(page->applyButton()->isEnabled());
    EXPECT_FALSE(page->HasChanges());

    // Neither wheel option: the desktop's wheel setting stays as it is.
    Click(page->wheelLines());
    page->Apply();
    host.RunPosted(link);
    EXPECT_EQ(TakeCalls().size(), 6u);
}

TEST_F(PointerPageTest, NoToDataChangedPutsTheSnapshotBackAndSavesNothing) {
    ProfileRecord r = host.set.current();
    r.pointerSpeed = 4;
    r.pointerTrails = 1;
    host.set.current() = r;
    Make();
    Show();
    host.popupAnswer = kPopupNo;
    for (Furniture how : {Furniture::kClose, Furniture::kCancel}) {
        page->Open();
        page->pointerSpeed()->MoveByUser(10);
        Click(page->trails());
        Choose(page->snapToDefault(), 1);
        TakeCalls();
        Click(page->furniture(how));
        EXPECT_FALSE(page->isVisible());
        EXPECT_EQ(page->pointerSpeed()->pos(), 4);
        EXPECT_TRUE(page->trails()->checked());
        EXPECT_EQ(page->snapToDefault()->currentId(), 0);
        // "No" must not save what the user declined, nor write it anywhere.
        EXPECT_TRUE(host.saved.empty());
        EXPECT_TRUE(host.posted.empty());
        EXPECT_EQ(TakeCalls(), (Calls{"speed 7", "accel 0,0,0 saved", "snap 0", "doubleclick 700",
                                      "trails 3", "sonar 0", "wheel 3 saved"}));
    }
    EXPECT_EQ(host.popups, (std::vector<int>{kPopupDataChanged, kPopupDataChanged}));

    // An unchanged page closes without a question or a change.
    page->Open();
    Click(page->closeButton());
    EXPECT_EQ(host.popups.size(), 2u);
    EXPECT_TRUE(system.calls.empty());
}

TEST_F(PointerPageTest, DefaultLoadsTheFactoryValuesAndApplies) {
    ProfileRecord r = host.set.current();
    r.pointerSpeed = 2;
    r.scrollByLines = 0;
    r.scrollByPage = 1;
    r.lightBrightness = 2;
    host.set.current() = r;
    Make();
    Show();
    host.popupAnswer = kPopupYes;
    Click(page->defaultButton());
    EXPECT_EQ(host.popups, std::vector<int>{kPopupBasicDefault});
    ASSERT_EQ(host.saved.size(), 1u);
    EXPECT_EQ(host.saved[0].pointerSpeed, 6);
    EXPECT_EQ(host.saved[0].scrollByLines, 1u);
    EXPECT_EQ(host.saved[0].scrollByPage, 0u);
    EXPECT_EQ(host.saved[0].lightBrightness, 2);
    host.RunPosted(link);
    EXPECT_EQ(TakeCalls().back(), "wheel 3 saved");
}

TEST_F(PointerPageTest, SettingsTheDesktopCannotApplyAreKeptAndSaySo) {
    const std::u16string_view why = u"此桌面没有指针轨迹设置，此项只保存在配置文件中";
    system.support[PointerSetting::Trails] = {false, why};
    system.support[PointerSetting::WheelScroll] = {false, why};
    system.support[PointerSetting::Acceleration] = {true, u"只有开和关"};
    ProfileRecord r = host.set.current();
    r.pointerTrails = 1;
    r.scrollLines = 9;
    host.set.current() = r;
    Make();
    Show();
    EXPECT_FALSE(page->trails()->isEnabled());
    EXPECT_EQ(page->trails()->toolTip(), QString::fromStdU16String(std::u16string(why)));
    EXPECT_EQ(page->trails()->accessibleDescription(), page->trails()->toolTip());
    for (QWidget* w : std::initializer_list<QWidget*>{page->wheelLines(), page->wheelPage(),
                                                      page->lines(), page->linesUp()})
        EXPECT_FALSE(w->isEnabled()) << w->accessibleName().toStdString();
    EXPECT_TRUE(page->acceleration()->isEnabled());
    EXPECT_EQ(page->acceleration()->toolTip(), U("选择开启或关闭“鼠标加速”的功能\n只有开和关"));
    EXPECT_TRUE(page->sonar()->isEnabled());
    // Still stored per profile.
    page->Apply();
    EXPECT_EQ(host.saved.at(0).pointerTrails, 1u);
    EXPECT_EQ(host.saved.at(0).scrollLines, 9);
}

TEST_F(PointerPageTest, TheTestAreaUsesTheProfilesDoubleClickTime) {
    ProfileRecord r = host.set.current();
    r.doubleClickSpeed = 1;
    host.set.current() = r;
    Make();
    page->FollowProfile(r);
    EXPECT_EQ(ProgramDoubleClickMs(), 1200);
    Show();
    DoubleClickTestArea* test = page->doubleClickTest();
    QTest::mouseDClick(test, Qt::LeftButton);
    EXPECT_EQ(test->pictureState(), 2);
    QTest::mouseDClick(test, Qt::LeftButton);
    EXPECT_EQ(test->pictureState(), 0);
    page->doubleClickSpeed()->MoveByUser(6);
    EXPECT_EQ(ProgramDoubleClickMs(), 700);
}

// The real main window: the desktop follows the profile from the start, before the page was
// ever shown, and a refresh of the same profile leaves it alone.
class PointerOnMainWindow : public test::MainWindowTest {
  protected:
    RecordingPointerSystem recording;
};

TEST_F(PointerOnMainWindow, TheDesktopFollowsEveryProfileLoadWithoutThePage) {
    pointerSystem = &recording;
    Open();
    PageWindow* page = dlg->page(PageId::kPointer);
    EXPECT_FALSE(page->built());
    // The factory profile of slot 0: speed 10, 700 ms; never the page's own first positions.
    EXPECT_EQ(recording.calls, (Calls{"speed 10", "doubleclick 700"}));
    recording.calls.clear();

    dlg->profiles()[1].pointerSpeed = 11;
    dlg->profiles()[1].doubleClickSpeed = 8;
    dlg->OnProfileChoice(1);
    EXPECT_EQ(recording.calls, (Calls{"speed 20", "doubleclick 500"}));
    EXPECT_EQ(ProgramDoubleClickMs(), 500);
    recording.calls.clear();
    // A refresh, as after a replug, of the same profile.
    dlg->RefreshFromDevice();
    dlg->WaitForDeviceWork();
    EXPECT_EQ(dlg->profiles().currentSlot(), 0);  // the mouse's active slot
    EXPECT_EQ(recording.calls, (Calls{"speed 10", "doubleclick 700"}));
    recording.calls.clear();
    dlg->RefreshFromDevice();
    dlg->WaitForDeviceWork();
    EXPECT_TRUE(recording.calls.empty());
    EXPECT_FALSE(page->built());
}

}  // namespace
}  // namespace z7
