#include "gui/ui/skin_controls.h"

#include <QEnterEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QTextBlock>
#include <QTextLayout>
#include <QWindow>
#include <algorithm>
#include <cmath>

#include "gui/ui/skin.h"
#include "gui/ui/skin_accessible.h"
#include "gui/ui/skin_layout.h"
#include "gui/ui/skin_style.h"

namespace z7 {
namespace {
// The text block editor wraps to a new line once the caret reaches this band on the first line.
constexpr int kWrapBandLeft = 479;
constexpr int kWrapBandRight = 488;
constexpr int kDefaultThumbLength = 20;
constexpr char kCuesProperty[] = "z7KeyboardCues";
constexpr char kOriginProperty[] = "z7ScreenOrigin";
constexpr char kOriginWindowProperty[] = "z7ScreenOriginWindow";

}  // namespace

void SkinPictures::SetElement(int element) {
    element_ = element;
    for (int state = 0; state < 4; ++state) {
        images_[state] = QImage();
        cut_[state] = false;
    }
}

void SkinPictures::Set(int state, const QImage& picture) {
    images_[state] = picture;
    cut_[state] = true;
}

const QImage& SkinPictures::operator[](int state) const {
    if (!cut_[state]) {
        cut_[state] = true;
        images_[state] = SkinPart(element_, state);
    }
    return images_[state];
}

QFont SkinFont(int pixelHeight, int weight) {
    QFont font;
    font.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans"),
                      QStringLiteral("DejaVu Sans"), QStringLiteral("WenQuanYi Micro Hei"),
                      QStringLiteral("Noto Sans CJK SC"), QStringLiteral("Microsoft YaHei")});
    font.setPixelSize(std::max(1, pixelHeight));
    font.setWeight(static_cast<QFont::Weight>(std::clamp(weight, 1, 1000)));
    return font;
}

// ---- focus mark and real positions ----------------------------------------------------------

void NoteKeyboardUse(QWidget* control) {
    QWidget* window = control->window();
    if (window->property(kCuesProperty).toBool()) return;
    window->setProperty(kCuesProperty, true);
    if (control->hasFocus()) control->update();
}

void NotePointerUse(QWidget* control) {
    QWidget* window = control->window();
    if (!window->property(kCuesProperty).toBool()) return;
    window->setProperty(kCuesProperty, false);
    if (QWidget* focused = window->focusWidget()) focused->update();
}

bool ShowsFocusMark(const QWidget* control) {
    return control->hasFocus() && control->window()->property(kCuesProperty).toBool();
}

void DrawFocusMark(QPainter& painter, const QRect& rect) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::NoBrush);
    // Inside the control's own outline, so that it reads as more than the hover border.
    const qreal inset = std::clamp(std::min(rect.width(), rect.height()) / 6, 1, 4) + 1.0;
    painter.setPen(QPen(skin::kAccent, 2, Qt::DotLine, Qt::RoundCap));
    painter.drawRoundedRect(QRectF(rect).adjusted(inset, inset, -inset, -inset), 3, 3);
    painter.restore();
}

void NoteScreenOrigin(QWidget* control, const QPointF& globalPos, const QPointF& localPos) {
    const QPoint origin = (globalPos - localPos).toPoint();
    control->setProperty(kOriginProperty, origin);
    // The window's own position at the time: a later move of the window shifts the origin.
    control->setProperty(kOriginWindowProperty, control->window()->pos());
}

QPoint ScreenOrigin(const QWidget* control) {
    const QVariant origin = control->property(kOriginProperty);
    if (!origin.isValid()) return control->mapToGlobal(QPoint(0, 0));
    const QPoint windowThen = control->property(kOriginWindowProperty).toPoint();
    return origin.toPoint() + (control->window()->pos() - windowThen);
}

// ---- pointer tracking -------------------------------------------------------------------------

SkinControl::SkinControl(int controlId, QWidget* parent) : QWidget(parent), controlId_(controlId) {
    EnsureSkinAccessibility();
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
}

void SkinControl::enterEvent(QEnterEvent* event) {
    NoteScreenOrigin(this, event->globalPosition(), event->position());
    Track(event->position().toPoint());
}

