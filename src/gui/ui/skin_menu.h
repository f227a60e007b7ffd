#pragma once
// Owner-drawn popup menus with nested submenus. A menu never takes the activation; a left click
// anywhere outside the open tree closes the whole tree.
#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>
#include <QWidget>
#include <memory>
#include <vector>

#include "core/util/clock.h"

namespace z7 {

// Code of the close notifications: (2234, 1) when a menu starts closing, (2234, 0) when closed.
inline constexpr int kMenuClosingCode = 2234;

struct SkinMenuItem {
    int id = 0;
    QRect rect;  // the item's row inside the menu, set by the layout
    QString text;
    int itemData = 0;
    int enabled = 1;
    int hasSubmenu = 0;
};

class SkinMenu;

// One row of a menu as an object of its own, made only when assistive technology asks: menu
// items are plain records, but accessible interfaces are kept per object.
class SkinMenuEntry : public QObject {
    Q_OBJECT
  public:
    SkinMenuEntry(SkinMenu* menu, int index);
    SkinMenu* menu() const { return menu_; }
    int index() const { return index_; }
    // The row's item; nullptr once the menu no longer has it.
    const SkinMenuItem* item() const;

  private:
    SkinMenu* menu_;
    int index_;
};

class SkinMenu : public QWidget {
    Q_OBJECT
  public:
    // `owner` receives the notifications and owns the menu. `key` is reported with every
    // choice; for a submenu it is the id of the item that opens it.
    SkinMenu(QWidget* owner, int key, const QRect& initial = QRect(0, 0, 50, 10));
    ~SkinMenu() override;

    // Appends an item; false (and no change) when this menu already holds the id.
    bool AddItem(int id, const QString& text, int itemData = 0, bool enabled = true,
                 bool hasSubmenu = false);
    // This menu's items, then each submenu's, depth first; nullptr when absent.
    const SkinMenuItem* FindItem(int id) const;
    SkinMenu* Submenu(int key, bool create);
    void RemoveAllItems();
    void SetItemEnabled(int id, bool enabled);

    // Mode 0: top-left corner at (x, y); 2: bottom-left corner; 3: bottom-right corner. An empty
    // menu never shows.
    virtual void PopUp(int mode, int x, int y);
    // Closes this menu, its parents and its open submenus, telling the owner (2234, 1) first
    // and (2234, 0) last.
    void Close();
    // Closes this menu and its open submenus but not its parents (another row of the parent
    // became hot, or the keyboard stepped back out of a submenu).
    void CloseBranch();

    // What a release over the row of `id` does: reports an enabled item without submenu to the
    // owner and closes the tree; an item with a submenu opens it (when this menu is open).
    void ChooseItem(int id);
    // Highlights a row (-1: none), as the pointer or the arrow keys do.
    void SetHotItem(int index);
    void SetHotItemById(int id);
    // Opens the submenu of row `index` beside this menu, its first enabled row highlighted
    // when `highlightFirst`.
    void OpenSubmenuOf(int index, bool highlightFirst);
    // While a menu tree is open it takes the keyboard: Up/Down walk the innermost open menu,
    // Right/Enter open a submenu, Enter/Space choose, Left and Esc close the innermost menu.
    bool HandleKey(int key);
    // The entry object of row `index` (made on first request), for assistive technology.
    SkinMenuEntry* EntryObject(int index);

    int key() const { return key_; }
    const std::vector<SkinMenuItem>& items() const { return items_; }
    int hotItem() const { return hot_; }
    SkinMenu* parentMenu() const { return parentMenu_; }
    void SetColors(QColor text, QColor highlightedText, QColor background,
                   QColor highlightedBackground);
    void SetMenuWidth(int width);
    // Row height of this menu's font.
    int RowHeight() const;

  signals:
    // The notifications with the pairs the owners expect: (key, item id), (2234, 1|0).
    void sysCommand(int code, int value);
    // The same choice, unambiguous whatever the key happens to be.
    void itemChosen(int key, int id);
    void closeNotice(int phase);

  protected:
    void paintEvent(QPaintEvent*) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

    virtual SkinMenu* MakeSubmenu(int key);
    // Opens the submenu of row `index` beside this menu.
    virtual void PopUpSubmenu(SkinMenu* submenu, int index);
    // Width of the rows (the room left for the submenu mark differs per family).
    virtual int RowWidth() const { return width(); }

    void Layout();
    int ItemAt(const QPoint& pos) const;
    void CloseSubmenus();
    void FinishClosing();
    void Notify(int code, int value);
    bool TreeContains(const QPoint& globalPos) const;
    SkinMenu* TopMenu();

    std::vector<SkinMenuItem> items_;
    std::vector<SkinMenuEntry*> entries_;
    std::vector<std::unique_ptr<SkinMenu>> submenus_;
    SkinMenu* parentMenu_ = nullptr;
    int key_;
    int hot_ = -1;
    int pressed_ = -1;
    bool closing_ = false;
    bool watching_ = false;
    QFont font_;
    QColor text_, highlightedText_, background_, highlightedBackground_;
};

// The button function menus: bordered, with sub-items added by parent id.
class ButtonFunctionMenu : public SkinMenu {
    Q_OBJECT
  public:
    ButtonFunctionMenu(QWidget* owner, int key, const QRect& initial = QRect(0, 0, 50, 10));
    // Marks the parent item as having a submenu and adds the item there; false when the parent
    // is not one of this menu's items or the submenu already holds the id.
    bool AddSubItem(int parentId, int id, const QString& text, int itemData = 0,
                    bool enabled = true);
    // Sum over the items of the text height + 4.
    int TotalHeight() const;
    // Widest item text of this menu (key = its own key) or of the submenu with that key.
    int WidestText(int key);
    void PopUp(int mode, int x, int y) override;

  protected:
    void paintEvent(QPaintEvent*) override;
    SkinMenu* MakeSubmenu(int key) override;
    void PopUpSubmenu(SkinMenu* submenu, int index) override;
    int RowWidth() const override { return width() - 15; }
};

}  // namespace z7
