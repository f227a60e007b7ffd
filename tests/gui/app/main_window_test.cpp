// The real main window on the simulated mouse, with a virtual clock: profiles, save and apply,
// the device refresh, removal and arrival, and events from the mouse.
#include "gui/app/main_window_fixture.h"

#include <QSignalSpy>

#include "core/backup/backup_archive.h"
#include "core/firmware/firmware_package.h"
#include "core/profile/profile_file.h"
#include "core/util/text.h"
#include "gui/app/backup_actions.h"
#include "gui/ui/title_tip.h"
#include "support/cli_runner.h"

namespace z7 {
namespace {

constexpr char kOurDevice[] = "/dev/hidraw-22D4-1206";
using test::MainWindowTest;
using test::StoredImage;
using test::U;

TEST_F(MainWindowTest, StartReadsTheMouseAndSelectsItsActiveProfile) {
    mouse.Update([](SimState& s) { s.activeSlot = 2; });
    Open();
    EXPECT_EQ(dlg->profiles().currentSlot(), 2);
    EXPECT_EQ(dlg->profileSelector()->currentId(), 2);
    EXPECT_EQ(dlg->nameBox()->text(), U("配置2"));
    EXPECT_EQ(dlg->firmwareVersionText(), U("V1.65"));
    for (PageWindow* page : dlg->pages()) {
        EXPECT_EQ(page->firmwareVersionText(), U("V1.65"));
        EXPECT_FALSE(page->isVisible());
    }
    EXPECT_TRUE(link.listenerRunning());
    EXPECT_TRUE(popups.empty());
    // The frameless window shows no title: the simulated mouse is said on the window itself.
    EXPECT_EQ(dlg->windowTitle(), U("KESTA Z7 LASER SOFTWARE"));
    ASSERT_NE(dlg->simulatedBadge(), nullptr);
    EXPECT_EQ(dlg->simulatedBadge()->Text(), U("模拟鼠标"));
    EXPECT_FALSE(dlg->simulatedBadge()->isHidden());
}

TEST_F(MainWindowTest, AMouseThatMayNotBeOpenedIsNamedInTheStatusLine) {
    mouse.Update([](SimState& s) { s.faults.accessDenied = true; });
    Open();
    EXPECT_EQ(dlg->firmwareVersionText(), U("-.--"));
    EXPECT_TRUE(dlg->statusText()->Text().contains(U("无权访问")))
        << dlg->statusText()->Text().toStdString();
    mouse.Update([](SimState& s) { s.faults.accessDenied = false; });
    dlg->RefreshFromDevice();
    dlg->WaitForDeviceWork();
    EXPECT_EQ(dlg->statusText()->Text(), U("固件 V1.65"));
}

TEST_F(MainWindowTest, SwitchingProfilesFollowsTheSelectorAndGuardsTheFactoryProfile) {
    Open();
    dlg->OnProfileChoice(3);
    EXPECT_EQ(dlg->profiles().currentSlot(), 3);
    EXPECT_EQ(dlg->nameBox()->text(), U("配置3"));
    EXPECT_TRUE(dlg->nameBox()->isEnabled());
    EXPECT_TRUE(dlg->button(kIdDelete)->isEnabled());
    EXPECT_TRUE(dlg->button(kIdImport)->isEnabled());
    dlg->OnProfileChoice(0);
    EXPECT_FALSE(dlg->nameBox()->isEnabled());
    EXPECT_FALSE(dlg->button(kIdDelete)->isEnabled());
    EXPECT_FALSE(dlg->button(kIdImport)->isEnabled());
    // Switching writes nothing to the mouse.
    EXPECT_EQ(mouse.state().activeSlot, 0);
    // Deleting the factory profile does nothing.
    dlg->OnDelete();
    dlg->WaitForDeviceWork();
    EXPECT_EQ(dlg->profiles()[0].inUse, 1u);
    EXPECT_EQ(dlg->profiles().currentSlot(), 0);
}

TEST_F(MainWindowTest, SaveNamesTheProfileWritesItToDiskAndMouseAndActivatesIt) {
    Open();
    dlg->OnProfileChoice(1);
    dlg->nameBox()->setText(U("射击游戏"));
    Click(kIdSave);
    EXPECT_FALSE(dlg->applyButtonsEnabled());
    EXPECT_FALSE(dlg->button(kIdSave)->isEnabled());
    for (PageWindow* page : dlg->pages()) EXPECT_FALSE(page->applyButtonsEnabled());
    dlg->WaitForDeviceWork();
    EXPECT_TRUE(dlg->applyButtonsEnabled());
    EXPECT_TRUE(dlg->button(kIdReset)->isEnabled());
    EXPECT_TRUE(popups.empty());
    EXPECT_TRUE(messages.empty());

    EXPECT_EQ(dlg->profiles()[1].profileName, u"射击游戏");
    ASSERT_NE(dlg->profileSelector()->menu()->FindItem(1), nullptr);
    EXPECT_EQ(dlg->profileSelector()->menu()->FindItem(1)->text, U("射击游戏"));
    EXPECT_EQ(ReloadFromDisk()[1].profileName, u"射击游戏");
    const SimState s = mouse.state();
    EXPECT_EQ(s.activeSlot, 1);
    EXPECT_EQ(StoredImage(s, 1), ImageOf(dlg->profiles()[1]));
    EXPECT_TRUE(link.listenerRunning());
    EXPECT_EQ(autoStart.calls, std::vector<std::string>{"disable Kesta Z7 Software"});
}

TEST_F(MainWindowTest, SavingWithAnEmptyNameKeepsTheNameAndTheFactoryNameIsFixed) {
    Open();
    dlg->OnProfileChoice(2);
    dlg->nameBox()->setText(U("   "));
    Click(kIdSave);
    dlg->WaitForDeviceWork();
    EXPECT_EQ(dlg->profiles()[2].profileName, u"配置2");
    EXPECT_EQ(dlg->nameBox()->text(), U("配置2"));

    dlg->OnProfileChoice(0);
    dlg->nameBox()->setText(U("改名"));
    Click(kIdSave);
    dlg->WaitForDeviceWork();
    EXPECT_EQ(dlg->profiles()[0].profileName, u"出厂配置");
}

TEST_F(MainWindowTest, NewProfileTakesTheFirstFreeSlotAndDisappearsWhenAllAreUsed) {
    Open();
    // First start: all five profiles exist, so there is no new-profile entry.
    EXPECT_EQ(dlg->profileSelector()->menu()->FindItem(kNewProfileEntry), nullptr);
    FreeSlots({2, 4});
    ASSERT_NE(dlg->profileSelector()->menu()->FindItem(kNewProfileEntry), nullptr);
    EXPECT_EQ(dlg->profileSelector()->menu()->items().front().id, kNewProfileEntry);
    EXPECT_EQ(dlg->profileSelector()->menu()->FindItem(2), nullptr);

    dlg->OnProfileChoice(kNewProfileEntry);
    EXPECT_EQ(dlg->profiles().currentSlot(), 2);
    EXPECT_EQ(dlg->profiles()[2].inUse, 1u);
    EXPECT_EQ(dlg->nameBox()->text(), U("配置2"));
    EXPECT_EQ(dlg->profileSelector()->currentId(), 2);
    dlg->OnProfileChoice(kNewProfileEntry);
    EXPECT_EQ(dlg->profiles().currentSlot(), 4);
    EXPECT_EQ(dlg->profileSelector()->menu()->FindItem(kNewProfileEntry), nullptr);
    // Nothing reached the mouse.
    EXPECT_EQ(mouse.state().activeSlot, 0);
}

TEST_F(MainWindowTest, DeleteFreesTheSlotRemovesItsFileAndErasesItOnTheMouse) {
    Open();
    dlg->OnProfileChoice(3);
    dlg->nameBox()->setText(U("办公"));
    Click(kIdSave);
    dlg->WaitForDeviceWork();
    const std::filesystem::path file = dlg->profiles()[3].filePath;
    ASSERT_TRUE(std::filesystem::exists(file));
    ASSERT_NE(StoredImage(mouse.state(), 3), mouse.state().factory[3]);

    Click(kIdDelete);
    dlg->WaitForDeviceWork();
    EXPECT_EQ(dlg->profiles()[3].inUse, 0u);
    EXPECT_EQ(dlg->profiles().currentSlot(), 0);
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_EQ(ReloadFromDisk()[3].inUse, 0u);
    EXPECT_EQ(dlg->profileSelector()->menu()->FindItem(3), nullptr);
    EXPECT_NE(dlg->profileSelector()->menu()->FindItem(kNewProfileEntry), nullptr);
    EXPECT_EQ(StoredImage(mouse.state(), 3), mouse.state().factory[3]);
    EXPECT_EQ(mouse.state().activeSlot, 0);
}

TEST_F(MainWindowTest, ImportGivesTheProfileAUniqueNameInTheCurrentSlot) {
    Open();
    ProfileRecord outside = CreateProfileRecord();
    outside.profileName = u"配置1";
    outside.profileSlot = 4;
    outside.filePath = temp / "outside.profile";
    ASSERT_TRUE(WriteProfileFile(LocalFileSystem(), outside, outside.filePath, nullptr));
    importFile = QString::fromStdString(outside.filePath.string());

    dlg->OnProfileChoice(2);
    Click(kIdImport);
    EXPECT_EQ(dlg->profiles().currentSlot(), 2);
    EXPECT_EQ(dlg->profiles()[2].profileSlot, 2);
    EXPECT_EQ(dlg->profiles()[2].profileName, u"配置1(1)");
    EXPECT_EQ(dlg->nameBox()->text(), U("配置1(1)"));
    EXPECT_EQ(dlg->profileSelector()->menu()->FindItem(2)->text, U("配置1(1)"));

    // A cancelled dialog or a file that is not a profile changes nothing.
    importFile.clear();
    Click(kIdImport);
    test::WriteBytes(temp / "junk.profile", {1, 2, 3});
    importFile = QString::fromStdString((temp / "junk.profile").string());
    Click(kIdImport);
    EXPECT_EQ(dlg->profiles()[2].profileName, u"配置1(1)");
    EXPECT_EQ(messages.size(), 1u);
}

TEST_F(MainWindowTest, ResetAsksFirstThenRestoresDefaultsAndWritesThem) {
    Open();
    dlg->OnProfileChoice(1);
    dlg->nameBox()->setText(U("自定义"));
    Click(kIdSave);
    dlg->WaitForDeviceWork();

    popupAnswer = kPopupNo;
    Click(kIdReset);
    dlg->WaitForDeviceWork();
    ASSERT_EQ(popups.size(), 1u);
    EXPECT_EQ(popups[0].first, kPopupSystemMessage);
    EXPECT_EQ(dlg->profiles()[1].profileName, u"自定义");

    popupAnswer = kPopupYes;
    Click(kIdReset);
    dlg->WaitForDeviceWork();
    EXPECT_EQ(dlg->profiles()[1].profileName, u"配置1");
    EXPECT_EQ(dlg->profiles().currentSlot(), 1);
    EXPECT_EQ(dlg->nameBox()->text(), U("配置1"));
    EXPECT_EQ(ReloadFromDisk()[1].profileName, u"配置1");
    EXPECT_EQ(StoredImage(mouse.state(), 1), ImageOf(dlg->profiles()[1]));
}

TEST_F(MainWindowTest, NoMouseGivesPopup297AndTheProfileIsStillSaved) {
    Open();
    mouse.Unplug();
    dlg->OnDeviceChange(DeviceChange::kRemoval, kOurDevice);
    dlg->OnProfileChoice(1);
    dlg->nameBox()->setText(U("离线"));
    Click(kIdSave);
    dlg->WaitForDeviceWork();
    ASSERT_EQ(popups.size(), 1u);
    EXPECT_EQ(popups[0].first, kPopupDeviceNotFound);
    EXPECT_EQ(ReloadFromDisk()[1].profileName, u"离线");
    EXPECT_TRUE(dlg->applyButtonsEnabled());

    // Reset and delete ask nothing and change nothing without a mouse.
    Click(kIdReset);
    Click(kIdDelete);
    EXPECT_EQ(popups.size(), 3u);
    EXPECT_EQ(popups[1].first, kPopupDeviceNotFound);
    EXPECT_EQ(dlg->profiles()[1].inUse, 1u);
    EXPECT_EQ(dlg->profiles()[1].profileName, u"离线");
}

TEST_F(MainWindowTest, AFailedCommandShowsTheMessageBoxAndTheProfileIsStillSaved) {
    Open();
    // The write commands take any reply as done: only replies that cannot be read fail them.
    mouse.Update([](SimState& s) { s.faults.unreadableReplies = 1000; });
    dlg->OnProfileChoice(1);
    dlg->nameBox()->setText(U("失败"));
    Click(kIdSave);
    dlg->WaitForDeviceWork();
    EXPECT_EQ(messages, std::vector<QString>{U("设置失败,请重试")});
    EXPECT_TRUE(popups.empty());
    EXPECT_EQ(ReloadFromDisk()[1].profileName, u"失败");
    EXPECT_TRUE(dlg->applyButtonsEnabled());
}

TEST_F(MainWindowTest, UnplugShowsNoVersionAndReplugRefreshesAndReselects) {
    Open();
    mouse.Unplug();
    dlg->OnDeviceChange(DeviceChange::kRemoval, kOurDevice);
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(dlg->firmwareVersionText(), U("-.--"));
    for (PageWindow* page : dlg->pages()) EXPECT_EQ(page->firmwareVersionText(), U("-.--"));
    EXPECT_FALSE(link.eventOpen());

    // Another device's notice, and a second removal, change nothing.
    dlg->OnDeviceChange(DeviceChange::kArrival, "/dev/hidraw-046D-C077");
    QCoreApplication::sendPostedEvents();
    EXPECT_FALSE(dlg->arrivalTimer()->isActive());

    mouse.Update([](SimState& s) {
        s.activeSlot = 3;
        s.firmwareVersion = 170;
    });
    mouse.Plug();
    dlg->OnDeviceChange(DeviceChange::kArrival, kOurDevice);
    dlg->OnDeviceChange(DeviceChange::kArrival, kOurDevice);  // one per interface
    QCoreApplication::sendPostedEvents();
    ASSERT_TRUE(dlg->arrivalTimer()->isActive());
    EXPECT_EQ(dlg->arrivalTimer()->interval(), 900);
    EXPECT_TRUE(dlg->arrivalTimer()->isSingleShot());
    EXPECT_EQ(dlg->firmwareVersionText(), U("-.--"));  // not before the timer
    dlg->arrivalTimer()->stop();
    dlg->RefreshFromDevice();  // what the timer's expiry runs
    dlg->WaitForDeviceWork();
    EXPECT_EQ(dlg->firmwareVersionText(), U("V1.70"));
    EXPECT_EQ(dlg->profiles().currentSlot(), 3);
    EXPECT_EQ(dlg->profileSelector()->currentId(), 3);
    EXPECT_TRUE(link.listenerRunning());
}

TEST_F(MainWindowTest, AProfileSwitchOnTheMouseSwitchesTheWindow) {
    Open();
    ASSERT_TRUE(link.listenerRunning());
    mouse.QueueEvent({kEventProfileSwitch, 2, 0});
    ASSERT_TRUE(WaitUntil([&] { return dlg->profiles().currentSlot() == 2; }));
    EXPECT_EQ(dlg->profileSelector()->currentId(), 2);
    EXPECT_EQ(dlg->nameBox()->text(), U("配置2"));

    // Out of range, then the slot already shown: ignored; a later valid switch still works.
    mouse.QueueEvent({kEventProfileSwitch, 7, 0});
    mouse.QueueEvent({kEventProfileSwitch, 2, 0});
    mouse.QueueEvent({kEventProfileSwitch, 4, 0});
    ASSERT_TRUE(WaitUntil([&] { return dlg->profiles().currentSlot() == 4; }));
    EXPECT_EQ(mouse.state().activeSlot, 0);  // the window only follows
}

TEST_F(MainWindowTest, ATextBlockReportTypesTheBlockFromTheLibraryOnDisk) {
    Open();
    // Added after the start: the listener reads the library afresh.
    const test::CliResult added = test::RunCli(
        {"--data-dir", dataFolder().string(), "library", "add", "textblock", "签名", "你好"});
    ASSERT_EQ(added.code, 0) << added.err;
    const test::CliResult list = test::RunCli(
        {"--data-dir", dataFolder().string(), "--json", "library", "list", "textblock"});
    ASSERT_EQ(list.code, 0) << list.err;
    const size_t at = list.out.find("\"id\":");
    ASSERT_NE(at, std::string::npos) << list.out;
    const int id = std::stoi(list.out.substr(at + 5));
    mouse.QueueEvent({kEventTextBlock, 0, static_cast<uint8_t>(id)});
    ASSERT_TRUE(WaitUntil([&] { return !actions.pasted.empty(); }));
    EXPECT_EQ(actions.pasted.front(), u"你好");
}

TEST_F(MainWindowTest, NewerFirmwareIsOfferedOncePerStartAndVersionAndYesLeadsToTheUpdate) {
    std::string imageName, error;
    ASSERT_TRUE(WriteFirmwarePackage(LocalFileSystem(), temp / "Firmware Updates",
                                     std::vector<uint8_t>(3000, 0x5A), 172, &imageName, &error))
        << error;
    mouse.Update([](SimState& s) { s.firmwareVersion = 160; });
    Open();
    ASSERT_EQ(popups.size(), 1u);
    EXPECT_EQ(popups[0], (std::pair<int, QString>{kPopupCheckStart, U("V1.72")}));
    // "Yes" opens the updater window.
    ASSERT_NE(dlg->firmwareWindow(), nullptr);
    dlg->firmwareWindow()->WaitForWorker();
    dlg->firmwareWindow()->RequestClose();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    dlg->WaitForDeviceWork();
    EXPECT_TRUE(messages.empty());
    popups.clear();

    // A replug of the same mouse, or a refresh, does not ask again.
    popups.clear();
    mouse.Unplug();
    dlg->OnDeviceChange(DeviceChange::kRemoval, kOurDevice);
    QCoreApplication::sendPostedEvents();
    mouse.Plug();
    dlg->RefreshFromDevice();
    dlg->WaitForDeviceWork();
    EXPECT_TRUE(popups.empty());

    // Another version on the mouse is a new offer, and Yes opens the updater again.
    QSignalSpy accepted(dlg.get(), &MainWindow::firmwareUpdateRequested);
    mouse.Update([](SimState& s) { s.firmwareVersion = 170; });
    dlg->RefreshFromDevice();
    dlg->WaitForDeviceWork();
    EXPECT_EQ(popups.size(), 1u);
    EXPECT_EQ(accepted.count(), 1);
    ASSERT_NE(dlg->firmwareWindow(), nullptr);
    dlg->firmwareWindow()->WaitForWorker();
    dlg->firmwareWindow()->RequestClose();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    dlg->WaitForDeviceWork();
    EXPECT_TRUE(messages.empty());

    // Up to date: no offer.
    mouse.Update([](SimState& s) { s.firmwareVersion = 172; });
    popups.clear();
    dlg->RefreshFromDevice();
    dlg->WaitForDeviceWork();
    EXPECT_TRUE(popups.empty());
}

TEST_F(MainWindowTest, SaveWithoutPermissionSaysHowToGrantItNotThatTheMouseIsMissing) {
    mouse.Update([](SimState& s) { s.faults.accessDenied = true; });
    Open();
    dlg->OnProfileChoice(1);
    Click(kIdSave);
    dlg->WaitForDeviceWork();
    EXPECT_TRUE(popups.empty());  // not the "mouse not found" picture
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].contains(U("权限"))) << messages[0].toStdString();
    EXPECT_TRUE(messages[0].contains(U("udev")));
    EXPECT_TRUE(messages[0].contains(U("70-kesta-z7.rules")));
    EXPECT_TRUE(dlg->applyButtonsEnabled());
}