void SkinControl::focusInEvent(QFocusEvent* event) {
    if (event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason ||
        event->reason() == Qt::ShortcutFocusReason) {
        NoteKeyboardUse(this);
    }
    update();
    QWidget::focusInEvent(event);
}

void SkinControl::focusOutEvent(QFocusEvent* event) {
    update();
    QWidget::focusOutEvent(event);
}

void SkinControl::PaintFocusMark(QPainter& painter) const {
    if (ShowsFocusMark(this)) DrawFocusMark(painter, rect());
}

void SkinControl::leaveEvent(QEvent*) {
    if (!tracking_) return;
    tracking_ = false;
    PointerLeft();
}

void SkinControl::mouseMoveEvent(QMouseEvent* event) {
    NoteScreenOrigin(this, event->globalPosition(), event->position());
    Track(event->position().toPoint());
}

void SkinControl::Track(const QPoint& pos) {
    const bool inside = rect().contains(pos);
    if (!tracking_ && inside) {
        tracking_ = true;
        PointerEntered();
    } else if (tracking_ && !inside) {
        tracking_ = false;
        PointerLeft();
    }
}

void SkinControl::PointerEntered() {
    if (sendsEnterNotice_) emit sysCommand(controlId_, 0);
    emit sysCommand(kHoverCode, controlId_);
}

void SkinControl::DrawStretched(QPainter& painter, const QImage& image) const {
    if (!image.isNull()) painter.drawImage(rect(), image);
}

// ---- SkinButton -------------------------------------------------------------------------------

SkinButton::SkinButton(int controlId, QWidget* parent) : SkinControl(controlId, parent) {
    sendsEnterNotice_ = true;
}

void SkinButton::SetPictures(const QImage& normal, const QImage& over, const QImage& down) {
    pictures_.Set(0, normal);
    pictures_.Set(1, over);
    pictures_.Set(2, down);
    update();
}

void SkinButton::SetOffPicture(const QImage& off) {
    pictures_.Set(kStateOff, off);
    update();
}

void SkinButton::SetSkinElement(int element) {
    skinElement_ = element;
    pictures_.SetElement(element);
    update();
}

void SkinButton::SetLatched(bool latched) {
    if (latched_ == latched) return;
    latched_ = latched;
    update();
}

void SkinButton::SetFallbackText(const QString& text) {
    fallbackText_ = text;
    update();
}

void SkinButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QImage& picture = pictures_[latched_ ? 2 : state_];
    if (!isEnabled() && !pictures_.off().isNull()) {
        DrawStretched(painter, pictures_.off());
    } else if (!picture.isNull() || fallbackText_.isEmpty()) {
        DrawStretched(painter, picture);
    } else {
        const bool down = latched_ || state_ == 2;
        painter.fillRect(rect(), down          ? skin::kAccent
                                 : state_ == 1 ? skin::kRaisedOver
                                               : skin::kRaised);
        painter.setPen(!isEnabled() ? skin::kTextOff : down ? skin::kOnAccent : skin::kText);
        painter.setFont(SkinFont(15));
        painter.drawText(rect(), Qt::AlignCenter, fallbackText_);
    }
    PaintFocusMark(painter);
}

void SkinButton::Click() {
    if (isEnabled()) emit clicked();
}

void SkinButton::keyPressEvent(QKeyEvent* event) {
    NoteKeyboardUse(this);
    switch (event->key()) {
        case Qt::Key_Space:
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (!event->isAutoRepeat()) Click();
            return;
        default:
            SkinControl::keyPressEvent(event);
    }
}

void SkinButton::mousePressEvent(QMouseEvent* event) {
    NotePointerUse(this);
    Track(event->position().toPoint());
    if (event->button() != Qt::LeftButton) return;
    pressed_ = true;
    state_ = 2;
    update();
}

void SkinButton::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const bool click = pressed_ && rect().contains(event->position().toPoint());
    pressed_ = false;
    state_ = tracking() ? 1 : 0;
    update();
    if (click) emit clicked();
}

void SkinButton::PointerEntered() {
    if (state_ != 2) state_ = 1;
    update();
    SkinControl::PointerEntered();
}

