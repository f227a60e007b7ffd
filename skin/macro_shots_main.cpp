// Screenshots of the "MACRO RECORDING" page in the real window on a simulated mouse, taken from
// the X server: empty, 30 recorded events scrolled to the end, a selection, the delay edits and
// the Edit Key prompt. Inputs come from the recording capture, so no keyboard is needed.
//   xvfb-run -a z7-macro-shots DIR
#include "sim/sim_factory.h"
#include "sim/sim_transport.h"
// Before any Qt header: Qt's `slots` keyword macro would rename the simulator's field.
#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

#include "core/util/text.h"
#include "gui/app/input_capture_relay.h"
#include "gui/app/main_window.h"
#include "gui/pages/macros/macro_page.h"
#include "platform/fake/recording_input_capture.h"
#include "platform/host_actions.h"
#include "shots_support.h"

using namespace shots;

namespace {

void Shot(QWidget* window, const QDir& dir, const char* name) {
    Pump(150);
    const QRect area = window->frameGeometry();
    const QImage image = QGuiApplication::primaryScreen()
                             ->grabWindow(0, area.x(), area.y(), area.width(), area.height())
                             .toImage();
    const bool ok = !image.isNull() && image.save(dir.filePath(QString::fromUtf8(name)));
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(dir.filePath(name)));
    failures += !ok;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: z7-macro-shots DIR\n");
        return 2;
    }
    QDir dir(QString::fromLocal8Bit(argv[1]));
    dir.mkpath(QStringLiteral("."));
    QTemporaryDir temp;
    QCursor::setPos(QGuiApplication::primaryScreen()->geometry().bottomRight());

    z7::SystemClock clock;
    z7::VirtualClock inputClock;
    z7::SimMouse mouse(clock, z7::FactorySimState());
    z7::SimTransport transport(mouse);
    z7::DeviceLink link(transport, clock);
    auto actions = z7::CreateHostActions();
    z7::RecordingInputCapture* capture = nullptr;
    z7::MainWindowEnvironment env;
    env.fs = &z7::LocalFileSystem();
    env.link = &link;
    env.hostActions = actions.get();
    env.settingsFile = z7::PathFromUtf8(temp.filePath(QStringLiteral("Config.ini")).toStdString());
    env.defaultDataFolder = z7::PathFromUtf8(temp.path().toStdString());
    env.simulated = true;

    z7::MainWindow dlg(env);
    dlg.inputCaptureFactory = [&] {
        auto made = std::make_unique<z7::RecordingInputCapture>(inputClock);
        capture = made.get();
        return std::make_unique<z7::InputCaptureRelay>(std::move(made));
    };
    dlg.Start(nullptr, false);
    dlg.WaitForDeviceWork();
    auto* page = static_cast<z7::MacroPage*>(dlg.page(z7::PageId::kMacros));
    dlg.OpenPage(z7::PageId::kMacros);
    page->move(60, 40);
    Shot(page, dir, "macro_empty.png");

    // Thirty events: a Ctrl+C, a few words and some clicks, with human pauses.
    page->nameEdit()->setText(QString::fromUtf8("连招 1"));
    page->StartRecord();
    const uint16_t keys[] = {162, 'C', 'H', 'E', 'L', 'O', 'W', 'R', 'D', 13, 'G', 'G'};
    int pause = 40;
    for (int i = 0; static_cast<int>(page->list()->rowCount()) < 26; ++i) {
        const uint16_t vk = keys[i % 12];
        capture->Key(vk, true);
        inputClock.Advance(z7::Millis(60 + (i * 37) % 90));
        capture->Key(vk, false);
        inputClock.Advance(z7::Millis(pause += 15));
        QCoreApplication::sendPostedEvents();
    }
    capture->Button(z7::kMouseLeft, true);
    inputClock.Advance(z7::Millis(85));
    capture->Button(z7::kMouseLeft, false);
    inputClock.Advance(z7::Millis(300));
    capture->Button(z7::kMouseRight, true);
    inputClock.Advance(z7::Millis(95));
    capture->Button(z7::kMouseRight, false);
    QCoreApplication::sendPostedEvents();
    Shot(page, dir, "macro_recording.png");
    page->StopRecord();
    Shot(page, dir, "macro_30_events_scrolled.png");

    // A selection in the middle of the list.
    z7::MacroEventList* list = page->list();
    list->ScrollTo(9);
    list->SelectRow(11);
    list->SelectRangeTo(14);
    page->Tick();
    Shot(page, dir, "macro_selection.png");

    // The delay edit for the selected rows, and the in-place edit of one row's pause.
    page->checkBox(z7::kIdSelDelay)->Toggle();
    page->delayEdit()->setText(QStringLiteral("250"));
    page->Tick();
    list->EditDelay(16);
    list->delayEditor()->setText(QStringLiteral("1500"));
    Shot(page, dir, "macro_delay_edit.png");
    list->CommitDelayEdit();

    // Edit Key waiting for the new key.
    list->SelectRow(12);
    page->EditKey();
    Shot(page, dir, "macro_edit_key.png");
    capture->Key('X', true);
    QCoreApplication::sendPostedEvents();

    std::printf("%s\n", failures ? "FAILED" : "done");
    return failures ? 1 : 0;
}
