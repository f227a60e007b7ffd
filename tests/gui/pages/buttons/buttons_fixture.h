#pragma once
// The button page on a fake main window, a scratch data folder and the simulated mouse.
//
// Simulator headers come before Qt's: Qt's `slots` keyword macro would rename SimState::slots.
#include "sim/sim_factory.h"
#include "sim/sim_transport.h"

namespace z7::test {
// Type and value bytes of button `button`'s record in the image stored in `slot`.
inline std::pair<int, int> StoredButton(const SimState& state, int slot, int button) {
    const DeviceImage& image = state.slots[static_cast<size_t>(slot)];
    const size_t at = kOffsetButtonRecords + static_cast<size_t>(button) * kButtonRecordSize;
    return {image[at + kRecordType], image[at + kRecordValue]};
}
inline int StoredEntryCount(const SimState& state, int slot, int button) {
    const DeviceImage& image = state.slots[static_cast<size_t>(slot)];
    const size_t at = kOffsetButtonRecords + static_cast<size_t>(button) * kButtonRecordSize;
    return image[at + kRecordEntryCount] | (image[at + kRecordEntryCount + 1] << 8);
}
}  // namespace z7::test

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

#include "core/buttons/bind_key_library.h"
#include "core/buttons/button_function.h"
#include "core/buttons/text_block_library.h"
#include "core/device/device_image.h"
#include "gui/pages/buttons/button_page.h"
#include "gui/pages/buttons/key_capture_field.h"
#include "gui/pages/buttons/library_popups.h"
#include "gui/pages/fake_page_host.h"
#include "gui/ui/skin_combo_button.h"
#include "support/temp_dir.h"

namespace z7::test {

inline QString U(const char* text) {
    return QString::fromUtf8(text);
}

class ButtonsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        clock.SetBlockingWaits(true);
        host.folder = temp.path();
        host.set.records()[1].inUse = 1;
        host.set.SetCurrent(1);
        page = std::make_unique<ButtonPage>(host, nullptr);
        host.pages.push_back(page.get());
        page->LoadFromProfile(host.set.current());
    }
    void TearDown() override {
        page.reset();
        host.pages.clear();
    }

    void Show() {
        page->Open();
        ASSERT_TRUE(page->built());
    }
    ButtonFunctionCombo* Combo(int button) { return page->functionButton(button); }
    SkinMenu* Submenu(int button, int32_t header) {
        return Combo(button)->bnMenu()->Submenu(header, false);
    }
    // The ids of one submenu of a button, in menu order.
    std::vector<int> SubmenuIds(int button, int32_t header) {
        std::vector<int> ids;
        if (SkinMenu* sub = Submenu(button, header))
            for (const SkinMenuItem& item : sub->items()) ids.push_back(item.id);
        return ids;
    }
    QString ItemText(int button, int32_t id) {
        const SkinMenuItem* item = Combo(button)->menu()->FindItem(id);
        return item ? item->text : QString();
    }
    // What a click on the item `id` of the submenu `header` of a button does.
    void Pick(int button, int32_t header, int32_t id) {
        SkinMenu* menu = header ? Submenu(button, header) : Combo(button)->menu();
        ASSERT_NE(menu, nullptr);
        menu->ChooseItem(id);
        // Popups and editors open once the menu has closed.
        QCoreApplication::processEvents();
    }
    // Runs what Apply posted on the simulated mouse.
    void RunDevice() {
        host.RunPosted(link);
        QCoreApplication::processEvents();
    }
    std::pair<int, int> Stored(int button, int slot = 1) {
        return StoredButton(mouse.state(), slot, button);
    }

    void AddBindKey(int key, const char16_t* name) {
        BindKeyLibrary lib = BindKeyLibrary::ForDataFolder(temp.path());
        lib.Load(LocalFileSystem());
        lib.Add(key, name);
        std::string error;
        ASSERT_TRUE(lib.Save(LocalFileSystem(), &error)) << error;
    }
    void AddTextBlocks(int count, const char16_t* stem = u"text") {
        TextBlockLibrary lib = TextBlockLibrary::ForDataFolder(temp.path());
        lib.Load(LocalFileSystem());
        for (int i = 0; i < count; ++i) {
            TextBlockEntry e;
            e.id = static_cast<int32_t>(lib.entries().size());
            e.name = stem + std::u16string(u" ") + std::u16string(1, u'0' + i % 10) +
                     std::u16string(1, u'a' + (i / 10) % 26) + std::u16string(1, u'a' + i / 260);
            e.text = u"x";
            lib.entries().push_back(e);
        }
        std::string error;
        ASSERT_TRUE(lib.Save(LocalFileSystem(), nullptr, &error)) << error;
    }
    // A macro of `events` recorded key presses in the shared library.
    int32_t AddMacro(const char16_t* name, int events) {
        MacroLibrary& lib = host.macroLibrary();
        const int32_t id = lib.NewMacroId();
        Macro& m = lib.Register(name, id, 1);
        for (int i = 0; i < events; ++i) {
            MacroEventItem e;
            e.kind = kEventKindKey;
            e.code = 65;
            e.flag = static_cast<uint8_t>(i % 2);
            e.delay = 10;
            m.events.push_back(e);
        }
        return id;
    }

    TempDir temp;
    VirtualClock clock;
    SimMouse mouse{clock, FactorySimState()};
    SimTransport transport{mouse};
    DeviceLink link{transport, clock};
    FakePageHost host;
    std::unique_ptr<ButtonPage> page;
};

}  // namespace z7::test
