#pragma once
// The notification-area icon and its two-item skinned menu.
#include <QIcon>
#include <QObject>
#include <QPoint>
#include <QSystemTrayIcon>
#include <functional>

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

    // Adds the icon when the desktop has a notification area now; false where it has none.
    bool Show();
    // The icon is there and so is the notification area (a panel restarted while the program
    // runs takes it away).
    bool available() const;
    // Whether the desktop offers a notification area; tests replace the answer.
    static void SetTrayProbe(std::function<bool()> probe);
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