void SkinButton::PointerLeft() {
    state_ = 0;
    pressed_ = false;
    update();
}

// ---- SkinCheckBox -----------------------------------------------------------------------------

SkinCheckBox::SkinCheckBox(int controlId, QWidget* parent) : SkinControl(controlId, parent) {
    sendsEnterNotice_ = true;
}

void SkinCheckBox::SetPictures(const QImage& unchecked, const QImage& over, const QImage& checked) {
    pictures_.Set(0, unchecked);
    pictures_.Set(1, over);
    pictures_.Set(2, checked);
    update();
}

void SkinCheckBox::SetOffPicture(const QImage& off) {
    pictures_.Set(kStateOff, off);
    update();
}

void SkinCheckBox::SetSkinElement(int element) {
    skinElement_ = element;
    pictures_.SetElement(element);
    update();
}

void SkinCheckBox::SetChecked(bool checked) {
    if (checked_ == checked) return;
    checked_ = checked;
    update();
}

void SkinCheckBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (!isEnabled() && !pictures_.off().isNull())
        DrawStretched(painter, pictures_.off());
    else
        DrawStretched(painter, checked_ ? pictures_[2] : pictures_[0]);
    PaintFocusMark(painter);
}

void SkinCheckBox::Toggle() {
    if (!isEnabled()) return;
    checked_ = !checked_;
    update();
    NotifyStateChanged(this);
    emit clicked();
}

void SkinCheckBox::keyPressEvent(QKeyEvent* event) {
    NoteKeyboardUse(this);
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat()) return Toggle();
    SkinControl::keyPressEvent(event);
}

void SkinCheckBox::mousePressEvent(QMouseEvent* event) {
    NotePointerUse(this);
    Track(event->position().toPoint());
    if (event->button() == Qt::LeftButton) pressed_ = true;
}

void SkinCheckBox::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !pressed_) return;
    pressed_ = false;
    if (!rect().contains(event->position().toPoint())) return;
    // The owner reads the new state in its click handler.
    checked_ = !checked_;
    update();
    NotifyStateChanged(this);
    emit clicked();
}

// ---- DoubleClickTestArea
// -------------------------------------------------------------------------------

DoubleClickTestArea::DoubleClickTestArea(int controlId, QWidget* parent)
    : SkinControl(controlId, parent) {
    sendsEnterNotice_ = true;
}

void DoubleClickTestArea::SetPictures(const QImage& normal, const QImage& over,
                                      const QImage& down) {
    pictures_.Set(0, normal);
    pictures_.Set(1, over);
    pictures_.Set(2, down);
    update();
}

void DoubleClickTestArea::SetOffPicture(const QImage& off) {
    pictures_.Set(kStateOff, off);
    update();
}

void DoubleClickTestArea::SetSkinElement(int element) {
    skinElement_ = element;
    pictures_.SetElement(element);
    update();
}

void DoubleClickTestArea::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (!isEnabled() && !pictures_.off().isNull())
        DrawStretched(painter, pictures_.off());
    else
        DrawStretched(painter, pictures_[state_ == 2 ? 2 : 0]);
    PaintFocusMark(painter);
}

void DoubleClickTestArea::Toggle() {
    state_ = state_ == 2 ? 0 : 2;
    update();
}

void DoubleClickTestArea::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) Toggle();
}

void DoubleClickTestArea::keyPressEvent(QKeyEvent* event) {
    NoteKeyboardUse(this);
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat()) return Toggle();
    SkinControl::keyPressEvent(event);
}

// ---- edits ------------------------------------------------------------------------------------

namespace {
void MakeTransparent(QWidget* w) {
    QPalette palette = w->palette();
    palette.setColor(QPalette::Base, Qt::transparent);
    palette.setColor(QPalette::Text, skin::kText);
    w->setPalette(palette);
    w->setAttribute(Qt::WA_TranslucentBackground);
}

void DrawEditBackground(QPainter& painter, const QRect& r, const QImage& background) {
    if (!background.isNull()) {
        painter.drawImage(r, background);
        return;
    }
    // Without a picture: the skin's field look, so the skin's text colour stays legible.
    painter.fillRect(r, skin::kField);
    painter.setPen(skin::kBorder);
    painter.drawRect(r.adjusted(0, 0, -1, -1));
}

void SetTextColorOf(QWidget* w, QColor color) {
    QPalette palette = w->palette();
    palette.setColor(QPalette::Text, color);
    w->setPalette(palette);
}
}  // namespace

