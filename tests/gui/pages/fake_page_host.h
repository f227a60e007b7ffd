#pragma once
// A stand-in for the main window: records what the pages ask of it and runs posted exchanges
// only when the test says so, on the simulated mouse the test chooses.
#include <QApplication>
#include <functional>
#include <vector>

#include "core/macros/macro_library.h"
#include "gui/app/input_capture_relay.h"
#include "gui/pages/page_host.h"
#include "gui/pages/page_window.h"
#include "gui/ui/message_popup.h"
#include "platform/fake/recording_input_capture.h"
#include "platform/file_system.h"

namespace z7::test {

class FakePageHost : public PageHost {
  public:
    struct Posted {
        DeviceExchange exchange;
        ProfileRecord copy;
        std::function<void(ExchangeResult)> done;
    };

    ProfileRecord& currentProfile() override { return set.current(); }
    ProfileSet& profiles() override { return set; }
    bool StorePagesAndSave() override {
        for (PageWindow* p : pages) p->StoreIntoProfile(set.current());
        saved.push_back(set.current());
        return saveResult;
    }
    void PostExchange(DeviceExchange exchange, std::function<void(ExchangeResult)> done) override {
        posted.push_back({std::move(exchange), set.current(), std::move(done)});
    }
    // Runs what was posted, in order, as the device worker would.
    void RunPosted(DeviceLink& link) {
        std::vector<Posted> jobs;
        jobs.swap(posted);
        for (Posted& job : jobs) {
            const ExchangeResult result = job.exchange(link, job.copy);
            if (job.done) job.done(result);
        }
    }
    void ShowDeviceNotice(DeviceNotice notice) override { notices.push_back(notice); }
    void SetApplyButtonsEnabled(bool enabled) override {
        holds = enabled ? std::max(0, holds - 1) : holds + 1;
        for (PageWindow* p : pages) p->SetApplyButtonsEnabled(holds == 0);
    }
    bool applyButtonsEnabled() const override { return holds == 0; }
    int Popup(int kind, const QString& text) override {
        popups.push_back(kind);
        if (realPopups) {
            MessagePopup popup(kind, nullptr);
            if (!text.isEmpty()) popup.SetText(text);
            if (duringPopup) duringPopup(popup);
            const int answer = popup.exec();
            answers.push_back(answer);
            return answer;
        }
        return popupAnswer;
    }
    void MessageBox(const QString& text) override { messages.push_back(text); }
    QString ChooseOpenFile(const QString&, const QString&, const QString&) override {
        return chosenFile;
    }
    QString ChooseFolder(const QString&, const QString&) override { return chosenFile; }
    PageWindow* page(PageId id) override {
        for (PageWindow* p : pages)
            if (p->pageId() == id) return p;
        return nullptr;
    }
    void OpenPage(PageId id) override { opened.push_back(id); }
    void NotifyLibraryChanged(LibraryKind kind) override {
        for (PageWindow* p : pages) p->OnLibraryChanged(kind);
    }
    void NotifyStepCountChanged(int stepCount) override {
        stepCounts.push_back(stepCount);
        for (PageWindow* p : pages) p->OnStepCountChanged(stepCount);
    }
    void NotifyProfilesChanged() override {
        for (PageWindow* p : pages) p->OnProfilesChanged();
    }
    MacroLibrary& macroLibrary() override { return macros; }
    bool SaveMacroLibrary() override { return true; }
    FileSystem& fileSystem() override { return LocalFileSystem(); }
    const std::filesystem::path& dataFolder() const override { return folder; }
    Settings& settings() override { return settingsValue; }
    void SetDataFolder(const std::filesystem::path& f) override { folder = f; }
    bool SaveSettingsFile() override {
        ++settingsSaves;
        return settingsSaveResult;
    }
    AutoStart* autoStart() override { return autoStartService; }
    PointerSystem* pointerSystem() override { return pointer; }
    std::unique_ptr<InputCaptureRelay> NewInputCaptureRelay() override {
        auto capture = std::make_unique<RecordingInputCapture>();
        capture->scopeShown = captureScope;
        capture->failStart = captureFailure;
        captures.push_back(capture.get());
        return std::make_unique<InputCaptureRelay>(std::move(capture));
    }
    void OpenUrl(const QString& url) override { urls.push_back(url); }
    QString firmwareVersionText() const override { return QStringLiteral("V1.65"); }
    void RequestFirmwareUpdate() override { ++firmwareRequests; }
    void ShowProfile(int slot) override {
        set.SetCurrent(slot);
        shownSlots.push_back(slot);
        for (PageWindow* p : pages) p->LoadFromProfile(set.current());
    }
    bool Ask(const QString& text) override {
        questions.push_back(text);
        return askAnswer;
    }
    std::filesystem::path defaultDataFolder() const override { return defaultFolder; }
    QString makerLink(MakerLink which) const override {
        switch (which) {
            case MakerLink::kSoftwareUpdate:
                return QStringLiteral("https://maker.example/a/support.html");
            case MakerLink::kHomePage:
                return QStringLiteral("https://maker.example/");
            case MakerLink::kSalesEmail:
                return QStringLiteral("sales@maker.example");
        }
        return {};
    }
    void BackupData() override { dataActions.push_back("backup"); }
    void RestoreData() override { dataActions.push_back("restore"); }
    void ShowDiagnostics() override { dataActions.push_back("diagnostics"); }

    ProfileSet set;
    std::vector<PageWindow*> pages;
    std::vector<ProfileRecord> saved;
    bool saveResult = true;
    std::vector<Posted> posted;
    std::vector<DeviceNotice> notices;
    int holds = 0;
    std::vector<int> popups;
    int popupAnswer = kPopupYes;
    // Real message popups, run modally; `duringPopup` may arrange how they are answered.
    bool realPopups = false;
    std::function<void(MessagePopup&)> duringPopup;
    std::vector<int> answers;
    std::vector<QString> messages;
    QString chosenFile;
    std::vector<PageId> opened;
    MacroLibrary macros;
    std::filesystem::path folder;
    Settings settingsValue;
    std::vector<QString> urls;
    // The captures handed out, in order; each lives as long as the relay that owns it.
    std::vector<RecordingInputCapture*> captures;
    CaptureScope captureScope = CaptureScope::kDesktop;
    std::string captureFailure;  // non-empty: captures fail to start with this reason
    int firmwareRequests = 0;
    std::vector<int> stepCounts;       // NotifyStepCountChanged, in order
    PointerSystem* pointer = nullptr;  // the desktop's pointer settings, when a test gives one
    std::vector<int> shownSlots;
    std::vector<QString> questions;
    bool askAnswer = true;
    std::filesystem::path defaultFolder;
    std::vector<std::string> dataActions;
    int settingsSaves = 0;
    bool settingsSaveResult = true;
    AutoStart* autoStartService = nullptr;
};

}  // namespace z7::test
