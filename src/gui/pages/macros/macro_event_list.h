#pragma once
// The "Macro list" of the recording page: the events of the library's current macro as rows of
// 42 pixels (press or release with the key's name, then the pause after it), selected with the
// pointer, the wheel and the keyboard, scrolled with its own scroll bar, and the event
// operations the page's buttons start. Each operation that changes the events says so first
// (aboutToChange), so that the page can keep what the macro was.
//
// The rows' rectangles in the events stay unscrolled: scrolling only moves where they are drawn,
// so a saved file never depends on how far the list was scrolled.
#include <QLineEdit>
#include <QObject>
#include <vector>

#include "core/macros/macro_events.h"
#include "core/macros/macro_library.h"
#include "gui/ui/skin_controls.h"

namespace z7 {

class MacroEventList;

// One row as assistive technology sees it: a list item named by the row's text.
class MacroEventRow : public QObject {
    Q_OBJECT
  public:
    MacroEventRow(MacroEventList* list, int index);
    MacroEventList* list() const { return list_; }
    int index() const { return index_; }

  private:
    MacroEventList* list_;
    int index_;
};

class MacroEventList : public SkinControl {
    Q_OBJECT
  public:
    // The sheet paints column captions over the top of the list; rows start below them.
    static constexpr int kHeaderHeight = 23;
    static constexpr int kScrollBarId = 1085;

    MacroEventList(int controlId, MacroLibrary& library, QWidget* parent);

    MacroLibrary& library() const { return library_; }
    // The library's current macro; null when none.
    Macro* macro() const;
    int rowCount() const;

    // The current macro changed (another one, or none): rows follow, the list shows its top.
    void Reload();
    int cursorRow() const { return cursor_; }
    // Events were appended (recording): rows follow and the last one comes into view.
    void Appended();
    // Events changed some other way: rows and picture follow.
    void Refresh();

    // ---- scrolling ----
    // Whole rows that fit.
    int visibleRows() const;
    int topRow() const { return topRow_; }
    int scrollMaximum() const;
    // Shows rows from `row` on (clamped to the scroll range).
    void ScrollTo(int row);
    void ScrollBy(int rows) { ScrollTo(topRow_ + rows); }
    void EnsureVisible(int row);
    SkinScrollBar* scrollBar() const { return scrollBar_; }

    // ---- geometry and text ----
    // Row `index` where it is drawn (scrolled), in the list's coordinates.
    QRect RowRect(int index) const;
    // The row under `pos`; -1 when none.
    int RowAt(const QPoint& pos) const;
    // What the row shows: key name, press or release, pause ("A 按下 200 毫秒").
    QString RowText(int index) const;
    // The accessible object of row `index` (null outside the list).
    MacroEventRow* rowObject(int index) const;

    // ---- selection ----
    void SelectRow(int index);      // that row alone, as a click does
    void ToggleRow(int index);      // Ctrl+click
    void SelectRangeTo(int index);  // Shift+click: from the anchor to `index`
    void SelectAll();
    void SelectNone();
    int SelectedCount() const;
    int FirstSelectedIndex() const;

    // ---- event operations (each false when it changed nothing) ----
    bool SetSelectedDelay(int32_t ms);
    bool ReplaceSelectedInput(uint8_t kind, uint16_t code);
    bool DeleteSelected();
    bool CopySelected();
    bool InsertCopy();
    bool MoveSelectedUp();
    bool MoveSelectedDown();
    // The pause after event `index`, clamped to 0..3600000.
    bool SetEventDelay(int index, int64_t ms);

    // ---- the in-place delay edit ----
    // Opens an edit over the pause of row `index`; Enter or leaving it keeps the number, Esc
    // drops it.
    void EditDelay(int index);
    void CommitDelayEdit();
    void CancelDelayEdit();
    QLineEdit* delayEditor() const { return delayEditor_; }
    int delayEditRow() const { return delayEditRow_; }

    // ---- the Edit Key prompt ----
    void ShowPrompt(const QString& text);
    void HidePrompt();
    SkinLineEdit* prompt() const { return prompt_; }

  signals:
    // Before an operation of the list changes the current macro's events.
    void aboutToChange();
    // After the events changed (content or order).
    void eventsChanged();
    void selectionChanged();

  protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QRect RowsArea() const;
    void SyncRows();
    void UpdateScrollBar();
    void AfterSelection();
    void AfterChange();
    bool BeginChange();
    void SelectAt(QMouseEvent* event);

    MacroLibrary& library_;
    int topRow_ = 0;
    int anchor_ = 0;  // where a range selection starts
    int cursor_ = 0;  // the row the keyboard is on
    SkinScrollBar* scrollBar_ = nullptr;
    SkinLineEdit* prompt_ = nullptr;
    QLineEdit* delayEditor_ = nullptr;
    int delayEditRow_ = -1;
    std::vector<MacroEventRow*> rows_;
    std::vector<QString> rowTexts_;
};

// Registers the accessible interfaces of the list and its rows (once).
void EnsureMacroListAccessibility();

}  // namespace z7