SkinLineEdit::SkinLineEdit(int controlId, QWidget* parent)
    : QLineEdit(parent), controlId_(controlId) {
    EnsureSkinAccessibility();
    setFrame(false);
    setFont(SkinFont(16));
    // Clear of the rounded border of the skin's field pictures.
    setTextMargins(6, 0, 6, 0);
    MakeTransparent(this);
    connect(this, &QLineEdit::textChanged, this,
            [this] { emit sysCommand(controlId_, kTextChangedValue); });
}

void SkinLineEdit::SetBackground(const QImage& background) {
    background_ = background;
    update();
}

void SkinLineEdit::SetFontHeight(int pixelHeight) {
    setFont(SkinFont(pixelHeight));
}
void SkinLineEdit::SetTextColor(QColor color) {
    SetTextColorOf(this, color);
}

void SkinLineEdit::paintEvent(QPaintEvent* event) {
    {
        QPainter painter(this);
        DrawEditBackground(painter, rect(), background_);
    }
    QLineEdit::paintEvent(event);
    if (ShowsFocusMark(this)) {
        QPainter painter(this);
        DrawFocusMark(painter, rect());
    }
}

void SkinLineEdit::focusInEvent(QFocusEvent* event) {
    if (event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason ||
        event->reason() == Qt::ShortcutFocusReason) {
        NoteKeyboardUse(this);
    }
    QLineEdit::focusInEvent(event);
}

void SkinLineEdit::mouseMoveEvent(QMouseEvent* event) {
    NoteScreenOrigin(this, event->globalPosition(), event->position());
    QLineEdit::mouseMoveEvent(event);
}

void SkinLineEdit::mousePressEvent(QMouseEvent* event) {
    NotePointerUse(this);
    QLineEdit::mousePressEvent(event);
}

void SkinLineEdit::enterEvent(QEnterEvent* event) {
    NoteScreenOrigin(this, event->globalPosition(), event->position());
    QLineEdit::enterEvent(event);
    emit sysCommand(controlId_, 0);
    emit sysCommand(kHoverCode, controlId_);
}

SkinTextEdit::SkinTextEdit(int controlId, QWidget* parent)
    : QPlainTextEdit(parent), controlId_(controlId) {
    EnsureSkinAccessibility();
    // Tab moves on to the next control rather than typing a tab into the text.
    setTabChangesFocus(true);
    setFrameShape(QFrame::NoFrame);
    setFont(SkinFont(16));
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    MakeTransparent(viewport());
    MakeTransparent(this);
    connect(this, &QPlainTextEdit::textChanged, this,
            [this] { emit sysCommand(controlId_, kTextChangedValue); });
}

void SkinTextEdit::SetBackground(const QImage& background) {
    background_ = background;
    viewport()->update();
}

void SkinTextEdit::SetFontHeight(int pixelHeight) {
    setFont(SkinFont(pixelHeight));
}
void SkinTextEdit::SetTextColor(QColor color) {
    SetTextColorOf(this, color);
    SetTextColorOf(viewport(), color);
}

void SkinTextEdit::paintEvent(QPaintEvent* event) {
    {
        QPainter painter(viewport());
        DrawEditBackground(painter, viewport()->rect(), background_);
    }
    QPlainTextEdit::paintEvent(event);
    if (ShowsFocusMark(this)) {
        QPainter painter(viewport());
        DrawFocusMark(painter, viewport()->rect());
    }
}

void SkinTextEdit::focusInEvent(QFocusEvent* event) {
    if (event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason) {
        NoteKeyboardUse(this);
    }
    viewport()->update();
    QPlainTextEdit::focusInEvent(event);
}

