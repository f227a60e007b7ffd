#pragma once
// The event operations of the macro event list, on one macro. Drawing, scrolling and focus
// are the control's; these keep the events, their selection and their row rectangles.
// Rows are kRowHeight pixels high; unscrolled, row i spans (4, 42 i) to (width - 2, 42 i + 42),
// width being that of the macro's areaRect.
#include <cstddef>
#include <cstdint>

#include "core/macros/macro.h"

namespace z7 {

inline constexpr int32_t kRowHeight = 42;
inline constexpr int32_t kRowLeft = 4;
inline constexpr int32_t kRowRightMargin = 2;

// The unscrolled row rectangle of event `index` in `macro`.
Rect RowRectOf(const Macro& macro, size_t index);

// Appends a selected event (delay 0, sequence one past the largest) after deselecting all, and
// lays the rows out by index. False, changing nothing, when the macro has kMaxRecordedEvents.
bool AddEvent(Macro& macro, uint8_t kind, uint16_t code, uint8_t flag);
void SetLastDelay(Macro& macro, int32_t ms);
// Every selected event gets this kind and code and becomes a press.
void ReplaceSelected(Macro& macro, uint8_t kind, uint16_t code);
// Every selected event gets this kind and code and stays a press or a release, so that the
// release of a replaced key can be replaced as well.
void ReplaceSelectedInput(Macro& macro, uint8_t kind, uint16_t code);
void SetSelectedDelay(Macro& macro, int32_t ms);
void SelectAll(Macro& macro);
void SelectNone(Macro& macro);
// A click on row `index`: that row alone is selected. Ends a Select All.
void SelectOnly(Macro& macro, size_t index);
// Rows `from` to `to` (either order, inclusive, cut to the list) alone are selected. Ends a
// Select All.
void SelectRange(Macro& macro, size_t from, size_t to);
// Adds row `index` to the selection or takes it out. Ends a Select All.
void ToggleSelected(Macro& macro, size_t index);

// 0..kMaxEventDelayMs: the mouse keeps 24 bits, and a longer pause would wrap to a short one.
int32_t ClampDelay(int64_t ms);
// The delay of event `index`, clamped; false when there is no such event.
bool SetEventDelay(Macro& macro, size_t index, int64_t ms);
// Every row back at its unscrolled place by index (files written elsewhere may hold the rows
// as some list had scrolled them).
void LayOutRows(Macro& macro);

struct DeleteOutcome {
    size_t removed = 0;
    bool scrollToTop = false;  // the last row went and the first row is now selected
};
// After Select All (and no other selection since) removes everything; otherwise each selected
// event, moving the rows below up, and selects the event now at the last removed position (the
// first row when the last row went).
DeleteOutcome DeleteSelected(Macro& macro);

// The first selected event into the copy buffer (not selected, no rectangle); deselects all.
// False when nothing is selected.
bool CopySelected(Macro& macro);
// Inserts the copy buffer before the first selected event, taking its row; later rows move
// down; deselects all. False when nothing is selected or nothing was copied. Not limited to
// kMaxRecordedEvents.
bool InsertCopy(Macro& macro);
// The first selected event swaps place and row with its neighbour; false at the edge.
bool MoveSelectedUp(Macro& macro);
bool MoveSelectedDown(Macro& macro);

int SelectedCount(const Macro& macro);
// Nullptr when nothing is selected.
const MacroEventItem* FirstSelected(const Macro& macro);

}  // namespace z7
