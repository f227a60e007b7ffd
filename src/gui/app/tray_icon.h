#pragma once
// The notification-area icon and its two-item skinned menu.
#include <QIcon>
#include <QObject>
#include <QPoint>
#include <QSystemTrayIcon>

#include "gui/ui/skin_menu.h"

namespace z7 {

inline constexpr int kTrayShowItem = 300;
inline constexpr int kTrayExitItem = 301;

class TrayIcon : public QObject {
    Q_OBJECT
  public:
    // `owner` owns the menu window.
    explicit TrayIcon(QWidget* owner);
    ~TrayIcon() override;

    // Adds the icon; false where the desktop has no notification area.
    bool Show();
    bool available() const { return icon_ != nullptr; }
    QSystemTrayIcon* icon() const { return icon_; }
    // Opens the menu with its bottom-right corner at `cursor` (screen coordinates).
    void OpenMenuAt(const QPoint& cursor);
    SkinMenu* menu() const { return menu_; }
    // Menu choices, also reachable without a pointer.
    void Choose(int itemId);

    // The program's icon, drawn so that it needs no file.
    static QIcon ProgramIcon();

  signals:
    void showRequested();
    void quitRequested();

  private:
    void OnActivated(QSystemTrayIcon::ActivationReason reason);

    QWidget* owner_;
    QSystemTrayIcon* icon_ = nullptr;
    SkinMenu* menu_ = nullptr;
};

}  // namespace z7