void SkinTextEdit::keyPressEvent(QKeyEvent* event) {
    const QTextCursor cursor = textCursor();
    const QTextLayout* layout = cursor.block().layout();
    const bool firstLine =
        cursor.blockNumber() == 0 &&
        (!layout || layout->lineForTextPosition(cursor.positionInBlock()).lineNumber() <= 0);
    const int x = cursorRect().x();
    if (firstLine && x >= kWrapBandLeft && x <= kWrapBandRight && !event->text().isEmpty()) {
        insertPlainText(QStringLiteral("\n"));
    }
    QPlainTextEdit::keyPressEvent(event);
}

// ---- SkinLabel -------------------------------------------------------------------------------

SkinLabel::SkinLabel(int controlId, QWidget* parent)
    : QWidget(parent), controlId_(controlId), textColor_(skin::kText) {
    EnsureSkinAccessibility();
    setFont(SkinFont(16));
}

void SkinLabel::SetText(const QString& text) {
    const QString before = Text();
    if (texts_.isEmpty())
        texts_.append(text);
    else
        texts_[0] = text;
    textIndex_ = 0;
    update();
    if (before != text) NotifyTextChanged(this);
}

void SkinLabel::SetFramed(QColor color) {
    frame_ = color;
    update();
}

QString SkinLabel::Text() const {
    return textIndex_ >= 0 && textIndex_ < texts_.size() ? texts_[textIndex_] : QString();
}

void SkinLabel::AddText(const QString& text) {
    texts_.append(text);
}

void SkinLabel::SelectText(int index) {
    textIndex_ = index;
    update();
    NotifyTextChanged(this);
}

void SkinLabel::SetBackground(const QImage& background) {
    background_ = background;
    update();
}

void SkinLabel::AddPicture(const QImage& picture) {
    pictures_.push_back(picture);
}

void SkinLabel::SelectPicture(int index) {
    pictureIndex_ = index;
    update();
}

void SkinLabel::SetFontHeight(int pixelHeight) {
    setFont(SkinFont(pixelHeight, 550));
    update();
}

void SkinLabel::SetColors(QColor fill, QColor text) {
    fill_ = fill;
    textColor_ = text;
    update();
}

void SkinLabel::SetCentred(bool centred) {
    centred_ = centred;
    update();
}

void SkinLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (frame_.alpha() != 0) {
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(frame_);
        painter.setBrush(fill_);
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
    } else {
        painter.fillRect(rect(), fill_);
    }
    if (!background_.isNull()) painter.drawImage(rect(), background_);
    if (pictureIndex_ >= 0 && pictureIndex_ < static_cast<int>(pictures_.size())) {
        painter.drawImage(rect(), pictures_[pictureIndex_]);
    }
    const QString text = Text();
    if (text.isEmpty()) return;
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setPen(textColor_);
    painter.setFont(font());
    const int flags =
        (centred_ ? Qt::AlignCenter : Qt::AlignLeft | Qt::AlignVCenter) | Qt::TextWordWrap;
    painter.drawText(rect(), flags, text);
}

void SkinLabel::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) emit sysCommand(controlId_, 1);
}

// ---- SkinSlider ---------------------------------------------------------------------------

SkinSlider::SkinSlider(int controlId, QWidget* parent) : SkinControl(controlId, parent) {}

void SkinSlider::SetPictures(const QImage& track, const QImage& thumb, const QImage& thumbOver) {
    track_ = track;
    thumb_ = thumb;
    thumbOver_ = thumbOver;
    update();
}

void SkinSlider::SetRange(int minimum, int maximum) {
    minimum_ = std::min(minimum, maximum);
    maximum_ = std::max(minimum, maximum);
    position_ = std::clamp(position_, minimum_, maximum_);
    update();
}

void SkinSlider::SetPos(int position) {
    position_ = std::clamp(position, minimum_, maximum_);
    // What the owner was last told, so a later drag back to the old value is reported too.
    lastReported_ = position_;
    update();
    NotifyValueChanged(this, position_);
    emit sysCommand(controlId(), position_);
}

int SkinSlider::ThumbWidth() const {
    return thumb_.isNull() ? kDefaultThumbLength / 2 : thumb_.width();
}

int SkinSlider::ValueAt(double x) const {
    const int thumbWidth = ThumbWidth();
    const double span = width() - thumbWidth;
    if (span <= 0) return minimum_;
    const double v =
        (x - thumbWidth / 2.0) * (maximum_ - minimum_) / span + static_cast<double>(minimum_);
    const double rounded = std::floor(v + 0.5);
    return static_cast<int>(
        std::clamp(rounded, static_cast<double>(minimum_), static_cast<double>(maximum_)));
}

