#include "gui/app/main_window.h"

#include "gui/app/backup_actions.h"
#include "gui/app/doctor_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QDir>
#include <QFileDialog>
#include <QKeyEvent>
#include <QMessageBox>
#include <QScreen>
#include <QThreadPool>

#include "core/buttons/host_action.h"
#include "core/buttons/library_sources.h"
#include "core/device/device_change.h"
#include "core/firmware/firmware_package.h"
#include "core/profile/data_lock.h"
#include "core/profile/ini_file.h"
#include "core/profile/profile_store.h"
#include "core/util/text.h"
#include "gui/app/input_capture_relay.h"
#include "gui/pages/buttons/button_page.h"
#include "gui/pages/lighting/lighting_page.h"
#include "gui/pages/macros/macro_page.h"
#include "gui/pages/pointer/pointer_page.h"
#include "gui/pages/sensor/sensor_page.h"
#include "gui/pages/support/support_page.h"
#include "gui/pages/system/system_page.h"
#include "gui/ui/message_popup.h"
#include "gui/ui/skin.h"
#include "gui/ui/skin_accessible.h"
#include "gui/ui/skin_layout.h"
#include "gui/ui/skin_style.h"
#include "platform/paths.h"

namespace z7 {
namespace {

constexpr int kMainFamily = 0;
// Free strip of the bottom row between the support link and the share button.
const QRect kStatusRect(330, 516, 316, 34);
constexpr char kTitle[] = "KESTA Z7 LASER SOFTWARE";
// Badge that says plainly that the window shows the simulated mouse, after the title.
const QRect kBadgeRect(364, 16, 80, 24);
constexpr char kSetFailed[] = "设置失败,请重试";
constexpr char kMouseBusy[] = "另一个程序正在使用鼠标，请稍后再试。";
constexpr char kNoVersion[] = "-.--";
constexpr char16_t kWindowSection[] = u"Window";

QString U(const char* text) {
    return QString::fromUtf8(text);
}

struct ControlSpec {
    int element;
    int id;
    const char* name;  // for assistive technology: the page titles for the page buttons
    const char* tip;
};
const ControlSpec kControls[] = {
    {19, kIdLogo, "Logo", "访问Kesta官方网站"},
    {1, kIdSystem, "SYSTEM SETTINGS", "系统设置"},
    {4, kIdMinimize, "Min", "最小化到任务栏"},
    {5, kIdHide, "Close", "最小化到系统托盘区"},
    {13, kIdProfile, "Profile", "自定义配置，最多可储存5个不同的配置"},
    {14, kIdProfileName, "Profile Name", "为你的配置命名"},
    {15, kIdSave, "Save", "储存配置"},
    {16, kIdDelete, "Delete", "删除配置"},
    {17, kIdImport, "Import", "导入已保存的配置"},
    {18, kIdReset, "Reset To Default", "将当前的配置恢复为默认设置"},
    {6, kIdButtons, "BUTTON ASSIGNMENT", "自定义鼠标按键功能"},
    {7, kIdBasic, "BASIC SETTINGS", "Windows环境下的基础设置"},
    {8, kIdAdvanced, "ADVANCED SETTINGS", "调整角度，距离, USB刷新率...等多项进阶功能"},
    {9, kIdMacro, "MACRO RECORDING", "录制巨集作为日后应用"},
    {10, kIdLight, "LIGHT SETTINGS", "自定义RGB背光颜色／亮度，及模式"},
    {11, kIdSupport, "Support", "软件更新，固件更新，联系我们"},
    {12, kIdRegister, "Register", "注册产品，以获得更好的售后服务"},
    {3, kIdSupportSite, "Support Site", "访问Kesta官方网站，获取技术服务"},
    {2, kIdShare, "Share", "将Kesta分享到社交媒体"},
};
// Tab walks the profile row, the page tiles, the bottom row, then the title bar.
constexpr int kTabOrder[] = {kIdProfile, kIdProfileName, kIdSave,     kIdDelete,      kIdImport,
                             kIdReset,   kIdButtons,     kIdBasic,    kIdAdvanced,    kIdMacro,
                             kIdLight,   kIdSupport,     kIdRegister, kIdSupportSite, kIdShare,
                             kIdLogo,    kIdSystem,      kIdMinimize, kIdHide};

// Page buttons in the order of pages_ (PageId).
constexpr int kPageButtons[kPageCount] = {kIdSystem, kIdButtons, kIdBasic,  kIdAdvanced,
                                          kIdMacro,  kIdLight,   kIdSupport};

const char* const kShareTexts[5] = {"造访我们的Facebook", "造访我们的Linked In",
                                    "造访我们的Youtube", "造访我们的Twitter",
                                    "造访我们的Instagram"};
const char16_t* const kSocialKeys[5] = {u"Facebook", u"LinkedIn", u"Youtube", u"Twitter",
                                        u"Instagram"};
const char* const kSocialDefaults[5] = {
    "https://www.facebook.com/kestagaming", "https://www.linkedin.com/company/kesta",
    "https://www.youtube.com/@kestagaming", "https://twitter.com/kestagaming",
    "https://www.instagram.com/kestagaming"};
constexpr char16_t kLinksSection[] = u"Links";

QString VersionLabel(uint16_t hundredths) {
    return U("V") + QString::fromStdString(FirmwareVersionText(hundredths));
}

}  // namespace

MakerLinks LoadMakerLinks(FileSystem& fs, const std::filesystem::path& settingsFile) {
    IniFile ini;
    (void)LoadIniFile(fs, settingsFile, ini);
    auto get = [&](const char16_t* key, const char* fallback) {
        const std::u16string value = ini.GetString(kLinksSection, key, Utf8ToUtf16(fallback));
        return QString::fromStdU16String(value);
    };
    MakerLinks links;
    links.support = get(u"SupportUrl", "https://www.kesta.example/support");
    links.registration = get(u"RegisterUrl", "https://www.kesta.example/register");
    links.softwareUpdate = get(u"SoftwareUpdateUrl", "https://www.kesta.example/a/support.html");
    links.home = get(u"HomeUrl", "https://www.kesta.example/");
    links.salesEmail = get(u"SalesEmail", "sales@kesta.example");
    for (int i = 0; i < 5; ++i) links.social[i] = get(kSocialKeys[i], kSocialDefaults[i]);
    return links;
}

MainWindow::MainWindow(MainWindowEnvironment env, QWidget* parent)
    : SkinWindow(parent), env_(std::move(env)) {
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    // The frameless window shows no title: the simulated mouse is said on the window itself.
    setWindowTitle(U(kTitle));
    setWindowIcon(TrayIcon::ProgramIcon());
    SettingsProblem settingsProblem;
    settings_ = LoadSettings(*env_.fs, env_.settingsFile, env_.defaultDataFolder, &settingsProblem);
    if (env_.dataDirOverride)
        settings_.dataFolder = *env_.dataDirOverride;
    else if (settingsProblem.kind != SettingsProblem::Kind::None)
        dataNotice_ = QString::fromStdString(settingsProblem.message);
    listenerDataFolder_ = settings_.dataFolder;
    links_ = LoadMakerLinks(*env_.fs, env_.settingsFile);
    session_ = std::make_unique<DataFolderSession>(*env_.fs, DefaultClock(), settings_.dataFolder);
    session_->Load(profiles_);
    watcher_ = new DataFolderWatcher(settings_.dataFolder, this);
    connect(watcher_, &DataFolderWatcher::changed, this, &MainWindow::OnDataFolderChanged);
    profiles_.SetCurrent(0);
    currentSlot_ = 0;
    macroLibrary_ = MacroLibrary::ForDataFolder(settings_.dataFolder);
    macroLibrary_.Load(*env_.fs);
    macroBase_ = macroLibrary_;

    SetBackground(SkinPart(kMainFamily, kStateNormal));
    if (background().isNull()) setFixedSize(860, 572);
    BuildControls();
    pages_ = {new SystemPage(*this, this),  new ButtonPage(*this, this),
              new PointerPage(*this, this), new SensorPage(*this, this),
              new MacroPage(*this, this),   new LightingPage(*this, this),
              new SupportPage(*this, this)};
    for (PageWindow* p : pages_) p->hide();
    tray_ = new TrayIcon(this);
    connect(tray_, &TrayIcon::showRequested, this, &MainWindow::ShowFromOtherInstance);
    connect(tray_, &TrayIcon::quitRequested, this, &MainWindow::quitRequested);
    RebuildProfileSelector();
    LoadPagesFromProfile(profiles_.current());
    ShowDataIssues();
    UpdateStatus();
    RestorePosition();

    arrivalTimer_.setSingleShot(true);
    arrivalTimer_.setInterval(static_cast<int>(kArrivalSettleDelay.count()));
    connect(&arrivalTimer_, &QTimer::timeout, this, &MainWindow::RefreshFromDevice);
    worker_ = std::make_unique<DeviceWorker>();
}

MainWindow::~MainWindow() {
    // An update in progress ends first (it uses the link below); one that may not be stopped
    // is waited for.
    delete firmwareWindow_;
    if (isVisible()) RememberPosition();
    arrivalTimer_.stop();
    if (monitor_) monitor_->Stop();
    worker_.reset();
    env_.link->CloseDevice();
    env_.link->SetEventHandlers({});
    AfterDeviceWork();
}

void MainWindow::BuildControls() {
    tip_ = new TitleTip(this);
    for (const ControlSpec& c : kControls) {
        const QRect rect = ElementRect(c.element);
        QWidget* control = nullptr;
        if (c.id == kIdProfile || c.id == kIdShare) {
            auto* combo = new SkinComboButton(c.id, this);
            combo->setGeometry(rect);
            combo->SetSkinElement(c.element);
            combo->SetColors(skin::kText, skin::kAccent);
            connect(combo, &SkinComboButton::sysCommand, this, &MainWindow::OnControl);
            control = combo;
            if (c.id == kIdProfile) {
                selector_ = combo;
            } else {
                share_ = combo;
                combo->SetUpward(true);
                combo->SetActsAsMenuButton(true);
                for (int i = 0; i < 5; ++i) combo->AddItem(kShareFirst + i, U(kShareTexts[i]));
                combo->SetText(U("分享"));
            }
        } else if (c.id == kIdProfileName) {
            nameBox_ = new SkinLineEdit(c.id, this);
            nameBox_->setGeometry(rect);
            nameBox_->SetBackground(SkinPart(c.element, kStateNormal));
            nameBox_->SetFontHeight(16);
            nameBox_->SetTextColor(skin::kText);
            nameBox_->setMaxLength(64);
            connect(nameBox_, &SkinLineEdit::sysCommand, this, &MainWindow::OnControl);
            control = nameBox_;
        } else {
            auto* b = new SkinButton(c.id, this);
            b->setGeometry(rect);
            b->SetSkinElement(c.element);
            connect(b, &SkinButton::sysCommand, this, &MainWindow::OnControl);
            connect(b, &SkinButton::clicked, this, [this, id = c.id] { OnControl(id, -1); });
            control = b;
        }
        NameControl(control, U(c.name), U(c.tip));
        controls_[c.id] = control;
    }
    std::vector<QWidget*> order;
    for (int id : kTabOrder) order.push_back(controls_[id]);
    SetTabOrder(std::move(order));
    status_ = new SkinLabel(0, this);
    status_->setGeometry(kStatusRect);
    status_->SetFontHeight(14);
    status_->SetColors(Qt::transparent, skin::kTextDim);
    status_->SetCentred(true);
    status_->setAccessibleName(U("Status"));
    if (env_.simulated) {
        badge_ = new SkinLabel(0, this);
        badge_->setGeometry(kBadgeRect);
        badge_->SetFontHeight(14);
        badge_->SetColors(skin::kRaised, skin::kAccent);
        badge_->SetFramed(skin::kAccent);
        badge_->SetText(U("模拟鼠标"));
        badge_->setAccessibleName(U("Simulated Mouse"));
        badge_->setToolTip(U("这个窗口连接的是模拟鼠标，不是真实的鼠标"));
    }
}

SkinButton* MainWindow::button(int controlId) const {
    const auto it = controls_.find(controlId);
    return it == controls_.end() ? nullptr : qobject_cast<SkinButton*>(it->second);
}

PageWindow* MainWindow::pageOpenedBy(int controlId) const {
    for (int i = 0; i < kPageCount; ++i)
        if (kPageButtons[i] == controlId) return pages_[static_cast<size_t>(i)];
    return nullptr;
}

QString MainWindow::TooltipOf(int controlId) const {
    for (const ControlSpec& c : kControls)
        if (c.id == controlId) return U(c.tip);
    return {};
}

// One entry point for every control, as the window's command handler.
void MainWindow::OnControl(int code, int value) {
    if (code == kHoverCode) return ShowTip(value);
    if (code == kIdProfile) return OnProfileChoice(value);
    if (code == kIdShare) return OpenLink(value);
    if (code == kIdProfileName || value != -1) return;
    switch (code) {
        case kIdMinimize:
            showMinimized();
            break;
        case kIdHide:
            HideToTray();
            break;
        case kIdSave:
            OnSaveAndApply();
            break;
        case kIdDelete:
            OnDelete();
            break;
        case kIdImport:
            OnImport();
            break;
        case kIdReset:
            OnReset();
            break;
        case kIdSupportSite:
        case kIdRegister:
        case kIdLogo:
            OpenLink(code);
            break;
        default:
            OpenPageFor(code);
            break;
    }
}

void MainWindow::ShowTip(int controlId) {
    const auto it = controls_.find(controlId);
    const QString text = TooltipOf(controlId);
    if (it == controls_.end() || text.isEmpty()) return;
    tip_->Hide();
    // Anchored where the pointer really is, not where the window believes it stands.
    tip_->ShowFor(it->second, text, QCursor::pos());
}

namespace {
// Popups open over the window the user is working in (a page), not over a main window that
// may be hidden in the tray.
QWidget* PopupParent(QWidget* fallback) {
    QWidget* active = QApplication::activeWindow();
    return active && active->isVisible() ? active : fallback;
}
}  // namespace

int MainWindow::Popup(int kind, const QString& text) {
    if (popupHandler) return popupHandler(kind, text);
    MessagePopup popup(kind, PopupParent(this));
    if (!text.isEmpty()) popup.SetText(text);
    return popup.exec();
}

void MainWindow::MessageBox(const QString& text) {
    if (messageBoxHandler) return messageBoxHandler(text);
    QMessageBox::warning(PopupParent(this), windowTitle(), text);
}

QString MainWindow::ChooseOpenFile(const QString& caption, const QString& folder,
                                   const QString& filter) {
    if (openFileChooser) return openFileChooser(caption, folder, filter);
    return QFileDialog::getOpenFileName(PopupParent(this), caption, folder, filter);
}

QString MainWindow::ChooseFolder(const QString& caption, const QString& start) {
    if (folderChooser) return folderChooser(caption, start);
    return QFileDialog::getExistingDirectory(PopupParent(this), caption, start);
}

std::unique_ptr<InputCaptureRelay> MainWindow::NewInputCaptureRelay() {
    if (inputCaptureFactory) return inputCaptureFactory();
    return std::make_unique<InputCaptureRelay>();
}

void MainWindow::OpenUrl(const QString& url) {
    if (url.isEmpty()) return;
    if (urlOpener) return urlOpener(url);
    if (!linkOpener_) linkOpener_ = new LinkOpener(this);
    // Without a browser or mail program the user still gets the address.
    linkOpener_->Open(url, [this](const QString& link, const QString& reason) {
        if (messageBoxHandler)
            messageBoxHandler(U("无法打开链接：") + reason + U("\n") + AddressToCopy(link));
        else
            ShowLinkProblem(PopupParent(this), link, reason);
    });
}

bool MainWindow::Ask(const QString& text) {
    if (questionHandler) return questionHandler(text);
    return QMessageBox::question(PopupParent(this), windowTitle(), text,
                                 QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

QString MainWindow::makerLink(MakerLink which) const {
    switch (which) {
        case MakerLink::kSoftwareUpdate:
            return links_.softwareUpdate;
        case MakerLink::kHomePage:
            return links_.home;
        case MakerLink::kSalesEmail:
            return links_.salesEmail;
    }
    return {};
}

BackupActions* MainWindow::NewBackupActions() {
    auto* actions = new BackupActions(this, DataSourcesOf(env_, dataFolder()));
    connect(actions, &BackupActions::finished, actions, &QObject::deleteLater);
    if (backupActionsHook) backupActionsHook(*actions);
    return actions;
}

void MainWindow::BackupData() {
    NewBackupActions()->Backup();
}

void MainWindow::RestoreData() {
    NewBackupActions()->Restore([this] { AdoptRestoredData(); });
}

void MainWindow::ShowDiagnostics() {
    ShowDoctorWindow(this, DataSourcesOf(env_, dataFolder()), env_.autoStart);
}

void MainWindow::AdoptRestoredData() {
    // The restore replaced the settings and the whole data tree on disk: what the window holds
    // is older, and its next save must not write it back over the backup's.
    SettingsProblem problem;
    Settings restored = LoadSettings(*env_.fs, env_.settingsFile, env_.defaultDataFolder, &problem);
    restored.dataFolder = settings_.dataFolder;  // the restore keeps the folder in use
    settings_ = std::move(restored);
    SetDataFolder(settings_.dataFolder);
    static_cast<MacroPage*>(page(PageId::kMacros))->AdoptLibrary(macroLibrary_);
    for (LibraryKind kind : {LibraryKind::kBindKeys, LibraryKind::kCustomHotkeys,
                             LibraryKind::kTextBlocks, LibraryKind::kShortcuts})
        NotifyLibraryChanged(kind);
    currentSlot_ = profiles_.currentSlot();
    RebuildProfileSelector();
    LoadPagesFromProfile(profiles_.current());
    dataNotice_ = U("已恢复备份");
    UpdateStatus();
}

void MainWindow::ShowProfile(int slot) {
    SelectSlot(slot);
    RebuildProfileSelector();
    LoadPagesFromProfile(profiles_.current());
}

void MainWindow::LoadPagesFromProfile(const ProfileRecord& record) {
    nameBox_->setText(QString::fromStdU16String(record.profileName));
    const bool user = record.profileSlot != 0;
    nameBox_->setEnabled(user);
    button(kIdDelete)->setEnabled(user);
    button(kIdImport)->setEnabled(user);
    // The desktop follows the profile's pointer speed and double-click time whether or not the
    // pointer page was ever shown (pages build on first show).
    if (auto* pointer = qobject_cast<PointerPage*>(page(PageId::kPointer)))
        pointer->FollowProfile(record);
    for (PageWindow* p : pages_) p->LoadFromProfile(record);
}

void MainWindow::StorePagesIntoProfile(ProfileRecord& record) {
    for (PageWindow* p : pages_) p->StoreIntoProfile(record);
}

namespace {
constexpr const char* kMergePendingNotice = "其他程序修改了配置，保存时将合并";
constexpr const char* kMergedNotice = "已合并其他程序所做的更改";
}  // namespace

bool MainWindow::SaveProfileSet() {
    std::string error;
    bool tookOthers = false;
    // Merged with what other programs saved since: their changes survive ours. The shared
    // macro library is saved with the others, so bindings follow its renumbering too.
    const bool ok =
        session_->Save(profiles_, &error, SaveVariant::Normal, &tookOthers, &macroLibrary_);
    ShowDataIssues();
    // The original said nothing when the disk refused; losing settings silently is worse.
    if (!ok) {
        MessageBox(U("配置保存失败: ") + QString::fromStdString(error));
        return false;
    }
    macroBase_ = macroLibrary_;
    if (tookOthers) {
        currentSlot_ = profiles_.currentSlot();
        RebuildProfileSelector();
        LoadPagesFromProfile(profiles_.current());
    }
    if (tookOthers)
        dataNotice_ = U(kMergedNotice);
    else if (dataNotice_ == U(kMergePendingNotice))
        dataNotice_.clear();
    UpdateStatus();
    return true;
}

void MainWindow::OnDataFolderChanged() {
    ReloadMacroLibrary();
    std::optional<ProfileSet> disk = session_->ChangedOnDisk();
    ShowDataIssues();
    if (!disk) return;
    ProfileSet shown = profiles_;
    StorePagesIntoProfile(shown.current());
    const QString typed = nameBox_->text().trimmed();
    if (shown.currentSlot() != 0 && !typed.isEmpty())
        shown.current().profileName = typed.toStdU16String();
    if (session_->HasUnsavedChanges(shown)) {
        dataNotice_ = U(kMergePendingNotice);
    } else {
        session_->Adopt(profiles_, std::move(*disk));
        currentSlot_ = profiles_.currentSlot();
        RebuildProfileSelector();
        LoadPagesFromProfile(profiles_.current());
        dataNotice_ = U("已载入其他程序所做的更改");
    }
    UpdateStatus();
}

void MainWindow::ReloadMacroLibrary() {
    // No wait: a writer holding the lock changes the folder again when it is done.
    LockAttempt lock = LockDataFolder(settings_.dataFolder, DefaultClock(), nullptr, Millis(0));
    if (lock.status != LockStatus::kAcquired) return;
    MacroLibrary disk = MacroLibrary::ForDataFolder(settings_.dataFolder);
    disk.Load(*env_.fs);
    // Our own saves land here too.
    if (disk.SameMacros(macroBase_)) return;
    macroBase_ = disk;
    static_cast<MacroPage*>(page(PageId::kMacros))->AdoptLibrary(std::move(disk));
    NotifyLibraryChanged(LibraryKind::kMacros);
}

void MainWindow::ShowDataIssues() {
    const std::vector<DataIssue> issues = session_->TakeNewIssues();
    if (issues.empty()) return;
    QString details;
    for (const DataIssue& issue : issues)
        details += QString::fromStdString(DescribeIssue(issue)) + QLatin1Char('\n');
    dataNotice_ = U("数据文件有问题（文件已保留）: ") +
                  QString::fromStdU16String(issues.front().file.filename().u16string()) +
                  (issues.size() > 1 ? U(" 等 %1 个").arg(issues.size()) : QString());
    status_->setToolTip(details.trimmed());
    UpdateStatus();
}

bool MainWindow::StorePagesAndSave() {
    StorePagesIntoProfile(profiles_.current());
    return SaveProfileSet();
}

bool MainWindow::SaveMacroLibrary() {
    // Under the data folder's lock with the other libraries, so that every profile's bindings
    // follow the renumbered ids.
    if (!SaveProfileSet()) return false;
    NotifyLibraryChanged(LibraryKind::kMacros);
    return true;
}

bool MainWindow::SaveSettingsFile() {
    std::string error;
    if (SaveSettings(*env_.fs, env_.settingsFile, settings_, &error)) return true;
    MessageBox(U("设置文件保存失败: ") + QString::fromStdString(error));
    return false;
}

void MainWindow::SetDataFolder(const std::filesystem::path& folder) {
    settings_.dataFolder = folder;
    {
        std::lock_guard lock(dataFolderMutex_);
        listenerDataFolder_ = folder;
    }
    session_ = std::make_unique<DataFolderSession>(*env_.fs, DefaultClock(), folder);
    ProfileSet onDisk;
    session_->Load(onDisk);
    session_->Adopt(profiles_, std::move(onDisk));
    delete watcher_;
    watcher_ = new DataFolderWatcher(folder, this);
    connect(watcher_, &DataFolderWatcher::changed, this, &MainWindow::OnDataFolderChanged);
    macroLibrary_ = MacroLibrary::ForDataFolder(folder);
    macroLibrary_.Load(*env_.fs);
    macroBase_ = macroLibrary_;
    ShowDataIssues();
    NotifyLibraryChanged(LibraryKind::kMacros);
}

void MainWindow::SetApplyButtonsEnabled(bool enabled) {
    applyHolds_ = enabled ? std::max(0, applyHolds_ - 1) : applyHolds_ + 1;
    const bool on = applyHolds_ == 0;
    button(kIdSave)->setEnabled(on);
    button(kIdReset)->setEnabled(on);
    for (PageWindow* p : pages_) p->SetApplyButtonsEnabled(on);
}

void MainWindow::NotifyLibraryChanged(LibraryKind kind) {
    for (PageWindow* p : pages_) p->OnLibraryChanged(kind);
}

void MainWindow::NotifyStepCountChanged(int stepCount) {
    for (PageWindow* p : pages_) p->OnStepCountChanged(stepCount);
}

void MainWindow::NotifyProfilesChanged() {
    RebuildProfileSelector();
}

void MainWindow::RebuildProfileSelector() {
    selector_->RemoveAllItems();
    if (selector_->menu()) selector_->menu()->RemoveAllItems();
    if (profiles_.FirstFreeSlot() != 0) selector_->AddItem(kNewProfileEntry, U("新建配置"));
    for (int slot = 0; slot < kSlotCount; ++slot) {
        const ProfileRecord& r = profiles_[slot];
        if (r.inUse) selector_->AddItem(slot, QString::fromStdU16String(r.profileName));
    }
    selector_->SelectItem(profiles_.currentSlot());
    for (PageWindow* p : pages_)
        if (p) p->OnProfilesChanged();
}

void MainWindow::SelectSlot(int slot) {
    profiles_.SetCurrent(slot);
    currentSlot_ = slot;
}

void MainWindow::OnProfileChoice(int entryId) {
    if (entryId == kNewProfileEntry) {
        selector_->VetoChosenText();
        StorePagesIntoProfile(profiles_.current());
        const int slot = profiles_.NewProfile();
        if (slot == 0) return;
        currentSlot_ = slot;
        RebuildProfileSelector();
        LoadPagesFromProfile(profiles_.current());
        return;
    }
    if (entryId < 0 || entryId >= kSlotCount) return;
    if (entryId == profiles_.currentSlot()) return;
    StorePagesIntoProfile(profiles_.current());
    SelectSlot(entryId);
    selector_->SelectItem(entryId);
    LoadPagesFromProfile(profiles_.current());
}

void MainWindow::OnSaveAndApply() {
    ProfileRecord& record = profiles_.current();
    StorePagesIntoProfile(record);
    if (record.profileSlot != 0) {
        const QString text = nameBox_->text().trimmed();
        if (!text.isEmpty())
            record.profileName = text.toStdU16String();
        else
            nameBox_->setText(QString::fromStdU16String(record.profileName));
    }
    RebuildProfileSelector();
    SaveProfileSet();
    StartWriteAll();
    if (env_.autoStart) {
        if (settings_.autoStart == u"1")
            env_.autoStart->Enable(kAutoStartValueName);
        else
            env_.autoStart->Disable(kAutoStartValueName);
    }
}

void MainWindow::PostExchange(DeviceExchange exchange, std::function<void(ExchangeResult)> done) {
    // Taken here, on this thread: the worker never reads the live profiles, so switching the
    // profile while it runs cannot change what it writes, or where.
    const ProfileRecord copy = profiles_.current();
    worker_->Post([this, exchange = std::move(exchange), copy, done = std::move(done)] {
        const ExchangeResult result = exchange(*env_.link, copy);
        const std::string denied =
            result == ExchangeResult::kNoAccess ? env_.link->lastOpenProblem().path : std::string();
        AfterDeviceWork();
        QMetaObject::invokeMethod(
            this,
            [this, result, denied, done] {
                if (result == ExchangeResult::kNoAccess) deniedPath_ = denied;
                accessDenied_ = result == ExchangeResult::kNoAccess;
                present_ = env_.link->eventOpen();
                UpdateStatus();
                if (done) done(result);
            },
            Qt::QueuedConnection);
    });
}

void MainWindow::StartWriteAll() {
    SetApplyButtonsEnabled(false);
    PostExchange([](DeviceLink& link,
                    const ProfileRecord& profile) { return WriteAllExchange(link, profile); },
                 [this](ExchangeResult result) {
                     SetApplyButtonsEnabled(true);
                     ShowExchangeResult(result);
                 });
}

namespace {
// How to grant the access a missing udev rule withholds.
QString AccessHint(const std::string& devicePath) {
    const std::filesystem::path rule = FindAsset("packaging/70-kesta-z7.rules");
    std::error_code ec;
    const QString rulePath = std::filesystem::exists(rule, ec)
                                 ? QString::fromStdString(rule.string())
                                 : U("packaging/70-kesta-z7.rules");
    QString text = U("已找到鼠标，但当前用户没有打开它的权限");
    if (!devicePath.empty()) text += U("（") + QString::fromStdString(devicePath) + U("）");
    text += U("。\n\n请安装 udev 规则，然后重新插拔鼠标：\n"
              "sudo cp \"%1\" /etc/udev/rules.d/\n"
              "sudo udevadm control --reload-rules && sudo udevadm trigger")
                .arg(rulePath);
    return text;
}
}  // namespace

void MainWindow::ShowDeviceNotice(DeviceNotice notice) {
    switch (notice) {
        case DeviceNotice::kNone:
            break;
        case DeviceNotice::kNoDevice:
            Popup(kPopupDeviceNotFound);
            break;
        case DeviceNotice::kFailed:
            MessageBox(U(kSetFailed));
            break;
        case DeviceNotice::kNoAccess:
            // Not "check the cable": the cable is fine, the permission is missing.
            MessageBox(AccessHint(deniedPath_));
            break;
        case DeviceNotice::kBusy:
            MessageBox(U(kMouseBusy));
            break;
    }
}

bool MainWindow::MousePresent() {
    for (const HidCollectionInfo& c : env_.link->transport().Enumerate()) {
        if (c.vendorId == kVendorId && c.productId == kProductNormal &&
            c.usagePage == kConfigUsagePage && c.usage == kConfigUsage)
            return true;
    }
    return false;
}

void MainWindow::OnDelete() {
    if (!MousePresent()) {
        Popup(kPopupDeviceNotFound);
        return;
    }
    const int slot = profiles_.currentSlot();
    if (slot == 0) return;
    StorePagesIntoProfile(profiles_.current());
    profiles_.FreeSlot(slot);
    (void)DeleteProfileFile(*env_.fs, profiles_[slot]);
    SelectSlot(0);
    LoadPagesFromProfile(profiles_.current());
    RebuildProfileSelector();
    // Without this the deleted profile's list entry would outlive a crash before the next save.
    SaveProfileSet();
    PostExchange([slot](DeviceLink& link, const ProfileRecord&) {
        return DeleteOnMouseExchange(link, static_cast<uint8_t>(slot));
    });
}

void MainWindow::OnImport() {
    if (profiles_.currentSlot() == 0) return;
    const QString start = QString::fromStdString(ProfileFolder(settings_.dataFolder).string());
    const QString file = ChooseOpenFile(U("导入配置"), start, U("Kesta Mouse Profile(*.profile)"));
    if (file.isEmpty()) return;
    StorePagesIntoProfile(profiles_.current());
    const ImportResult result =
        ImportProfile(*env_.fs, profiles_, std::filesystem::path(file.toStdU16String()));
    if (result.status == ImportStatus::Unreadable) {
        MessageBox(U("无法读取这个配置文件"));
        return;
    }
    if (!result.repaired.empty()) {
        QStringList fields;
        for (const std::string& f : result.repaired) fields << QString::fromStdString(f);
        MessageBox(U("这些数值超出可选范围，已改为出厂值: ") + fields.join(U(", ")));
    }
    currentSlot_ = profiles_.currentSlot();
    LoadPagesFromProfile(profiles_.current());
    RebuildProfileSelector();
}

void MainWindow::OnReset() {
    if (!MousePresent()) {
        Popup(kPopupDeviceNotFound);
        return;
    }
    if (Popup(kPopupSystemMessage) != kPopupYes) return;
    profiles_.ResetCurrent();
    RebuildProfileSelector();
    LoadPagesFromProfile(profiles_.current());
    SaveProfileSet();
    StartWriteAll();
}

void MainWindow::OpenPage(PageId id) {
    PageWindow* p = page(id);
    if (!p->isVisible() || p->isMinimized()) {
        // Centred on the main window the first time it shows; afterwards where it was left.
        if (!p->property("placed").toBool()) {
            p->move(geometry().center() - p->rect().center());
            p->setProperty("placed", true);
        }
    }
    p->Open();
}

void MainWindow::OpenPageFor(int controlId) {
    for (int i = 0; i < kPageCount; ++i) {
        if (kPageButtons[i] == controlId) return OpenPage(static_cast<PageId>(i));
    }
}

void MainWindow::OpenLink(int id) {
    QString url;
    if (id == kIdSupportSite)
        url = links_.support;
    else if (id == kIdRegister || id == kIdLogo)
        url = links_.registration;
    else if (id >= kShareFirst && id <= kShareLast)
        url = links_.social[id - kShareFirst];
    if (id >= kShareFirst && id <= kShareLast) share_->VetoChosenText();
    OpenUrl(url);
}

void MainWindow::Start(std::unique_ptr<DeviceMonitor> monitor, bool withTray) {
    DeviceEventHandlers handlers;
    handlers.currentSlot = [this] { return currentSlot_.load(); };
    handlers.onProfileSwitch = [this](uint8_t slot) {
        // Posted: the listener must not wait for a thread that may stop it.
        QMetaObject::invokeMethod(
            this,
            [this, slot] {
                if (slot == profiles_.currentSlot()) return;
                OnProfileChoice(slot);
                selector_->SelectItem(slot);
            },
            Qt::QueuedConnection);
    };
    handlers.onHostAction = [this](uint8_t code, uint8_t value) {
        (void)RunHostAction(*env_.fs, code, value, DataFolderForListener(), *env_.hostActions);
    };
    env_.link->SetEventHandlers(std::move(handlers));
    monitor_ = std::move(monitor);
    if (monitor_ && !monitor_->Start([this](DeviceChange change, const std::string& name) {
            OnDeviceChange(change, name);
        })) {
        monitor_.reset();  // refreshed at start and on demand only
    }
    RefreshFromDevice();
    withTray_ = withTray;
    if (withTray) tray_->Show();
}

std::filesystem::path MainWindow::DataFolderForListener() {
    std::lock_guard lock(dataFolderMutex_);
    return listenerDataFolder_;
}

void MainWindow::RefreshFromDevice() {
    worker_->Post([this] {
        DeviceInfo info;
        const ExchangeResult result = z7::RefreshFromDevice(*env_.link, info);
        const std::string denied =
            result == ExchangeResult::kNoAccess ? env_.link->lastOpenProblem().path : std::string();
        AfterDeviceWork();
        QMetaObject::invokeMethod(
            this,
            [this, result, info, denied] {
                deniedPath_ = denied;
                ApplyDeviceInfo(result, info);
            },
            Qt::QueuedConnection);
    });
}

void MainWindow::ApplyDeviceInfo(ExchangeResult result, const DeviceInfo& info) {
    busy_ = result == ExchangeResult::kBusy;
    if (busy_) {
        // The mouse is there but another program is talking to it: keep what is shown and
        // ask again once it may be done.
        UpdateStatus();
        arrivalTimer_.start();
        return;
    }
    present_ = result == ExchangeResult::kOk || env_.link->eventOpen();
    accessDenied_ = result == ExchangeResult::kNoAccess;
    int slot = 0;
    if (result == ExchangeResult::kOk) {
        firmwareVersion_ = info.firmwareVersion;
        ShowFirmwareText(info.firmwareVersion ? VersionLabel(*info.firmwareVersion)
                                              : U(kNoVersion));
        if (info.activeSlot && *info.activeSlot < kSlotCount) slot = *info.activeSlot;
    } else {
        firmwareVersion_.reset();
        ShowFirmwareText(U(kNoVersion));
    }
    if (slot != profiles_.currentSlot()) {
        StorePagesIntoProfile(profiles_.current());
        SelectSlot(slot);
    }
    selector_->SelectItem(slot);
    LoadPagesFromProfile(profiles_.current());
    UpdateStatus();
    if (firmwareVersion_) OfferNewerFirmware(*firmwareVersion_);
}

void MainWindow::OfferNewerFirmware(uint16_t mouseVersion) {
    const uint16_t packaged = PackagedFirmwareVersion(*env_.fs, env_.firmwareFolder);
    // Once per start and pair of versions: a replug or a refresh does not ask again.
    if (!firmwareOffer_.ShouldOffer(mouseVersion, packaged)) return;
    if (Popup(kPopupCheckStart, VersionLabel(packaged)) == kPopupYes) RequestFirmwareUpdate();
}

void MainWindow::RequestFirmwareUpdate() {
    if (firmwareWindow_) {
        firmwareWindow_->raise();
        firmwareWindow_->activateWindow();
        return;
    }
    FirmwareWindowEnvironment fw;
    fw.link = env_.link;
    fw.fs = env_.fs;
    fw.folder = env_.firmwareFolder;
    fw.afterDeviceWork = env_.afterDeviceWork;
    fw.notice = [this](const QString& text) { MessageBox(text); };
    // Over the page that asked, or over this window for the offer at start.
    auto* window = new FirmwareWindow(std::move(fw), PopupParent(this));
    firmwareWindow_ = window;
    // Nothing else writes to the mouse meanwhile, and neither page starts a second updater.
    SetApplyButtonsEnabled(false);
    static_cast<SystemPage*>(page(PageId::kSystem))->SetFirmwareUpdateEnabled(false);
    static_cast<SupportPage*>(page(PageId::kSupport))->SetFirmwareUpdateEnabled(false);
    connect(window, &QDialog::finished, this, [this, window] {
        window->deleteLater();
        SetApplyButtonsEnabled(true);
        static_cast<SystemPage*>(page(PageId::kSystem))->SetFirmwareUpdateEnabled(true);
        static_cast<SupportPage*>(page(PageId::kSupport))->SetFirmwareUpdateEnabled(true);
        // The mouse may carry new firmware, and the updater left the listener stopped.
        RefreshFromDevice();
    });
    emit firmwareUpdateRequested();
    window->Begin();
}

void MainWindow::ShowFirmwareText(const QString& text) {
    firmwareText_ = text;
    for (PageWindow* p : pages_) p->SetFirmwareVersionText(text);
}

void MainWindow::UpdateStatus() {
    // Without the udev rule the mouse is there but cannot be opened: say so, or the user
    // would only ever see "not connected".
    QString text = busy_           ? U("其他程序正在使用鼠标")
                   : present_      ? U("固件 ") + firmwareText_
                   : accessDenied_ ? U("已找到鼠标，但无权访问")
                                   : U("未连接鼠标");
    if (!dataNotice_.isEmpty()) text += U(" · ") + dataNotice_;
    status_->SetText(text);
}

void MainWindow::OnDeviceChange(DeviceChange change, const std::string& name) {
    const DeviceChangeAction action = z7::OnDeviceChange(*env_.link, change, name);
    if (action == DeviceChangeAction::kRefreshLater) {
        // One plug-in brings a notice per interface: restart one timer rather than queue.
        QMetaObject::invokeMethod(
            this, [this] { arrivalTimer_.start(); }, Qt::QueuedConnection);
    } else if (action == DeviceChangeAction::kRemoved) {
        QMetaObject::invokeMethod(
            this, [this] { OnRemoved(); }, Qt::QueuedConnection);
    }
}

void MainWindow::OnRemoved() {
    present_ = false;
    busy_ = false;
    accessDenied_ = false;
    firmwareVersion_.reset();
    ShowFirmwareText(U(kNoVersion));
    UpdateStatus();
}

void MainWindow::WaitForDeviceWork() {
    do {
        worker_->WaitIdle();
        QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
    } while (worker_->busy());
}

void MainWindow::AfterDeviceWork() {
    if (env_.afterDeviceWork) env_.afterDeviceWork();
}

void MainWindow::ShowFromOtherInstance() {
    if (isMinimized())
        showNormal();
    else
        show();
    raise();
    activateWindow();
}

void MainWindow::HideToTray() {
    // Checked now: a panel restarted since the start may have taken the tray away, and a
    // hidden window could then never come back.
    if (withTray_ && tray_->Show() && tray_->available())
        hide();
    else
        showMinimized();
}

void MainWindow::showEvent(QShowEvent* event) {
    SkinWindow::showEvent(event);
    if (sheetsWarmed_) return;
    sheetsWarmed_ = true;
    // The hover and pressed pictures are cut on first use; decode their sheets in the background
    // once the window is up, so that the first hover does not wait for a decode either.
    QThreadPool::globalInstance()->start([] {
        for (int state : {kStateOver, kStateDown}) (void)ProgramSkin().Sheet(SkinFileFor(1, state));
    });
}

void MainWindow::closeEvent(QCloseEvent* event) {
    event->ignore();
    HideToTray();
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        // While the name is being typed, Esc drops the typing, not the window.
        if (focusWidget() == nameBox_) {
            nameBox_->setText(QString::fromStdU16String(profiles_.current().profileName));
            nameBox_->selectAll();
            return;
        }
        // The window only ever hides (an open menu has taken its Esc already).
        return HideToTray();
    }
    SkinWindow::keyPressEvent(event);
}

void MainWindow::hideEvent(QHideEvent* event) {
    SkinWindow::hideEvent(event);
    if (!event->spontaneous()) RememberPosition();
}

void MainWindow::RememberPosition() {
    IniFile ini;
    (void)LoadIniFile(*env_.fs, env_.settingsFile, ini);
    const std::u16string left = DecimalText(pos().x());
    const std::u16string top = DecimalText(pos().y());
    if (ini.Get(kWindowSection, u"Left") == left && ini.Get(kWindowSection, u"Top") == top) return;
    ini.Set(kWindowSection, u"Left", left);
    ini.Set(kWindowSection, u"Top", top);
    std::string error;
    // Where the window stood is not worth a message box.
    (void)SaveIniFile(*env_.fs, env_.settingsFile, ini, &error);
}

void MainWindow::RestorePosition() {
    IniFile ini;
    if (!LoadIniFile(*env_.fs, env_.settingsFile, ini)) return;
    const auto left = ini.Get(kWindowSection, u"Left");
    const auto top = ini.Get(kWindowSection, u"Top");
    if (!left || !top) return;
    const QPoint at(static_cast<int>(ParseDecimalPrefix(*left)),
                    static_cast<int>(ParseDecimalPrefix(*top)));
    // A screen unplugged since then would leave the window out of reach: centre it instead.
    const QRect wanted(at, size());
    for (QScreen* screen : QGuiApplication::screens()) {
        if (screen->availableGeometry().intersected(wanted).height() >= 40 &&
            screen->availableGeometry().intersected(wanted).width() >= 100) {
            move(at);
            return;
        }
    }
}

}  // namespace z7
