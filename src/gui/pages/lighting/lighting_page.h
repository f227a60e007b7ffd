#pragma once
// The "LIGHT SETTINGS" page: which lights are on, their colours, effect, speed, sleep time
// and brightness. Apply writes the lighting block.
#include "gui/pages/page_window.h"
#include "gui/ui/message_popup.h"

namespace z7 {

class LightingPage : public PageWindow {
    Q_OBJECT
  public:
    LightingPage(PageHost& host, QWidget* owner)
        : PageWindow(PageId::kLighting, 152, host, owner) {}

  protected:
    int DefaultPopupKind() const override { return kPopupLedDefault; }
    DeviceExchange ApplyExchange() override;
};

}  // namespace z7