void SkinSlider::TakeValueFrom(double x) {
    MoveByUser(ValueAt(x));
}

void SkinSlider::MoveByUser(int position) {
    position_ = std::clamp(position, minimum_, maximum_);
    update();
    if (position_ == lastReported_) return;
    lastReported_ = position_;
    NotifyValueChanged(this, position_);
    emit sysCommand(controlId(), position_);
}

void SkinSlider::keyPressEvent(QKeyEvent* event) {
    NoteKeyboardUse(this);
    const int page = std::max(1, (maximum_ - minimum_) / 10);
    switch (event->key()) {
        case Qt::Key_Left:
        case Qt::Key_Down:
            return MoveByUser(position_ - 1);
        case Qt::Key_Right:
        case Qt::Key_Up:
            return MoveByUser(position_ + 1);
        case Qt::Key_PageDown:
            return MoveByUser(position_ - page);
        case Qt::Key_PageUp:
            return MoveByUser(position_ + page);
        case Qt::Key_Home:
            return MoveByUser(minimum_);
        case Qt::Key_End:
            return MoveByUser(maximum_);
        default:
            SkinControl::keyPressEvent(event);
    }
}

void SkinSlider::mousePressEvent(QMouseEvent* event) {
    NotePointerUse(this);
    if (event->button() != Qt::LeftButton) return;
    dragging_ = true;
    state_ = 2;
    TakeValueFrom(event->position().x());
}

void SkinSlider::mouseMoveEvent(QMouseEvent* event) {
    // While dragging the slider keeps following the pointer beyond its edges.
    if (dragging_) return TakeValueFrom(event->position().x());
    SkinControl::mouseMoveEvent(event);
}

void SkinSlider::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !dragging_) return;
    dragging_ = false;
    TakeValueFrom(event->position().x());
    state_ = 0;
    update();
}

void SkinSlider::PointerEntered() {
    if (state_ != 2) state_ = 1;
    update();
    SkinControl::PointerEntered();
}

void SkinSlider::PointerLeft() {
    if (!dragging_) state_ = 0;
    update();
}

void SkinSlider::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (!track_.isNull()) {
        // The groove keeps its own height, centred under the thumb.
        const int h = std::min(height(), track_.height());
        painter.drawImage(QRect(0, (height() - h) / 2, width(), h), track_);
    }
    const QImage& thumb = (state_ == 0 || !isEnabled()) ? thumb_ : thumbOver_;
    if (thumb.isNull()) return PaintFocusMark(painter);
    const int tw = thumb.width();
    const int range = maximum_ - minimum_;
    const int centre = (range > 0 ? (width() - tw) * (position_ - minimum_) / range : 0) + tw / 2;
    if (!isEnabled()) painter.setOpacity(0.45);
    painter.drawImage(QPoint(centre - tw / 2, 0), thumb);
    painter.setOpacity(1);
    PaintFocusMark(painter);
}

// ---- SkinProgressBar -------------------------------------------------------------------------

SkinProgressBar::SkinProgressBar(QWidget* parent) : QWidget(parent) {
    EnsureSkinAccessibility();
}

void SkinProgressBar::SetPictures(const QImage& background, const QImage& fill) {
    background_ = background;
    fill_ = fill;
    update();
}

void SkinProgressBar::SetRange(int minimum, int maximum) {
    minimum_ = std::min(minimum, maximum);
    maximum_ = std::max(minimum, maximum);
    update();
}

void SkinProgressBar::SetPos(int position) {
    const int before = position_;
    position_ = std::clamp(position, minimum_, maximum_);
    update();
    if (before != position_) NotifyValueChanged(this, position_);
}

void SkinProgressBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (!background_.isNull()) painter.drawImage(rect(), background_);
    const int range = maximum_ - minimum_;
    if (fill_.isNull() || range <= 0) return;
    const int filled = width() * (position_ - minimum_) / range;
    if (filled <= 0) return;
    // The fill picture is cut, not squeezed, so its end cap shows only when full.
    const int sourceWidth = fill_.width() * filled / std::max(1, width());
    painter.drawImage(QRect(0, 0, filled, height()), fill_,
                      QRect(0, 0, std::max(1, sourceWidth), fill_.height()));
}

