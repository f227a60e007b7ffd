#pragma once
// Pictures of windows for review: saved only when Z7_SHOTS_DIR names a folder.
#include <QDir>
#include <QWidget>

namespace z7::test {

inline void SaveShot(QWidget* widget, const QString& name) {
    const QString folder = qEnvironmentVariable("Z7_SHOTS_DIR");
    if (folder.isEmpty() || !widget) return;
    QDir().mkpath(folder);
    widget->grab().save(QDir(folder).filePath(name));
}

}  // namespace z7::test
