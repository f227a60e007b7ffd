#include "gui/pages/macros/macro_event_list.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QPainter>
#include <QRegularExpressionValidator>
#include <QWheelEvent>
#include <algorithm>

#include "core/buttons/key_name.h"
#include "gui/ui/skin.h"
#include "gui/ui/skin_accessible.h"
#include "gui/ui/skin_layout.h"
#include "gui/ui/skin_style.h"

namespace z7 {
namespace {

constexpr int kListElement = 115;
constexpr int kIconSize = 20;
constexpr int kTextLeft = 36;     // after the icon
constexpr int kDelayWidth = 112;  // the pause column under "延时 (毫秒)"
constexpr int kScrollBarGap = 2;
// A selected row's text, as the original list drew it.
const QColor kSelectedText{0x33, 0xCC, 0x33};

QString U(const char* text) {
    return QString::fromUtf8(text);
}

QImage ActionIcon(const char* stem, bool selected) {
    return ProgramSkin().Sheet(U(stem) + (selected ? U("_Down.png") : U("_Normal.png")));
}

QString KeyText(const MacroEventItem& e) {
    const std::u16string_view name = KeyNameOf(e.code);
    QString text = name.empty() ? U("#%1").arg(e.code)
                                : QString::fromStdU16String(std::u16string(name)).trimmed();
    if (e.flag == kEventFlagPress)
        text += U(" 按下");
    else if (e.flag == kEventFlagRelease)
        text += U(" 松开");
    return text;
}

void Announce(QObject* object, QAccessible::Event what) {
    if (!QAccessible::isActive() || !object) return;
    QAccessibleEvent event(object, what);
    QAccessible::updateAccessibility(&event);
}

}  // namespace

MacroEventRow::MacroEventRow(MacroEventList* list, int index)
    : QObject(list), list_(list), index_(index) {}

MacroEventList::MacroEventList(int controlId, MacroLibrary& library, QWidget* parent)
    : SkinControl(controlId, parent), library_(library) {
    EnsureMacroListAccessibility();
    skinElement_ = kListElement;
    scrollBar_ = new SkinScrollBar(kScrollBarId, this);
    scrollBar_->SetSkinPictures();
    scrollBar_->hide();
    NameControl(scrollBar_, U("Macro list scroll bar"));
    connect(scrollBar_, &SkinScrollBar::sysCommand, this, [this](int code, int value) {
        if (code == kScrollBarId) ScrollTo(value);
    });
    prompt_ = new SkinLineEdit(0, this);
    prompt_->setReadOnly(true);
    prompt_->SetTextColor(skin::kAccent);
    prompt_->SetBackground(SkinPart(116, kStateNormal));
    prompt_->hide();
    NameControl(prompt_, U("Key prompt"));
    delayEditor_ = new QLineEdit(this);
    delayEditor_->setFont(SkinFont(15));
    delayEditor_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    delayEditor_->setValidator(
        new QRegularExpressionValidator(QRegularExpression(U("[0-9]{0,8}")), delayEditor_));
    delayEditor_->installEventFilter(this);
    delayEditor_->hide();
    NameControl(delayEditor_, U("Row Delay"), U("这一步之后的延时（毫秒，0..3600000）"));
    connect(delayEditor_, &QLineEdit::editingFinished, this, [this] { CommitDelayEdit(); });
}

Macro* MacroEventList::macro() const {
    return library_.current();
}

int MacroEventList::rowCount() const {
    const Macro* m = macro();
    return m ? static_cast<int>(m->events.size()) : 0;
}

// ---- rows and scrolling ---------------------------------------------------------------------

QRect MacroEventList::RowsArea() const {
    QRect area = rect().adjusted(1, kHeaderHeight, -1, -1);
    if (scrollBar_->isVisibleTo(this)) area.setRight(scrollBar_->x() - kScrollBarGap);
    return area;
}

int MacroEventList::visibleRows() const {
    return std::max(1, (height() - kHeaderHeight - 1) / kRowHeight);
}

int MacroEventList::scrollMaximum() const {
    return std::max(0, rowCount() - visibleRows());
}

void MacroEventList::ScrollTo(int row) {
    const int top = std::clamp(row, 0, scrollMaximum());
    if (top != topRow_) {
        topRow_ = top;
        if (delayEditRow_ >= 0) CancelDelayEdit();
        HidePrompt();
    }
    scrollBar_->SetPos(topRow_);
    update();
}

void MacroEventList::EnsureVisible(int row) {
    if (row < topRow_)
        ScrollTo(row);
    else if (row >= topRow_ + visibleRows())
        ScrollTo(row - visibleRows() + 1);
}

void MacroEventList::UpdateScrollBar() {
    const int maximum = scrollMaximum();
    const int width = std::max(16, SkinPart(145, kStateNormal).width());
    scrollBar_->setGeometry(this->width() - 1 - width, kHeaderHeight, width,
                            height() - kHeaderHeight - 1);
    scrollBar_->SetRange(0, maximum);
    scrollBar_->setVisible(maximum > 0);
    topRow_ = std::clamp(topRow_, 0, maximum);
    scrollBar_->SetPos(topRow_);
}

QRect MacroEventList::RowRect(int index) const {
    const QRect area = RowsArea();
    return QRect(area.left() + kRowLeft - 1, area.top() + (index - topRow_) * kRowHeight,
                 area.width() - kRowLeft - kRowRightMargin + 2, kRowHeight);
}

int MacroEventList::RowAt(const QPoint& pos) const {
    const QRect area = RowsArea();
    if (!area.contains(pos)) return -1;
    const int index = topRow_ + (pos.y() - area.top()) / kRowHeight;
    return index < rowCount() ? index : -1;
}

QString MacroEventList::RowText(int index) const {
    const Macro* m = macro();
    if (!m || index < 0 || index >= rowCount()) return {};
    const MacroEventItem& e = m->events[static_cast<size_t>(index)];
    return KeyText(e) + U(" %1 毫秒").arg(e.delay);
}

MacroEventRow* MacroEventList::rowObject(int index) const {
    return index >= 0 && index < static_cast<int>(rows_.size()) ? rows_[static_cast<size_t>(index)]
                                                                : nullptr;
}

void MacroEventList::SyncRows() {
    const size_t count = static_cast<size_t>(rowCount());
    while (rows_.size() > count) {
        MacroEventRow* row = rows_.back();
        rows_.pop_back();
        Announce(row, QAccessible::ObjectDestroyed);
        delete row;
    }
    while (rows_.size() < count) {
        rows_.push_back(new MacroEventRow(this, static_cast<int>(rows_.size())));
        Announce(rows_.back(), QAccessible::ObjectCreated);
    }
    rowTexts_.resize(count);
    for (size_t i = 0; i < count; ++i) {
        const QString text = RowText(static_cast<int>(i));
        if (text == rowTexts_[i]) continue;
        rowTexts_[i] = text;
        Announce(rows_[i], QAccessible::NameChanged);
    }
    if (anchor_ >= rowCount()) anchor_ = 0;
    if (cursor_ >= rowCount()) cursor_ = std::max(0, rowCount() - 1);
    UpdateScrollBar();
    update();
}

void MacroEventList::Reload() {
    CancelDelayEdit();
    HidePrompt();
    topRow_ = 0;
    anchor_ = cursor_ = std::max(0, FirstSelectedIndex());
    SyncRows();
    emit selectionChanged();
}

void MacroEventList::Appended() {
    SyncRows();
    anchor_ = cursor_ = std::max(0, rowCount() - 1);
    EnsureVisible(rowCount() - 1);
    Announce(rowObject(anchor_), QAccessible::SelectionAdd);
    emit eventsChanged();
    emit selectionChanged();
}

void MacroEventList::Refresh() {
    SyncRows();
}

void MacroEventList::resizeEvent(QResizeEvent* event) {
    SkinControl::resizeEvent(event);
    UpdateScrollBar();
}

// ---- selection ------------------------------------------------------------------------------

int MacroEventList::SelectedCount() const {
    const Macro* m = macro();
    return m ? z7::SelectedCount(*m) : 0;
}

int MacroEventList::FirstSelectedIndex() const {
    const Macro* m = macro();
    const MacroEventItem* first = m ? FirstSelected(*m) : nullptr;
    return first ? static_cast<int>(first - m->events.data()) : -1;
}

void MacroEventList::AfterSelection() {
    update();
    if (QAccessible::isActive()) {
        for (MacroEventRow* row : rows_) Announce(row, QAccessible::StateChanged);
    }
    emit selectionChanged();
}

void MacroEventList::SelectRow(int index) {
    Macro* m = macro();
    if (!m || index < 0 || index >= rowCount()) return;
    SelectOnly(*m, static_cast<size_t>(index));
    anchor_ = cursor_ = index;
    EnsureVisible(index);
    Announce(rowObject(index), QAccessible::Focus);
    AfterSelection();
}

void MacroEventList::ToggleRow(int index) {
    Macro* m = macro();
    if (!m || index < 0 || index >= rowCount()) return;
    ToggleSelected(*m, static_cast<size_t>(index));
    anchor_ = cursor_ = index;
    AfterSelection();
}

void MacroEventList::SelectRangeTo(int index) {
    Macro* m = macro();
    if (!m || index < 0 || index >= rowCount()) return;
    SelectRange(*m, static_cast<size_t>(std::min(anchor_, rowCount() - 1)),
                static_cast<size_t>(index));
    cursor_ = index;
    EnsureVisible(index);
    Announce(rowObject(index), QAccessible::Focus);
    AfterSelection();
}

void MacroEventList::SelectAll() {
    if (Macro* m = macro()) {
        z7::SelectAll(*m);
        AfterSelection();
    }
}

void MacroEventList::SelectNone() {
    if (Macro* m = macro()) {
        z7::SelectNone(*m);
        AfterSelection();
    }
}

// ---- operations -----------------------------------------------------------------------------

bool MacroEventList::BeginChange() {
    if (!macro()) return false;
    CancelDelayEdit();
    emit aboutToChange();
    return true;
}

void MacroEventList::AfterChange() {
    SyncRows();
    emit eventsChanged();
    emit selectionChanged();
}

bool MacroEventList::SetSelectedDelay(int32_t ms) {
    if (SelectedCount() == 0 || !BeginChange()) return false;
    z7::SetSelectedDelay(*macro(), ClampDelay(ms));
    AfterChange();
    return true;
}

bool MacroEventList::ReplaceSelectedInput(uint8_t kind, uint16_t code) {
    if (SelectedCount() == 0 || !BeginChange()) return false;
    z7::ReplaceSelectedInput(*macro(), kind, code);
    AfterChange();
    return true;
}

bool MacroEventList::DeleteSelected() {
    if (SelectedCount() == 0 || !BeginChange()) return false;
    const DeleteOutcome out = z7::DeleteSelected(*macro());
    SyncRows();
    if (out.scrollToTop) {
        ScrollTo(0);
        anchor_ = cursor_ = 0;
    } else if (const int first = FirstSelectedIndex(); first >= 0) {
        anchor_ = cursor_ = first;
        EnsureVisible(first);
    }
    emit eventsChanged();
    emit selectionChanged();
    return out.removed > 0;
}

bool MacroEventList::CopySelected() {
    Macro* m = macro();
    if (!m || !z7::CopySelected(*m)) return false;
    AfterSelection();
    return true;
}

bool MacroEventList::InsertCopy() {
    Macro* m = macro();
    if (!m || !m->copyBuffer || SelectedCount() == 0 || !BeginChange()) return false;
    const bool inserted = z7::InsertCopy(*macro());
    AfterChange();
    return inserted;
}

bool MacroEventList::MoveSelectedUp() {
    Macro* m = macro();
    const int first = FirstSelectedIndex();
    if (!m || first <= 0 || !BeginChange()) return false;
    z7::MoveSelectedUp(*macro());
    anchor_ = cursor_ = first - 1;
    AfterChange();
    EnsureVisible(first - 1);
    return true;
}

bool MacroEventList::MoveSelectedDown() {
    Macro* m = macro();
    const int first = FirstSelectedIndex();
    if (!m || first < 0 || first + 1 >= rowCount() || !BeginChange()) return false;
    z7::MoveSelectedDown(*macro());
    anchor_ = cursor_ = first + 1;
    AfterChange();
    EnsureVisible(first + 1);
    return true;
}

bool MacroEventList::SetEventDelay(int index, int64_t ms) {
    Macro* m = macro();
    if (!m || index < 0 || index >= rowCount()) return false;
    if (m->events[static_cast<size_t>(index)].delay == ClampDelay(ms)) return false;
    emit aboutToChange();
    z7::SetEventDelay(*macro(), static_cast<size_t>(index), ms);
    AfterChange();
    return true;
}

// ---- in-place delay edit --------------------------------------------------------------------

void MacroEventList::EditDelay(int index) {
    const Macro* m = macro();
    if (!m || index < 0 || index >= rowCount()) return;
    HidePrompt();
    EnsureVisible(index);
    delayEditRow_ = index;
    const QRect row = RowRect(index);
    delayEditor_->setGeometry(row.right() - kDelayWidth - 4, row.top() + 21, kDelayWidth, 20);
    delayEditor_->setText(QString::number(m->events[static_cast<size_t>(index)].delay));
    delayEditor_->selectAll();
    delayEditor_->show();
    delayEditor_->setFocus(Qt::OtherFocusReason);
}

void MacroEventList::CommitDelayEdit() {
    if (delayEditRow_ < 0) return;
    const int row = delayEditRow_;
    delayEditRow_ = -1;
    const QString text = delayEditor_->text();
    delayEditor_->hide();
    if (!text.isEmpty()) SetEventDelay(row, text.toLongLong());
    setFocus(Qt::OtherFocusReason);
    update();
}

void MacroEventList::CancelDelayEdit() {
    if (delayEditRow_ < 0) return;
    delayEditRow_ = -1;
    delayEditor_->hide();
    update();
}

bool MacroEventList::eventFilter(QObject* watched, QEvent* event) {
    if (watched == delayEditor_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Escape) {
            CancelDelayEdit();
            setFocus(Qt::OtherFocusReason);
            return true;
        }
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            CommitDelayEdit();
            return true;
        }
    }
    return SkinControl::eventFilter(watched, event);
}

