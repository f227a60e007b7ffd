#pragma once
// The "Support" page: versions, updates and the ways to reach the maker.
#include "gui/pages/page_window.h"

namespace z7 {

class SupportPage : public PageWindow {
    Q_OBJECT
  public:
    SupportPage(PageHost& host, QWidget* owner) : PageWindow(PageId::kSupport, 175, host, owner) {}

  protected:
    // Min, Close and a Back that hides the page; nothing to apply.
    bool HasFurniture(Furniture which) const override;
};

}  // namespace z7
