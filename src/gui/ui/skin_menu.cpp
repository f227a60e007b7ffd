#include "gui/ui/skin_menu.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <algorithm>

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
      background_(skin::kPanel),
      highlightedBackground_(skin::kAccent) {
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
    // One watcher per open tree: the top-level menu sees every click of the program.
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
    return false;
}

void SkinMenu::Notify(int code, int value) {
    emit sysCommand(code, value);
}

void SkinMenu::CloseSubmenus() {
    for (const auto& sub : submenus_) {
        if (sub->isVisible()) sub->Close();
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
    hot_ = -1;
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
    hot_ = index;
    update();
    if (!item.hasSubmenu || !item.enabled) {
        CloseSubmenus();
        return;
    }
    if (wasHot) return;
    SkinMenu* sub = Submenu(item.id, false);
    for (const auto& other : submenus_) {
        if (other.get() != sub && other->isVisible()) other->Close();
    }
    if (sub && !sub->items().empty() && !sub->isVisible()) PopUpSubmenu(sub, index);
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
    const SkinMenuItem item = items_[index];
    if (item.hasSubmenu) return;
    if (item.enabled && parentWidget()) {
        Notify(key_, item.id);
        emit itemChosen(key_, item.id);
    }
    Close();
}

void SkinMenu::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(rect(), background_);
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
    QPainter painter(this);
    painter.setPen(skin::kBorder);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

}  // namespace z7
