#pragma once
// What one visit of the recording page changed in the macro library, so that "No" to keeping
// the changes puts back exactly those macros as they were and leaves everything else alone:
// macros other programs added meanwhile, and the ids later saves gave the library.
#include <cstddef>
#include <map>
#include <optional>

#include "core/macros/macro_library.h"

namespace z7 {

class MacroEditLog {
  public:
    // Before `macro` (of `library`) changes: its present state is kept, once per visit. Gives
    // the macro a tag when it has none.
    void BeforeChange(MacroLibrary& library, Macro& macro);
    // `macro` was added by this visit: undoing removes it.
    void Added(Macro& macro);

    bool empty() const { return entries_.empty(); }
    // Whether any macro the visit touched differs from what it was (SameMacroContent), or went,
    // or came.
    bool Changed(const MacroLibrary& library) const;
    // Puts the touched macros back as they were: added ones leave, removed ones return to
    // their places (with a new id when theirs was taken since), changed ones get their content
    // back and keep their present id. No macro is current afterwards. The log is emptied.
    void Restore(MacroLibrary& library);
    // The visit's changes stay.
    void Clear() { entries_.clear(); }

    // Another program changed the library on disk while this visit had changes: `disk` (the
    // library as loaded from there) gets the visit's changes made again, by name: a macro the
    // visit added or changed replaces the one of its name (present, else from before the visit)
    // or is appended, those it removed go. Tags move over, so this log and the current
    // macro (made current in `disk` too) keep following them. `live` holds the changes.
    void Rebase(MacroLibrary& live, MacroLibrary& disk) const;

  private:
    struct Entry {
        std::optional<Macro> original;  // none: added by the visit
        size_t index = 0;               // where it stood
    };
    std::map<uint64_t, Entry> entries_;  // by tag
};

}  // namespace z7
