#include "gui/app/application.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QLibraryInfo>
#include <QLocalSocket>
#include <QTimer>
#include <QTranslator>
#include <chrono>
#include <cstdio>
#include <memory>

#include "core/firmware/firmware_package.h"
#include "core/util/text.h"
#include "gui/app/main_window.h"
#include "platform/auto_start.h"
#include "platform/file_system.h"
#include "platform/host_actions.h"
#include "platform/paths.h"
#include "platform/pointer_system.h"
#include "sim/mouse_backend.h"

namespace z7 {
namespace {

constexpr char kInstanceName[] = "Kesta Z7 Laser Mouse Config";
constexpr char kShowMessage[] = "show\n";
constexpr int kInstanceTimeoutMs = 1000;

std::filesystem::path PathOf(const QString& text) {
    return PathFromUtf8(text.toStdString());
}

// Z7_LAUNCH_NS (the launcher's CLOCK_REALTIME in nanoseconds) makes the first paint print how
// long the start took; Z7_EXIT_AFTER_PAINT then quits, for the start-up benchmark.
class FirstPaintProbe : public QObject {
  public:
    explicit FirstPaintProbe(QObject* parent) : QObject(parent) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !reported_) {
            reported_ = true;
            QTimer::singleShot(0, this, [] {
                const auto now = std::chrono::duration_cast<std::chrono::nanoseconds>(
                                     std::chrono::system_clock::now().time_since_epoch())
                                     .count();
                const long long launch = qEnvironmentVariable("Z7_LAUNCH_NS").toLongLong();
                std::printf("first paint %.1f ms\n", (now - launch) / 1e6);
                std::fflush(stdout);
                if (qEnvironmentVariableIsSet("Z7_EXIT_AFTER_PAINT")) QCoreApplication::exit(0);
            });
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    bool reported_ = false;
};

}  // namespace

const char kAppUsage[] =
    "usage: kesta-z7 [--simulate STATE | --simulate unix:PATH] [--data-dir DIR] "
    "[--config FILE] [--minimized]\n"
    "  --simulate STATE     use the simulated mouse kept in the file STATE\n"
    "  --simulate unix:PATH use the simulator started with `z7ctl sim serve --socket PATH`\n"
    "  --data-dir DIR       profiles and libraries under DIR/Kesta/Z7 Laser\n"
    "  --config FILE        the settings file\n"
    "  --minimized          start hidden in the tray\n";

bool ParseAppOptions(const QStringList& args, AppOptions& options, QString& error) {
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        auto value = [&](std::optional<QString>& out) {
            if (i + 1 >= args.size() || args[i + 1].isEmpty()) {
                error = a + QStringLiteral(" needs a value");
                return false;
            }
            out = args[++i];
            return true;
        };
        std::optional<QString> v;
        if (a == QLatin1String("--simulate")) {
            if (!value(v)) return false;
            options.simulate = v->toStdString();
        } else if (a == QLatin1String("--data-dir")) {
            if (!value(v)) return false;
            options.dataDir = PathOf(*v);
        } else if (a == QLatin1String("--config")) {
            if (!value(v)) return false;
            options.config = PathOf(*v);
        } else if (a == QLatin1String("--minimized")) {
            options.minimized = true;
        } else if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            options.help = true;
        } else {
            error = QStringLiteral("unknown option: ") + a;
            return false;
        }
    }
    return true;
}

