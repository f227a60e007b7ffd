#pragma once
// The recording page on a fake main window whose library saves go to a scratch data folder,
// with the recording capture on the fake's virtual clock.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTest>

#include "core/macros/macro_file.h"
#include "gui/pages/fake_page_host.h"
#include "gui/pages/macros/macro_page.h"
#include "support/temp_dir.h"

namespace z7::test {

inline QString U(const char* text) {
    return QString::fromUtf8(text);
}

class MacroHost : public FakePageHost {
  public:
    bool SaveMacroLibrary() override {
        ++saves;
        if (!saveResult) return false;
        std::string error;
        const bool ok = macros.Save(LocalFileSystem(), &error);
        NotifyLibraryChanged(LibraryKind::kMacros);
        return ok;
    }
    // A recording capture on `virtualClock` (the last one made stays reachable as `capture`),
    // unless the test hands in its own through `makeCapture`.
    std::unique_ptr<InputCaptureRelay> NewInputCaptureRelay() override {
        std::unique_ptr<InputCapture> made;
        if (makeCapture) {
            made = makeCapture();
        } else {
            auto recording = std::make_unique<RecordingInputCapture>(virtualClock);
            capture = recording.get();
            made = std::move(recording);
        }
        return std::make_unique<InputCaptureRelay>(std::move(made));
    }
    Clock& clock() override { return virtualClock; }

    int saves = 0;
    VirtualClock virtualClock;
    RecordingInputCapture* capture = nullptr;
    std::function<std::unique_ptr<InputCapture>()> makeCapture;
};

class MacroPageTest : public ::testing::Test {
  protected:
    void SetUp() override {
        host.folder = temp / "data";
        host.macros = MacroLibrary::ForDataFolder(host.folder);
        page = std::make_unique<MacroPage>(host, nullptr);
        host.pages.push_back(page.get());
        page->Open();
    }
    void TearDown() override {
        host.pages.clear();
        page.reset();
    }

    std::filesystem::path macroFolder() const { return host.macros.folder(); }
    // Delivers what the capture queued, as the event loop would.
    static void Pump() { QCoreApplication::sendPostedEvents(); }
    void Wait(int ms) { host.virtualClock.Advance(Millis(ms)); }
    void Key(uint16_t vk, bool down) {
        ASSERT_NE(host.capture, nullptr);
        host.capture->Key(vk, down);
        Pump();
    }
    void Tap(uint16_t vk, int holdMs = 0) {
        Key(vk, true);
        Wait(holdMs);
        Key(vk, false);
    }
    void Click(int controlId) {
        if (SkinButton* b = page->button(controlId)) return b->Click();
        if (SkinCheckBox* c = page->checkBox(controlId)) return c->Toggle();
        FAIL() << "no control " << controlId;
    }
    // Records `name` with one tap of each key, 100 ms apart.
    void RecordTaps(const char* name, std::initializer_list<uint16_t> keys) {
        page->nameEdit()->setText(U(name));
        page->StartRecord();
        for (uint16_t vk : keys) {
            Wait(100);
            Tap(vk, 20);
        }
        page->StopRecord();
    }
    Macro* current() { return host.macros.current(); }
    std::vector<uint16_t> Codes() {
        std::vector<uint16_t> codes;
        if (current())
            for (const auto& e : current()->events) codes.push_back(e.code);
        return codes;
    }
    void WriteMacro(const std::filesystem::path& path, const Macro& m) {
        std::filesystem::create_directories(path.parent_path());
        WriteBytes(path, SerializeMacroFile(m));
    }
    static Macro MacroOf(const char16_t* name, int32_t id, std::initializer_list<uint16_t> keys) {
        Macro m;
        m.name = name;
        m.id = id;
        m.areaRect = {0, 0, 336, 360};
        for (uint16_t vk : keys) {
            MacroEventItem e;
            e.kind = kEventKindKey;
            e.code = vk;
            e.delay = 10;
            e.sequence = static_cast<int32_t>(m.events.size()) + 1;
            m.events.push_back(e);
        }
        return m;
    }
    // The library as a new program would load it from disk.
    MacroLibrary OnDisk() {
        MacroLibrary lib = MacroLibrary::ForDataFolder(host.folder);
        lib.Load(LocalFileSystem());
        return lib;
    }

    TempDir temp;
    MacroHost host;
    std::unique_ptr<MacroPage> page;
};

}  // namespace z7::test
