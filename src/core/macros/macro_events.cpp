#include "core/macros/macro_events.h"

#include <algorithm>
#include <utility>

namespace z7 {

namespace {
void Shift(Rect& r, int32_t dy) {
    r.top += dy;
    r.bottom += dy;
}

void DeselectAll(Macro& macro) {
    for (auto& e : macro.events) e.selected = 0;
    macro.allSelected = false;
}

std::ptrdiff_t FirstSelectedIndex(const Macro& macro) {
    auto it = std::find_if(macro.events.begin(), macro.events.end(),
                           [](const MacroEventItem& e) { return e.selected != 0; });
    return it == macro.events.end() ? -1 : it - macro.events.begin();
}
}  // namespace

Rect RowRectOf(const Macro& macro, size_t index) {
    const int32_t top = kRowHeight * static_cast<int32_t>(index);
    const int32_t width = macro.areaRect.right - macro.areaRect.left;
    return {kRowLeft, top, width - kRowRightMargin, top + kRowHeight};
}

bool AddEvent(Macro& macro, uint8_t kind, uint16_t code, uint8_t flag) {
    if (macro.events.size() >= kMaxRecordedEvents) return false;
    int32_t sequence = 0;
    for (const auto& e : macro.events) sequence = std::max(sequence, e.sequence);
    // A Select All made before must not make the next Delete remove the events added since.
    DeselectAll(macro);
    MacroEventItem e;
    e.kind = kind;
    e.code = code;
    e.flag = flag;
    e.sequence = sequence + 1;
    e.selected = 1;
    macro.events.push_back(e);
    for (size_t i = 0; i < macro.events.size(); ++i) macro.events[i].rowRect = RowRectOf(macro, i);
    return true;
}

void SetLastDelay(Macro& macro, int32_t ms) {
    if (!macro.events.empty()) macro.events.back().delay = ms;
}

void ReplaceSelected(Macro& macro, uint8_t kind, uint16_t code) {
    for (auto& e : macro.events) {
        if (!e.selected) continue;
        e.kind = kind;
        e.code = code;
        e.flag = kEventFlagPress;
    }
}

void ReplaceSelectedInput(Macro& macro, uint8_t kind, uint16_t code) {
    for (auto& e : macro.events) {
        if (!e.selected) continue;
        e.kind = kind;
        e.code = code;
    }
}

void SetSelectedDelay(Macro& macro, int32_t ms) {
    for (auto& e : macro.events)
        if (e.selected) e.delay = ms;
}

void SelectAll(Macro& macro) {
    for (auto& e : macro.events) e.selected = 1;
    macro.allSelected = true;
}

void SelectNone(Macro& macro) {
    DeselectAll(macro);
}

void SelectOnly(Macro& macro, size_t index) {
    if (index >= macro.events.size()) return;
    DeselectAll(macro);
    macro.events[index].selected = 1;
}

void SelectRange(Macro& macro, size_t from, size_t to) {
    if (macro.events.empty()) return;
    if (from > to) std::swap(from, to);
    to = std::min(to, macro.events.size() - 1);
    DeselectAll(macro);
    for (size_t i = from; i <= to; ++i) macro.events[i].selected = 1;
}

void ToggleSelected(Macro& macro, size_t index) {
    if (index >= macro.events.size()) return;
    macro.allSelected = false;
    macro.events[index].selected = macro.events[index].selected ? 0 : 1;
}

int32_t ClampDelay(int64_t ms) {
    return static_cast<int32_t>(std::clamp<int64_t>(ms, 0, kMaxEventDelayMs));
}

bool SetEventDelay(Macro& macro, size_t index, int64_t ms) {
    if (index >= macro.events.size()) return false;
    macro.events[index].delay = ClampDelay(ms);
    return true;
}

void LayOutRows(Macro& macro) {
    for (size_t i = 0; i < macro.events.size(); ++i) macro.events[i].rowRect = RowRectOf(macro, i);
}

DeleteOutcome DeleteSelected(Macro& macro) {
    DeleteOutcome out;
    if (macro.allSelected) {
        out.removed = macro.events.size();
        macro.events.clear();
        macro.allSelected = false;
        return out;
    }
    std::ptrdiff_t lastPosition = -1;
    for (size_t i = 0; i < macro.events.size();) {
        if (!macro.events[i].selected) {
            ++i;
            continue;
        }
        for (size_t j = i + 1; j < macro.events.size(); ++j)
            Shift(macro.events[j].rowRect, -kRowHeight);
        macro.events.erase(macro.events.begin() + static_cast<std::ptrdiff_t>(i));
        lastPosition = static_cast<std::ptrdiff_t>(i);
        ++out.removed;
    }
    if (lastPosition < 0 || macro.events.empty()) return out;
    if (static_cast<size_t>(lastPosition) < macro.events.size()) {
        macro.events[static_cast<size_t>(lastPosition)].selected = 1;
    } else {
        macro.events.front().selected = 1;
        out.scrollToTop = true;
    }
    return out;
}

bool CopySelected(Macro& macro) {
    const std::ptrdiff_t k = FirstSelectedIndex(macro);
    if (k < 0) return false;
    const MacroEventItem& src = macro.events[static_cast<size_t>(k)];
    MacroEventItem copy;
    copy.kind = src.kind;
    copy.code = src.code;
    copy.flag = src.flag;
    copy.delay = src.delay;
    copy.sequence = src.sequence;
    macro.copyBuffer = copy;
    DeselectAll(macro);
    return true;
}

bool InsertCopy(Macro& macro) {
    const std::ptrdiff_t k = FirstSelectedIndex(macro);
    if (k < 0 || !macro.copyBuffer) return false;
    MacroEventItem item = *macro.copyBuffer;
    item.rowRect = macro.events[static_cast<size_t>(k)].rowRect;
    item.selected = 0;
    for (size_t j = static_cast<size_t>(k); j < macro.events.size(); ++j)
        Shift(macro.events[j].rowRect, kRowHeight);
    macro.events.insert(macro.events.begin() + k, item);
    DeselectAll(macro);
    return true;
}

bool MoveSelectedUp(Macro& macro) {
    const std::ptrdiff_t k = FirstSelectedIndex(macro);
    if (k <= 0) return false;
    auto& a = macro.events[static_cast<size_t>(k - 1)];
    auto& b = macro.events[static_cast<size_t>(k)];
    std::swap(a.rowRect, b.rowRect);
    std::swap(a, b);
    return true;
}

bool MoveSelectedDown(Macro& macro) {
    const std::ptrdiff_t k = FirstSelectedIndex(macro);
    if (k < 0 || static_cast<size_t>(k) + 1 >= macro.events.size()) return false;
    auto& a = macro.events[static_cast<size_t>(k)];
    auto& b = macro.events[static_cast<size_t>(k + 1)];
    std::swap(a.rowRect, b.rowRect);
    std::swap(a, b);
    return true;
}

int SelectedCount(const Macro& macro) {
    return static_cast<int>(std::count_if(macro.events.begin(), macro.events.end(),
                                          [](const MacroEventItem& e) { return e.selected != 0; }));
}

const MacroEventItem* FirstSelected(const Macro& macro) {
    const std::ptrdiff_t k = FirstSelectedIndex(macro);
    return k < 0 ? nullptr : &macro.events[static_cast<size_t>(k)];
}

}  // namespace z7
