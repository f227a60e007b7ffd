// Screenshots of the lighting page in the real main window on a simulated mouse, taken from the
// X server: each effect with its preview, a pick on the discs, lights off with a sync colour, an
// open drop-down and the Speed help.
//   xvfb-run -a z7-lighting-shots DIR
#include "sim/sim_factory.h"
#include "sim/sim_transport.h"
// Before any Qt header: Qt's `slots` keyword macro would rename the simulator's field.
#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cstdio>

#include "core/util/text.h"
#include "gui/app/main_window.h"
#include "gui/pages/lighting/colour_disc.h"
#include "gui/pages/lighting/lighting_page.h"
#include "gui/pages/lighting/lighting_preview.h"
#include "gui/ui/skin_combo_button.h"
#include "gui/ui/title_tip.h"
#include "platform/host_actions.h"
#include "shots_support.h"

using namespace shots;

namespace {

void Choose(z7::SkinComboButton* combo, int value) {
    combo->menu()->ChooseItem(value);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: z7-lighting-shots DIR\n");
        return 2;
    }
    QDir dir(QString::fromLocal8Bit(argv[1]));
    dir.mkpath(QStringLiteral("."));
    QTemporaryDir temp;
    QCursor::setPos(QGuiApplication::primaryScreen()->geometry().bottomRight());

    z7::SystemClock clock;
    z7::SimMouse mouse(clock, z7::FactorySimState());
    z7::SimTransport transport(mouse);
    z7::DeviceLink link(transport, clock);
    auto actions = z7::CreateHostActions();
    z7::MainWindowEnvironment env;
    env.fs = &z7::LocalFileSystem();
    env.link = &link;
    env.hostActions = actions.get();
    env.settingsFile = z7::PathFromUtf8(temp.filePath(QStringLiteral("Config.ini")).toStdString());
    env.defaultDataFolder = z7::PathFromUtf8(temp.path().toStdString());
    env.simulated = true;

    z7::MainWindow dlg(env);
    dlg.Start(nullptr, true);
    dlg.move(40, 40);
    dlg.show();
    Pump(200);
    dlg.WaitForDeviceWork();

    QTest::mouseClick(dlg.button(z7::kIdLight), Qt::LeftButton);
    Pump(300);
    auto* page = qobject_cast<z7::LightingPage*>(dlg.pageOpenedBy(z7::kIdLight));
    if (!page || !page->isVisible()) {
        std::fprintf(stderr, "the lighting page did not open\n");
        return 1;
    }
    page->move(60, 60);
    Pump(200);
    const auto shoot = [&](const char* name) { Shot(page->frameGeometry(), dir, name); };
    shoot("lighting_steady.png");

    // A pick on the wheel disc: both lights take the colour, the marker shows where.
    z7::ColourDisc* wheel = page->disc(z7::Light::kWheel);
    QTest::mouseClick(wheel, Qt::LeftButton, {}, QPoint(30, 22));
    Pump(100);
    Check(page->pickedColor(z7::Light::kLogo) == page->pickedColor(z7::Light::kWheel),
          "a pick with both lights on colours both");
    // Then the logo typed apart.
    page->edit(z7::Light::kLogo, 0)->setText(QStringLiteral("0"));
    page->edit(z7::Light::kLogo, 1)->setText(QStringLiteral("200"));
    page->edit(z7::Light::kLogo, 2)->setText(QStringLiteral("90"));
    Pump(100);
    shoot("lighting_picked.png");

    // Breathing at 75%, caught near the top of a breath.
    Choose(page->mode(), z7::kEffectBreathing);
    Choose(page->strength(), 4);
    Pump(1900);
    Check(page->preview()->animating(), "the preview animates breathing while shown");
    shoot("lighting_breathing.png");

    // Beating at 80 bpm: Speed comes alive.
    Choose(page->mode(), z7::kEffectBeating);
    Choose(page->speed(), 0x80);
    Pump(820);
    Check(page->speed()->isEnabled(), "Speed is live for beating");
    shoot("lighting_beating.png");

    // Colour cycle at full strength.
    Choose(page->mode(), z7::kEffectColourCycle);
    Choose(page->strength(), 5);
    Pump(1300);
    shoot("lighting_colour_cycle.png");

    // The logo off and the wheel synced to "VR-40 蓝": the discs take no picks.
    Choose(page->mode(), z7::kEffectSteady);
    Choose(page->lights(), z7::kLightsLogoOff);
    Choose(page->kestaColor(), z7::kSyncBlue);
    Pump(150);
    shoot("lighting_logo_off_sync_blue.png");
    Choose(page->kestaColor(), z7::kSyncNone);
    Choose(page->lights(), z7::kLightsBothOn);

    // The effect drop-down open.
    page->mode()->OpenMenu();
    Pump(200);
    Shot(page->frameGeometry().adjusted(0, 0, 0, 80), dir, "lighting_mode_menu.png");
    page->mode()->menu()->Close();
    Pump(100);

    // The Speed help over the disabled drop-down.
    QTest::mouseMove(page->speed(), QPoint(20, 10));
    Pump(300);
    Shot(page->frameGeometry(), dir, "lighting_speed_help.png");
    for (z7::TitleTip* tip : page->findChildren<z7::TitleTip*>()) tip->Hide();

    // Hidden: the preview's timer stops.
    page->hide();
    Pump(100);
    Check(!page->preview()->animating(), "the preview stops when the page hides");
    return failures == 0 ? 0 : 1;
}