// ---- Edit Key prompt ------------------------------------------------------------------------

void MacroEventList::ShowPrompt(const QString& text) {
    const int first = FirstSelectedIndex();
    if (first < 0) return;
    EnsureVisible(first);
    const QRect row = RowRect(first);
    prompt_->setGeometry(row.left() + kTextLeft - 4, row.top() + 1,
                         std::min(160, row.width() - kTextLeft), 22);
    prompt_->setText(text);
    prompt_->show();
    prompt_->raise();
}

void MacroEventList::HidePrompt() {
    prompt_->hide();
}

// ---- input ----------------------------------------------------------------------------------

void MacroEventList::SelectAt(QMouseEvent* event) {
    const int row = RowAt(event->position().toPoint());
    if (row < 0) return;
    if (event->modifiers() & Qt::ShiftModifier)
        SelectRangeTo(row);
    else if (event->modifiers() & Qt::ControlModifier)
        ToggleRow(row);
    else
        SelectRow(row);
}

void MacroEventList::mousePressEvent(QMouseEvent* event) {
    NotePointerUse(this);
    setFocus(Qt::MouseFocusReason);
    if (event->button() == Qt::LeftButton) SelectAt(event);
}

void MacroEventList::mouseReleaseEvent(QMouseEvent* event) {
    // The press selected already; only a plain click is repeated (it lands where the press did).
    if (event->button() == Qt::LeftButton && event->modifiers() == Qt::NoModifier) {
        const int row = RowAt(event->position().toPoint());
        if (row >= 0 && !(SelectedCount() == 1 && FirstSelectedIndex() == row)) SelectRow(row);
    }
}

