#pragma once
// The program's own message box: a question or notice painted into the skin picture of its kind.
#include <QString>

#include "gui/ui/skin_controls.h"

namespace z7 {

// Results of exec(): "Yes" gives 1; "NO", "Close" and Escape give 2.
inline constexpr int kPopupYes = 1;
inline constexpr int kPopupNo = 2;

// Kinds are the background elements of the message families.
inline constexpr int kPopupSystemMessage = 185;
inline constexpr int kPopupFactoryDefault = 189;
inline constexpr int kPopupButtonDefault = 194;
inline constexpr int kPopupLedDefault = 198;
inline constexpr int kPopupAdvancedDefault = 202;
inline constexpr int kPopupBasicDefault = 206;
inline constexpr int kPopupDataChanged = 282;
inline constexpr int kPopupCheckStart = 286;
inline constexpr int kPopupCalibrate = 291;
inline constexpr int kPopupLeftClick = 294;
inline constexpr int kPopupDeviceNotFound = 297;

class MessagePopup : public SkinWindow {
    Q_OBJECT
  public:
    // Control ids of the popup.
    static constexpr int kCloseId = 1112;
    static constexpr int kNoId = 1113;
    static constexpr int kYesId = 1114;
    static constexpr int kVersionId = 1149;

    MessagePopup(int kind, QWidget* parent);
    // The version text of kind 286; other kinds ignore it.
    void SetText(const QString& text);
    int kind() const { return kind_; }
    // The popup's question or notice as text (the picture carries it for the eye).
    QString question() const { return accessibleDescription(); }
    // Questions have a "NO" button, notices only "Yes".
    bool isQuestion() const { return noButton_ != nullptr; }
    SkinButton* closeButton() const { return closeButton_; }
    SkinButton* noButton() const { return noButton_; }
    SkinButton* yesButton() const { return yesButton_; }
    SkinLabel* versionText() const { return version_; }

    void reject() override { done(kPopupNo); }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    SkinButton* MakeButton(const char* name, int id, int result);

    int kind_;
    SkinButton* closeButton_ = nullptr;
    SkinButton* noButton_ = nullptr;
    SkinButton* yesButton_ = nullptr;
    SkinLabel* version_ = nullptr;
};

}  // namespace z7
