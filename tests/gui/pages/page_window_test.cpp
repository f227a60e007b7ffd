// The editing pattern every page gets from the base, on a small page with two controls, a fake
// main window and the simulated mouse: Apply, Cancel and Close, Default, Esc, the furniture,
// and values a control does not offer.
//
// Simulator headers come before Qt's: Qt's `slots` keyword macro would rename SimState::slots.
#include "sim/sim_factory.h"
#include "sim/sim_transport.h"

namespace z7 {
namespace {
uint8_t StoredPollingRate(const SimState& state, int slot) {
    return state.slots[static_cast<size_t>(slot)][kOffsetPollingRate];
}
bool SlotUntouched(const SimState& state, int slot) {
    return state.slots[static_cast<size_t>(slot)] == state.factory[static_cast<size_t>(slot)];
}
}  // namespace
}  // namespace z7

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "gui/pages/fake_page_host.h"
#include "gui/pages/support/support_page.h"
#include "gui/ui/skin_combo_button.h"
#include "gui/ui/skin_layout.h"

namespace z7 {
namespace {

QString U(const char* text) {
    return QString::fromUtf8(text);
}

// The smallest page: the polling rate as a drop-down and the lift-off level as a slider, on the
// sensor page's sheet, writing the sensor block.
class TrialPage : public PageWindow {
  public:
    explicit TrialPage(PageHost& host) : PageWindow(PageId::kSensor, 71, host, nullptr) {}
    SkinComboButton* polling = nullptr;
    SkinSlider* lod = nullptr;
    int builds = 0;
    std::vector<int> loadedRates;

  protected:
    void BuildControls() override {
        ++builds;
        polling =
            AddComboButton("Polling Rate", 1079, U("此项数值决定着鼠标通过USB 传达数据的频率"));
        polling->AddItem(1, U("1000 Hz"));
        polling->AddItem(2, U("500 Hz"));
        polling->AddItem(4, U("250 Hz"));
        polling->AddItem(8, U("125 Hz"));
        lod = AddSlider("LOD Slider", 1076);
        lod->SetRange(1, 11);
    }
    void LoadControls(const ProfileRecord& r) override {
        loadedRates.push_back(r.pollingRate);
        SelectValue(polling, "pollingRate", r.pollingRate);
        SetSliderValue(lod, "liftOffLevel", r.liftOffLevel);
    }
    void StoreControls(ProfileRecord& r) override {
        r.pollingRate = static_cast<uint16_t>(polling->currentId());
        r.liftOffLevel = static_cast<uint8_t>(lod->pos());
    }
    DeviceExchange ApplyExchange() override {
        return [](DeviceLink& link, const ProfileRecord& profile) {
            return WriteSensorExchange(link, profile);
        };
    }
    int DefaultPopupKind() const override { return kPopupAdvancedDefault; }
};

class PageWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        clock.SetBlockingWaits(true);
        page = std::make_unique<TrialPage>(host);
        host.pages.push_back(page.get());
        host.set.records()[1].inUse = 1;
        host.set.records()[3].inUse = 1;
        host.set.SetCurrent(1);
        host.set.current().pollingRate = 2;
        page->LoadFromProfile(host.set.current());
    }
    void TearDown() override { page.reset(); }

    void Show() {
        page->Open();
        ASSERT_TRUE(page->built());
    }
    // A user's choice in the drop-down.
    void ChooseRate(int rate) { page->polling->menu()->ChooseItem(rate); }

    VirtualClock clock;
    SimMouse mouse{clock, FactorySimState()};
    SimTransport transport{mouse};
    DeviceLink link{transport, clock};
    test::FakePageHost host;
    std::unique_ptr<TrialPage> page;
};

TEST_F(PageWindowTest, BuildsOnFirstShowWithTheLastProfileItWasGiven) {
    EXPECT_FALSE(page->built());
    EXPECT_EQ(page->size(), QSize(760, 520));  // sized before any picture is decoded
    ProfileRecord b = host.set.current();
    b.pollingRate = 8;
    page->LoadFromProfile(b);
    ProfileRecord target = host.set.current();
    page->StoreIntoProfile(target);  // nothing built, nothing changed
    EXPECT_EQ(target.pollingRate, 2);
    EXPECT_FALSE(page->HasChanges());
    Show();
    page->hide();
    page->Open();
    EXPECT_EQ(page->builds, 1);
    EXPECT_EQ(page->loadedRates, std::vector<int>{8});
    EXPECT_EQ(page->polling->text(), U("125 Hz"));
    EXPECT_FALSE(page->HasChanges());
}

