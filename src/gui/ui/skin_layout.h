#pragma once
// The one table of skin elements: which sheet file holds each element in each state, and the
// rectangle every element occupies. The skin drawing program paints the sheets from it and the
// windows place their controls with it, so artwork and layout cannot drift apart.
#include <QRect>
#include <QString>
#include <span>

namespace z7 {

// Picture states of a skin element.
enum SkinState { kStateNormal = 0, kStateOver = 1, kStateDown = 2, kStateOff = 3 };

// What an element looks like; the drawing program paints each kind in its own way.
enum class ElementKind {
    Background,  // the window itself: title, captions and panels
    Button,      // push button with a text label
    Primary,     // the confirming button of a window (Apply, Yes, OK, Save)
    Minimize,    // title-bar glyph buttons
    Close,
    Tile,      // large navigation button of the main window
    Check,     // check box; its Down picture is the checked look
    Combo,     // drop-down button; the text is drawn by the control
    Edit,      // text field background
    Text,      // read-only text area (versions, key names)
    Track,     // slider groove
    Arrow,     // small up/down stepper
    List,      // list area (event list)
    Progress,  // progress bar: empty in state 0, full in state 1
    Thumb,     // slider or scroll thumb
    Logo,
};

struct SkinElement {
    int element;
    const char* name;  // stable name for layout code: "Apply", "Button 3"
    ElementKind kind;
    QRect rect;         // in sheet pixels
    const char* label;  // UTF-8 text painted into the picture, may be empty
};

// A caption painted on a window background (not an element of its own).
struct SkinCaption {
    int family;  // background element of the window
    QRect rect;
    const char* text;  // UTF-8
    int role;          // 0 caption, 1 message body, 2 emphasised, 3 section heading
};

struct SkinFamily {
    int first;  // background element
    int last;
    const char* stem;
    int states;         // 4 with Off, 3 without, 2 for the two-file families
    bool spaced;        // " Normal.png" rather than "_Normal.png"
    QSize size;         // sheet size in pixels
    const char* title;  // UTF-8 window title painted on the sheet
    // Elements a window gained beyond the original numbering (none when last < first).
    int extraFirst = 0;
    int extraLast = -1;

    // Whether `element` is one of this window's, its background included.
    bool Holds(int element) const {
        return (element >= first && element <= last) ||
               (element >= extraFirst && element <= extraLast);
    }
};

std::span<const SkinFamily> SkinFamilies();
std::span<const SkinElement> SkinElements();
std::span<const SkinCaption> SkinCaptions();

// Family whose range holds `element`, or nullptr (also for 54, 55 and 145..148, which have their
// own files).
const SkinFamily* FamilyOf(int element);
// Table entry of an element, or nullptr.
const SkinElement* FindElement(int element);
// Element number of the control called `name` on the window whose background is `family`;
// -1 when there is none.
int ElementNamed(int family, const char* name);
// Rectangle of an element in its sheet; empty when the element is not in the table.
QRect ElementRect(int element);

// Sheet file that holds `element` in `state`; empty when the family lacks the state or the
// element is not in the table. Backgrounds always come from the Normal file.
QString SkinFileFor(int element, int state);
// Elements that are whole images rather than rectangles of a sheet.
bool IsWholeImageElement(int element);

// All 120 skin files in loading order.
std::span<const char* const> SkinFileNames();

// Helper images of the macro event list, loaded with the sheets but not numbered.
inline constexpr const char* kActionUpFile = "ActionUp";
inline constexpr const char* kActionDownFile = "ActionDown";
inline constexpr const char* kActionDelayFile = "ActionDelayTime";

}  // namespace z7
