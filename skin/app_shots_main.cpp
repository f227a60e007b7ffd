// Screenshots of the real main window on a simulated mouse, taken from the X server, and a check
// that the borderless window can be dragged, hidden and brought back.
//   xvfb-run -a z7-app-shots DIR
#include "sim/sim_factory.h"
#include "sim/sim_transport.h"
// Before any Qt header: Qt's `slots` keyword macro would rename the simulator's field.
#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QMessageBox>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cstdio>

#include "core/util/text.h"
#include "gui/app/application.h"
#include "gui/app/main_window.h"
#include "platform/host_actions.h"
#include "shots_support.h"

using namespace shots;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    Check(z7::InstallQtTranslations(app), "Qt's own dialogs in Chinese");
    if (argc != 2) {
        std::fprintf(stderr, "usage: z7-app-shots DIR\n");
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
    Pump(200);
    Shot(dlg.frameGeometry(), dir, "main_attached.png");

    // Help balloon of the save button.
    QWidget* save = dlg.button(z7::kIdSave);
    QTest::mouseMove(save, save->rect().center());
    Pump(300);
    Shot(dlg.frameGeometry().adjusted(0, 0, 0, 80), dir, "main_tooltip.png");
    QCursor::setPos(QGuiApplication::primaryScreen()->geometry().bottomRight());
    QTest::mouseMove(&dlg, QPoint(430, 80));
    Pump(200);

    // The profile selector open.
    z7::SkinComboButton* selector = dlg.profileSelector();
    QTest::mouseClick(selector, Qt::LeftButton, {}, selector->rect().center());
    Pump(200);
    Shot(dlg.frameGeometry(), dir, "main_profiles.png");
    if (selector->menu()) selector->menu()->Close();
    // Synthetic clicks leave the help balloon up; a real pointer moving away would close it.
    for (z7::TitleTip* tip : dlg.findChildren<z7::TitleTip*>()) tip->Hide();
    Pump(100);

    // The share menu opens upward over the window's bottom row: its border sets it apart.
    dlg.shareButton()->OpenMenu();
    Pump(200);
    Check(dlg.shareButton()->menuOpen(), "the share menu opens from the keyboard path");
    Shot(dlg.frameGeometry(), dir, "main_share_menu.png");
    dlg.shareButton()->menu()->Close();
    Pump(100);

    // The focus mark: Tab from the profile selector onto the Save button, then a tile.
    dlg.activateWindow();
    Pump(100);
    selector->setFocus(Qt::OtherFocusReason);
    for (int i = 0; i < 3; ++i) QTest::keyClick(dlg.focusWidget(), Qt::Key_Tab);
    Pump(100);
    Check(dlg.focusWidget() == dlg.button(z7::kIdButtons), "Tab reaches the first page tile");
    Shot(dlg.frameGeometry(), dir, "main_focus.png");
    dlg.urlOpener = [](const QString&) {};
    QTest::mouseClick(dlg.button(z7::kIdRegister), Qt::LeftButton);  // a click hides the mark
    Pump(100);

    // Unplugged.
    mouse.Unplug();
    dlg.OnDeviceChange(z7::DeviceChange::kRemoval, "hid-22D4-1206");
    Pump(200);
    Check(dlg.firmwareVersionText() == QStringLiteral("-.--"), "unplugged shows -.--");
    Shot(dlg.frameGeometry(), dir, "main_detached.png");
    mouse.Plug();
    dlg.OnDeviceChange(z7::DeviceChange::kArrival, "hid-22D4-1206");
    Pump(1200);
    dlg.WaitForDeviceWork();
    Pump(100);
    Check(dlg.firmwareVersionText() == QStringLiteral("V1.65"), "replugged shows V1.65");

    // The tray menu where a right click at (700, 600) would open it.
    dlg.tray()->OpenMenuAt(QPoint(700, 600));
    Pump(200);
    const QRect menu = dlg.tray()->menu()->frameGeometry();
    Check(menu.bottomRight() == QPoint(699, 599), "tray menu's bottom-right corner at the cursor");
    Shot(menu.adjusted(-20, -20, 20, 20), dir, "tray_menu.png");
    dlg.tray()->menu()->Close();

    // Dragging the borderless window by its background.
    const QPoint before = dlg.pos();
    const QPoint origin = dlg.mapToGlobal(QPoint(0, 0));
    QTest::mousePress(&dlg, Qt::LeftButton, {}, QPoint(400, 70));
    for (int i = 1; i <= 10; ++i) {
        QMouseEvent move(QEvent::MouseMove, QPointF(400 + 6 * i, 70 + 3 * i),
                         QPointF(origin + QPoint(400 + 6 * i, 70 + 3 * i)), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&dlg, &move);
        Pump(20);
    }
    QTest::mouseRelease(&dlg, Qt::LeftButton, {}, QPoint(460, 100));
    Pump(200);
    std::printf("window moved from (%d,%d) to (%d,%d)\n", before.x(), before.y(), dlg.pos().x(),
                dlg.pos().y());
    Check(dlg.pos() == before + QPoint(60, 30), "the window follows a drag on its background");

    // Hidden to the tray (minimised where there is none) and brought back.
    QTest::mouseClick(dlg.button(z7::kIdHide), Qt::LeftButton);
    Pump(200);
    Check(!dlg.isVisible() || dlg.isMinimized(), "the tray button hides the window");
    dlg.ShowFromOtherInstance();
    Pump(200);
    Check(dlg.isVisible() && !dlg.isMinimized(), "the window comes back");

    // A page opened from its button.
    QTest::mouseClick(dlg.button(z7::kIdSystem), Qt::LeftButton);
    Pump(200);
    z7::PageWindow* page = dlg.pageOpenedBy(z7::kIdSystem);
    Check(page->isVisible(), "the System page opens");
    Shot(page->frameGeometry(), dir, "page_system.png");
    page->hide();

    // The pointer page, with the ends of its sliders labelled.
    QTest::mouseClick(dlg.button(z7::kIdBasic), Qt::LeftButton);
    Pump(200);
    z7::PageWindow* basic = dlg.pageOpenedBy(z7::kIdBasic);
    Shot(basic->frameGeometry(), dir, "page_basic.png");
    basic->hide();

    // Qt's own file dialog (the import) speaks Chinese like the rest of the program.
    QFileDialog files(&dlg, QString::fromUtf8("导入配置"), temp.path(),
                      QStringLiteral("Kesta Mouse Profile(*.profile)"));
    files.setOption(QFileDialog::DontUseNativeDialog);
    files.resize(720, 440);
    files.move(60, 80);
    files.show();
    Pump(300);
    Shot(files.frameGeometry(), dir, "file_dialog_zh.png");
    files.hide();

    // What Save says when the udev rule is missing.
    QMessageBox box(QMessageBox::Warning, dlg.windowTitle(),
                    QString::fromUtf8("已找到鼠标，但当前用户没有打开它的权限（/dev/hidraw3）。"),
                    QMessageBox::Ok, &dlg);
    box.show();
    Pump(200);
    Shot(box.frameGeometry(), dir, "message_box_zh.png");
    box.hide();
    return failures == 0 ? 0 : 1;
}
