#pragma once
// The "MACRO RECORDING" page: records, edits and keeps the macros of the shared library.
#include "gui/pages/page_window.h"

namespace z7 {

class MacroPage : public PageWindow {
    Q_OBJECT
  public:
    MacroPage(PageHost& host, QWidget* owner) : PageWindow(PageId::kMacros, 112, host, owner) {}

  protected:
    // Default and Back are part of the sheet but do nothing on this page.
    bool HasFurniture(Furniture which) const override;
};

}  // namespace z7
