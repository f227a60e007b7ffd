#pragma once
// The "ADVANCED SETTINGS" page: CPI steps, polling rate, lift-off distance, angle snapping,
// smoothing and the surface mode. Apply writes the sensor block.
#include "gui/pages/page_window.h"
#include "gui/ui/message_popup.h"

namespace z7 {

class SensorPage : public PageWindow {
    Q_OBJECT
  public:
    SensorPage(PageHost& host, QWidget* owner) : PageWindow(PageId::kSensor, 71, host, owner) {}

  protected:
    int DefaultPopupKind() const override { return kPopupAdvancedDefault; }
    DeviceExchange ApplyExchange() override;
};

}  // namespace z7
