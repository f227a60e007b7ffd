#pragma once
// The skinned control set. Every control reports to its owner through `sysCommand(code, value)`
// with the same pairs the pages expect (hover: (id, 0) and (1234, id); value changes:
// (id, value)); buttons and check boxes also emit `clicked()` when a click completes.
#include <QDialog>
#include <QImage>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStringList>
#include <QWidget>
#include <optional>
#include <vector>

namespace z7 {

// Code of the hover notification that pages use for their help balloons.
inline constexpr int kHoverCode = 1234;
// Value of the text-changed notification of the edits.
inline constexpr int kTextChangedValue = 102;

// Font of the skinned controls: Arial with a CJK fallback so that Chinese never shows as boxes.
QFont SkinFont(int pixelHeight, int weight = 400);

// The focus mark: a ring in the skin's accent colour around the focused control, shown once the
// keyboard has been used in its window (and hidden again by a click), as desktop keyboard cues
// do.
void NoteKeyboardUse(QWidget* control);
void NotePointerUse(QWidget* control);
bool ShowsFocusMark(const QWidget* control);
void DrawFocusMark(QPainter& painter, const QRect& rect);

// Where a control really is on the screen, as the last pointer event over it said. A frameless
// window's own idea of its position can be stale until the window manager has placed it;
// pointer events carry both coordinates.
void NoteScreenOrigin(QWidget* control, const QPointF& globalPos, const QPointF& localPos);
QPoint ScreenOrigin(const QWidget* control);

// The normal, over, down and off pictures of a control. Pictures of a skin element are cut from
// their sheets on first use, so the start decodes only the sheets of the states it shows (each
// state of the main window is a sheet of its own costing about 14 ms).
class SkinPictures {
  public:
    // Cuts lazily from `element`; pictures set before are dropped.
    void SetElement(int element);
    void Set(int state, const QImage& picture);
    // kStateNormal, kStateOver, kStateDown or kStateOff; null when there is none.
    const QImage& operator[](int state) const;
    const QImage& off() const { return (*this)[3]; }

  private:
    int element_ = -1;
    mutable QImage images_[4];
    mutable bool cut_[4] = {true, true, true, true};
};

// Base of the pointer-tracking controls: hover enter/leave the way the pages rely on it.
class SkinControl : public QWidget {
    Q_OBJECT
  public:
    SkinControl(int controlId, QWidget* parent);
    int controlId() const { return controlId_; }
    bool tracking() const { return tracking_; }
    // The skin element the pictures came from (-1: none); also the name assistive technology
    // hears when the owner gave none.
    int skinElement() const { return skinElement_; }

  signals:
    void sysCommand(int code, int value);
    void clicked();

  protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    // Draws the focus mark over what the control painted, when it shows.
    void PaintFocusMark(QPainter& painter) const;
    // Sends the hover notifications; controls that announce themselves also send (id, 0).
    virtual void PointerEntered();
    virtual void PointerLeft() {}
    // Draws `image` stretched over the control; nothing for a null image.
    void DrawStretched(QPainter& painter, const QImage& image) const;
    // Enter/leave bookkeeping for a pointer position; presses call it too, since a press can
    // arrive before any move.
    void Track(const QPoint& pos);
    bool sendsEnterNotice_ = false;
    int skinElement_ = -1;

  private:
    int controlId_;
    bool tracking_ = false;
};

class SkinButton : public SkinControl {
    Q_OBJECT
  public:
    SkinButton(int controlId, QWidget* parent);
    void SetPictures(const QImage& normal, const QImage& over, const QImage& down);
    void SetOffPicture(const QImage& off);
    // Cuts all four pictures of a skin element.
    void SetSkinElement(int element);
    // Drawn as a plain button when the skin lacks the picture of the current state.
    void SetFallbackText(const QString& text);
    // Owners latch buttons that stay pressed, such as toggles.
    void SetLatched(bool latched);
    bool latched() const { return latched_; }
    int pictureState() const { return state_; }
    const QString& fallbackText() const { return fallbackText_; }
    // A click without the pointer (Space, Enter, assistive technology); nothing when disabled.
    void Click();

  protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void PointerEntered() override;
    void PointerLeft() override;

  private:
    SkinPictures pictures_;
    QString fallbackText_;
    int state_ = 0;
    bool pressed_ = false;
    bool latched_ = false;
};

class SkinCheckBox : public SkinControl {
    Q_OBJECT
  public:
    SkinCheckBox(int controlId, QWidget* parent);
    // Unchecked, over (kept but not drawn), checked.
    void SetPictures(const QImage& unchecked, const QImage& over, const QImage& checked);
    void SetOffPicture(const QImage& off);
    void SetSkinElement(int element);
    // Repaints only on a change.
    void SetChecked(bool checked);
    bool checked() const { return checked_; }
    // Toggles and reports the click, as a completed click does; nothing when disabled.
    void Toggle();

  protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void PointerLeft() override { pressed_ = false; }

  private:
    SkinPictures pictures_;
    bool checked_ = false;
    bool pressed_ = false;
};

// Double-click test area: a double-click toggles between the normal and the down picture.
class DoubleClickTestArea : public SkinControl {
    Q_OBJECT
  public:
    DoubleClickTestArea(int controlId, QWidget* parent);
    void SetPictures(const QImage& normal, const QImage& over, const QImage& down);
    void SetOffPicture(const QImage& off);
    void SetSkinElement(int element);
    int pictureState() const { return state_; }
    // What a double-click does, for the keyboard and assistive technology.
    void Toggle();

  protected:
    void paintEvent(QPaintEvent*) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    SkinPictures pictures_;
    int state_ = 0;
};

class SkinLineEdit : public QLineEdit {
    Q_OBJECT
  public:
    SkinLineEdit(int controlId, QWidget* parent);
    int controlId() const { return controlId_; }
    void SetBackground(const QImage& background);
    void SetFontHeight(int pixelHeight);
    void SetTextColor(QColor color);

  signals:
    void sysCommand(int code, int value);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

  private:
    int controlId_;
    QImage background_;
};

// Multi-line edit of the text block editor: typing past the first line's end starts a new line.
class SkinTextEdit : public QPlainTextEdit {
    Q_OBJECT
  public:
    SkinTextEdit(int controlId, QWidget* parent);
    int controlId() const { return controlId_; }
    void SetBackground(const QImage& background);
    void SetFontHeight(int pixelHeight);
    void SetFixedFont() { SetFontHeight(17); }
    void SetTextColor(QColor color);

  signals:
    void sysCommand(int code, int value);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

  private:
    int controlId_;
    QImage background_;
};

class SkinLabel : public QWidget {
    Q_OBJECT
  public:
    SkinLabel(int controlId, QWidget* parent);
    int controlId() const { return controlId_; }
    // Replaces the first text (or adds it), selects it and repaints.
    void SetText(const QString& text);
    QString Text() const;
    void AddText(const QString& text);
    void SelectText(int index);
    void SetBackground(const QImage& background);
    void AddPicture(const QImage& picture);
    void SelectPicture(int index);
    int pictureIndex() const { return pictureIndex_; }
    // Arial of that height, weight 550.
    void SetFontHeight(int pixelHeight);
    void SetColors(QColor fill, QColor text);
    void SetCentred(bool centred);
    // A 1-pixel outline in `color` (transparent: none).
    void SetFramed(QColor color);

  signals:
    void sysCommand(int code, int value);

  protected:
    void paintEvent(QPaintEvent*) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

