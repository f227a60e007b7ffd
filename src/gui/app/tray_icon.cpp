#include "gui/app/tray_icon.h"

#include <QCursor>
#include <QPainter>
#include <QPainterPath>

#include "gui/ui/skin_style.h"

namespace z7 {
namespace {
std::function<bool()>& TrayProbe() {
    static std::function<bool()> probe = [] { return QSystemTrayIcon::isSystemTrayAvailable(); };
    return probe;
}
}  // namespace

void TrayIcon::SetTrayProbe(std::function<bool()> probe) {
    TrayProbe() =
        probe ? std::move(probe) : [] { return QSystemTrayIcon::isSystemTrayAvailable(); };
}

bool TrayIcon::available() const {
    return icon_ != nullptr && TrayProbe()();
}

TrayIcon::TrayIcon(QWidget* owner) : QObject(owner), owner_(owner) {}

TrayIcon::~TrayIcon() {
    if (icon_) icon_->hide();
}

QIcon TrayIcon::ProgramIcon() {
    QIcon icon;
    for (int size : {16, 22, 32, 48, 64}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        const double s = size;
        // A mouse body with the accent-coloured wheel.
        p.setPen(Qt::NoPen);
        p.setBrush(skin::kRaised);
        p.drawRoundedRect(QRectF(s * 0.2, s * 0.06, s * 0.6, s * 0.88), s * 0.3, s * 0.3);
        p.setPen(QPen(skin::kSurface, std::max(1.0, s / 20)));
        p.drawLine(QPointF(s * 0.5, s * 0.08), QPointF(s * 0.5, s * 0.42));
        p.setPen(Qt::NoPen);
        p.setBrush(skin::kAccent);
        p.drawRoundedRect(QRectF(s * 0.44, s * 0.16, s * 0.12, s * 0.2), s * 0.05, s * 0.05);
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

bool TrayIcon::Show() {
    if (!TrayProbe()()) return false;
    if (icon_) return true;
    icon_ = new QSystemTrayIcon(ProgramIcon(), this);
    icon_->setToolTip(QString::fromUtf8("Kesta Z7激光鼠标"));
    connect(icon_, &QSystemTrayIcon::activated, this, &TrayIcon::OnActivated);
    icon_->show();
    return true;
}

void TrayIcon::OnActivated(QSystemTrayIcon::ActivationReason reason) {
    if (reason == QSystemTrayIcon::DoubleClick) emit showRequested();
    if (reason == QSystemTrayIcon::Context) OpenMenuAt(QCursor::pos());
}

void TrayIcon::OpenMenuAt(const QPoint& cursor) {
    if (!menu_) {
        menu_ = new SkinMenu(owner_, 0, QRect(0, 0, 105, 10));
        menu_->setObjectName(QStringLiteral("menu"));
        menu_->setAccessibleName(QStringLiteral("Tray Menu"));
        menu_->AddItem(kTrayShowItem, QString::fromUtf8("设置鼠标"));
        menu_->AddItem(kTrayExitItem, QString::fromUtf8("退出驱动"));
        connect(menu_, &SkinMenu::itemChosen, this, [this](int, int id) { Choose(id); });
    }
    // Mode 3 puts the bottom-right corner at the point, also near the screen's top-left.
    menu_->PopUp(3, cursor.x(), cursor.y());
    menu_->raise();
}

void TrayIcon::Choose(int itemId) {
    if (itemId == kTrayShowItem) emit showRequested();
    if (itemId == kTrayExitItem) emit quitRequested();
}

}  // namespace z7
