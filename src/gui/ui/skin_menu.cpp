#include "gui/ui/skin_menu.h"

#include <QAccessible>
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <algorithm>

#include "gui/ui/skin_accessible.h"
#include "gui/ui/skin_controls.h"
#include "gui/ui/skin_style.h"

namespace z7 {
namespace {
constexpr int kMenuPadding = 4;      // above the first and below the last row
constexpr int kSubmenuOverlap = 5;   // submenus overlap their parent a little
constexpr int kBnUpwardOffset = 20;  // an upward submenu ends below its row's top
constexpr int kSubmenuMarkRoom = 15;
constexpr int kTextInset = 8;

QRect AvailableScreen(const QPoint& p) {
    QScreen* screen = QGuiApplication::screenAt(p);
    if (!screen) screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(0, 0, 1920, 1080);
}
}  // namespace

SkinMenu::SkinMenu(QWidget* owner, int key, const QRect& initial)
    : QWidget(owner, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus),
      key_(key),
      font_(SkinFont(16)),
      text_(skin::kText),
      highlightedText_(skin::kOnAccent),
      background_(skin::kMenu),
      highlightedBackground_(skin::kAccent) {
    EnsureSkinAccessibility();
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    setMouseTracking(true);
    setGeometry(initial);
    hide();
    // A click in another program never reaches our filter; it deactivates us instead.
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState s) {
        if (s != Qt::ApplicationActive && !parentMenu_ && isVisible()) Close();
    });
}

SkinMenu::~SkinMenu() {
    if (watching_) qApp->removeEventFilter(this);
}

SkinMenuEntry::SkinMenuEntry(SkinMenu* menu, int index)
    : QObject(menu), menu_(menu), index_(index) {}

const SkinMenuItem* SkinMenuEntry::item() const {
    const auto& items = menu_->items();
    return index_ >= 0 && index_ < static_cast<int>(items.size()) ? &items[index_] : nullptr;
}

SkinMenuEntry* SkinMenu::EntryObject(int index) {
    if (index < 0 || index >= static_cast<int>(items_.size())) return nullptr;
    if (entries_.size() < items_.size()) entries_.resize(items_.size(), nullptr);
    if (!entries_[index]) entries_[index] = new SkinMenuEntry(this, index);
    return entries_[index];
}

bool SkinMenu::AddItem(int id, const QString& text, int itemData, bool enabled, bool hasSubmenu) {
    for (const SkinMenuItem& item : items_) {
        if (item.id == id) return false;
    }
    items_.push_back({id, QRect(), text, itemData, enabled ? 1 : 0, hasSubmenu ? 1 : 0});
    if (isVisible()) Layout();
    return true;
}

const SkinMenuItem* SkinMenu::FindItem(int id) const {
    for (const SkinMenuItem& item : items_) {
        if (item.id == id) return &item;
    }
    for (const auto& sub : submenus_) {
        if (const SkinMenuItem* found = sub->FindItem(id)) return found;
    }
    return nullptr;
}

SkinMenu* SkinMenu::MakeSubmenu(int key) {
    return new SkinMenu(this, key);
}

SkinMenu* SkinMenu::Submenu(int key, bool create) {
    for (const auto& sub : submenus_) {
        if (sub->key() == key) return sub.get();
    }
    if (!create) return nullptr;
    SkinMenu* sub = MakeSubmenu(key);
    sub->parentMenu_ = this;
    sub->font_ = font_;
    sub->SetColors(text_, highlightedText_, background_, highlightedBackground_);
    // The owner hears from every menu of the tree through the top-level menu.
    connect(sub, &SkinMenu::sysCommand, this, &SkinMenu::sysCommand);
    connect(sub, &SkinMenu::itemChosen, this, &SkinMenu::itemChosen);
    submenus_.emplace_back(sub);
    return sub;
}

void SkinMenu::RemoveAllItems() {
    CloseSubmenus();
    // Deleting the entries also drops their accessible interfaces.
    for (SkinMenuEntry* entry : entries_) delete entry;
    entries_.clear();
    items_.clear();
    hot_ = -1;
    pressed_ = -1;
    Layout();
}

void SkinMenu::SetItemEnabled(int id, bool enabled) {
    for (SkinMenuItem& item : items_) {
        if (item.id == id) item.enabled = enabled ? 1 : 0;
    }
    update();
}

