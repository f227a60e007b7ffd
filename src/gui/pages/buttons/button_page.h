#pragma once
// The "BUTTON ASSIGNMENT" page: the function of each of the seven buttons. Apply writes the
// whole configuration image.
#include "gui/pages/page_window.h"
#include "gui/ui/message_popup.h"

namespace z7 {

class ButtonPage : public PageWindow {
    Q_OBJECT
  public:
    ButtonPage(PageHost& host, QWidget* owner) : PageWindow(PageId::kButtons, 36, host, owner) {}

    // Gives button 0..6 the function `functionId` as a choice in its menu would (the macro
    // page binds a macro it applied for a button this way: 4002 + macro id). The page is
    // changed, not applied.
    void ChooseFunction(int button, int32_t functionId);

  protected:
    int DefaultPopupKind() const override { return kPopupButtonDefault; }
    DeviceExchange ApplyExchange() override;
};

}  // namespace z7