TEST_F(MainWindowTest, EscClosesAnOpenMenuOrDropsTheTypingBeforeItHidesTheWindow) {
    Open();
    dlg->show();
    dlg->OnProfileChoice(2);
    auto stillShown = [this] { return dlg->isVisible() && !dlg->isMinimized(); };

    dlg->profileSelector()->setFocus(Qt::TabFocusReason);
    dlg->profileSelector()->OpenMenu();
    ASSERT_TRUE(dlg->profileSelector()->menuOpen());
    QTest::keyClick(dlg->profileSelector(), Qt::Key_Escape);
    EXPECT_FALSE(dlg->profileSelector()->menuOpen());
    EXPECT_TRUE(stillShown());

    dlg->shareButton()->OpenMenu();
    ASSERT_TRUE(dlg->shareButton()->menuOpen());
    QTest::keyClick(dlg->profileSelector(), Qt::Key_Escape);
    EXPECT_FALSE(dlg->shareButton()->menuOpen());
    EXPECT_TRUE(stillShown());

    dlg->nameBox()->setFocus(Qt::MouseFocusReason);
    QTest::keyClicks(dlg->nameBox(), QStringLiteral("xyz"));
    EXPECT_EQ(dlg->nameBox()->text(), U("配置2xyz"));
    QTest::keyClick(dlg->nameBox(), Qt::Key_Escape);
    EXPECT_TRUE(stillShown());
    EXPECT_EQ(dlg->nameBox()->text(), U("配置2"));

    // With nothing open, Esc puts the window away (minimised: no tray in this test).
    dlg->profileSelector()->setFocus(Qt::TabFocusReason);
    QTest::keyClick(dlg->profileSelector(), Qt::Key_Escape);
    EXPECT_FALSE(stillShown());
}

