#include "gui/app/data_folder_watcher.h"

#include <QDir>

#include "core/buttons/library_list.h"
#include "core/profile/profile_store.h"
#include "core/profile/settings.h"

namespace z7 {

namespace {
QString ToQString(const std::filesystem::path& p) {
    return QString::fromStdU16String(p.u16string());
}
}  // namespace

DataFolderWatcher::DataFolderWatcher(const std::filesystem::path& dataFolder, QObject* parent)
    : QObject(parent), dataFolder_(dataFolder) {
    settle_.setSingleShot(true);
    settle_.setInterval(kSettleMs);
    connect(&settle_, &QTimer::timeout, this, &DataFolderWatcher::changed);
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, [this] {
        // A folder created since (the first save of a library) is watched from now on.
        Rewatch();
        settle_.start();
    });
    Rewatch();
}

void DataFolderWatcher::Rewatch() {
    const std::filesystem::path root = DataRoot(dataFolder_);
    QStringList wanted;
    auto want = [&](const std::filesystem::path& p) {
        if (QDir(ToQString(p)).exists()) wanted << ToQString(p);
    };
    // Until the data's own folders exist, the nearest level above them that does, so that
    // their creation is noticed; never more of a shared folder than that.
    if (QDir(ToQString(root)).exists()) {
        want(root);
    } else if (QDir(ToQString(root.parent_path())).exists()) {
        want(root.parent_path());
    } else {
        want(dataFolder_);
    }
    for (const std::filesystem::path& p :
         {ProfileFolder(dataFolder_), LibraryFolder(dataFolder_, kBindKeyFormat),
          LibraryFolder(dataFolder_, kShortcutFormat), LibraryFolder(dataFolder_, kTextBlockFormat),
          LibraryFolder(dataFolder_, kMacroFormat),
          LibraryFolder(dataFolder_, kCustomHotkeyFormat)})
        want(p);
    QStringList stale;
    for (const QString& d : watcher_.directories())
        if (!wanted.contains(d)) stale << d;
    if (!stale.isEmpty()) watcher_.removePaths(stale);
    QStringList added;
    for (const QString& d : wanted)
        if (!watcher_.directories().contains(d)) added << d;
    if (!added.isEmpty()) watcher_.addPaths(added);
}

}  // namespace z7
