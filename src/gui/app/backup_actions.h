#pragma once
// The desktop side of backup and restore: file dialogs, the same confirmation as
// `z7ctl restore`, and the work itself off the user-interface thread. The main window starts
// one per click:
//
//   StartBackup(this, DataSourcesOf(env_, dataFolder()));
//   StartRestore(this, DataSourcesOf(env_, dataFolder()), [this] { /* adopt the restored data */
//   }); ShowDoctorWindow(this, DataSourcesOf(env_, dataFolder()), env_.autoStart);
#include <QObject>
#include <QPointer>
#include <QString>
#include <QThread>
#include <filesystem>
#include <functional>
#include <memory>

#include "core/backup/backup.h"
#include "core/device/device_link.h"
#include "platform/file_system.h"

class QProgressDialog;

namespace z7 {

// What backup, restore and the doctor work on.
struct DataSources {
    FileSystem* fs = nullptr;
    // The program's link: only its transport and lock file are used, by a link of the action's
    // own, so that the program's listener keeps running. May be null (no mouse is asked).
    DeviceLink* link = nullptr;
    bool simulated = false;
    std::filesystem::path dataFolder;
    std::string dataFolderSource;  // for the doctor: "--data-dir", "from the settings file", ...
    std::filesystem::path settingsFile;
    std::filesystem::path defaultDataFolder;
};

struct MainWindowEnvironment;
// The main window's environment with the data folder it uses now.
DataSources DataSourcesOf(const MainWindowEnvironment& env,
                          const std::filesystem::path& dataFolder);

// How long a backup from the window waits for another program's exchange with the mouse
// before it records the mouse as busy.
inline constexpr Millis kBackupMouseWait{3000};

class BackupActions : public QObject {
    Q_OBJECT
  public:
    BackupActions(QWidget* parent, DataSources sources);
    ~BackupActions() override;

    // Asks where to save, then backs up in the background and says how it went.
    void Backup();
    // Asks for a backup, shows what it would replace, asks, restores and says how it went;
    // `afterRestore` runs on this thread once the data on disk is the backup's.
    void Restore(std::function<void()> afterRestore = {});
    bool busy() const { return thread_ != nullptr; }

    // Replaceable for tests: the file choosers (empty: cancelled), the question (true: go on)
    // and the closing message.
    std::function<QString(const QString&caption, const QString&start, const QString&filter)>
        saveFileChooser, openFileChooser;
    std::function<bool(const QString& text, const QString& details)> confirm;
    std::function<void(const QString& text, bool failure)> notify;

  signals:
    // The action has ended: done, cancelled or failed (`ok` false for the last two).
    void finished(bool ok);

  private:
    void RunInBackground(const QString& label, std::function<void()> work,
                         std::function<void()> then);
    void Finish(bool ok, const QString& text);
    QWidget* parentWidget() const;

    DataSources sources_;
    QPointer<QWidget> parent_;
    QThread* thread_ = nullptr;
    QProgressDialog* progress_ = nullptr;
};

// Starts a backup or a restore that deletes itself when it has ended.
void StartBackup(QWidget* parent, DataSources sources);
void StartRestore(QWidget* parent, DataSources sources, std::function<void()> afterRestore = {});

// The restore plan in the words of the confirmation: one line per file that changes.
QString DescribePlan(const RestorePlan& plan);

}  // namespace z7