void SkinMenu::SetColors(QColor text, QColor highlightedText, QColor background,
                         QColor highlightedBackground) {
    text_ = text;
    highlightedText_ = highlightedText;
    background_ = background;
    highlightedBackground_ = highlightedBackground;
    update();
}

void SkinMenu::SetMenuWidth(int width) {
    resize(std::max(1, width), height());
}

int SkinMenu::RowHeight() const {
    if (items_.empty()) return QFontMetrics(font_).height();
    return QFontMetrics(font_).boundingRect(items_.front().text).height() + kMenuPadding;
}

void SkinMenu::Layout() {
    if (items_.empty()) {
        hide();
        return;
    }
    const int h = std::max(QFontMetrics(font_).height(), RowHeight());
    resize(width(), static_cast<int>(items_.size()) * h + 2 * kMenuPadding);
    for (size_t i = 0; i < items_.size(); ++i) {
        const int top = kMenuPadding + static_cast<int>(i) * h;
        items_[i].rect = QRect(0, top, RowWidth(), h);
    }
    update();
}

void SkinMenu::PopUp(int mode, int x, int y) {
    Layout();
    hot_ = -1;
    if (items_.empty()) return;
    QPoint topLeft(x, y);
    if (mode == 2) topLeft = QPoint(x, y - height());
    if (mode == 3) topLeft = QPoint(x - width(), y - height());
    move(topLeft);
    Layout();
    closing_ = false;
    show();
    if (QAccessible::isActive()) {
        QAccessibleEvent event(this, QAccessible::PopupMenuStart);
        QAccessible::updateAccessibility(&event);
    }
    // One watcher per open tree: the top-level menu sees every click and key of the program.
    SkinMenu* top = TopMenu();
    if (!top->watching_) {
        top->watching_ = true;
        qApp->installEventFilter(top);
    }
}

SkinMenu* SkinMenu::TopMenu() {
    SkinMenu* m = this;
    while (m->parentMenu_) m = m->parentMenu_;
    return m;
}

bool SkinMenu::TreeContains(const QPoint& globalPos) const {
    if (isVisible() && frameGeometry().contains(globalPos)) return true;
    for (const auto& sub : submenus_) {
        if (sub->TreeContains(globalPos)) return true;
    }
    return false;
}

bool SkinMenu::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress && watched->isWidgetType() && isVisible()) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && !TreeContains(mouse->globalPosition().toPoint())) {
            Close();
        }
    }
    if ((event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride) &&
        watched->isWidgetType() && isVisible()) {
        // A modal popup opened meanwhile keeps its own keys (its Esc answers it, not us).
        QWidget* modal = QApplication::activeModalWidget();
        QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr;
        if (modal && modal != owner) return false;
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (event->type() == QEvent::ShortcutOverride) {
            // Claim the keys we handle so that no shortcut takes them first.
            const bool ours = key == Qt::Key_Escape || key == Qt::Key_Up || key == Qt::Key_Down ||
                              key == Qt::Key_Left || key == Qt::Key_Right ||
                              key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space;
            if (ours) event->accept();
            return false;
        }
        return HandleKey(key);
    }
    return false;
}

bool SkinMenu::HandleKey(int key) {
    // The innermost open menu of the tree has the keyboard.
    SkinMenu* level = this;
    for (bool deeper = true; deeper;) {
        deeper = false;
        for (const auto& sub : level->submenus_) {
            if (sub->isVisible()) {
                level = sub.get();
                deeper = true;
                break;
            }
        }
    }
    auto step = [level](int direction) {
        const int n = static_cast<int>(level->items_.size());
        if (n == 0) return;
        int index = level->hot_;
        for (int i = 0; i < n; ++i) {
            index = index < 0 ? (direction > 0 ? 0 : n - 1) : (index + direction + n) % n;
            if (level->items_[index].enabled) break;
        }
        level->SetHotItem(index);
    };
    const int hot = level->hot_;
    const SkinMenuItem* item = hot >= 0 ? &level->items_[hot] : nullptr;
    switch (key) {
        case Qt::Key_Down:
            step(1);
            return true;
        case Qt::Key_Up:
            step(-1);
            return true;
        case Qt::Key_Right:
            if (item && item->hasSubmenu && item->enabled) level->OpenSubmenuOf(hot, true);
            return true;
        case Qt::Key_Left:
            if (level != this) level->CloseBranch();
            return true;
        case Qt::Key_Escape:
            if (level != this)
                level->CloseBranch();
            else
                Close();
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Space:
            if (!item) return true;
            if (item->hasSubmenu) {
                if (item->enabled) level->OpenSubmenuOf(hot, true);
            } else {
                level->ChooseItem(item->id);
            }
            return true;
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            Close();
            return false;
        default:
            return false;
    }
}

