#pragma once
// What a settings page may ask of the main window. The main window implements it; page tests
// hand in a fake. Everything here runs on the user-interface thread.
#include <QString>
#include <filesystem>
#include <functional>
#include <memory>

#include "core/device/device_exchanges.h"
#include "core/profile/profile_record.h"
#include "core/profile/settings.h"
#include "core/util/clock.h"

namespace z7 {

class FileSystem;
class InputCaptureRelay;
class MacroLibrary;
class PageWindow;
class PointerSystem;
class AutoStart;

// The pages, in the order the main window keeps them.
enum class PageId { kSystem, kButtons, kPointer, kSensor, kMacros, kLighting, kSupport };
inline constexpr int kPageCount = 7;

// Libraries whose change makes the button menus rebuild (the notification codes of the
// popups: 422, 425, 430, 432, 433).
enum class LibraryKind { kBindKeys, kCustomHotkeys, kMacros, kTextBlocks, kShortcuts };

// The maker's addresses the pages open (the settings file may name others).
enum class MakerLink { kSoftwareUpdate, kHomePage, kSalesEmail };

// What the user is told after a device exchange.
enum class DeviceNotice {
    kNone,
    kNoDevice,  // message popup 297
    kFailed,    // "设置失败,请重试"
    kNoAccess,  // the mouse is there but may not be opened: how to grant access
    kBusy,      // another program is using the mouse
};
DeviceNotice NoticeFor(ExchangeResult result);

// Runs on the device worker with a copy of the current profile taken when it was posted; it
// must not touch widgets or the live profiles. Whatever else it needs it captures by value.
using DeviceExchange =
    std::function<ExchangeResult(DeviceLink& link, const ProfileRecord& profile)>;

class PageHost {
  public:
    virtual ~PageHost() = default;

    // The profile the pages show, and the set it belongs to.
    virtual ProfileRecord& currentProfile() = 0;
    int currentSlot() { return currentProfile().profileSlot; }
    virtual ProfileSet& profiles() = 0;

    // Stores every page into the current profile and saves the profile set and the libraries.
    // A failure has been reported to the user when this returns false.
    virtual bool StorePagesAndSave() = 0;

    // Queues `exchange` on the device worker with a copy of the current profile made now;
    // `done` runs on this thread afterwards (never when the host is gone).
    virtual void PostExchange(DeviceExchange exchange,
                              std::function<void(ExchangeResult)> done = {}) = 0;
    // The popup or message box for a device result; nothing for success.
    virtual void ShowDeviceNotice(DeviceNotice notice) = 0;
    void ShowExchangeResult(ExchangeResult result) { ShowDeviceNotice(NoticeFor(result)); }

    // Apply buttons of the main window and every page. Calls nest: the buttons come back when
    // every disable has been matched by an enable.
    virtual void SetApplyButtonsEnabled(bool enabled) = 0;
    virtual bool applyButtonsEnabled() const = 0;

    // The message popup of `kind` (an element number such as 282); 1 means "Yes".
    virtual int Popup(int kind, const QString& text = QString()) = 0;
    // A plain message box with one OK button.
    virtual void MessageBox(const QString& text) = 0;
    // File and folder choosers; an empty result means cancelled.
    virtual QString ChooseOpenFile(const QString& caption, const QString& folder,
                                   const QString& filter) = 0;
    virtual QString ChooseFolder(const QString& caption, const QString& start) = 0;

    virtual PageWindow* page(PageId id) = 0;
    virtual void OpenPage(PageId id) = 0;

    // Broadcasts to every page (and the main window's own menus).
    virtual void NotifyLibraryChanged(LibraryKind kind) = 0;
    virtual void NotifyStepCountChanged(int stepCount) = 0;
    // The set of profiles in use or their names changed: selector and profile menus rebuild.
    virtual void NotifyProfilesChanged() = 0;

    // The one macro library in memory, shared by the button page, the macro page and the
    // main window's save; SaveMacroLibrary saves it with the profiles and the other libraries
    // under the data folder's lock (bindings follow the renumbered ids) and tells the pages.
    virtual MacroLibrary& macroLibrary() = 0;
    virtual bool SaveMacroLibrary() = 0;

    // Data folder, settings file and the services that belong to the desktop.
    virtual FileSystem& fileSystem() = 0;
    virtual const std::filesystem::path& dataFolder() const = 0;
    virtual Settings& settings() = 0;
    // Moves the program to another data folder: what the listener, the libraries and later
    // saves use. The caller has written the profiles there.
    virtual void SetDataFolder(const std::filesystem::path& folder) = 0;
    // Writes the settings file; a failure has been reported when this returns false.
    virtual bool SaveSettingsFile() = 0;
    virtual AutoStart* autoStart() = 0;          // may be null
    virtual PointerSystem* pointerSystem() = 0;  // null where the desktop has no such settings
    // A new capture of keys and mouse buttons for a popup or page, delivering on this thread:
    // the session's own (tests hand in a recording fake). Nothing is captured until Start.
    virtual std::unique_ptr<InputCaptureRelay> NewInputCaptureRelay() = 0;
    // Opens a web address or mail link with the desktop's handler.
    virtual void OpenUrl(const QString& url) = 0;
    // "V1.65", or "-.--" while no version is known.
    virtual QString firmwareVersionText() const = 0;
    // The user wants to update the firmware (System and Support pages, the offer at start).
    virtual void RequestFirmwareUpdate() = 0;
    // The clock the captures' input times are on (tests: a virtual one).
    virtual Clock& clock() { return DefaultClock(); }

    // Makes `slot` the current profile and shows it in the main window and every page, without
    // storing the pages into the profile shown before (the caller has just replaced it).
    virtual void ShowProfile(int slot) = 0;
    // A question no popup picture asks, answered Yes (true) or No.
    virtual bool Ask(const QString& text) = 0;
    // The data folder used when the settings name none.
    virtual std::filesystem::path defaultDataFolder() const = 0;
    // A web address, or for kSalesEmail the bare e-mail address.
    virtual QString makerLink(MakerLink which) const = 0;
    // The System page's backup, restore and diagnostics of the data folder.
    virtual void BackupData() = 0;
    virtual void RestoreData() = 0;
    virtual void ShowDiagnostics() = 0;
};

}  // namespace z7
