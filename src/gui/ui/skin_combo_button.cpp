#include "gui/ui/skin_combo_button.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <atomic>

#include "gui/ui/skin.h"
#include "gui/ui/skin_accessible.h"
#include "gui/ui/skin_layout.h"
#include "gui/ui/skin_style.h"

namespace z7 {
namespace {
// A press this soon after the menu was open is the click that closed it.
constexpr Millis kReopenGuard{200};

// Menu keys only identify a tree; they never repeat within the process.
int NextMenuKey() {
    static std::atomic<int> next{0x10000};
    return next++;
}

struct HotkeyLabel {
    int id;
    const char* label;
};
constexpr HotkeyLabel kHotkeyLabels[] = {
    {2701, "关闭视窗"},
    {2702, "最大化窗口"},
    {2703, "最小化窗口"},
    {2704, "显示桌面"},
    {2705, "浏览器下一个选项卡"},
    {2706, "浏览器上一个选项卡"},
    {2707, "放大"},
    {2708, "缩小"},
    {2709, "恢复默认缩放"},
    {2710, "复制"},
    {2711, "贴上"},
    {2712, "剪切"},
    {2713, "复原"},
    {2714, "重做"},
};
}  // namespace

SkinComboButton::SkinComboButton(int controlId, QWidget* parent)
    : SkinControl(controlId, parent),
      normalColor_(skin::kText),
      highlightedColor_(skin::kAccent),
      clock_(&DefaultClock()) {
    setFont(SkinFont(16));
}

void SkinComboButton::SetPictures(const QImage& normal, const QImage& over, const QImage& down) {
    pictures_.Set(0, normal);
    pictures_.Set(1, over);
    pictures_.Set(2, down);
    update();
}

void SkinComboButton::SetOffPicture(const QImage& off) {
    pictures_.Set(kStateOff, off);
    update();
}

void SkinComboButton::SetSkinElement(int element) {
    skinElement_ = element;
    pictures_.SetElement(element);
    update();
}

SkinMenu* SkinComboButton::CreateMenu(int key) {
    return new SkinMenu(this, key, QRect(0, 0, std::max(1, width() - 2), 10));
}

void SkinComboButton::EnsureMenu() {
    if (menu_) return;
    menu_ = CreateMenu(NextMenuKey());
    connect(menu_, &SkinMenu::itemChosen, this, &SkinComboButton::OnChosen);
    connect(menu_, &SkinMenu::closeNotice, this, [this](int phase) {
        lastSeenOpen_ = clock_->Now();
        update();
        if (phase == 0) NotifyStateChanged(this);
        emit sysCommand(kMenuClosingCode, phase);
    });
}

bool SkinComboButton::AddItem(int id, const QString& text, int itemData, bool enabled) {
    EnsureMenu();
    return menu_->AddItem(id, text, itemData, enabled);
}

void SkinComboButton::SelectItem(int id) {
    const SkinMenuItem* item = menu_ ? menu_->FindItem(id) : nullptr;
    if (!item) return;
    text_ = LabelFor(*item);
    currentId_ = id;
    update();
    NotifyTextChanged(this);
}

void SkinComboButton::ShowUnlistedValue(int id, const QString& text) {
    text_ = text;
    currentId_ = id;
    update();
    NotifyTextChanged(this);
}

void SkinComboButton::OpenMenu() {
    if (!isEnabled() || !menu_ || menu_->items().empty() || menuOpen()) return;
    ShowMenu();
    menu_->SetHotItemById(currentId_);
    NotifyStateChanged(this);
}

void SkinComboButton::keyPressEvent(QKeyEvent* event) {
    NoteKeyboardUse(this);
    const bool altDown = event->key() == Qt::Key_Down && (event->modifiers() & Qt::AltModifier);
    switch (event->key()) {
        case Qt::Key_Space:
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_F4:
        case Qt::Key_Down:
            if (!event->isAutoRepeat() || altDown) OpenMenu();
            return;
        default:
            SkinControl::keyPressEvent(event);
    }
}

void SkinComboButton::RemoveAllItems() {
    if (menu_) menu_->RemoveAllItems();
    text_.clear();
    currentId_ = -1;
    update();
}

void SkinComboButton::SetText(const QString& text) {
    text_ = text;
    update();
}

void SkinComboButton::SetColors(QColor normal, QColor highlighted) {
    normalColor_ = normal;
    highlightedColor_ = highlighted;
    update();
}

void SkinComboButton::SetMenuWidth(int width) {
    EnsureMenu();
    menu_->SetMenuWidth(width);
}

void SkinComboButton::OnChosen(int, int id) {
    const SkinMenuItem* item = menu_->FindItem(id);
    if (!item) return;
    const SkinMenuItem chosen = *item;
    emit sysCommand(controlId(), id);
    if (showChosenText_) {
        text_ = LabelFor(chosen);
        currentId_ = id;
        update();
        NotifyTextChanged(this);
    }
    showChosenText_ = true;
}

void SkinComboButton::ShowMenu() {
    if (upward_) {
        const QPoint p = mapToGlobal(QPoint(0, 0));
        menu_->PopUp(2, p.x(), p.y());
    } else {
        const QPoint p = mapToGlobal(QPoint(0, height()));
        menu_->PopUp(0, p.x(), p.y());
    }
}

void SkinComboButton::mousePressEvent(QMouseEvent* event) {
    NotePointerUse(this);
    Track(event->position().toPoint());
    if (event->button() != Qt::LeftButton) return;
    pressed_ = true;
    state_ = 2;
    // An outside click closes the menu before the button sees the press; the timestamp of
    // that close tells the two cases apart.
    menuWasOpen_ = menuOpen() || (lastSeenOpen_ && clock_->Now() - *lastSeenOpen_ < kReopenGuard);
    update();
}

void SkinComboButton::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !pressed_) return;
    pressed_ = false;
    state_ = tracking() ? 1 : 0;
    update();
    if (menuWasOpen_) {
        menuWasOpen_ = false;
        if (menuOpen()) menu_->Close();
        return;
    }
    if (menu_ && rect().contains(event->position().toPoint())) {
        ShowMenu();
        NotifyStateChanged(this);
    }
}

