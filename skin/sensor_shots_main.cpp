// Screenshots of the sensor page ("ADVANCED SETTINGS") and the pointer page ("BASIC SETTINGS") in
// the real main window on a simulated mouse, taken from the X server.
//   xvfb-run -a z7-sensor-shots DIR
// The pointer page is shown twice: on a desktop that applies every setting (as Windows does,
// through the recording pointer system) and on this X server's own pointer control, which
// applies only speed and acceleration and says so on the other controls.
#include "sim/sim_factory.h"
#include "sim/sim_transport.h"
// Before any Qt header: Qt's `slots` keyword macro would rename the simulator's field.
namespace {
z7::DeviceImage StoredImage(const z7::SimMouse& mouse, int slot) {
    return mouse.state().slots[static_cast<size_t>(slot)];
}
}  // namespace
#include <QApplication>
#include <QEventLoop>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolTip>
#include <cstdio>

#include "core/util/text.h"
#include "gui/app/main_window.h"
#include "gui/pages/pointer/pointer_page.h"
#include "gui/pages/sensor/sensor_page.h"
#include "gui/ui/skin_combo_button.h"
#include "gui/ui/title_tip.h"
#include "platform/fake/recording_pointer_system.h"
#include "platform/host_actions.h"
#include "platform/pointer_system.h"
#include "shots_support.h"

using namespace shots;

namespace {

// A window on a simulated mouse with the pointer system given.
struct Session {
    Session(const QTemporaryDir& temp, z7::PointerSystem* pointer)
        : mouse(clock, z7::FactorySimState()), transport(mouse), link(transport, clock) {
        actions = z7::CreateHostActions();
        z7::MainWindowEnvironment env;
        env.fs = &z7::LocalFileSystem();
        env.link = &link;
        env.hostActions = actions.get();
        env.pointerSystem = pointer;
        env.settingsFile =
            z7::PathFromUtf8(temp.filePath(QStringLiteral("Config.ini")).toStdString());
        env.defaultDataFolder = z7::PathFromUtf8(temp.path().toStdString());
        env.simulated = true;
        dlg = std::make_unique<z7::MainWindow>(env);
        dlg->popupHandler = [](int, const QString&) { return 1; };
        dlg->Start(nullptr, false);
        dlg->move(20, 20);
        dlg->show();
        Pump(200);
        dlg->WaitForDeviceWork();
        Pump(100);
    }
    z7::PageWindow* Open(z7::PageId id) {
        dlg->OpenPage(id);
        z7::PageWindow* page = dlg->page(id);
        page->move(120, 60);
        Pump(300);
        return page;
    }

    z7::SystemClock clock;
    z7::SimMouse mouse;
    z7::SimTransport transport;
    z7::DeviceLink link;
    std::unique_ptr<z7::HostActions> actions;
    std::unique_ptr<z7::MainWindow> dlg;
};

void SensorShots(const QDir& dir) {
    QTemporaryDir temp;
    Session s(temp, nullptr);
    auto* page = static_cast<z7::SensorPage*>(s.Open(z7::PageId::kSensor));
    Shot(page->frameGeometry(), dir, "advanced_factory.png");

    // Two steps of their own, angle snap and lift-off on, the manual surface mode.
    page->steps()->menu()->ChooseItem(2);
    page->cpiEdit(0, false)->setText(QStringLiteral("1200"));
    page->cpiEdit(0, true)->setText(QStringLiteral("1100"));
    page->angleSnap()->menu()->ChooseItem(1);
    page->angleSnapSlider()->MoveByUser(5);
    page->lod()->menu()->ChooseItem(1);
    page->lodSlider()->MoveByUser(3);
    page->surfaceMode()->menu()->ChooseItem(2);
    Pump(300);
    Check(page->calibrateButton()->isEnabled(), "Calibrate is enabled in the manual mode");
    Shot(page->frameGeometry(), dir, "advanced_edited.png");

    // The polling rate's menu.
    page->pollingRate()->OpenMenu();
    Pump(200);
    Check(page->pollingRate()->menuOpen(), "the polling rate menu opens");
    Shot(page->frameGeometry().adjusted(0, 0, 0, 60), dir, "advanced_polling_menu.png");
    page->pollingRate()->menu()->Close();
    Pump(100);

    // The help balloon of a CPI edit.
    QWidget* edit = page->cpiEdit(1, false);
    QTest::mouseMove(edit, edit->rect().center());
    Pump(300);
    Shot(page->frameGeometry().adjusted(0, -120, 0, 0), dir, "advanced_help.png");
    for (z7::TitleTip* tip : page->findChildren<z7::TitleTip*>()) tip->Hide();

    // Apply reaches the simulated mouse.
    page->pollingRate()->menu()->ChooseItem(2);
    page->Apply();
    s.dlg->WaitForDeviceWork();
    Pump(100);
    const z7::DeviceImage image = StoredImage(s.mouse, 0);
    Check(image[z7::kOffsetPollingRate] == 2, "the mouse holds 500 Hz");
    Check((image[z7::kOffsetStep[0] + z7::kStepCpiX] |
           (image[z7::kOffsetStep[0] + z7::kStepCpiX + 1] << 8)) == 1200,
          "the mouse holds 1200 CPI for step 1 X");
    page->hide();
}

void PointerShots(const QDir& dir, z7::PointerSystem* pointer, const char* name,
                  const char* tipName) {
    QTemporaryDir temp;
    Session s(temp, pointer);
    auto* page = static_cast<z7::PointerPage*>(s.Open(z7::PageId::kPointer));
    Shot(page->frameGeometry(), dir, name);
    // The tooltip of the trails check box: its text, or why this desktop does not apply it.
    QWidget* trails = page->trails();
    QToolTip::showText(trails->mapToGlobal(QPoint(20, trails->height())), trails->toolTip(),
                       trails);
    Pump(300);
    Shot(page->frameGeometry().adjusted(0, 0, 0, 40), dir, tipName);
    QToolTip::hideText();
    page->acceleration()->OpenMenu();
    Pump(200);
    if (page->acceleration()->menuOpen()) {
        Shot(page->frameGeometry(), dir,
             pointer && pointer->Support(z7::PointerSetting::Trails).applied
                 ? "basic_acceleration_menu.png"
                 : "basic_x11_acceleration_menu.png");
        page->acceleration()->menu()->Close();
    }
    page->hide();
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: z7-sensor-shots DIR\n");
        return 2;
    }
    QDir dir(QString::fromLocal8Bit(argv[1]));
    dir.mkpath(QStringLiteral("."));
    QCursor::setPos(QGuiApplication::primaryScreen()->geometry().bottomRight());

    SensorShots(dir);
    z7::RecordingPointerSystem everything;
    PointerShots(dir, &everything, "basic_all_applied.png", "basic_tooltip.png");
    // This session's own pointer settings: the X server's, under Xvfb.
    std::unique_ptr<z7::PointerSystem> x11 = z7::CreatePointerSystem();
    Check(!x11->Support(z7::PointerSetting::Trails).applied, "X11 has no pointer trails");
    PointerShots(dir, x11.get(), "basic_x11.png", "basic_x11_tooltip.png");
    return failures == 0 ? 0 : 1;
}
