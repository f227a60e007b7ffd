#include "gui/app/doctor_window.h"

#include <QClipboard>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/util/text.h"
#include "platform/paths.h"
#include "platform/system_probe.h"

namespace z7 {

namespace {

constexpr char kRuleAsset[] = "packaging/70-kesta-z7.rules";

QPushButton* Button(const QString& text, QWidget* parent) {
    auto* b = new QPushButton(text, parent);
    b->setAccessibleName(text);
    b->setFocusPolicy(Qt::StrongFocus);
    b->setAutoDefault(false);
    return b;
}

// The checks, on a worker thread: its own link on the program's transport, so that the
// program's listener keeps its interface and the doctor waits for no one.
DoctorReport Examine(const DataSources& sources, AutoStart* autoStart) {
    DoctorEnvironment env;
    env.fs = sources.fs;
    const std::unique_ptr<SystemProbe> probe = CreateSystemProbe();
    env.probe = probe.get();
    env.autoStart = autoStart;
    env.simulated = sources.simulated;
    env.dataFolder = sources.dataFolder;
    env.dataFolderSource = sources.dataFolderSource;
    env.settingsFile = sources.settingsFile;
    env.defaultDataFolder = sources.defaultDataFolder;
    std::error_code ec;
    const std::filesystem::path rule = FindAsset(kRuleAsset);
    env.ruleSource = std::filesystem::exists(rule, ec) ? rule : std::filesystem::path(kRuleAsset);
    std::unique_ptr<DeviceLink> link;
    if (sources.link) {
        link = std::make_unique<DeviceLink>(sources.link->transport(), sources.link->clock());
        link->SetProcessLock(sources.link->processLockFile(), Millis(0));
        env.link = link.get();
    } else {
        env.backendProblem = "the program has no mouse link";
    }
    DoctorReport report = RunDoctor(env);
    if (link) link->CloseDevice();
    return report;
}

}  // namespace

DoctorWindow::DoctorWindow(QWidget* parent, DataSources sources, AutoStart* autoStart)
    : QDialog(parent), sources_(std::move(sources)), autoStart_(autoStart) {
    setWindowTitle(QStringLiteral("诊断"));
    setAccessibleName(QStringLiteral("诊断"));
    view_ = new QPlainTextEdit(this);
    view_->setReadOnly(true);
    view_->setAccessibleName(QStringLiteral("诊断报告"));
    view_->setFocusPolicy(Qt::StrongFocus);
    view_->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
    view_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    view_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    copy_ = Button(QStringLiteral("复制"), this);
    again_ = Button(QStringLiteral("再次诊断"), this);
    close_ = Button(QStringLiteral("关闭"), this);
    copy_->setToolTip(QStringLiteral("把报告复制到剪贴板，贴进问题报告"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(copy_);
    buttons->addWidget(again_);
    buttons->addStretch();
    buttons->addWidget(close_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(view_);
    layout->addLayout(buttons);
    resize(760, 520);
    connect(copy_, &QPushButton::clicked, this,
            [this] { QGuiApplication::clipboard()->setText(view_->toPlainText()); });
    connect(again_, &QPushButton::clicked, this, &DoctorWindow::Refresh);
    connect(close_, &QPushButton::clicked, this, &QDialog::close);
    Refresh();
}

DoctorWindow::~DoctorWindow() {
    if (thread_) {
        thread_->wait();
        delete thread_;
    }
}

void DoctorWindow::Refresh() {
    if (thread_) return;
    view_->setPlainText(QStringLiteral("正在诊断…"));
    copy_->setEnabled(false);
    again_->setEnabled(false);
    auto result = std::make_shared<DoctorReport>();
    const DataSources sources = sources_;
    AutoStart* autoStart = autoStart_;
    thread_ =
        QThread::create([sources, autoStart, result] { *result = Examine(sources, autoStart); });
    connect(thread_, &QThread::finished, this, [this, result] {
        thread_->wait();
        delete thread_;
        thread_ = nullptr;
        report_ = std::move(*result);
        view_->setPlainText(QString::fromStdString(ReportText(report_)));
        copy_->setEnabled(true);
        again_->setEnabled(true);
        emit reportReady();
    });
    thread_->start();
}

DoctorWindow* ShowDoctorWindow(QWidget* parent, DataSources sources, AutoStart* autoStart) {
    auto* window = new DoctorWindow(parent, std::move(sources), autoStart);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
    return window;
}

}  // namespace z7
