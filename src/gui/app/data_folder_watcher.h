#pragma once
// Watches the profile and library folders of a data folder for changes made by other programs
// (z7ctl) and reports them once things have settled.
#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>
#include <filesystem>

namespace z7 {

class DataFolderWatcher : public QObject {
    Q_OBJECT
  public:
    explicit DataFolderWatcher(const std::filesystem::path& dataFolder, QObject* parent = nullptr);

    // Quiet time after the last change before `changed` is sent: one save touches many files.
    static constexpr int kSettleMs = 250;

  signals:
    // Something in the profile or library folders changed (our own saves included).
    void changed();

  private:
    void Rewatch();

    std::filesystem::path dataFolder_;
    QFileSystemWatcher watcher_;
    QTimer settle_;
};

}  // namespace z7
