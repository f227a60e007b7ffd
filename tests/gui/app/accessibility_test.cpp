// The main window, its menus, the tray menu, the message popups and the page windows as
// assistive technology sees them (Qt's accessibility, in process): every control has a role and
// a name, and the keyboard and the accessible actions reach what the pointer reaches.
#include "gui/app/main_window_fixture.h"

#include <QAccessible>
#include <QSignalSpy>
#include <functional>
#include <set>

#include "gui/ui/skin_combo_button.h"
#include "gui/ui/skin_layout.h"

namespace z7 {
namespace {

using test::MainWindowTest;
using test::U;

QAccessibleInterface* Of(QObject* object) {
    return QAccessible::queryAccessibleInterface(object);
}

void Walk(QAccessibleInterface* node, const std::function<void(QAccessibleInterface*)>& visit) {
    for (int i = 0; i < node->childCount(); ++i) {
        QAccessibleInterface* child = node->child(i);
        if (!child) continue;
        EXPECT_EQ(node->indexOfChild(child), i);
        visit(child);
        Walk(child, visit);
    }
}

// The roles a skinned window's controls may have; anything else (a "filler", a "client") is a
// control assistive technology cannot tell apart.
const std::set<QAccessible::Role> kControlRoles = {
    QAccessible::Button,      QAccessible::CheckBox,     QAccessible::ComboBox,
    QAccessible::ButtonMenu,  QAccessible::EditableText, QAccessible::StaticText,
    QAccessible::PopupMenu,   QAccessible::MenuItem,     QAccessible::Slider,
    QAccessible::ProgressBar, QAccessible::ScrollBar,    QAccessible::ColorChooser,
    QAccessible::Animation, QAccessible::List,
    QAccessible::ListItem};

// Every control under `window` has a known role and a name; returns them by name.
std::map<QString, QAccessibleInterface*> ControlsOf(QWidget* window) {
    std::map<QString, QAccessibleInterface*> byName;
    Walk(Of(window), [&](QAccessibleInterface* node) {
        const QString name = node->text(QAccessible::Name);
        EXPECT_TRUE(kControlRoles.count(node->role()))
            << "role " << node->role() << " of " << name.toStdString();
        EXPECT_FALSE(name.isEmpty()) << "an unnamed control of role " << node->role();
        byName.emplace(name, node);
    });
    return byName;
}

QAccessibleInterface* ChildNamed(QAccessibleInterface* node, const QString& name) {
    for (int i = 0; i < node->childCount(); ++i) {
        if (node->child(i)->text(QAccessible::Name) == name) return node->child(i);
    }
    return nullptr;
}

void Press(QAccessibleInterface* node) {
    ASSERT_NE(node->actionInterface(), nullptr) << node->text(QAccessible::Name).toStdString();
    ASSERT_TRUE(
        node->actionInterface()->actionNames().contains(QAccessibleActionInterface::pressAction()));
    node->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
}

TEST_F(MainWindowTest, EveryControlOfTheMainWindowHasARoleAndAName) {
    Open();
    dlg->show();
    QAccessibleInterface* window = Of(dlg.get());
    EXPECT_EQ(window->role(), QAccessible::Window);
    EXPECT_EQ(window->text(QAccessible::Name), U("KESTA Z7 LASER SOFTWARE"));

    const auto controls = ControlsOf(dlg.get());
    for (const char* tile :
         {"BUTTON ASSIGNMENT", "BASIC SETTINGS", "ADVANCED SETTINGS", "MACRO RECORDING",
          "LIGHT SETTINGS", "SYSTEM SETTINGS", "Support", "Save", "Delete", "Import",
          "Reset To Default", "Min", "Close", "Register", "Support Site", "Logo"}) {
        ASSERT_TRUE(controls.count(U(tile))) << tile;
        EXPECT_EQ(controls.at(U(tile))->role(), QAccessible::Button) << tile;
    }
    EXPECT_EQ(controls.at(U("Save"))->text(QAccessible::Description), U("储存配置"));
    EXPECT_EQ(controls.at(U("Profile"))->role(), QAccessible::ComboBox);
    EXPECT_EQ(controls.at(U("Profile"))->text(QAccessible::Value), U("出厂配置"));
    EXPECT_EQ(controls.at(U("Share"))->role(), QAccessible::ButtonMenu);
    EXPECT_EQ(controls.at(U("Profile Name"))->role(), QAccessible::EditableText);
    EXPECT_EQ(controls.at(U("Status"))->text(QAccessible::Description), U("固件 V1.65"));
    EXPECT_TRUE(controls.count(U("Simulated Mouse")));

    // The selector's menu lists the profiles by their names; the share menu its links.
    QAccessibleInterface* profiles = controls.at(U("Profile"))->child(0);
    ASSERT_NE(profiles, nullptr);
    EXPECT_EQ(profiles->role(), QAccessible::PopupMenu);
    EXPECT_EQ(profiles->text(QAccessible::Name), U("Profile"));
    EXPECT_TRUE(profiles->state().invisible);
    ASSERT_EQ(profiles->childCount(), 5);
    EXPECT_EQ(profiles->child(3)->text(QAccessible::Name), U("配置3"));
    EXPECT_EQ(profiles->child(3)->role(), QAccessible::MenuItem);
    EXPECT_EQ(profiles->child(3)->parent(), profiles);
    EXPECT_EQ(controls.at(U("Share"))->child(0)->child(2)->text(QAccessible::Name),
              U("造访我们的Youtube"));
}

TEST_F(MainWindowTest, AccessibleActionsRenameSaveAndOpenPagesAsTheUserWould) {
    Open();
    dlg->show();
    const auto controls = ControlsOf(dlg.get());

    // Pick a profile from the selector's menu, rename it, save.
    QAccessibleInterface* selector = controls.at(U("Profile"));
    selector->actionInterface()->doAction(QAccessibleActionInterface::showMenuAction());
    EXPECT_TRUE(selector->state().expanded);
    QAccessibleInterface* menu = selector->child(0);
    EXPECT_FALSE(menu->state().invisible);
    Press(ChildNamed(menu, U("配置1")));
    EXPECT_EQ(dlg->profiles().currentSlot(), 1);
    EXPECT_FALSE(selector->state().expanded);
    EXPECT_EQ(selector->text(QAccessible::Value), U("配置1"));

    QAccessibleInterface* name = controls.at(U("Profile Name"));
    ASSERT_NE(name->editableTextInterface(), nullptr);
    name->editableTextInterface()->replaceText(0, name->textInterface()->characterCount(),
                                               U("射击"));
    EXPECT_EQ(dlg->nameBox()->text(), U("射击"));
    Press(controls.at(U("Save")));
    dlg->WaitForDeviceWork();
    EXPECT_EQ(dlg->profiles()[1].profileName, u"射击");
    EXPECT_EQ(ReloadFromDisk()[1].profileName, u"射击");
    EXPECT_EQ(mouse.state().activeSlot, 1);

    // A disabled control's action does nothing.
    dlg->OnProfileChoice(0);
    Press(controls.at(U("Delete")));
    EXPECT_TRUE(popups.empty());

    Press(controls.at(U("LIGHT SETTINGS")));
    EXPECT_TRUE(dlg->page(PageId::kLighting)->isVisible());
}

TEST_F(MainWindowTest, TheKeyboardReachesEveryControlOfTheMainWindowInOrder) {
    Open();
    dlg->show();
    dlg->profileSelector()->setFocus(Qt::OtherFocusReason);
    std::vector<QString> visited;
    for (int i = 0; i < 18; ++i) {
        visited.push_back(dlg->focusWidget()->accessibleName());
        QTest::keyClick(dlg->focusWidget(), Qt::Key_Tab);
    }
    // The name box, Delete and Import are off while the factory profile is shown.
    const std::vector<QString> expected = {U("Profile"),
                                           U("Save"),
                                           U("Reset To Default"),
                                           U("BUTTON ASSIGNMENT"),
                                           U("BASIC SETTINGS"),
                                           U("ADVANCED SETTINGS"),
                                           U("MACRO RECORDING"),
                                           U("LIGHT SETTINGS"),
                                           U("Support"),
                                           U("Register"),
                                           U("Support Site"),
                                           U("Share"),
                                           U("Logo"),
                                           U("SYSTEM SETTINGS"),
                                           U("Min"),
                                           U("Close"),
                                           U("Profile"),
                                           U("Save")};
    EXPECT_EQ(visited, expected);

    // Down opens the selector's menu, arrows walk it, Enter picks.
    dlg->profileSelector()->setFocus(Qt::TabFocusReason);
    QTest::keyClick(dlg->profileSelector(), Qt::Key_Down);
    ASSERT_TRUE(dlg->profileSelector()->menuOpen());
    QTest::keyClick(dlg->profileSelector(), Qt::Key_Down);
    QTest::keyClick(dlg->profileSelector(), Qt::Key_Down);
    QTest::keyClick(dlg->profileSelector(), Qt::Key_Return);
    EXPECT_FALSE(dlg->profileSelector()->menuOpen());
    EXPECT_EQ(dlg->profiles().currentSlot(), 2);

    // Enter and Space press buttons: a page opens, Save writes.
    QTest::keyClick(dlg->button(kIdAdvanced), Qt::Key_Space);
    EXPECT_TRUE(dlg->page(PageId::kSensor)->isVisible());
    QTest::keyClick(dlg->button(kIdSave), Qt::Key_Return);
    dlg->WaitForDeviceWork();
    EXPECT_EQ(mouse.state().activeSlot, 2);
    // The focus mark shows once the keyboard has been used, and goes with a click.
    EXPECT_TRUE(dlg->property("z7KeyboardCues").toBool());
    QTest::mouseClick(dlg->button(kIdRegister), Qt::LeftButton);
    EXPECT_FALSE(dlg->property("z7KeyboardCues").toBool());
}

TEST_F(MainWindowTest, TheTrayMenuIsAMenuOfItsTwoItems) {
    Open();
    QSignalSpy quit(dlg.get(), &MainWindow::quitRequested);
    dlg->tray()->OpenMenuAt(QPoint(400, 400));
    const auto controls = ControlsOf(dlg.get());
    ASSERT_TRUE(controls.count(U("Tray Menu")));
    QAccessibleInterface* menu = controls.at(U("Tray Menu"));
    EXPECT_EQ(menu->role(), QAccessible::PopupMenu);
    ASSERT_EQ(menu->childCount(), 2);
    EXPECT_EQ(menu->child(0)->text(QAccessible::Name), U("设置鼠标"));
    EXPECT_EQ(menu->child(1)->text(QAccessible::Name), U("退出驱动"));
    EXPECT_FALSE(menu->child(0)->rect().isEmpty());
    Press(menu->child(0));
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_FALSE(dlg->tray()->menu()->isVisible());
    dlg->tray()->OpenMenuAt(QPoint(400, 400));
    // The keyboard walks it too.
    QTest::keyClick(dlg.get(), Qt::Key_Up);
    QTest::keyClick(dlg.get(), Qt::Key_Return);
    EXPECT_EQ(quit.count(), 1);
}

TEST(MessagePopupAccessibility, EveryKindSaysItsQuestionAndNamesItsButtons) {
    for (const SkinFamily& f : SkinFamilies()) {
        if (f.size != QSize(440, 240)) continue;  // the message kinds
        MessagePopup popup(f.first, nullptr);
        QAccessibleInterface* dialog = Of(&popup);
        EXPECT_EQ(dialog->role(), QAccessible::Dialog) << f.first;
        EXPECT_EQ(dialog->text(QAccessible::Name), U(f.title));
        EXPECT_FALSE(dialog->text(QAccessible::Description).isEmpty()) << f.first;
        const auto controls = ControlsOf(&popup);
        EXPECT_TRUE(controls.count(U("Close"))) << f.first;
        EXPECT_TRUE(controls.count(U("Yes"))) << f.first;
        EXPECT_EQ(controls.count(U("NO")), popup.isQuestion() ? 1u : 0u) << f.first;
        Press(controls.at(U("Yes")));
        EXPECT_EQ(popup.result(), kPopupYes) << f.first;
    }
    MessagePopup changed(kPopupDataChanged, nullptr);
    EXPECT_EQ(Of(&changed)->text(QAccessible::Description),
              U("当前页面的设置已更改。是否保存并应用这些更改？"));
    MessagePopup offer(kPopupCheckStart, nullptr);
    offer.SetText(U("V1.72"));
    const auto controls = ControlsOf(&offer);
    ASSERT_TRUE(controls.count(U("Version")));
    EXPECT_EQ(controls.at(U("Version"))->text(QAccessible::Description), U("V1.72"));
    Press(controls.at(U("NO")));
    EXPECT_EQ(offer.result(), kPopupNo);
}

TEST_F(MainWindowTest, EveryPageWindowIsNamedByItsTitleAndItsControlsByTheirCaptions) {
    Open();
    const std::pair<PageId, const char*> titles[] = {
        {PageId::kSystem, "SYSTEM SETTINGS"}, {PageId::kButtons, "BUTTON ASSIGNMENT"},
        {PageId::kPointer, "BASIC SETTINGS"}, {PageId::kSensor, "ADVANCED SETTINGS"},
        {PageId::kMacros, "MACRO RECORDING"}, {PageId::kLighting, "LIGHT SETTINGS"},
        {PageId::kSupport, "Support"}};
    for (const auto& [id, title] : titles) {
        PageWindow* page = dlg->page(id);
        dlg->OpenPage(id);
        QAccessibleInterface* window = Of(page);
        EXPECT_EQ(window->role(), QAccessible::Window);
        EXPECT_EQ(window->text(QAccessible::Name), U(title));
        const auto controls = ControlsOf(page);
        EXPECT_TRUE(controls.count(U("Min"))) << title;
        EXPECT_TRUE(controls.count(U("Close"))) << title;
        EXPECT_EQ(controls.at(U("Close"))->text(QAccessible::Description), U("关闭视窗"));
        if (id != PageId::kSupport) {
            for (const char* name : {"Cancel", "Apply"}) EXPECT_TRUE(controls.count(U(name)));
        }
        Press(controls.at(U("Close")));
        EXPECT_FALSE(page->isVisible()) << title;
    }
}

}  // namespace
}  // namespace z7