bool InstallQtTranslations(QCoreApplication& app) {
    auto* translator = new QTranslator(&app);
    // "qtbase" covers the widgets' dialogs (file dialog, message box, colour dialog).
    if (!translator->load(QStringLiteral("qtbase_zh_CN"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

QString InstanceKey() {
    QString user = qEnvironmentVariable("USER");
    if (user.isEmpty()) user = qEnvironmentVariable("USERNAME");
    const QString name = QString::fromUtf8(kInstanceName) + QStringLiteral("-") + user;
    // The session's own folder where there is one: an instance of another session (another
    // seat, a test's private session) is not this session's instance.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir(runtime).exists()) return QDir(runtime).filePath(name);
    return name;
}

SingleInstance::SingleInstance(QString key, QObject* parent)
    : QObject(parent), key_(std::move(key)) {}

SingleInstance::~SingleInstance() {
    if (server_) server_->close();
}

bool SingleInstance::Claim() {
    {
        QLocalSocket socket;
        socket.connectToServer(key_);
        if (socket.waitForConnected(kInstanceTimeoutMs)) {
            socket.write(kShowMessage);
            socket.waitForBytesWritten(kInstanceTimeoutMs);
            socket.disconnectFromServer();
            return false;
        }
    }
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    // A socket left by a crashed instance would refuse the name.
    if (!server_->listen(key_)) {
        QLocalServer::removeServer(key_);
        server_->listen(key_);
    }
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* s = server_->nextPendingConnection()) {
            connect(s, &QLocalSocket::readyRead, this, [this, s] {
                if (s->readAll().contains('\n')) emit showRequested();
                s->disconnectFromServer();
            });
            connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
        }
    });
    return true;
}

int Application::Main(int argc, char** argv) {
    QStringList args;
    for (int i = 1; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
    AppOptions options;
    QString error;
    if (!ParseAppOptions(args, options, error)) {
        std::fprintf(stderr, "kesta-z7: %s\n%s", qPrintable(error), kAppUsage);
        return 2;
    }
    if (options.help) {
        std::fputs(kAppUsage, stdout);
        return 0;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("kesta-z7"));
    // The desktop entry's name: the window system matches windows to the installed icon by it.
    QGuiApplication::setDesktopFileName(QString::fromLatin1(kDesktopId));
    InstallQtTranslations(app);
    return Run(options);
}

int Application::Run(const AppOptions& options) {
    SingleInstance instance(InstanceKey());
    if (!instance.Claim()) return 0;

    FileSystem& fs = LocalFileSystem();
    std::string backendError;
    std::unique_ptr<MouseBackend> backend =
        MouseBackend::Create(fs, options.simulate, false, backendError);
    if (!backend) {
        std::fprintf(stderr, "kesta-z7: %s\n", backendError.c_str());
        return 4;
    }
    std::unique_ptr<HostActions> hostActions = CreateHostActions();
    std::unique_ptr<AutoStart> autoStart = CreateAutoStart();
    std::unique_ptr<PointerSystem> pointerSystem = CreatePointerSystem();

    MainWindowEnvironment env;
    env.fs = &fs;
    env.link = &backend->link();
    env.hostActions = hostActions.get();
    env.autoStart = autoStart.get();
    env.pointerSystem = pointerSystem.get();
    env.settingsFile = options.config ? *options.config : DefaultSettingsFile();
    env.defaultDataFolder = DefaultDataFolder();
    env.dataDirOverride = options.dataDir;
    env.firmwareFolder = FindAsset(kFirmwareFolderName);
    env.simulated = backend->simulated();
    MouseBackend* b = backend.get();
    env.afterDeviceWork = [b] {
        std::string saveError;
        if (!b->SaveState(saveError)) std::fprintf(stderr, "kesta-z7: %s\n", saveError.c_str());
    };

    QApplication::setQuitOnLastWindowClosed(false);
    auto dlg = std::make_unique<MainWindow>(std::move(env));
    QObject::connect(&instance, &SingleInstance::showRequested, dlg.get(),
                     &MainWindow::ShowFromOtherInstance);
    // exit(), not quit(): quit() first asks every window to close, and ours only hide.
    QObject::connect(
        dlg.get(), &MainWindow::quitRequested, qApp, [] { QCoreApplication::exit(0); },
        Qt::QueuedConnection);
    if (qEnvironmentVariableIsSet("Z7_LAUNCH_NS"))
        dlg->installEventFilter(new FirstPaintProbe(dlg.get()));
    dlg->Start(backend->CreateMonitor(), true);
    if (!options.minimized || !dlg->tray()->available()) dlg->show();
    const int code = QApplication::exec();
    dlg.reset();  // finishes a running exchange, stops the listener, keeps the simulated state
    return code;
}

}  // namespace z7
