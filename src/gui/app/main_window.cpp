#include "gui/app/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QKeyEvent>
#include <QMessageBox>
#include <QUrl>

#include "core/buttons/host_action.h"
#include "core/buttons/library_sources.h"
#include "core/device/device_change.h"
#include "core/firmware/firmware_package.h"
#include "core/profile/ini_file.h"
#include "core/profile/profile_store.h"
#include "core/util/text.h"
#include "gui/ui/message_popup.h"
#include "gui/ui/skin.h"
#include "gui/ui/skin_layout.h"
#include "gui/ui/skin_style.h"

namespace z7 {
namespace {

constexpr int kMainFamily = 0;
// Free strip of the bottom row between the support link and the share button.
const QRect kStatusRect(330, 516, 316, 34);
constexpr char kTitle[] = "KESTA Z7 LASER SOFTWARE";
constexpr char kSetFailed[] = "设置失败,请重试";
constexpr char kNoVersion[] = "-.--";

QString U(const char* text) {
    return QString::fromUtf8(text);
}

struct ControlSpec {
    int element;
    int id;
    const char* tip;
};
const ControlSpec kControls[] = {
    {1, kIdSystem, "系统设置"},
    {2, kIdShare, "将Kesta分享到社交媒体"},
    {3, kIdSupportSite, "访问Kesta官方网站，获取技术服务"},
    {4, kIdMinimize, "最小化到任务栏"},
    {5, kIdHide, "最小化到系统托盘区"},
    {6, kIdButtons, "自定义鼠标按键功能"},
    {7, kIdBasic, "Windows环境下的基础设置"},
    {8, kIdAdvanced, "调整角度，距离, USB刷新率...等多项进阶功能"},
    {9, kIdMacro, "录制巨集作为日后应用"},
    {10, kIdLight, "自定义RGB背光颜色／亮度，及模式"},
    {11, kIdSupport, "软件更新，固件更新，联系我们"},
    {12, kIdRegister, "注册产品，以获得更好的售后服务"},
    {13, kIdProfile, "自定义配置，最多可储存5个不同的配置"},
    {14, kIdProfileName, "为你的配置命名"},
    {15, kIdSave, "储存配置"},
    {16, kIdDelete, "删除配置"},
    {17, kIdImport, "导入已保存的配置"},
    {18, kIdReset, "将当前的配置恢复为默认设置"},
    {19, kIdLogo, "访问Kesta官方网站"},
};

// Page buttons in the order of pages_.
constexpr int kPageButtons[7] = {kIdSystem, kIdButtons, kIdBasic,  kIdAdvanced,
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

// The packaged firmware's version in hundredths; 0 when the description is missing or refused.
uint16_t PackagedFirmwareVersion(FileSystem& fs, const std::filesystem::path& folder) {
    IniFile ini;
    if (!LoadIniFile(fs, folder / kFirmwareDescriptionName, ini)) return 0;
    FirmwareDescription description;
    description.version = ini.GetString(kFirmwareSection, u"Version", u"");
    description.name = ini.GetString(kFirmwareSection, u"Name", u"");
    if (!AcceptDescription(description)) return 0;
    // "[Firmware] Version × 100, truncated": 1.059 gives 105.
    const std::string text = Utf16ToUtf8(description.version);
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (end == text.c_str() || value <= 0 || value * 100 > 0xFFFF) return 0;
    return static_cast<uint16_t>(value * 100 + 1e-9);
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
    for (int i = 0; i < 5; ++i) links.social[i] = get(kSocialKeys[i], kSocialDefaults[i]);
    return links;
}

MainWindow::MainWindow(MainWindowEnvironment env, QWidget* parent)
    : SkinWindow(parent), env_(std::move(env)) {
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    setWindowTitle(env_.simulated ? U(kTitle) + U(" — 模拟鼠标") : U(kTitle));
    setWindowIcon(TrayIcon::ProgramIcon());
    SettingsProblem settingsProblem;
    settings_ = LoadSettings(*env_.fs, env_.settingsFile, env_.defaultDataFolder, &settingsProblem);
    if (env_.dataDirOverride) settings_.dataFolder = *env_.dataDirOverride;
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

    SetBackground(SkinPart(kMainFamily, kStateNormal));
    if (background().isNull()) setFixedSize(860, 572);
    BuildControls();
    pages_ = {new SystemPage(this), new ButtonPage(this), new PointerPage(this),
              new SensorPage(this), new MacroPage(this),  new LightingPage(this),
              new SupportPage(this)};
    for (PageWindow* p : pages_) p->hide();
    tray_ = new TrayIcon(this);
    connect(tray_, &TrayIcon::showRequested, this, &MainWindow::ShowFromOtherInstance);
    connect(tray_, &TrayIcon::quitRequested, this, &MainWindow::quitRequested);
    RebuildProfileSelector();
    LoadPagesFromProfile(profiles_.current());
    ShowDataIssues();
    UpdateStatus();

    arrivalTimer_.setSingleShot(true);
    arrivalTimer_.setInterval(static_cast<int>(kArrivalSettleDelay.count()));
    connect(&arrivalTimer_, &QTimer::timeout, this, &MainWindow::RefreshFromDevice);
    worker_ = std::make_unique<DeviceWorker>();
}

MainWindow::~MainWindow() {
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
        if (c.id == kIdProfile || c.id == kIdShare) {
            auto* combo = new SkinComboButton(c.id, this);
            combo->setGeometry(rect);
            combo->SetSkinElement(c.element);
            combo->SetColors(skin::kText, skin::kAccent);
            connect(combo, &SkinComboButton::sysCommand, this, &MainWindow::OnControl);
            controls_[c.id] = combo;
            if (c.id == kIdProfile) {
                selector_ = combo;
            } else {
                share_ = combo;
                combo->SetUpward(true);
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
        } else {
            auto* b = new SkinButton(c.id, this);
            b->setGeometry(rect);
            b->SetSkinElement(c.element);
            connect(b, &SkinButton::sysCommand, this, &MainWindow::OnControl);
            connect(b, &SkinButton::clicked, this, [this, id = c.id] { OnControl(id, -1); });
            controls_[c.id] = b;
        }
    }
    status_ = new SkinLabel(0, this);
    status_->setGeometry(kStatusRect);
    status_->SetFontHeight(14);
    status_->SetColors(Qt::transparent, skin::kTextDim);
    status_->SetCentred(true);
}

SkinButton* MainWindow::button(int controlId) const {
    const auto it = controls_.find(controlId);
    return it == controls_.end() ? nullptr : qobject_cast<SkinButton*>(it->second);
}

PageWindow* MainWindow::page(int controlId) const {
    for (int i = 0; i < 7; ++i)
        if (kPageButtons[i] == controlId) return pages_[i];
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
            OpenPage(code);
            break;
    }
}

void MainWindow::ShowTip(int controlId) {
    QWidget* control = controlId == kIdProfileName ? nameBox_ : nullptr;
    if (!control) {
        const auto it = controls_.find(controlId);
        if (it != controls_.end()) control = it->second;
    }
    const QString text = TooltipOf(controlId);
    if (!control || text.isEmpty()) return;
    const QRect rect = control->geometry();
    QPoint anchor = mapFromGlobal(QCursor::pos());
    if (!rect.contains(anchor)) anchor = rect.center();
    tip_->Hide();
    tip_->Show(text, 0, rect, anchor);
}

int MainWindow::Popup(int kind, const QString& text) {
    if (popupHandler) return popupHandler(kind, text);
    MessagePopup popup(kind, this);
    if (!text.isEmpty()) popup.SetText(text);
    return popup.exec();
}

void MainWindow::MessageBox(const QString& text) {
    if (messageBoxHandler) return messageBoxHandler(text);
    QMessageBox::warning(this, windowTitle(), text);
}

void MainWindow::LoadPagesFromProfile(const ProfileRecord& record) {
    nameBox_->setText(QString::fromStdU16String(record.profileName));
    const bool user = record.profileSlot != 0;
    nameBox_->setEnabled(user);
    button(kIdDelete)->setEnabled(user);
    button(kIdImport)->setEnabled(user);
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
    // Merged with what other programs saved since: their changes survive ours.
    const bool ok = session_->Save(profiles_, &error, SaveVariant::Normal, &tookOthers);
    ShowDataIssues();
    // The original said nothing when the disk refused; losing settings silently is worse.
    if (!ok) {
        MessageBox(U("配置保存失败: ") + QString::fromStdString(error));
        return false;
    }
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

void MainWindow::SetApplyButtonsEnabled(bool enabled) {
    applyEnabled_ = enabled;
    button(kIdSave)->setEnabled(enabled);
    button(kIdReset)->setEnabled(enabled);
    for (PageWindow* p : pages_) p->SetApplyButtonsEnabled(enabled);
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
    SetApplyButtonsEnabled(false);
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

void MainWindow::StartWriteAll() {
    ++pendingWrites_;
    SetApplyButtonsEnabled(false);
    const ProfileRecord snapshot = profiles_.current();
    worker_->Post([this, snapshot] {
        const ExchangeResult result = WriteAllExchange(*env_.link, snapshot);
        AfterDeviceWork();
        QMetaObject::invokeMethod(
            this, [this, result] { FinishWriteAll(result); }, Qt::QueuedConnection);
    });
}

void MainWindow::FinishWriteAll(ExchangeResult result) {
    if (--pendingWrites_ == 0) SetApplyButtonsEnabled(true);
    if (result == ExchangeResult::kNoDevice || result == ExchangeResult::kNoAccess)
        Popup(kPopupDeviceNotFound);
    else if (result == ExchangeResult::kCommandFailed)
        MessageBox(U(kSetFailed));
    present_ = env_.link->eventOpen();
    UpdateStatus();
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
    worker_->Post([this, slot] {
        (void)DeleteOnMouseExchange(*env_.link, static_cast<uint8_t>(slot));
        AfterDeviceWork();
    });
}

void MainWindow::OnImport() {
    if (profiles_.currentSlot() == 0) return;
    QString file;
    if (importFileChooser) {
        file = importFileChooser();
    } else {
        const QString start = QString::fromStdString(ProfileFolder(settings_.dataFolder).string());
        file = QFileDialog::getOpenFileName(this, U("导入配置"), start,
                                            U("Kesta Mouse Profile(*.profile)"));
    }
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
    SetApplyButtonsEnabled(false);
    profiles_.ResetCurrent();
    RebuildProfileSelector();
    LoadPagesFromProfile(profiles_.current());
    SaveProfileSet();
    StartWriteAll();
}

void MainWindow::OpenPage(int controlId) {
    PageWindow* p = page(controlId);
    if (!p) return;
    if (!p->isVisible() || p->isMinimized()) {
        // Centred on the main window the first time it shows.
        if (!p->property("placed").toBool()) {
            p->move(geometry().center() - p->rect().center());
            p->setProperty("placed", true);
        }
    }
    p->Open();
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
    if (url.isEmpty()) return;
    if (urlOpener)
        urlOpener(url);
    else
        QDesktopServices::openUrl(QUrl(url));
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
    if (withTray) trayShown_ = tray_->Show();
}

std::filesystem::path MainWindow::DataFolderForListener() {
    std::lock_guard lock(dataFolderMutex_);
    return listenerDataFolder_;
}

void MainWindow::RefreshFromDevice() {
    worker_->Post([this] {
        DeviceInfo info;
        const ExchangeResult result = z7::RefreshFromDevice(*env_.link, info);
        AfterDeviceWork();
        QMetaObject::invokeMethod(
            this, [this, result, info] { ApplyDeviceInfo(result, info); }, Qt::QueuedConnection);
    });
}

void MainWindow::ApplyDeviceInfo(ExchangeResult result, const DeviceInfo& info) {
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
    if (packaged == 0 || mouseVersion >= packaged) return;
    if (Popup(kPopupCheckStart, VersionLabel(packaged)) == kPopupYes)
        emit firmwareUpdateRequested();
}

void MainWindow::ShowFirmwareText(const QString& text) {
    firmwareText_ = text;
    for (PageWindow* p : pages_) p->SetFirmwareVersionText(text);
}

void MainWindow::UpdateStatus() {
    QString text = env_.simulated ? U("模拟鼠标 · ") : QString();
    // Without the udev rule the mouse is there but cannot be opened: say so, or the user
    // would only ever see "not connected".
    text += present_        ? U("固件 ") + firmwareText_
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
    // Without a notification area a hidden window could never come back.
    if (trayShown_ && tray_->available())
        hide();
    else
        showMinimized();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    event->ignore();
    HideToTray();
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
    // Escape would end the dialog; the window only ever hides.
    if (event->key() == Qt::Key_Escape) return HideToTray();
    SkinWindow::keyPressEvent(event);
}

}  // namespace z7