void SkinMenu::SetHotItem(int index) {
    if (index < -1 || index >= static_cast<int>(items_.size())) index = -1;
    hot_ = index;
    update();
    if (index >= 0 && QAccessible::isActive()) NotifyFocus(EntryObject(index));
}

void SkinMenu::SetHotItemById(int id) {
    for (size_t i = 0; i < items_.size(); ++i) {
        if (items_[i].id == id && items_[i].enabled) return SetHotItem(static_cast<int>(i));
    }
    for (size_t i = 0; i < items_.size(); ++i) {
        if (items_[i].enabled) return SetHotItem(static_cast<int>(i));
    }
}

void SkinMenu::OpenSubmenuOf(int index, bool highlightFirst) {
    if (index < 0 || index >= static_cast<int>(items_.size()) || !isVisible()) return;
    SkinMenu* sub = Submenu(items_[index].id, false);
    for (const auto& other : submenus_) {
        if (other.get() != sub && other->isVisible()) other->CloseBranch();
    }
    if (!sub || sub->items().empty()) return;
    if (!sub->isVisible()) PopUpSubmenu(sub, index);
    if (highlightFirst) sub->SetHotItemById(-1);
}

void SkinMenu::ChooseItem(int id) {
    const auto it = std::find_if(items_.begin(), items_.end(),
                                 [id](const SkinMenuItem& item) { return item.id == id; });
    if (it == items_.end()) return;
    const SkinMenuItem item = *it;
    if (item.hasSubmenu) {
        if (item.enabled) OpenSubmenuOf(static_cast<int>(it - items_.begin()), true);
        return;
    }
    if (item.enabled && parentWidget()) {
        Notify(key_, item.id);
        emit itemChosen(key_, item.id);
    }
    Close();
}

void SkinMenu::Notify(int code, int value) {
    emit sysCommand(code, value);
}

void SkinMenu::CloseSubmenus() {
    // Only the submenus: Close() on a submenu would close this menu too.
    for (const auto& sub : submenus_) {
        if (sub->isVisible()) sub->CloseBranch();
    }
}

void SkinMenu::Close() {
    if (!isVisible() || closing_) return;
    closing_ = true;
    Notify(kMenuClosingCode, 1);
    emit closeNotice(1);
    hide();
    if (parentMenu_) parentMenu_->Close();
    CloseSubmenus();
    FinishClosing();
}

void SkinMenu::CloseBranch() {
    if (!isVisible() || closing_) return;
    closing_ = true;
    Notify(kMenuClosingCode, 1);
    emit closeNotice(1);
    hide();
    CloseSubmenus();
    FinishClosing();
}

void SkinMenu::FinishClosing() {
    hot_ = -1;
    if (QAccessible::isActive()) {
        QAccessibleEvent event(this, QAccessible::PopupMenuEnd);
        QAccessible::updateAccessibility(&event);
    }
    Notify(kMenuClosingCode, 0);
    emit closeNotice(0);
    if (!parentMenu_ && watching_) {
        watching_ = false;
        qApp->removeEventFilter(this);
    }
    closing_ = false;
}

int SkinMenu::ItemAt(const QPoint& pos) const {
    for (size_t i = 0; i < items_.size(); ++i) {
        if (items_[i].rect.contains(pos)) return static_cast<int>(i);
    }
    return -1;
}

void SkinMenu::PopUpSubmenu(SkinMenu* submenu, int index) {
    const QRect frame = frameGeometry();
    submenu->PopUp(0, frame.right() + 1 - kSubmenuOverlap,
                   frame.top() + items_[index].rect.top() - kSubmenuOverlap);
}

void SkinMenu::mouseMoveEvent(QMouseEvent* event) {
    const int index = ItemAt(event->position().toPoint());
    if (index < 0) return;
    const SkinMenuItem& item = items_[index];
    const bool wasHot = hot_ == index;
    if (!wasHot) SetHotItem(index);
    if (!item.hasSubmenu || !item.enabled) {
        CloseSubmenus();
        return;
    }
    if (wasHot) return;
    OpenSubmenuOf(index, false);
}