void MacroEventList::mouseDoubleClickEvent(QMouseEvent* event) {
    const int row = RowAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && row >= 0) EditDelay(row);
}

void MacroEventList::wheelEvent(QWheelEvent* event) {
    const int dy = event->angleDelta().y();
    if (dy == 0 || rowCount() == 0) return;
    const int first = FirstSelectedIndex();
    // Towards the user: the next row (the first when none is selected); away: the one before.
    const int target = dy < 0 ? (first < 0 ? 0 : first + 1) : (first < 0 ? -1 : first - 1);
    if (target >= 0 && target < rowCount()) SelectRow(target);
    event->accept();
}

void MacroEventList::keyPressEvent(QKeyEvent* event) {
    NoteKeyboardUse(this);
    const int count = rowCount();
    const int current = std::clamp(cursor_, 0, std::max(0, count - 1));
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    auto go = [&](int row) {
        if (count == 0) return;
        row = std::clamp(row, 0, count - 1);
        if (shift)
            SelectRangeTo(row);
        else
            SelectRow(row);
    };
    const bool none = FirstSelectedIndex() < 0;
    switch (event->key()) {
        case Qt::Key_Up:
            return go(none ? 0 : current - 1);
        case Qt::Key_Down:
            return go(none ? 0 : current + 1);
        case Qt::Key_PageUp:
            return go(current - visibleRows());
        case Qt::Key_PageDown:
            return go(current + visibleRows());
        case Qt::Key_Home:
            return go(0);
        case Qt::Key_End:
            return go(count - 1);
        case Qt::Key_Space:
            if (event->modifiers() & Qt::ControlModifier) return ToggleRow(current);
            return go(current);
        case Qt::Key_F2:
            if (!none) EditDelay(FirstSelectedIndex());
            return;
        case Qt::Key_A:
            if (event->modifiers() & Qt::ControlModifier) return SelectAll();
            break;
        default:
            break;
    }
    SkinControl::keyPressEvent(event);
}

