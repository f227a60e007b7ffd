#include "core/macros/macro_events.h"

#include <algorithm>
#include <utility>

namespace z7 {

namespace {
void Shift(Rect& r, int32_t dy) {
    r.top += dy;
    r.bottom += dy;
}

void DeselectAll(CMacro& macro) {
    for (auto& e : macro.events) e.selected = 0;
    macro.allSelected = false;
}

std::ptrdiff_t FirstSelectedIndex(const CMacro& macro) {
    auto it = std::find_if(macro.events.begin(), macro.events.end(),
                           [](const CEventItem& e) { return e.selected != 0; });
    return it == macro.events.end() ? -1 : it - macro.events.begin();
}
}  // namespace

Rect RowRectOf(const CMacro& macro, size_t index) {
    const int32_t top = kRowHeight * static_cast<int32_t>(index);
    const int32_t width = macro.areaRect.right - macro.areaRect.left;
    return {kRowLeft, top, width - kRowRightMargin, top + kRowHeight};
}

bool AddEvent(CMacro& macro, uint8_t kind, uint16_t code, uint8_t flag) {
    if (macro.events.size() >= kMaxRecordedEvents) return false;
    int32_t sequence = 0;
    for (const auto& e : macro.events) sequence = std::max(sequence, e.sequence);
    // A Select All made before must not make the next Delete remove the events added since.
    DeselectAll(macro);
    CEventItem e;
    e.kind = kind;
    e.code = code;
    e.flag = flag;
    e.sequence = sequence + 1;
    e.selected = 1;
    macro.events.push_back(e);
    for (size_t i = 0; i < macro.events.size(); ++i) macro.events[i].rowRect = RowRectOf(macro, i);
    return true;
}

void SetLastDelay(CMacro& macro, int32_t ms) {
    if (!macro.events.empty()) macro.events.back().delay = ms;
}

void ReplaceSelected(CMacro& macro, uint8_t kind, uint16_t code) {
    for (auto& e : macro.events) {
        if (!e.selected) continue;
        e.kind = kind;
        e.code = code;
        e.flag = kEventFlagPress;
    }
}

void SetSelectedDelay(CMacro& macro, int32_t ms) {
    for (auto& e : macro.events)
        if (e.selected) e.delay = ms;
}

void SelectAll(CMacro& macro) {
    for (auto& e : macro.events) e.selected = 1;
    macro.allSelected = true;
}

void SelectNone(CMacro& macro) {
    DeselectAll(macro);
}

void SelectOnly(CMacro& macro, size_t index) {
    if (index >= macro.events.size()) return;
    DeselectAll(macro);
    macro.events[index].selected = 1;
}

DeleteOutcome DeleteSelected(CMacro& macro) {
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

bool CopySelected(CMacro& macro) {
    const std::ptrdiff_t k = FirstSelectedIndex(macro);
    if (k < 0) return false;
    const CEventItem& src = macro.events[static_cast<size_t>(k)];
    CEventItem copy;
    copy.kind = src.kind;
    copy.code = src.code;
    copy.flag = src.flag;
    copy.delay = src.delay;
    copy.sequence = src.sequence;
    macro.copyBuffer = copy;
    DeselectAll(macro);
    return true;
}

bool InsertCopy(CMacro& macro) {
    const std::ptrdiff_t k = FirstSelectedIndex(macro);
    if (k < 0 || !macro.copyBuffer) return false;
    CEventItem item = *macro.copyBuffer;
    item.rowRect = macro.events[static_cast<size_t>(k)].rowRect;
    item.selected = 0;
    for (size_t j = static_cast<size_t>(k); j < macro.events.size(); ++j)
        Shift(macro.events[j].rowRect, kRowHeight);
    macro.events.insert(macro.events.begin() + k, item);
    DeselectAll(macro);
    return true;
}

bool MoveSelectedUp(CMacro& macro) {
    const std::ptrdiff_t k = FirstSelectedIndex(macro);
    if (k <= 0) return false;
    auto& a = macro.events[static_cast<size_t>(k - 1)];
    auto& b = macro.events[static_cast<size_t>(k)];
    std::swap(a.rowRect, b.rowRect);
    std::swap(a, b);
    return true;
}

bool MoveSelectedDown(CMacro& macro) {
    const std::ptrdiff_t k = FirstSelectedIndex(macro);
    if (k < 0 || static_cast<size_t>(k) + 1 >= macro.events.size()) return false;
    auto& a = macro.events[static_cast<size_t>(k)];
    auto& b = macro.events[static_cast<size_t>(k + 1)];
    std::swap(a.rowRect, b.rowRect);
    std::swap(a, b);
    return true;
}

int SelectedCount(const CMacro& macro) {
    return static_cast<int>(std::count_if(macro.events.begin(), macro.events.end(),
                                          [](const CEventItem& e) { return e.selected != 0; }));
}

const CEventItem* FirstSelected(const CMacro& macro) {
    const std::ptrdiff_t k = FirstSelectedIndex(macro);
    return k < 0 ? nullptr : &macro.events[static_cast<size_t>(k)];
}

}  // namespace z7
