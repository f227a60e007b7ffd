#pragma once
// The skinned controls as assistive technology sees them (AT-SPI on Linux, UI Automation on
// Windows): role, name, description, state, value, actions and text, through Qt's
// accessibility. The same tree is how the end-to-end checks drive the program.
//
// Names: a control is named where it is created, by its caption in the window's template
// ("Apply", "Polling Rate") or a short English description ("Step 1 X"); NameControl does that
// and makes the tooltip its description. A control skinned from the layout table and left
// unnamed is called by its element's name there.
#include <QString>

class QObject;
class QWidget;

namespace z7 {

// Registers the interfaces of the skinned controls with Qt (once; every skinned control calls
// it when it is made, so nothing else has to).
void EnsureSkinAccessibility();

// The one way to name a control: `name` for assistive technology, `tooltip` as its tooltip and
// accessible description (an empty tooltip leaves both unset).
void NameControl(QWidget* control, const QString& name, const QString& tooltip = QString());

// Change notices for assistive technology; cheap when none listens.
void NotifyStateChanged(QWidget* control);  // checked, pressed, expanded
void NotifyValueChanged(QWidget* control, int value);
void NotifyTextChanged(QWidget* control);  // the shown text (and so the name) changed
void NotifyFocus(QObject* object);         // a menu row became the hot one

}  // namespace z7
