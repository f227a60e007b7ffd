// Start-up pieces around the main window: the command line, one instance per session, the tray.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTest>
#include <QUuid>

#include "gui/app/application.h"
#include "gui/app/tray_icon.h"
#include "gui/pages/page_window.h"

namespace z7 {
namespace {

TEST(AppOptions, AcceptsTheDocumentedOptionsAndRefusesTheRest) {
    AppOptions o;
    QString error;
    ASSERT_TRUE(ParseAppOptions(
        {"--simulate", "unix:/tmp/s.sock", "--data-dir", "/d", "--config", "/c.ini", "--minimized"},
        o, error));
    EXPECT_EQ(o.simulate, "unix:/tmp/s.sock");
    EXPECT_EQ(o.dataDir, std::filesystem::path("/d"));
    EXPECT_EQ(o.config, std::filesystem::path("/c.ini"));
    EXPECT_TRUE(o.minimized);

    AppOptions bad;
    EXPECT_FALSE(ParseAppOptions({"--simulate"}, bad, error));
    EXPECT_TRUE(error.contains(QStringLiteral("--simulate")));
    EXPECT_FALSE(ParseAppOptions({"--data-dir", ""}, bad, error));
    EXPECT_FALSE(ParseAppOptions({"--fullscreen"}, bad, error));
}

TEST(SingleInstance, ASecondStartAsksTheFirstToShowItselfAndEnds) {
    const QString key = QStringLiteral("z7-test-") + QUuid::createUuid().toString(QUuid::Id128);
    SingleInstance first(key);
    ASSERT_TRUE(first.Claim());
    QSignalSpy shown(&first, &SingleInstance::showRequested);
    SingleInstance second(key);
    EXPECT_FALSE(second.Claim());
    ASSERT_TRUE(shown.wait(5000));
    EXPECT_EQ(shown.count(), 1);
}

TEST(SingleInstance, TheKeyNamesTheProgramAndTheUser) {
    EXPECT_TRUE(InstanceKey().startsWith(QStringLiteral("Kesta Z7 Laser Mouse Config-")));
}

TEST(Tray, TheMenuOpensWithItsCornerAtTheCursorAndReportsItsTwoItems) {
    QWidget owner;
    TrayIcon tray(&owner);
    QSignalSpy show(&tray, &TrayIcon::showRequested);
    QSignalSpy quit(&tray, &TrayIcon::quitRequested);
    tray.OpenMenuAt(QPoint(300, 200));
    ASSERT_NE(tray.menu(), nullptr);
    EXPECT_TRUE(tray.menu()->isVisible());
    EXPECT_EQ(tray.menu()->frameGeometry().bottomRight(), QPoint(299, 199));
    ASSERT_EQ(tray.menu()->items().size(), 2u);
    EXPECT_EQ(tray.menu()->items()[0].text, QString::fromUtf8("设置鼠标"));
    EXPECT_EQ(tray.menu()->items()[1].text, QString::fromUtf8("退出驱动"));
    tray.menu()->Close();
    // Near the top-left corner the menu may leave the screen, but keeps its corner.
    tray.OpenMenuAt(QPoint(5, 5));
    EXPECT_EQ(tray.menu()->frameGeometry().bottomRight(), QPoint(4, 4));
    tray.Choose(kTrayShowItem);
    tray.Choose(kTrayExitItem);
    EXPECT_EQ(show.count(), 1);
    EXPECT_EQ(quit.count(), 1);
}

class RecordingPage : public PageWindow {
  public:
    RecordingPage() : PageWindow(50, nullptr) {}
    int builds = 0;
    std::vector<std::u16string> loaded;
    std::u16string edited;

  protected:
    void BuildControls() override { ++builds; }
    void LoadControls(const ProfileRecord& r) override {
        loaded.push_back(r.profileName);
        edited = r.profileName;
    }
    void StoreControls(ProfileRecord& r) override { r.profileName = edited; }
};

TEST(Page, BuildsOnFirstShowWithTheLastProfileItWasGiven) {
    RecordingPage page;
    EXPECT_FALSE(page.built());
    EXPECT_EQ(page.size(), QSize(760, 520));  // sized before any picture is decoded
    ProfileRecord a = CreateProfileRecord(), b = CreateProfileRecord();
    a.profileName = u"A";
    b.profileName = u"B";
    page.LoadFromProfile(a);
    page.LoadFromProfile(b);
    ProfileRecord target = CreateProfileRecord();
    target.profileName = u"T";
    page.StoreIntoProfile(target);  // nothing built, nothing changed
    EXPECT_EQ(target.profileName, u"T");
    page.Open();
    page.hide();
    page.Open();
    EXPECT_EQ(page.builds, 1);
    EXPECT_EQ(page.loaded, std::vector<std::u16string>{u"B"});
    ASSERT_NE(page.closeButton(), nullptr);
    EXPECT_TRUE(page.closeButton()->isVisible());
    page.edited = u"edited";
    page.StoreIntoProfile(target);
    EXPECT_EQ(target.profileName, u"edited");
    QTest::mouseClick(page.closeButton(), Qt::LeftButton);
    EXPECT_FALSE(page.isVisible());
}

}  // namespace
}  // namespace z7
