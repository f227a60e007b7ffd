#pragma once
// The main window: owns the five profiles, the seven pages, the tray icon and the device state,
// and runs every device exchange of its own on the device worker.
#include <QPointer>
#include <QTimer>
#include <array>
#include <atomic>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "core/buttons/data_folder_session.h"
#include "core/device/device_exchanges.h"
#include "core/device/device_link.h"
#include "core/macros/macro_library.h"
#include "core/profile/profile_record.h"
#include "core/profile/settings.h"
#include "gui/app/data_folder_watcher.h"
#include "gui/app/device_worker.h"
#include "gui/app/tray_icon.h"
#include "gui/pages/firmware/firmware_offer.h"
#include "gui/pages/firmware/firmware_window.h"
#include "gui/pages/page_host.h"
#include "gui/pages/page_window.h"
#include "gui/pages/support/link_opener.h"
#include "gui/ui/skin_combo_button.h"
#include "gui/ui/skin_controls.h"
#include "gui/ui/title_tip.h"
#include "platform/auto_start.h"
#include "platform/device_monitor.h"
#include "platform/file_system.h"
#include "platform/host_actions.h"

namespace z7 {

class BackupActions;

// Control ids of the main window.
enum MainControl : int {
    kIdSystem = 1000,
    kIdShare = 1001,
    kIdSupportSite = 1002,
    kIdMinimize = 1003,
    kIdHide = 1004,
    kIdButtons = 1005,
    kIdSave = 1006,
    kIdAdvanced = 1007,
    kIdMacro = 1008,
    kIdLight = 1009,
    kIdBasic = 1010,
    kIdSupport = 1011,
    kIdRegister = 1014,
    kIdProfile = 1015,
    kIdDelete = 1016,
    kIdImport = 1017,
    kIdReset = 1018,
    kIdLogo = 1127,
    kIdProfileName = 1138,
};

// Selector entry id of "新建配置".
inline constexpr int kNewProfileEntry = 6;
// Share menu items.
inline constexpr int kShareFirst = 8000;
inline constexpr int kShareLast = 8004;

// The maker's web addresses: INI section "Links" of the settings file.
struct MakerLinks {
    QString support, registration;
    QString softwareUpdate, home, salesEmail;  // the Support and System pages
    std::array<QString, 5> social;             // Facebook, LinkedIn, Youtube, Twitter, Instagram
};
// Missing keys keep the built-in addresses.
MakerLinks LoadMakerLinks(FileSystem& fs, const std::filesystem::path& settingsFile);

// What the main window works with; tests hand in a simulated mouse and fakes.
struct MainWindowEnvironment {
    FileSystem* fs = nullptr;
    DeviceLink* link = nullptr;
    HostActions* hostActions = nullptr;
    AutoStart* autoStart = nullptr;          // may be null: the choice is then not applied
    PointerSystem* pointerSystem = nullptr;  // may be null: no desktop pointer settings
    std::filesystem::path settingsFile;
    std::filesystem::path defaultDataFolder;
    std::optional<std::filesystem::path> dataDirOverride;  // --data-dir
    std::filesystem::path firmwareFolder;
    bool simulated = false;
    // Runs on the device worker after every exchange (the simulator keeps its state file).
    std::function<void()> afterDeviceWork;
};

class MainWindow : public SkinWindow, public PageHost {
    Q_OBJECT
  public:
    // Reads the settings, loads the profile set and builds the window and its pages hidden.
    explicit MainWindow(MainWindowEnvironment env, QWidget* parent = nullptr);
    ~MainWindow() override;

    // The rest of the start: device notices, first refresh, tray icon, listener.
    // `monitor` may be null (no arrival notices).
    void Start(std::unique_ptr<DeviceMonitor> monitor, bool withTray);

    // Operations the pages call back (user-interface thread).
    void LoadPagesFromProfile(const ProfileRecord& record);
    void StorePagesIntoProfile(ProfileRecord& record);
    bool SaveProfileSet();
    void RefreshFromDevice();
    void RebuildProfileSelector();

