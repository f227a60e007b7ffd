#include "gui/app/backup_actions.h"

#include <QDate>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QProgressDialog>

#include "core/profile/data_lock.h"
#include "core/util/text.h"
#include "gui/app/main_window.h"

namespace z7 {

namespace {

const char kFilter[] = "备份文件 (*.zip)";
const char kOpenFilter[] = "备份文件 (*.zip *.tar.gz *.tgz *.tar)";

QString Q(const std::string& utf8) {
    return QString::fromStdString(utf8);
}
QString Q(const std::filesystem::path& path) {
    return Q(PathToUtf8(path));
}
std::filesystem::path P(const QString& text) {
    return PathFromUtf8(text.toStdString());
}

// The mouse as the backup records it, asked through a link of our own on the program's
// transport: the program's listener keeps its interface.
MouseSnapshot AskMouse(const DataSources& sources) {
    if (!sources.link) return {};
    DeviceLink link(sources.link->transport(), sources.link->clock());
    link.SetProcessLock(sources.link->processLockFile(), kBackupMouseWait);
    MouseSnapshot snapshot = ReadMouseSnapshot(link);
    link.CloseDevice();
    return snapshot;
}

int Count(const RestorePlan& plan, RestoreStep::Action action) {
    int n = 0;
    for (const RestoreStep& s : plan.steps) n += s.action == action;
    return n;
}

}  // namespace

DataSources DataSourcesOf(const MainWindowEnvironment& env,
                          const std::filesystem::path& dataFolder) {
    DataSources sources;
    sources.fs = env.fs;
    sources.link = env.link;
    sources.simulated = env.simulated;
    sources.dataFolder = dataFolder;
    sources.dataFolderSource = env.dataDirOverride                   ? "--data-dir"
                               : dataFolder == env.defaultDataFolder ? "the default folder"
                                                                     : "from the settings file";
    sources.settingsFile = env.settingsFile;
    sources.defaultDataFolder = env.defaultDataFolder;
    return sources;
}

QString DescribePlan(const RestorePlan& plan) {
    QStringList lines;
    for (const RestoreStep& s : plan.steps) {
        if (s.action == RestoreStep::Action::kSame) continue;
        const QString what = s.folder.empty() ? Q(s.name) : Q(s.folder) + "/" + Q(s.name);
        lines << QString::fromLatin1(RestoreActionName(s.action)).leftJustified(9) + what;
    }
    if (!plan.settingsNote.empty()) lines << Q(plan.settingsNote);
    return lines.join('\n');
}

BackupActions::BackupActions(QWidget* parent, DataSources sources)
    : QObject(parent), sources_(std::move(sources)), parent_(parent) {}

BackupActions::~BackupActions() {
    if (thread_) {
        thread_->wait();
        delete thread_;
    }
}

QWidget* BackupActions::parentWidget() const {
    return parent_.data();
}

void BackupActions::RunInBackground(const QString& label, std::function<void()> work,
                                    std::function<void()> then) {
    progress_ = new QProgressDialog(label, QString(), 0, 0, parentWidget());
    progress_->setWindowTitle(label);
    progress_->setAccessibleName(label);
    progress_->setWindowModality(Qt::WindowModal);
    progress_->setMinimumDuration(300);
    progress_->setCancelButton(nullptr);
    thread_ = QThread::create(std::move(work));
    connect(thread_, &QThread::finished, this, [this, then = std::move(then)] {
        thread_->wait();
        delete thread_;
        thread_ = nullptr;
        if (progress_) {
            progress_->close();
            progress_->deleteLater();
            progress_ = nullptr;
        }
        then();
    });
    thread_->start();
}

void BackupActions::Finish(bool ok, const QString& text) {
    if (!text.isEmpty()) {
        if (notify)
            notify(text, !ok);
        else if (ok)
            QMessageBox::information(parentWidget(), QStringLiteral("备份"), text);
        else
            QMessageBox::warning(parentWidget(), QStringLiteral("备份"), text);
    }
    emit finished(ok);
}

void BackupActions::Backup() {
    const QString caption = QStringLiteral("备份");
    const QString start = QDir::homePath() + "/kesta-z7-backup-" +
                          QDate::currentDate().toString(QStringLiteral("yyyyMMdd")) + ".zip";
    QString file = saveFileChooser ? saveFileChooser(caption, start, QString::fromUtf8(kFilter))
                                   : QFileDialog::getSaveFileName(parentWidget(), caption, start,
                                                                  QString::fromUtf8(kFilter));
    if (file.isEmpty()) return Finish(false, {});
    if (!file.endsWith(QStringLiteral(".zip"), Qt::CaseInsensitive)) file += QStringLiteral(".zip");

    struct Outcome {
        bool ok = false;
        std::string error;
        BackupSummary summary;
        MouseSnapshot mouse;
    };
    auto outcome = std::make_shared<Outcome>();
    const DataSources sources = sources_;
    const std::filesystem::path target = P(file);
    RunInBackground(
        QStringLiteral("正在备份…"),
        [sources, target, outcome] {
            outcome->mouse = AskMouse(sources);
            SystemClock clock;
            LockAttempt lock = LockDataFolder(sources.dataFolder, clock, &outcome->error);
            if (lock.status == LockStatus::kBusy) return;
            outcome->error.clear();
            outcome->ok = CreateBackup(*sources.fs, sources.dataFolder, sources.settingsFile,
                                       outcome->mouse, target, lock.status == LockStatus::kAcquired,
                                       &outcome->summary, &outcome->error);
        },
        [this, outcome, file] {
            if (!outcome->ok) return Finish(false, "备份失败：" + Q(outcome->error));
            QString text = "已备份 " + QString::number(outcome->summary.dataFiles) + " 个数据文件" +
                           (outcome->summary.settings ? "和设置" : "") + "：\n" + file;
            if (outcome->mouse.state != MouseSnapshot::State::kRead)
                text += "\n未记录鼠标状态（" +
                        Q(outcome->mouse.note.empty() ? std::string("未连接鼠标")
                                                      : outcome->mouse.note) +
                        "）";
            Finish(true, text);
        });
}

void BackupActions::Restore(std::function<void()> afterRestore) {
    const QString caption = QStringLiteral("恢复");
    const QString file =
        openFileChooser ? openFileChooser(caption, QDir::homePath(), QString::fromUtf8(kOpenFilter))
                        : QFileDialog::getOpenFileName(parentWidget(), caption, QDir::homePath(),
                                                       QString::fromUtf8(kOpenFilter));
    if (file.isEmpty()) return Finish(false, {});

    struct Outcome {
        bool ok = false;
        std::string error;
        BackupContents backup;
        RestorePlan plan;
    };
    auto outcome = std::make_shared<Outcome>();
    const DataSources sources = sources_;
    // Plans under the data folder's lock (which it needs to complete interrupted saves); false
    // with `error` set when it cannot be had or the backup is refused.
    auto plan = [sources](Outcome& o, LockAttempt& lock) {
        SystemClock clock;
        lock = LockDataFolder(sources.dataFolder, clock, &o.error);
        if (lock.status != LockStatus::kAcquired) return false;
        return PlanRestore(*sources.fs, o.backup, sources.dataFolder, sources.settingsFile,
                           sources.defaultDataFolder, /*recover=*/true, o.plan, &o.error);
    };
    RunInBackground(
        QStringLiteral("正在读取备份…"),
        [sources, file, outcome, plan] {
            if (!ReadBackup(*sources.fs, P(file), outcome->backup, &outcome->error)) return;
            LockAttempt lock;
            outcome->ok = plan(*outcome, lock);
        },
        [this, outcome, plan, sources, afterRestore] {
            if (!outcome->ok) return Finish(false, "无法恢复：" + Q(outcome->error));
            const RestorePlan& shown = outcome->plan;
            if (!shown.ChangesAnything())
                return Finish(true, QStringLiteral("数据已与备份相同，无需恢复。"));
            const QString question =
                "恢复 " + Q(shown.manifest.created) + " 的备份？\n将替换 " +
                QString::number(Count(shown, RestoreStep::Action::kReplace)) + " 个文件，添加 " +
                QString::number(Count(shown, RestoreStep::Action::kAdd)) + " 个，删除 " +
                QString::number(Count(shown, RestoreStep::Action::kRemove)) +
                " 个。被替换或删除的内容无法找回（除非另有备份）。";
            const QString details = DescribePlan(shown);
            bool yes = false;
            if (confirm) {
                yes = confirm(question, details);
            } else {
                QMessageBox box(QMessageBox::Question, QStringLiteral("恢复"), question,
                                QMessageBox::Yes | QMessageBox::No, parentWidget());
                box.setDefaultButton(QMessageBox::No);
                box.setDetailedText(details);
                yes = box.exec() == QMessageBox::Yes;
            }
            if (!yes) return Finish(false, {});
            const std::vector<RestoreStep> steps = shown.steps;
            auto applied = std::make_shared<Outcome>();
            applied->backup = std::move(outcome->backup);
            RunInBackground(
                QStringLiteral("正在恢复…"),
                [sources, applied, plan, steps] {
                    LockAttempt lock;
                    if (!plan(*applied, lock)) return;
                    if (applied->plan.steps != steps) {
                        applied->error = "数据文件夹在此期间已被改变，未恢复任何内容，请再试一次";
                        return;
                    }
                    applied->ok = ApplyRestore(*sources.fs, sources.dataFolder, applied->plan,
                                               &applied->error);
                },
                [this, applied, afterRestore] {
                    if (!applied->ok) return Finish(false, "恢复失败：" + Q(applied->error));
                    if (afterRestore) afterRestore();
                    Finish(true, QStringLiteral("已恢复备份。"));
                });
        });
}

void StartBackup(QWidget* parent, DataSources sources) {
    auto* actions = new BackupActions(parent, std::move(sources));
    QObject::connect(actions, &BackupActions::finished, actions, &QObject::deleteLater);
    actions->Backup();
}

void StartRestore(QWidget* parent, DataSources sources, std::function<void()> afterRestore) {
    auto* actions = new BackupActions(parent, std::move(sources));
    QObject::connect(actions, &BackupActions::finished, actions, &QObject::deleteLater);
    actions->Restore(std::move(afterRestore));
}

}  // namespace z7
