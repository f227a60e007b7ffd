// Screenshots of the button page and its four popups in the real program on a simulated mouse,
// taken from the X server: the page with a function menu and a submenu open, and each popup
// with something in it.
//   xvfb-run -a z7-button-shots DIR
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

#include "core/buttons/text_block_library.h"
#include "core/util/text.h"
#include "gui/app/application.h"
#include "gui/app/input_capture_relay.h"
#include "gui/app/main_window.h"
#include "gui/pages/buttons/button_page.h"
#include "gui/pages/buttons/key_capture_field.h"
#include "gui/pages/buttons/library_popups.h"
#include "gui/ui/skin_combo_button.h"
#include "platform/fake/recording_input_capture.h"
#include "platform/host_actions.h"
#include "shots_support.h"

using namespace shots;

namespace {

QString U(const char* text) {
    return QString::fromUtf8(text);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    (void)z7::InstallQtTranslations(app);
    if (argc != 2) {
        std::fprintf(stderr, "usage: z7-button-shots DIR\n");
        return 2;
    }
    QDir dir(QString::fromLocal8Bit(argv[1]));
    dir.mkpath(QStringLiteral("."));
    QTemporaryDir temp;
    QCursor::setPos(QGuiApplication::primaryScreen()->geometry().bottomRight());

    // A few library entries, so that the menus show what users keep in them.
    const std::filesystem::path data = z7::PathFromUtf8(temp.path().toStdString());
    {
        z7::TextBlockLibrary texts = z7::TextBlockLibrary::ForDataFolder(data);
        std::string error;
        (void)texts.AddAndSave(z7::LocalFileSystem(), u"签名", u"此致\n敬礼", &error);
        (void)texts.AddAndSave(z7::LocalFileSystem(), u"地址", u"北京市海淀区", &error);
    }

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
    env.defaultDataFolder = data;
    env.simulated = true;

    z7::MainWindow dlg(env);
    // Keys for the popups come from a recording capture the shots can type into.
    z7::RecordingInputCapture* capture = nullptr;
    bool ownWindowsOnly = false;
    dlg.inputCaptureFactory = [&capture, &ownWindowsOnly] {
        auto recording = std::make_unique<z7::RecordingInputCapture>();
        if (ownWindowsOnly) recording->scopeShown = z7::CaptureScope::kOwnWindows;
        capture = recording.get();
        return std::make_unique<z7::InputCaptureRelay>(std::move(recording));
    };
    dlg.Start(nullptr, false);
    dlg.move(40, 40);
    dlg.show();
    Pump(200);
    dlg.WaitForDeviceWork();

    dlg.OpenPage(z7::PageId::kButtons);
    auto* page = static_cast<z7::ButtonPage*>(dlg.page(z7::PageId::kButtons));
    page->move(60, 60);
    Pump(300);
    page->functionButton(3)->menu()->Submenu(z7::kMultimediaHeader, false)->ChooseItem(2201);
    Pump(100);
    Shot(page->frameGeometry(), dir, "page.png");

    // Button 5's menu with the text block submenu open.
    z7::ButtonFunctionCombo* combo = page->functionButton(4);
    combo->OpenMenu();
    Pump(150);
    z7::SkinMenu* menu = combo->menu();
    int row = -1;
    for (size_t i = 0; i < menu->items().size(); ++i)
        if (menu->items()[i].id == z7::kTextBlockHeader) row = static_cast<int>(i);
    menu->SetHotItem(row);
    menu->OpenSubmenuOf(row, true);
    Pump(200);
    z7::SkinMenu* sub = menu->Submenu(z7::kTextBlockHeader, false);
    Check(menu->isVisible() && sub && sub->isVisible(), "the menu and its submenu are open");
    QRect area = page->frameGeometry().united(menu->frameGeometry());
    if (sub) area = area.united(sub->frameGeometry());
    Shot(area.adjusted(-4, -4, 4, 4), dir, "page_menu_submenu.png");
    menu->Close();
    Pump(100);

    // The Windows hotkeys: the widest submenu.
    combo->OpenMenu();
    Pump(100);
    for (size_t i = 0; i < menu->items().size(); ++i)
        if (menu->items()[i].id == z7::kWindowsHotkeyHeader) row = static_cast<int>(i);
    menu->SetHotItem(row);
    menu->OpenSubmenuOf(row, true);
    Pump(200);
    sub = menu->Submenu(z7::kWindowsHotkeyHeader, false);
    area = page->frameGeometry().united(menu->frameGeometry());
    if (sub) area = area.united(sub->frameGeometry());
    Shot(area.adjusted(-4, -4, 4, 4), dir, "page_menu_windows_hotkeys.png");
    menu->Close();
    Pump(100);

    // The four popups over the page, each with something in it.
    {
        z7::BindKeyPopup popup(dlg, 2, page);
        popup.show();
        popup.activateWindow();
        Pump(300);
        if (capture) capture->Key(113, true);  // F2
        Pump(100);
        Check(popup.keyField()->text() == U("F2"), "the bind-a-key popup shows the key");
        Shot(popup.frameGeometry(), dir, "popup_bind_key.png");
        popup.keyField()->Activate();
        popup.lineEdit("Name")->setText(QString());
        Pump(150);
        Shot(popup.frameGeometry(), dir, "popup_bind_key_waiting.png");
        popup.Cancel();
    }
    {
        // Where no program sees another's keys (Wayland) the popup says what it can hear.
        ownWindowsOnly = true;
        z7::BindKeyPopup popup(dlg, 2, page);
        popup.show();
        popup.activateWindow();
        Pump(300);
        Check(!popup.note()->Text().isEmpty(), "the popup says it hears only its own windows");
        Shot(popup.frameGeometry(), dir, "popup_bind_key_own_windows.png");
        popup.Cancel();
        ownWindowsOnly = false;
    }
    {
        z7::CustomHotkeyPopup popup(dlg, 4, page);
        popup.show();
        popup.activateWindow();
        Pump(300);
        popup.toggle(z7::CustomHotkeyPopup::kShiftId)->Toggle();
        if (capture) capture->Key(116, true);  // F5
        Pump(150);
        Check(popup.keyField()->text() == U("CTRL+Shift+Alt+F5"),
              "the hotkey popup shows the combination");
        Shot(popup.frameGeometry(), dir, "popup_custom_hotkey.png");
        popup.Cancel();
    }
    {
        z7::ShortcutPopup popup(dlg, 5, page);
        popup.show();
        popup.activateWindow();
        Pump(200);
        popup.lineEdit("Target")->setText(U("https://www.example.org/manual"));
        popup.lineEdit("Name")->setText(U("说明书"));
        Pump(100);
        Shot(popup.frameGeometry(), dir, "popup_shortcut.png");
        popup.Cancel();
    }
    {
        z7::TextBlockPopup popup(dlg, 4, page);
        popup.show();
        popup.activateWindow();
        Pump(200);
        popup.textEdit()->setPlainText(U("hello 你好\n这是一段由鼠标按键输入的文字。"));
        popup.lineEdit("Name")->setText(U("问候"));
        Pump(100);
        Shot(popup.frameGeometry(), dir, "popup_text_block.png");
        popup.Cancel();
    }
    // More text blocks than a button can name: the menu says how many it leaves out.
    {
        z7::TextBlockLibrary texts = z7::TextBlockLibrary::ForDataFolder(data);
        texts.Load(z7::LocalFileSystem());
        for (int i = static_cast<int>(texts.entries().size()); i < 258; ++i) {
            z7::TextBlockEntry e;
            e.id = i;
            e.name = u"文本 " + z7::Utf8ToUtf16(std::to_string(i));
            e.text = u"x";
            texts.entries().push_back(e);
        }
        std::string error;
        Check(texts.Save(z7::LocalFileSystem(), nullptr, &error), "258 text blocks saved");
        dlg.NotifyLibraryChanged(z7::LibraryKind::kTextBlocks);
        combo->OpenMenu();
        Pump(100);
        for (size_t i = 0; i < menu->items().size(); ++i)
            if (menu->items()[i].id == z7::kTextBlockHeader) row = static_cast<int>(i);
        menu->SetHotItem(row);
        menu->OpenSubmenuOf(row, false);
        Pump(200);
        sub = menu->Submenu(z7::kTextBlockHeader, false);
        if (sub) {
            // The end of the long submenu, where the note stands.
            const QRect last = sub->items().back().rect.translated(sub->frameGeometry().topLeft());
            Shot(QRect(last.left() - 8, last.bottom() - 200, sub->width() + 16, 220), dir,
                 "page_menu_overflow_note.png");
        }
        menu->Close();
    }
    page->hide();
    return failures == 0 ? 0 : 1;
}
