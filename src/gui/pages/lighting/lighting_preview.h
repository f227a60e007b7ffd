#pragma once
// The lighting page's preview: a drawing of the mouse whose wheel and logo lights show the
// chosen colours, brightness and effect as the mouse would. It animates with a timer that runs
// only while the preview is on screen and its effect changes over time, so a hidden or
// minimised page costs no wake-ups.
#include <QTimer>
#include <QWidget>

#include "core/profile/lighting_rules.h"
#include "core/util/clock.h"

namespace z7 {

class LightingPreview : public QWidget {
    Q_OBJECT
  public:
    explicit LightingPreview(QWidget* parent);

    // The stored colours (0: the light is off), effect, speed and brightness. A new effect or
    // speed starts its animation from the beginning.
    void SetState(const PreviewSettings& settings, uint32_t wheelColor, uint32_t logoColor);
    // Stops the animation while the window is minimised.
    void SetPaused(bool paused);

    // The colour each light shows at this moment.
    uint32_t ShownColor(Light light) const;
    bool animating() const { return timer_.isActive(); }
    // A text for assistive technology: what the two lights show.
    QString Summary() const;

    // Time source of the animation; tests inject a virtual clock.
    void SetClock(Clock& clock);
    static constexpr int kFrameMs = 40;

  protected:
    void paintEvent(QPaintEvent*) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    void UpdateTimer();
    int64_t ElapsedMs() const;

    PreviewSettings settings_;
    uint32_t colors_[2] = {0, 0};
    QTimer timer_;
    Clock* clock_;
    Clock::TimePoint start_;
    bool paused_ = false;
};

}  // namespace z7
