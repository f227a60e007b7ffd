#include "gui/ui/message_popup.h"

#include <QPainter>

#include "gui/ui/skin.h"
#include "gui/ui/skin_accessible.h"
#include "gui/ui/skin_layout.h"
#include "gui/ui/skin_style.h"

namespace z7 {
namespace {
constexpr int kVersionFontHeight = 15;
}

MessagePopup::MessagePopup(int kind, QWidget* parent) : SkinWindow(parent), kind_(kind) {
    setModal(true);
    const SkinFamily* family = FamilyOf(kind);
    QSize size = family ? family->size : QSize(440, 240);
    const QImage background = SkinPart(kind, kStateNormal);
    if (!background.isNull()) size = background.size();
    SetBackground(background);
    setFixedSize(size);
    // Only the firmware offer moves with the pointer.
    SetDraggable(kind == kPopupCheckStart);
    // The question is painted into the picture; assistive technology gets it as text.
    if (family) setWindowTitle(QString::fromUtf8(family->title));
    QString question;
    for (const SkinCaption& caption : SkinCaptions()) {
        if (caption.family != kind || caption.role != 1) continue;
        question = QString::fromUtf8(caption.text).replace(QLatin1Char('\n'), QString());
    }
    setAccessibleDescription(question);

    closeButton_ = MakeButton("Close", kCloseId, kPopupNo);
    noButton_ = MakeButton("NO", kNoId, kPopupNo);
    yesButton_ = MakeButton("Yes", kYesId, kPopupYes);
    if (kind == kPopupCheckStart) {
        const int element = ElementNamed(kind, "Version");
        const QRect r = ElementRect(element);
        version_ = new SkinLabel(kVersionId, this);
        version_->setGeometry(r);
        version_->SetBackground(
            SkinPart(kind, kStateNormal, r.left(), r.top(), r.right() + 1, r.bottom() + 1));
        version_->SetFontHeight(kVersionFontHeight);
        version_->SetColors(Qt::transparent, skin::kAccent);
        version_->SetCentred(false);
        version_->setAccessibleName(QStringLiteral("Version"));
    }
}

SkinButton* MessagePopup::MakeButton(const char* name, int id, int result) {
    const int element = ElementNamed(kind_, name);
    if (element < 0) return nullptr;
    const SkinElement* e = FindElement(element);
    auto* button = new SkinButton(id, this);
    button->setGeometry(e->rect);
    button->SetSkinElement(element);
    button->SetFallbackText(QString::fromUtf8(e->label));
    NameControl(button, QString::fromUtf8(name));
    connect(button, &SkinButton::clicked, this, [this, result] { done(result); });
    return button;
}

void MessagePopup::SetText(const QString& text) {
    if (version_) version_->SetText(text);
}

void MessagePopup::paintEvent(QPaintEvent* event) {
    if (!background().isNull()) return SkinWindow::paintEvent(event);
    // Without the skin the popup still has to say what it asks.
    QPainter painter(this);
    painter.fillRect(rect(), skin::kSurface);
    painter.setPen(skin::kBorder);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    const SkinFamily* family = FamilyOf(kind_);
    painter.setPen(skin::kText);
    painter.setFont(SkinFont(16, 600));
    if (family) {
        painter.drawText(QRect(16, 10, width() - 60, 28), Qt::AlignLeft | Qt::AlignVCenter,
                         QString::fromUtf8(family->title));
    }
    for (const SkinCaption& caption : SkinCaptions()) {
        if (caption.family != kind_) continue;
        painter.setFont(SkinFont(caption.role == 1 ? 16 : 14));
        painter.drawText(caption.rect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap,
                         QString::fromUtf8(caption.text));
    }
}

}  // namespace z7