  private:
    int controlId_;
    QColor frame_ = Qt::transparent;
    QImage background_;
    std::vector<QImage> pictures_;
    int pictureIndex_ = -1;
    QStringList texts_;
    int textIndex_ = -1;
    QColor fill_ = Qt::transparent;
    QColor textColor_;
    bool centred_ = true;
};

class SkinSlider : public SkinControl {
    Q_OBJECT
  public:
    SkinSlider(int controlId, QWidget* parent);
    void SetPictures(const QImage& track, const QImage& thumb, const QImage& thumbOver);
    void SetRange(int minimum, int maximum);
    // Stores the position (clamped to the range) and always tells the owner.
    void SetPos(int position);
    int pos() const { return position_; }
    int minimum() const { return minimum_; }
    int maximum() const { return maximum_; }
    // Value for a pointer x position in the control: halves round up, clamped to the range.
    int ValueAt(double x) const;
    // Moves the thumb as the user does (keyboard, assistive technology): clamped, and the owner
    // hears of it only when the value differs from the last one it heard.
    void MoveByUser(int position);

  protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void PointerEntered() override;
    void PointerLeft() override;

  private:
    int ThumbWidth() const;
    void TakeValueFrom(double x);

    QImage track_, thumb_, thumbOver_;
    int minimum_ = 0;
    int maximum_ = 100;
    int position_ = 0;
    int lastReported_ = 0;
    int state_ = 0;
    bool dragging_ = false;
};

class SkinProgressBar : public QWidget {
    Q_OBJECT
  public:
    explicit SkinProgressBar(QWidget* parent);
    void SetPictures(const QImage& background, const QImage& fill);
    void SetRange(int minimum, int maximum);
    void SetPos(int position);
    int pos() const { return position_; }
    int minimum() const { return minimum_; }
    int maximum() const { return maximum_; }

  protected:
    void paintEvent(QPaintEvent*) override;

  private:
    QImage background_, fill_;
    int minimum_ = 0;
    int maximum_ = 100;
    int position_ = 0;
};

class SkinScrollBar : public SkinControl {
    Q_OBJECT
  public:
    SkinScrollBar(int controlId, QWidget* parent);
    void SetPictures(const QImage& track, const QImage& thumb, const QImage& firstButton,
                     const QImage& firstButtonDown, const QImage& secondButton,
                     const QImage& secondButtonDown);
    // Takes the pictures of skin elements 145..148.
    void SetSkinPictures();
    void SetRange(int minimum, int maximum);
    // Clamps to the range; does not notify.
    void SetPos(int position);
    int pos() const { return position_; }
    int minimum() const { return minimum_; }
    int maximum() const { return maximum_; }
    bool horizontal() const { return width() > height(); }
    // Moves as the user does (keyboard, assistive technology) and notifies.
    void MoveByUser(int position);

  protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    int Along(const QPoint& p) const { return horizontal() ? p.x() : p.y(); }
    int Length() const { return horizontal() ? width() : height(); }
    int ButtonLength() const;
    int ThumbLength() const;
    void MoveTo(int along);

    QImage track_, thumb_, first_[2], second_[2];
    int minimum_ = 0;
    int maximum_ = 100;
    int position_ = 0;
    int pressedPart_ = 0;  // 0 none, 1 first button, 2 second button, 3 track or thumb
};

// Dialog base: a borderless window with a background picture that moves when dragged on its
// background.
class SkinWindow : public QDialog {
    Q_OBJECT
  public:
    explicit SkinWindow(QWidget* parent = nullptr);
    // Resizes the window to the picture, keeping its top-left corner.
    void SetBackground(const QImage& background);
    const QImage& background() const { return background_; }
    void SetDraggable(bool draggable) { draggable_ = draggable; }
    // The order Tab and Shift+Tab walk; controls that are hidden, disabled or take no focus are
    // passed over. Empty: the order the controls were made in.
    void SetTabOrder(std::vector<QWidget*> order);
    const std::vector<QWidget*>& tabOrder() const { return tabOrder_; }

  signals:
    void sysCommand(int code, int value);

  protected:
    bool focusNextPrevChild(bool next) override;
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    // A dialog centres itself on every show; a window the user placed stays where it was.
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    QImage background_;
    bool draggable_ = true;
    bool dragging_ = false;
    QPoint dragOffset_;  // the pointer inside the window's frame at the press
    std::optional<QPoint> placedAt_;
    std::vector<QWidget*> tabOrder_;
};

}  // namespace z7