    // PageHost.
    ProfileRecord& currentProfile() override { return profiles_.current(); }
    ProfileSet& profiles() override { return profiles_; }
    bool StorePagesAndSave() override;
    void PostExchange(DeviceExchange exchange,
                      std::function<void(ExchangeResult)> done = {}) override;
    void ShowDeviceNotice(DeviceNotice notice) override;
    void SetApplyButtonsEnabled(bool enabled) override;
    bool applyButtonsEnabled() const override { return applyHolds_ == 0; }
    int Popup(int kind, const QString& text = QString()) override;
    void MessageBox(const QString& text) override;
    QString ChooseOpenFile(const QString& caption, const QString& folder,
                           const QString& filter) override;
    QString ChooseFolder(const QString& caption, const QString& start) override;
    PageWindow* page(PageId id) override { return pages_[static_cast<size_t>(id)]; }
    void OpenPage(PageId id) override;
    void NotifyLibraryChanged(LibraryKind kind) override;
    void NotifyStepCountChanged(int stepCount) override;
    void NotifyProfilesChanged() override;
    MacroLibrary& macroLibrary() override { return macroLibrary_; }
    bool SaveMacroLibrary() override;
    FileSystem& fileSystem() override { return *env_.fs; }
    const std::filesystem::path& dataFolder() const override { return settings_.dataFolder; }
    Settings& settings() override { return settings_; }
    void SetDataFolder(const std::filesystem::path& folder) override;
    bool SaveSettingsFile() override;
    AutoStart* autoStart() override { return env_.autoStart; }
    PointerSystem* pointerSystem() override { return env_.pointerSystem; }
    std::unique_ptr<InputCaptureRelay> NewInputCaptureRelay() override;
    void OpenUrl(const QString& url) override;
    QString firmwareVersionText() const override { return firmwareText_; }
    void RequestFirmwareUpdate() override;
    void ShowProfile(int slot) override;
    bool Ask(const QString& text) override;
    std::filesystem::path defaultDataFolder() const override { return env_.defaultDataFolder; }
    QString makerLink(MakerLink which) const override;
    void BackupData() override;
    void RestoreData() override;
    void ShowDiagnostics() override;

    // The main window's actions.
    void OnProfileChoice(int entryId);
    void OnSaveAndApply();
    void OnDelete();
    void OnImport();
    void OnReset();
    void OpenPageFor(int controlId);  // 1000, 1005, 1007..1011
    void OpenLink(int id);            // 1002, 1014, 1127, 8000..8004
    // A second instance asked to be shown.
    void ShowFromOtherInstance();
    // Hides to the tray, or minimises where there is no tray (now) to come back from.
    void HideToTray();
    // A device notice; any thread.
    void OnDeviceChange(DeviceChange change, const std::string& name);

    // Waits for the device worker and delivers its results (tests, shutdown).
    void WaitForDeviceWork();

    const Settings& settings() const { return settings_; }
    std::optional<uint16_t> firmwareVersion() const { return firmwareVersion_; }
    QTimer* arrivalTimer() { return &arrivalTimer_; }
    SkinComboButton* profileSelector() const { return selector_; }
    SkinComboButton* shareButton() const { return share_; }
    SkinLineEdit* nameBox() const { return nameBox_; }
    SkinButton* button(int controlId) const;
    SkinLabel* statusText() const { return status_; }
    SkinLabel* simulatedBadge() const { return badge_; }
    TitleTip* titleTip() const { return tip_; }
    const std::array<PageWindow*, kPageCount>& pages() const { return pages_; }
    // The page a main-window button opens; nullptr for other ids.
    PageWindow* pageOpenedBy(int controlId) const;
    TrayIcon* tray() const { return tray_; }
    // The firmware updater window while it is open.
    FirmwareWindow* firmwareWindow() const { return firmwareWindow_; }
    const MakerLinks& links() const { return links_; }
    QString TooltipOf(int controlId) const;
    // Writes the window position into the settings file (also done on hide and at the end).
    void RememberPosition();