// ---- painting -------------------------------------------------------------------------------

void MacroEventList::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    DrawStretched(painter, SkinPart(kListElement, isEnabled() ? kStateNormal : kStateOff));
    const Macro* m = macro();
    const QRect area = RowsArea();
    painter.setClipRect(area);
    const QFont font = SkinFont(16);
    painter.setFont(font);
    const int last = std::min(rowCount(), topRow_ + visibleRows() + 1);
    for (int i = topRow_; m && i < last; ++i) {
        const MacroEventItem& e = m->events[static_cast<size_t>(i)];
        const bool selected = e.selected != 0;
        const QRect row = RowRect(i);
        if (selected) painter.fillRect(row.adjusted(0, 1, 0, -1), skin::kRaised);
        if (i > topRow_)
            painter.fillRect(QRect(row.left() + 4, row.top(), row.width() - 8, 1), skin::kPanel);
        const QColor text = selected ? kSelectedText : skin::kText;
        const QRect line1(row.left(), row.top(), row.width(), 21);
        const QRect line2(row.left(), row.top() + 21, row.width(), 21);
        const char* icon = e.flag == kEventFlagPress     ? kActionDownFile
                           : e.flag == kEventFlagRelease ? kActionUpFile
                                                         : nullptr;
        if (icon) {
            painter.drawImage(QRect(line1.left() + 8, line1.top() + 1, kIconSize, kIconSize),
                              ActionIcon(icon, selected));
        }
        painter.setPen(text);
        painter.drawText(line1.adjusted(kTextLeft, 0, -8, 0), Qt::AlignLeft | Qt::AlignVCenter,
                         KeyText(e));
        const QRect delay(line2.right() - kDelayWidth - 4, line2.top(), kDelayWidth, 21);
        painter.drawImage(
            QRect(delay.left() - kIconSize - 6, delay.top() + 1, kIconSize, kIconSize),
            ActionIcon(kActionDelayFile, selected));
        if (i != delayEditRow_)
            painter.drawText(delay, Qt::AlignRight | Qt::AlignVCenter, QString::number(e.delay));
    }
    painter.setClipping(false);
    PaintFocusMark(painter);
}

}  // namespace z7
