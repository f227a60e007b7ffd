#pragma once
// The "MACRO RECORDING" page: records, edits and keeps the macros of the shared library.
#include "gui/pages/page_window.h"

namespace z7 {

class MacroPage : public PageWindow {
    Q_OBJECT
  public:
    MacroPage(PageHost& host, QWidget* owner) : PageWindow(PageId::kMacros, 112, host, owner) {}

    // Opens the page to record a macro for button 0..6 (the button page's "设置" entry under
    // the macro item); its Apply then gives that button the macro through
    // ButtonPage::ChooseFunction and hides the page.
    void OpenForButton(int button);

  protected:
    // Default and Back are part of the sheet but do nothing on this page.
    bool HasFurniture(Furniture which) const override;
};

}  // namespace z7