    // Replaceable for tests: the message popup (returns its result), the plain message box,
    // the file and folder choosers (empty: cancelled) and the web-page opener.
    std::function<int(int kind, const QString& text)> popupHandler;
    std::function<void(const QString& text)> messageBoxHandler;
    std::function<QString(const QString& caption, const QString& folder, const QString& filter)>
        openFileChooser;
    std::function<QString(const QString& caption, const QString& start)> folderChooser;
    std::function<void(const QString& url)> urlOpener;
    // The key and mouse-button capture the popups and pages get (tests: a recording fake).
    std::function<std::unique_ptr<InputCaptureRelay>()> inputCaptureFactory;
    // Questions with a text (Ask); true is Yes.
    std::function<bool(const QString& text)> questionHandler;
    // Called on every backup or restore before it starts (tests: its file choosers and
    // questions).
    std::function<void(BackupActions&)> backupActionsHook;

  signals:
    // The updater window has opened (from a page or the offer at start).
    void firmwareUpdateRequested();
    void quitRequested();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void reject() override { HideToTray(); }

  private:
    void BuildControls();
    void OnControl(int code, int value);
    void ShowTip(int controlId);
    void SelectSlot(int slot);
    void StartWriteAll();
    void ApplyDeviceInfo(ExchangeResult result, const DeviceInfo& info);
    void OfferNewerFirmware(uint16_t mouseVersion);
    void ShowFirmwareText(const QString& text);
    void UpdateStatus();
    void OnRemoved();
    bool MousePresent();
    void AfterDeviceWork();
    void RestorePosition();
    std::filesystem::path DataFolderForListener();
    // Changes other programs made to the data folder: shown at once, or merged at the next save.
    void OnDataFolderChanged();
    // Macros other programs saved: taken in, over the recording page's unsaved edits.
    void ReloadMacroLibrary();
    BackupActions* NewBackupActions();
    void AdoptRestoredData();
    void ShowDataIssues();

    MainWindowEnvironment env_;
    Settings settings_;
    MakerLinks links_;
    ProfileSet profiles_;
    MacroLibrary macroLibrary_;
    MacroLibrary macroBase_;           // the macros as last loaded or saved: what others may change
    std::atomic<int> currentSlot_{0};  // read by the listener thread
    std::mutex dataFolderMutex_;
    std::filesystem::path listenerDataFolder_;

    std::map<int, QWidget*> controls_;
    SkinComboButton* selector_ = nullptr;
    SkinComboButton* share_ = nullptr;
    SkinLineEdit* nameBox_ = nullptr;
    SkinLabel* status_ = nullptr;
    SkinLabel* badge_ = nullptr;
    TitleTip* tip_ = nullptr;
    std::array<PageWindow*, kPageCount> pages_{};
    TrayIcon* tray_ = nullptr;
    bool withTray_ = false;

    QString firmwareText_ = QStringLiteral("-.--");
    std::optional<uint16_t> firmwareVersion_;
    FirmwareOffer firmwareOffer_;
    int applyHolds_ = 0;
    bool present_ = false;
    bool accessDenied_ = false;
    bool sheetsWarmed_ = false;
    bool busy_ = false;  // another program held the mouse at the last refresh
    std::string deniedPath_;
    QTimer arrivalTimer_;
    std::unique_ptr<DeviceMonitor> monitor_;
    std::unique_ptr<DeviceWorker> worker_;
    std::unique_ptr<DataFolderSession> session_;
    DataFolderWatcher* watcher_ = nullptr;
    QString dataNotice_;  // what the status line says about the data folder
    QPointer<FirmwareWindow> firmwareWindow_;
    LinkOpener* linkOpener_ = nullptr;
};

}  // namespace z7
