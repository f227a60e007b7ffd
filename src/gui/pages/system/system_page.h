#pragma once
// The "SYSTEM SETTINGS" page: versions, start with the desktop, the data folder and the factory
// reset of the mouse.
#include "gui/pages/page_window.h"

namespace z7 {

class SystemPage : public PageWindow {
    Q_OBJECT
  public:
    SystemPage(PageHost& host, QWidget* owner) : PageWindow(PageId::kSystem, 20, host, owner) {}
};

}  // namespace z7