TEST_F(MainWindowTest, TheWindowStaysWhereTheUserPutItAcrossHideShowAndRestarts) {
    Open();
    dlg->show();
    dlg->move(123, 77);
    dlg->hide();
    dlg->show();
    EXPECT_EQ(dlg->pos(), QPoint(123, 77));
    dlg.reset();
    Open();
    dlg->show();
    EXPECT_EQ(dlg->pos(), QPoint(123, 77));

    // A position no screen shows any more is not restored.
    dlg->move(40000, 30000);
    dlg.reset();
    Open();
    dlg->show();
    EXPECT_NE(dlg->pos(), QPoint(40000, 30000));
}

TEST_F(MainWindowTest, BalloonsAndDragsFollowTheRealPositionsNotTheWindowsOwnIdea) {
    Open();
    dlg->show();
    dlg->move(40, 40);
    // The window manager has really put the window at (600, 300); Qt has not heard of it yet.
    const QPoint real(600, 300);
    SkinButton* save = dlg->button(kIdSave);
    const QPoint local(10, 10);
    const QPoint global = real + save->geometry().topLeft() + local;
    QCursor::setPos(global);
    QEnterEvent enter(local, local, global);
    QApplication::sendEvent(save, &enter);
    TitleTip* tip = dlg->titleTip();
    ASSERT_TRUE(tip->isVisible());
    EXPECT_EQ(tip->text(), U("储存配置"));
    EXPECT_EQ(tip->geometry().left(), global.x());
    EXPECT_EQ(tip->geometry().bottom(), global.y() - 1);
    EXPECT_EQ(tip->screenItemRect(), QRect(real + save->geometry().topLeft(), save->size()));
    tip->Hide();

    // A drag of the background moves the window by exactly the pointer's way.
    const QPoint grab(400, 70);
    QMouseEvent press(QEvent::MouseButtonPress, grab, real + grab, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(dlg.get(), &press);
    QMouseEvent move(QEvent::MouseMove, grab + QPoint(15, 5), real + grab + QPoint(15, 5),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(dlg.get(), &move);
    EXPECT_EQ(dlg->pos(), real + QPoint(15, 5));
    QMouseEvent release(QEvent::MouseButtonRelease, grab, real + grab + QPoint(15, 5),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(dlg.get(), &release);
}

TEST_F(MainWindowTest, HideMinimisesWhenTheTrayHasGoneAwaySinceTheStart) {
    bool trayThere = true;
    TrayIcon::SetTrayProbe([&trayThere] { return trayThere; });
    Open();
    dlg->Start(nullptr, true);
    dlg->WaitForDeviceWork();
    dlg->show();
    Click(kIdHide);
    EXPECT_FALSE(dlg->isVisible());
    dlg->ShowFromOtherInstance();
    // The panel restarts without a notification area.
    trayThere = false;
    Click(kIdHide);
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_TRUE(dlg->isMinimized());
    TrayIcon::SetTrayProbe({});
}

TEST_F(MainWindowTest, AnApplyWritesTheSlotItWasPressedForEvenIfTheUserSwitchesAway) {
    Open();
    dlg->OnProfileChoice(1);
    PageWindow* sensor = dlg->page(PageId::kSensor);
    sensor->Apply();
    EXPECT_FALSE(dlg->applyButtonsEnabled());
    EXPECT_FALSE(dlg->button(kIdSave)->isEnabled());
    dlg->OnProfileChoice(3);
    dlg->WaitForDeviceWork();
    EXPECT_EQ(mouse.state().activeSlot, 1);
    EXPECT_TRUE(dlg->applyButtonsEnabled());
    EXPECT_TRUE(popups.empty());
    EXPECT_TRUE(messages.empty());

    // Two Applies in a row: the buttons come back only when both have ended.
    dlg->page(PageId::kLighting)->Apply();
    Click(kIdSave);
    EXPECT_FALSE(dlg->applyButtonsEnabled());
    dlg->WaitForDeviceWork();
    EXPECT_TRUE(dlg->applyButtonsEnabled());
    EXPECT_EQ(mouse.state().activeSlot, 3);
}

TEST_F(MainWindowTest, LinksComeFromTheSettingsFileWithDefaults) {
    test::WriteBytes(temp / "Config.ini",
                     {'[', 'L', 'i', 'n', 'k', 's', ']', '\n', 'S', 'u', 'p', 'p',
                      'o', 'r', 't', 'U', 'r', 'l', '=', 'h',  't', 't', 'p', 's',
                      ':', '/', '/', 'x', '.', 't', 'e', 's',  't', '/', 's', '\n'});
    Open();
    Click(kIdSupportSite);
    Click(kIdRegister);
    dlg->OpenLink(kShareFirst + 2);
    ASSERT_EQ(urls.size(), 3u);
    EXPECT_EQ(urls[0], U("https://x.test/s"));
    EXPECT_EQ(urls[1], dlg->links().registration);
    EXPECT_FALSE(urls[1].isEmpty());
    EXPECT_EQ(urls[2], dlg->links().social[2]);
}

TEST_F(MainWindowTest, PageButtonsShowTheirPagesAndTheCloseButtonOnlyHides) {
    Open();
    dlg->show();
    Click(kIdAdvanced);
    PageWindow* page = dlg->pageOpenedBy(kIdAdvanced);
    EXPECT_TRUE(page->isVisible());
    EXPECT_EQ(page->windowTitle(), U("ADVANCED SETTINGS"));
    QTest::mouseClick(page->closeButton(), Qt::LeftButton);
    EXPECT_FALSE(page->isVisible());
    // No tray was added here, so hiding would strand the user: the window minimises instead.
    Click(kIdHide);
    EXPECT_TRUE(dlg->isMinimized());
    dlg->ShowFromOtherInstance();
    EXPECT_FALSE(dlg->isMinimized());
    EXPECT_TRUE(dlg->isVisible());
    dlg->close();
    EXPECT_TRUE(dlg->isMinimized() || dlg->isVisible());
    EXPECT_EQ(dlg->TooltipOf(kIdSave), U("储存配置"));
    EXPECT_EQ(dlg->TooltipOf(kIdProfile), U("自定义配置，最多可储存5个不同的配置"));
}

}  // namespace
}  // namespace z7

namespace z7 {
namespace {

// Another program holding the mouse is neither "no mouse" nor a silent failure: the status line
// and the save say so, and the refresh is tried again.
TEST_F(MainWindowTest, AMouseHeldByAnotherProgramIsSaidSoAtTheRefreshAndAtTheSave) {
    const auto lockFile = temp / "mouse.lock";
    VirtualClock waitClock;
    link.SetProcessLock(lockFile, Millis(2000), &waitClock);
    SimTransport otherTransport(mouse);
    DeviceLink other(otherTransport, clock);
    other.SetProcessLock(lockFile, Millis(0), &waitClock);
    {
        ExchangeLock held(other);
        ASSERT_TRUE(held.held());
        Open();
        EXPECT_TRUE(dlg->statusText()->Text().contains(U("其他程序正在使用鼠标")))
            << dlg->statusText()->Text().toStdString();
        EXPECT_TRUE(dlg->arrivalTimer()->isActive());  // asked again later

        dlg->OnProfileChoice(1);
        Click(kIdSave);
        dlg->WaitForDeviceWork();
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_TRUE(messages[0].contains(U("另一个程序正在使用鼠标")));
        EXPECT_TRUE(popups.empty());  // not "no mouse found"
        EXPECT_TRUE(dlg->applyButtonsEnabled());
        EXPECT_EQ(ReloadFromDisk()[1].inUse, 1u);  // the profile was saved all the same
    }
    dlg->RefreshFromDevice();
    dlg->WaitForDeviceWork();
    EXPECT_EQ(dlg->statusText()->Text(), U("固件 V1.65"));
}

}  // namespace
}  // namespace z7

namespace z7::test {

// A restore replaces what the window holds: it shows the backup's profiles at once, and its
// next save cannot put the replaced ones back.
TEST_F(MainWindowTest, ARestoredBackupIsWhatTheWindowShowsAndSavesAfterwards) {
    if (!BackupArchiveAvailable()) GTEST_SKIP() << "built without libarchive";
    Open();
    const QString file = QString::fromStdString(PathToUtf8(temp / "before.zip"));
    bool done = false, ok = false;
    dlg->backupActionsHook = [&](BackupActions& backup) {
        backup.saveFileChooser = backup.openFileChooser = [&](const QString&, const QString&,
                                                              const QString&) { return file; };
        backup.confirm = [](const QString&, const QString&) { return true; };
        backup.notify = [](const QString&, bool) {};
        QObject::connect(&backup, &BackupActions::finished, [&](bool result) {
            done = true;
            ok = result;
        });
    };
    auto run = [&](void (MainWindow::*action)()) {
        done = ok = false;
        (dlg.get()->*action)();
        EXPECT_TRUE(WaitUntil([&] { return done; }));
        return ok;
    };

    dlg->OnProfileChoice(1);
    dlg->nameBox()->setText(U("备份前"));
    Click(kIdSave);
    dlg->WaitForDeviceWork();
    ASSERT_TRUE(run(&MainWindow::BackupData));

    dlg->nameBox()->setText(U("备份后"));
    Click(kIdSave);
    dlg->WaitForDeviceWork();
    ASSERT_EQ(ReloadFromDisk()[1].profileName, u"备份后");

    ASSERT_TRUE(run(&MainWindow::RestoreData));
    EXPECT_EQ(ReloadFromDisk()[1].profileName, u"备份前");
    EXPECT_EQ(dlg->profiles()[1].profileName, u"备份前");
    ASSERT_NE(dlg->profileSelector()->menu()->FindItem(1), nullptr);
    EXPECT_EQ(dlg->profileSelector()->menu()->FindItem(1)->text, U("备份前"));

    // Saving the shown profile again writes the restored one, not the replaced one.
    dlg->OnProfileChoice(1);
    EXPECT_EQ(dlg->nameBox()->text(), U("备份前"));
    Click(kIdSave);
    dlg->WaitForDeviceWork();
    EXPECT_EQ(ReloadFromDisk()[1].profileName, u"备份前");
}

}  // namespace z7::test