void SkinMenu::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const int index = ItemAt(event->position().toPoint());
    pressed_ = index >= 0 ? items_[index].id : -1;
    if (index < 0) Close();
}

void SkinMenu::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    hot_ = -1;
    update();
    const int index = ItemAt(event->position().toPoint());
    if (index < 0) return;
    if (items_[index].hasSubmenu) return;
    ChooseItem(items_[index].id);
}

void SkinMenu::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), background_);
    // The outline keeps the menu apart from the card it opens over.
    painter.setPen(skin::kMenuBorder);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setFont(font_);
    for (size_t i = 0; i < items_.size(); ++i) {
        const SkinMenuItem& item = items_[i];
        const bool hot = static_cast<int>(i) == hot_;
        if (hot) painter.fillRect(item.rect.adjusted(2, 0, -2, 0), highlightedBackground_);
        QColor color = hot ? highlightedText_ : text_;
        if (!item.enabled) color = skin::kTextOff;
        painter.setPen(color);
        painter.drawText(item.rect.adjusted(kTextInset, 0, -kTextInset, 0),
                         Qt::AlignLeft | Qt::AlignVCenter, item.text);
        if (item.hasSubmenu) {
            const QRect r = item.rect;
            const int cx = width() - kSubmenuMarkRoom / 2 - 2;
            const int cy = r.center().y();
            QPainterPath mark;
            mark.moveTo(cx - 3, cy - 4);
            mark.lineTo(cx + 2, cy);
            mark.lineTo(cx - 3, cy + 4);
            mark.closeSubpath();
            painter.fillPath(mark, color);
        }
    }
}

// ---- ButtonFunctionMenu
// -------------------------------------------------------------------------------

ButtonFunctionMenu::ButtonFunctionMenu(QWidget* owner, int key, const QRect& initial)
    : SkinMenu(owner, key, initial) {}

SkinMenu* ButtonFunctionMenu::MakeSubmenu(int key) {
    return new ButtonFunctionMenu(this, key);
}

bool ButtonFunctionMenu::AddSubItem(int parentId, int id, const QString& text, int itemData,
                                    bool enabled) {
    auto parent = std::find_if(items_.begin(), items_.end(),
                               [&](const SkinMenuItem& item) { return item.id == parentId; });
    if (parent == items_.end()) return false;
    parent->hasSubmenu = 1;
    return Submenu(parentId, true)->AddItem(id, text, itemData, enabled, false);
}

int ButtonFunctionMenu::TotalHeight() const {
    const QFontMetrics metrics(font_);
    int total = 0;
    for (const SkinMenuItem& item : items_) total += metrics.boundingRect(item.text).height() + 4;
    return total;
}

int ButtonFunctionMenu::WidestText(int key) {
    const SkinMenu* menu = key == key_ ? this : Submenu(key, false);
    if (!menu) return 0;
    const QFontMetrics metrics(font_);
    int widest = 0;
    for (const SkinMenuItem& item : menu->items()) {
        widest = std::max(widest, metrics.horizontalAdvance(item.text));
    }
    return widest;
}

void ButtonFunctionMenu::PopUp(int mode, int x, int y) {
    // Submenus are as wide as their longest entry.
    if (parentMenu_) {
        SetMenuWidth(WidestText(key_) + 2 * kTextInset + kSubmenuMarkRoom + 4);
    }
    SkinMenu::PopUp(mode, x, y);
}

void ButtonFunctionMenu::PopUpSubmenu(SkinMenu* submenu, int index) {
    const QRect frame = frameGeometry();
    const int x = frame.right() + 1 - kSubmenuOverlap;
    const int rowTop = frame.top() + items_[index].rect.top();
    const int subHeight =
        static_cast<int>(submenu->items().size()) * submenu->RowHeight() + 2 * kMenuPadding;
    // Downward when it fits on the screen, else upward ending just below the row.
    if (rowTop - kSubmenuOverlap + subHeight <= AvailableScreen(frame.topLeft()).bottom()) {
        submenu->PopUp(0, x, rowTop - kSubmenuOverlap);
    } else {
        submenu->PopUp(2, x, rowTop + kBnUpwardOffset);
    }
}

void ButtonFunctionMenu::paintEvent(QPaintEvent* event) {
    SkinMenu::paintEvent(event);
}

}  // namespace z7