// ---- SkinScrollBar ---------------------------------------------------------------------------

SkinScrollBar::SkinScrollBar(int controlId, QWidget* parent) : SkinControl(controlId, parent) {}

void SkinScrollBar::SetPictures(const QImage& track, const QImage& thumb, const QImage& firstButton,
                                const QImage& firstButtonDown, const QImage& secondButton,
                                const QImage& secondButtonDown) {
    track_ = track;
    thumb_ = thumb;
    first_[0] = firstButton;
    first_[1] = firstButtonDown;
    second_[0] = secondButton;
    second_[1] = secondButtonDown;
    update();
}

void SkinScrollBar::SetSkinPictures() {
    SetPictures(SkinPart(145, kStateNormal), SkinPart(148, kStateNormal),
                SkinPart(146, kStateNormal), SkinPart(146, kStateOver), SkinPart(147, kStateNormal),
                SkinPart(147, kStateOver));
}

void SkinScrollBar::SetRange(int minimum, int maximum) {
    minimum_ = std::min(minimum, maximum);
    maximum_ = std::max(minimum, maximum);
    position_ = std::clamp(position_, minimum_, maximum_);
    update();
}

void SkinScrollBar::SetPos(int position) {
    position_ = std::clamp(position, minimum_, maximum_);
    update();
}

int SkinScrollBar::ButtonLength() const {
    if (first_[0].isNull()) return horizontal() ? height() : width();
    return horizontal() ? first_[0].width() : first_[0].height();
}

int SkinScrollBar::ThumbLength() const {
    if (thumb_.isNull()) return kDefaultThumbLength;
    return horizontal() ? thumb_.width() : thumb_.height();
}

void SkinScrollBar::MoveTo(int along) {
    const int trackStart = ButtonLength();
    const int travel = Length() - 2 * ButtonLength() - ThumbLength();
    int next = minimum_;
    if (travel > 0) {
        const double t = static_cast<double>(along - trackStart - ThumbLength() / 2) / travel;
        next = minimum_ +
               static_cast<int>(std::lround(std::clamp(t, 0.0, 1.0) * (maximum_ - minimum_)));
    }
    MoveByUser(next);
}

void SkinScrollBar::MoveByUser(int position) {
    position_ = std::clamp(position, minimum_, maximum_);
    update();
    NotifyValueChanged(this, position_);
    emit sysCommand(controlId(), position_);
}

void SkinScrollBar::keyPressEvent(QKeyEvent* event) {
    NoteKeyboardUse(this);
    const int page = std::max(1, (maximum_ - minimum_) / 10);
    const bool h = horizontal();
    switch (event->key()) {
        case Qt::Key_Left:
        case Qt::Key_Up:
            if ((event->key() == Qt::Key_Left) == h) return MoveByUser(position_ - 1);
            break;
        case Qt::Key_Right:
        case Qt::Key_Down:
            if ((event->key() == Qt::Key_Right) == h) return MoveByUser(position_ + 1);
            break;
        case Qt::Key_PageUp:
            return MoveByUser(position_ - page);
        case Qt::Key_PageDown:
            return MoveByUser(position_ + page);
        case Qt::Key_Home:
            return MoveByUser(minimum_);
        case Qt::Key_End:
            return MoveByUser(maximum_);
        default:
            break;
    }
    SkinControl::keyPressEvent(event);
}

void SkinScrollBar::mousePressEvent(QMouseEvent* event) {
    NotePointerUse(this);
    if (event->button() != Qt::LeftButton) return;
    const int along = Along(event->position().toPoint());
    if (along < ButtonLength())
        pressedPart_ = 1;
    else if (along >= Length() - ButtonLength())
        pressedPart_ = 2;
    else {
        pressedPart_ = 3;
        MoveTo(along);
    }
    update();
}

void SkinScrollBar::mouseMoveEvent(QMouseEvent* event) {
    if (pressedPart_ == 3) return MoveTo(Along(event->position().toPoint()));
    SkinControl::mouseMoveEvent(event);
}

