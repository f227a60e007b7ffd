#pragma once
// The "BASIC SETTINGS" page: the desktop's pointer settings kept in every profile.
#include "gui/pages/page_window.h"
#include "gui/ui/message_popup.h"

namespace z7 {

class PointerPage : public PageWindow {
    Q_OBJECT
  public:
    PointerPage(PageHost& host, QWidget* owner) : PageWindow(PageId::kPointer, 50, host, owner) {}

  protected:
    int DefaultPopupKind() const override { return kPopupBasicDefault; }
};

}  // namespace z7