void SkinComboButton::PointerEntered() {
    if (state_ != 2) state_ = 1;
    update();
    SkinControl::PointerEntered();
}

void SkinComboButton::PointerLeft() {
    state_ = 0;
    pressed_ = false;
    update();
}

void SkinComboButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const bool open = menuOpen();
    if (!isEnabled() && !pictures_.off().isNull())
        DrawStretched(painter, pictures_.off());
    else
        DrawStretched(painter, open ? pictures_[2] : pictures_[state_]);
    PaintFocusMark(painter);
    if (text_.isEmpty()) return;
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(font());
    QColor color = (open || state_ != 0) ? highlightedColor_ : normalColor_;
    if (!isEnabled()) color = skin::kTextOff;
    painter.setPen(color);
    // Leave room for the drop-down arrow of the picture.
    const QRect textRect = rect().adjusted(TextInset() + 4, 0, -height(), 0);
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter,
                     painter.fontMetrics().elidedText(text_, Qt::ElideRight, textRect.width()));
}

// ---- ButtonFunctionCombo ------------------------------------------------------------------------

ButtonFunctionCombo::ButtonFunctionCombo(int controlId, QWidget* parent)
    : SkinComboButton(controlId, parent) {
    highlightedColor_ = skin::kAccent;
}

SkinMenu* ButtonFunctionCombo::CreateMenu(int key) {
    return new ButtonFunctionMenu(this, key, QRect(0, 0, std::max(1, width() - 2), 10));
}

bool ButtonFunctionCombo::AddSubItem(int parentId, int id, const QString& text, int itemData,
                                     bool enabled) {
    EnsureMenu();
    return bnMenu()->AddSubItem(parentId, id, text, itemData, enabled);
}

QString ButtonFunctionCombo::LabelFor(const SkinMenuItem& item) const {
    for (const HotkeyLabel& l : kHotkeyLabels) {
        if (l.id == item.id) return QString::fromUtf8(l.label);
    }
    return item.text;
}

void ButtonFunctionCombo::ShowMenu() {
    const QPoint below = mapToGlobal(QPoint(0, height()));
    QScreen* screen = QGuiApplication::screenAt(below);
    if (!screen) screen = QGuiApplication::primaryScreen();
    const int screenBottom = screen ? screen->availableGeometry().bottom() : 1080;
    if (below.y() + bnMenu()->TotalHeight() >= screenBottom) {
        const QPoint above = mapToGlobal(QPoint(0, 0));
        menu_->PopUp(2, above.x(), above.y());
    } else {
        menu_->PopUp(0, below.x(), below.y());
    }
}

}  // namespace z7