TEST_F(PageWindowTest, TheFurnitureComesFromTheLayoutTableNamedAndWired) {
    Show();
    const std::pair<Furniture, const char*> expected[] = {
        {Furniture::kMin, "Min"},         {Furniture::kClose, "Close"},
        {Furniture::kDefault, "Default"}, {Furniture::kCancel, "Cancel"},
        {Furniture::kApply, "Apply"},
    };
    for (const auto& [which, name] : expected) {
        SkinButton* b = page->furniture(which);
        ASSERT_NE(b, nullptr) << name;
        EXPECT_TRUE(b->isVisible()) << name;
        EXPECT_EQ(b->accessibleName(), U(name));
        EXPECT_EQ(b->focusPolicy(), Qt::StrongFocus);
    }
    EXPECT_EQ(page->minButton()->toolTip(), U("最小化到任务栏"));
    EXPECT_EQ(page->closeButton()->toolTip(), U("关闭视窗"));
    EXPECT_EQ(page->backButton(), nullptr);  // Back stays out of the page
    // ... and out of its picture: no dead button that looks live.
    const QRect back = ElementRect(ElementNamed(71, "Back"));
    EXPECT_EQ(page->background().pixelColor(back.center()),
              page->background().pixelColor(back.left() - 2, back.center().y()));
    EXPECT_EQ(page->polling->accessibleName(), U("Polling Rate"));
    EXPECT_EQ(page->windowTitle(), U("ADVANCED SETTINGS"));

    // Tab walks the page's controls, then Default, Cancel, Apply, Min, Close, and round again;
    // Shift+Tab walks back.
    page->activateWindow();
    page->polling->setFocus(Qt::OtherFocusReason);
    const std::vector<QWidget*> expectedOrder = {
        page->lod,         page->defaultButton(), page->cancelButton(), page->applyButton(),
        page->minButton(), page->closeButton(),   page->polling};
    for (QWidget* w : expectedOrder) {
        QTest::keyClick(page->focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(page->focusWidget(), w) << w->accessibleName().toStdString();
    }
    QTest::keyClick(page->focusWidget(), Qt::Key_Backtab);
    EXPECT_EQ(page->focusWidget(), page->closeButton());
    // A disabled control is passed over.
    page->defaultButton()->setEnabled(false);
    page->lod->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(page->lod, Qt::Key_Tab);
    EXPECT_EQ(page->focusWidget(), page->cancelButton());
    page->defaultButton()->setEnabled(true);

    QTest::mouseClick(page->minButton(), Qt::LeftButton);
    EXPECT_TRUE(page->isMinimized());

    // The support page has only what its sheet has: Min, Close and a Back that hides it.
    SupportPage support(host, nullptr);
    support.Open();
    EXPECT_NE(support.minButton(), nullptr);
    EXPECT_NE(support.closeButton(), nullptr);
    ASSERT_NE(support.backButton(), nullptr);
    EXPECT_TRUE(support.backButton()->isVisible());
    EXPECT_EQ(support.applyButton(), nullptr);
    EXPECT_EQ(support.defaultButton(), nullptr);
    QTest::mouseClick(support.backButton(), Qt::LeftButton);
    EXPECT_FALSE(support.isVisible());
    EXPECT_TRUE(host.popups.empty());
}

TEST_F(PageWindowTest, ApplyWritesACopyTakenWhenItWasPressedEvenIfTheProfileChanges) {
    Show();
    ChooseRate(4);
    QSignalSpy finished(page.get(), &PageWindow::applyFinished);
    QTest::mouseClick(page->applyButton(), Qt::LeftButton);

    // Saved with the page stored, Apply buttons off until the exchange ends.
    ASSERT_EQ(host.saved.size(), 1u);
    EXPECT_EQ(host.saved[0].pollingRate, 4);
    EXPECT_FALSE(host.applyButtonsEnabled());
    EXPECT_FALSE(page->applyButton()->isEnabled());
    EXPECT_FALSE(page->HasChanges());  // the snapshot followed the Apply
    ASSERT_EQ(host.posted.size(), 1u);
    EXPECT_EQ(host.posted[0].copy.profileSlot, 1);

    // The user switches to slot 3 and edits it before the worker gets to run.
    host.set.SetCurrent(3);
    host.set.current().pollingRate = 8;
    host.RunPosted(link);

    const SimState state = mouse.state();
    EXPECT_EQ(state.activeSlot, 1);
    EXPECT_EQ(StoredPollingRate(state, 1), 4);
    EXPECT_TRUE(SlotUntouched(state, 3));
    EXPECT_TRUE(host.applyButtonsEnabled());
    EXPECT_TRUE(page->applyButton()->isEnabled());
    EXPECT_EQ(host.notices, std::vector<DeviceNotice>{DeviceNotice::kNone});
    ASSERT_EQ(finished.count(), 1);
}

TEST_F(PageWindowTest, ApplyWithoutAMouseSavesAndSaysSo) {
    Show();
    ChooseRate(8);
    mouse.Unplug();
    page->Apply();
    host.RunPosted(link);
    ASSERT_EQ(host.saved.size(), 1u);
    EXPECT_EQ(host.saved[0].pollingRate, 8);
    EXPECT_EQ(host.notices, std::vector<DeviceNotice>{DeviceNotice::kNoDevice});
    EXPECT_TRUE(host.applyButtonsEnabled());
}

TEST_F(PageWindowTest, CancelAndCloseHideAnUnchangedPageAndAskAboutAChangedOne) {
    Show();
    // Unchanged: hidden without a question.
    QTest::mouseClick(page->cancelButton(), Qt::LeftButton);
    EXPECT_FALSE(page->isVisible());
    page->Open();
    QTest::mouseClick(page->closeButton(), Qt::LeftButton);
    EXPECT_FALSE(page->isVisible());
    EXPECT_TRUE(host.popups.empty());

    // Changed, and "NO": the snapshot comes back, nothing is saved or written.
    page->Open();
    ChooseRate(8);
    page->lod->MoveByUser(9);
    EXPECT_TRUE(page->HasChanges());
    host.popupAnswer = kPopupNo;
    QTest::mouseClick(page->cancelButton(), Qt::LeftButton);
    EXPECT_EQ(host.popups, std::vector<int>{kPopupDataChanged});
    EXPECT_FALSE(page->isVisible());
    EXPECT_EQ(page->polling->currentId(), 2);
    EXPECT_EQ(page->polling->text(), U("500 Hz"));
    EXPECT_EQ(page->lod->pos(), 6);
    EXPECT_TRUE(host.saved.empty());
    EXPECT_TRUE(host.posted.empty());

    // Changed, and "Yes" through Close: exactly what Apply does, then hidden.
    page->Open();
    ChooseRate(1);
    host.popupAnswer = kPopupYes;
    QTest::mouseClick(page->closeButton(), Qt::LeftButton);
    EXPECT_EQ(host.popups.size(), 2u);
    EXPECT_FALSE(page->isVisible());
    ASSERT_EQ(host.saved.size(), 1u);
    EXPECT_EQ(host.saved[0].pollingRate, 1);
    ASSERT_EQ(host.posted.size(), 1u);
    EXPECT_FALSE(host.applyButtonsEnabled());
    host.RunPosted(link);
    EXPECT_EQ(StoredPollingRate(mouse.state(), 1), 1);
    EXPECT_FALSE(page->HasChanges());
}

TEST_F(PageWindowTest, DefaultAsksWithThePagesPopupThenLoadsFactoryValuesAndApplies) {
    Show();
    ChooseRate(8);
    host.popupAnswer = kPopupNo;
    QTest::mouseClick(page->defaultButton(), Qt::LeftButton);
    EXPECT_EQ(host.popups, std::vector<int>{kPopupAdvancedDefault});
    EXPECT_EQ(page->polling->currentId(), 8);
    EXPECT_TRUE(host.saved.empty());

    host.popupAnswer = kPopupYes;
    QTest::mouseClick(page->defaultButton(), Qt::LeftButton);
    EXPECT_EQ(page->polling->currentId(), 1);  // the factory 1000 Hz
    EXPECT_EQ(page->lod->pos(), 6);
    ASSERT_EQ(host.saved.size(), 1u);
    EXPECT_EQ(host.saved[0].pollingRate, 1);
    ASSERT_EQ(host.posted.size(), 1u);
    EXPECT_EQ(host.posted[0].copy.pollingRate, 1);
    EXPECT_FALSE(page->HasChanges());
}

TEST_F(PageWindowTest, AValueTheControlDoesNotOfferNeverShowsThePreviousProfilesValue) {
    ProfileRecord first = host.set.current();
    first.pollingRate = 8;
    page->LoadFromProfile(first);
    Show();
    EXPECT_EQ(page->polling->text(), U("125 Hz"));

    // Another version's value: the factory default shows, and is what a save stores.
    ProfileRecord odd = host.set.current();
    odd.pollingRate = 3;
    odd.liftOffLevel = 40;
    page->LoadFromProfile(odd);
    EXPECT_EQ(page->polling->currentId(), 1);
    EXPECT_EQ(page->polling->text(), U("1000 Hz"));
    EXPECT_EQ(page->lod->pos(), 6);
    ProfileRecord stored = odd;
    page->StoreIntoProfile(stored);
    EXPECT_EQ(stored.pollingRate, 1);
    EXPECT_EQ(stored.liftOffLevel, 6);

    // A drop-down whose field has no set in the core shows the raw value.
    auto* combo = new SkinComboButton(4242, page.get());
    combo->AddItem(1, U("one"));
    combo->SelectItem(1);
    combo->ShowUnlistedValue(77, QStringLiteral("77"));
    EXPECT_EQ(combo->currentId(), 77);
    EXPECT_EQ(combo->text(), QStringLiteral("77"));
}

TEST_F(PageWindowTest, EscClosesTheOpenMenuFirstThenThePopupThenThePageAsCancel) {
    Show();
    page->activateWindow();
    page->polling->setFocus(Qt::TabFocusReason);
    ChooseRate(8);

    // An open menu takes the first Esc; the page stays.
    QTest::keyClick(page->polling, Qt::Key_Space);
    ASSERT_TRUE(page->polling->menuOpen());
    QTest::keyClick(page->polling, Qt::Key_Escape);
    EXPECT_FALSE(page->polling->menuOpen());
    EXPECT_TRUE(page->isVisible());
    EXPECT_TRUE(host.popups.empty());

    // The next Esc cancels the changed page: the real "Data Changed" popup asks, and an Esc
    // there answers it "no", which restores the snapshot.
    host.realPopups = true;
    host.duringPopup = [](MessagePopup& popup) {
        QTimer::singleShot(0, &popup, [&popup] { QTest::keyClick(&popup, Qt::Key_Escape); });
    };
    QTest::keyClick(page->polling, Qt::Key_Escape);
    EXPECT_EQ(host.popups, std::vector<int>{kPopupDataChanged});
    EXPECT_EQ(host.answers, std::vector<int>{kPopupNo});
    EXPECT_FALSE(page->isVisible());
    EXPECT_EQ(page->polling->currentId(), 2);
    EXPECT_TRUE(host.saved.empty());
}

TEST_F(PageWindowTest, TheKeyboardWorksEveryControlOfThePage) {
    Show();
    page->polling->setFocus(Qt::TabFocusReason);
    // Arrows walk the open menu, Enter chooses.
    QTest::keyClick(page->polling, Qt::Key_Down);
    ASSERT_TRUE(page->polling->menuOpen());
    EXPECT_EQ(page->polling->menu()->hotItem(), 1);  // the current 500 Hz
    QTest::keyClick(page->polling, Qt::Key_Down);
    QTest::keyClick(page->polling, Qt::Key_Return);
    EXPECT_FALSE(page->polling->menuOpen());
    EXPECT_EQ(page->polling->currentId(), 4);

    // Arrows move the slider; Home and End go to its ends.
    QTest::keyClick(page->lod, Qt::Key_Right);
    EXPECT_EQ(page->lod->pos(), 7);
    QTest::keyClick(page->lod, Qt::Key_Home);
    EXPECT_EQ(page->lod->pos(), 1);
    QTest::keyClick(page->lod, Qt::Key_Left);
    EXPECT_EQ(page->lod->pos(), 1);

    // Space presses the focused Apply button.
    QTest::keyClick(page->applyButton(), Qt::Key_Space);
    ASSERT_EQ(host.saved.size(), 1u);
    EXPECT_EQ(host.saved[0].pollingRate, 4);
    EXPECT_EQ(host.saved[0].liftOffLevel, 1);
    // Enter on the page itself closes nothing.
    QTest::keyClick(page.get(), Qt::Key_Return);
    EXPECT_TRUE(page->isVisible());
}

}  // namespace
}  // namespace z7
