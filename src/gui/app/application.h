#pragma once
// The application: command line, one instance per user session, the mouse backend, the main
// window, and an orderly end.
#include <QCoreApplication>
#include <QLocalServer>
#include <QObject>
#include <QString>
#include <QStringList>
#include <filesystem>
#include <optional>
#include <string>

namespace z7 {

struct AppOptions {
    std::optional<std::string> simulate;  // --simulate STATE | unix:PATH
    std::optional<std::filesystem::path> dataDir;
    std::optional<std::filesystem::path> config;
    bool minimized = false;
    bool help = false;
};

// Parses the arguments after the program name; false with `error` on a bad command line.
bool ParseAppOptions(const QStringList& args, AppOptions& options, QString& error);
extern const char kAppUsage[];

// Qt's own dialogs and message boxes in Chinese, as the rest of the program: Qt's translations
// (Debian's qt6-translations-l10n) from Qt's translation folder. False when they are missing;
// the dialogs then stay in English.
bool InstallQtTranslations(QCoreApplication& app);

// "Kesta Z7 Laser Mouse Config" with the user's name, in the session's runtime folder when it
// has one: one instance per user session.
QString InstanceKey();

// The single-instance rule over a local socket named by the key.
class SingleInstance : public QObject {
    Q_OBJECT
  public:
    explicit SingleInstance(QString key, QObject* parent = nullptr);
    ~SingleInstance() override;
    // True: this process is the first one and now answers later starts. False: another
    // instance runs and has been asked to show its window.
    bool Claim();

  signals:
    void showRequested();

  private:
    QString key_;
    QLocalServer* server_ = nullptr;
};

class Application {
  public:
    // The whole program: the command line first (usage needs no display), then the
    // QApplication and the window. Returns the exit code.
    int Main(int argc, char** argv);

  private:
    int Run(const AppOptions& options);
};

}  // namespace z7
