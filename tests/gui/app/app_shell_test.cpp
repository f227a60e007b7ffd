// Start-up pieces around the main window: the command line, one instance per session, the tray.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTest>
#include <QTranslator>
#include <QUuid>

#include "gui/app/application.h"
#include "gui/app/tray_icon.h"

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

TEST(QtTranslations, QtsOwnDialogsSpeakChinese) {
    ASSERT_TRUE(InstallQtTranslations(*QCoreApplication::instance()))
        << "qtbase_zh_CN.qm from qt6-translations-l10n is missing";
    EXPECT_EQ(QCoreApplication::translate("QFileDialog", "Look in:"),
              QString::fromUtf8("查找范围："));
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QString::fromUtf8("取消"));
    for (QTranslator* t : QCoreApplication::instance()->findChildren<QTranslator*>())
        QCoreApplication::removeTranslator(t);
}

TEST(SingleInstance, TheKeyNamesTheProgramAndTheUser) {
    EXPECT_TRUE(InstanceKey().contains(QStringLiteral("Kesta Z7 Laser Mouse Config-")));
    const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", "/tmp");
    EXPECT_TRUE(InstanceKey().startsWith(QStringLiteral("/tmp/Kesta Z7 Laser Mouse Config-")));
    qputenv("XDG_RUNTIME_DIR", saved);
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

}  // namespace
}  // namespace z7