void SkinScrollBar::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const int part = pressedPart_;
    pressedPart_ = 0;
    update();
    if (!rect().contains(event->position().toPoint())) return;
    const int along = Along(event->position().toPoint());
    if (part == 1 && along < ButtonLength()) {
        MoveByUser(minimum_);
    } else if (part == 2 && along >= Length() - ButtonLength()) {
        MoveByUser(maximum_);
    }
}

void SkinScrollBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const bool h = horizontal();
    const int b = ButtonLength();
    const int len = Length();
    auto span = [&](int from, int length) {
        return h ? QRect(from, 0, length, height()) : QRect(0, from, width(), length);
    };
    if (!track_.isNull()) painter.drawImage(span(b, len - 2 * b), track_);
    const QImage& first = first_[pressedPart_ == 1 ? 1 : 0];
    const QImage& second = second_[pressedPart_ == 2 ? 1 : 0];
    if (!first.isNull()) painter.drawImage(span(0, b), first);
    if (!second.isNull()) painter.drawImage(span(len - b, b), second);
    const int range = maximum_ - minimum_;
    const int travel = std::max(0, len - 2 * b - ThumbLength());
    const int offset = range > 0 ? travel * (position_ - minimum_) / range : 0;
    if (!thumb_.isNull()) painter.drawImage(span(b + offset, ThumbLength()), thumb_);
    PaintFocusMark(painter);
}

// ---- SkinWindow --------------------------------------------------------------------------

SkinWindow::SkinWindow(QWidget* parent) : QDialog(parent) {
    EnsureSkinAccessibility();
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
}

void SkinWindow::SetTabOrder(std::vector<QWidget*> order) {
    tabOrder_ = std::move(order);
}

bool SkinWindow::focusNextPrevChild(bool next) {
    if (tabOrder_.empty()) return QDialog::focusNextPrevChild(next);
    const int n = static_cast<int>(tabOrder_.size());
    const auto at = std::find(tabOrder_.begin(), tabOrder_.end(), focusWidget());
    int index = at == tabOrder_.end() ? (next ? -1 : n) : static_cast<int>(at - tabOrder_.begin());
    for (int i = 0; i < n; ++i) {
        index = (index + (next ? 1 : -1) + n) % n;
        QWidget* w = tabOrder_[static_cast<size_t>(index)];
        if (w->isVisibleTo(this) && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus)) {
            w->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            return true;
        }
    }
    return false;
}

void SkinWindow::SetBackground(const QImage& background) {
    background_ = background;
    if (!background_.isNull()) setFixedSize(background_.size());
    update();
}

void SkinWindow::paintEvent(QPaintEvent*) {
    if (background_.isNull()) return;
    QPainter painter(this);
    painter.drawImage(rect(), background_);
}

void SkinWindow::mousePressEvent(QMouseEvent* event) {
    NotePointerUse(this);
    if (!draggable_ || event->button() != Qt::LeftButton) return QDialog::mousePressEvent(event);
    // The window system moves the window where it can; elsewhere we follow the pointer.
    if (windowHandle() && windowHandle()->startSystemMove()) return;
    dragging_ = true;
    // From the event's own coordinates: the window's idea of its position may be stale until
    // the window manager has placed it, and the first move would jump by the difference.
    dragOffset_ = event->position().toPoint() + (pos() - geometry().topLeft());
}

void SkinWindow::mouseMoveEvent(QMouseEvent* event) {
    if (dragging_) move(event->globalPosition().toPoint() - dragOffset_);
    QDialog::mouseMoveEvent(event);
}

void SkinWindow::showEvent(QShowEvent* event) {
    // move() marks the position as chosen, so the dialog does not centre itself again.
    if (placedAt_ && !event->spontaneous()) move(*placedAt_);
    QDialog::showEvent(event);
}

void SkinWindow::hideEvent(QHideEvent* event) {
    if (!event->spontaneous() && isWindow()) placedAt_ = pos();
    QDialog::hideEvent(event);
}

void SkinWindow::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) dragging_ = false;
    QDialog::mouseReleaseEvent(event);
}

}  // namespace z7
