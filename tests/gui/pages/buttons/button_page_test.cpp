// The button page: its menus as the libraries, the step count and the profiles make them, the
// menu-choice rules, what Apply writes into the mouse, and what it refuses to write.
#include "buttons_fixture.h"

#include "gui/pages/macros/macro_page.h"

namespace z7::test {
namespace {

TEST_F(ButtonsTest, EveryButtonOffersTheCatalogueAndFollowsStepCountAndProfiles) {
    AddBindKey(65, u"Fire");
    AddBindKey(112, u"Help");
    host.set.records()[3].inUse = 1;
    host.set.records()[3].profileName = u"射击";
    Show();
    for (int b = 0; b < kButtonCount; ++b) {
        SCOPED_TRACE(b);
        EXPECT_EQ(Combo(b)->accessibleName(), QStringLiteral("Button %1").arg(b + 1));
        std::vector<int> top;
        for (const SkinMenuItem& item : Combo(b)->menu()->items()) top.push_back(item.id);
        EXPECT_EQ(top, (std::vector<int>{0, 1, 1000, 2000, 3000, 4000, 2100, 2200, 2300, 5000, 2400,
                                         6000, 2700}));
        EXPECT_EQ(SubmenuIds(b, 2400), (std::vector<int>{2401, 2406, 2403}));
        EXPECT_EQ(SubmenuIds(b, 2700).size(), 14u);
        EXPECT_EQ(SubmenuIds(b, 2000), (std::vector<int>{2001, 2002, 2003, 2004, 2005, 2006}));
        EXPECT_EQ(SubmenuIds(b, 2300), (std::vector<int>{2301, 2302, 2303, 2304, 2306}));
        EXPECT_EQ(ItemText(b, 2306), U("射击"));
        EXPECT_EQ(SubmenuIds(b, 3000), (std::vector<int>{3001, 3067, 3114}));
        EXPECT_EQ(ItemText(b, 3114), U("Help"));
        EXPECT_EQ(SubmenuIds(b, 6000), (std::vector<int>{6001}));
    }
    EXPECT_EQ(page->labelOf(3), U("前进"));
    EXPECT_EQ(Combo(3)->toolTip(), U("指派前进键功能"));

    // Step count 1: "设置" and "CPI 1" only; a button already on "CPI +" keeps it.
    host.NotifyStepCountChanged(1);
    EXPECT_EQ(SubmenuIds(5, 2000), (std::vector<int>{2001, 2004}));
    EXPECT_EQ(page->functionOf(5), 2002);
    EXPECT_EQ(page->labelOf(5), U("CPI +"));
    host.set.records()[3].inUse = 0;
    host.NotifyProfilesChanged();
    EXPECT_EQ(SubmenuIds(0, 2300), (std::vector<int>{2301, 2302, 2303, 2304}));
}

TEST_F(ButtonsTest, ChoicesOfEveryKindReachTheMouseAsTheCatalogueEncodesThem) {
    AddBindKey(65, u"Fire");
    AddTextBlocks(1);
    const int32_t macro = AddMacro(u"连招", 4);
    host.NotifyLibraryChanged(LibraryKind::kMacros);
    Show();
    Pick(1, 2100, 2106);  // wheel up
    Pick(2, 2200, 2201);  // play/pause
    Pick(3, 2700, 2710);  // copy: a key sequence
    Pick(4, 3000, 3067);  // the bind key "A"
    Pick(5, 2300, 2302);  // next profile
    Pick(6, 2000, 2005);  // CPI 2
    EXPECT_EQ(page->labelOf(3), U("复制"));
    EXPECT_EQ(page->labelOf(4), U("Fire"));
    EXPECT_TRUE(page->HasChanges());
    page->Apply();
    RunDevice();
    EXPECT_EQ(Stored(0), std::make_pair(0, 1));
    EXPECT_EQ(Stored(1), std::make_pair(1, 1));
    EXPECT_EQ(Stored(2), std::make_pair(32, 205));
    EXPECT_EQ(Stored(3), std::make_pair(24, 122));
    EXPECT_EQ(StoredEntryCount(mouse.state(), 1, 3), 4);
    EXPECT_EQ(Stored(4), std::make_pair(2, 4));
    EXPECT_EQ(Stored(5), std::make_pair(8, 242));
    EXPECT_EQ(Stored(6), std::make_pair(9, 1));
    EXPECT_FALSE(page->HasChanges());
    EXPECT_EQ(host.saved.back().buttonBindings[4].functionValue, 4);

    Pick(1, 6000, 6002);
    Pick(2, 0, 0);  // disabled
    Pick(3, 4000, 4002 + macro);
    Pick(5, 2400, 2401);  // Skype: a key sequence
    EXPECT_EQ(page->labelOf(2), U("屏蔽功能"));
    page->Apply();
    RunDevice();
    EXPECT_EQ(Stored(1), std::make_pair(22, 0));
    EXPECT_EQ(Stored(2), std::make_pair(255, 255));
    EXPECT_EQ(Stored(3).first, 3);
    EXPECT_EQ(StoredEntryCount(mouse.state(), 1, 3), 5) << "four events and the terminator";
    EXPECT_EQ(Stored(5), std::make_pair(20, 65));
    EXPECT_EQ(Combo(5)->toolTip(), U("已绑定按键为skype的某个功能"));
}

TEST_F(ButtonsTest, TheLastLeftClickCannotBeReassignedAndFactoryRestoresTheButtonsOwn) {
    Show();
    const std::pair<int32_t, int32_t> choices[] = {
        {2100, 2102}, {0, 1}, {3000, 3001}, {6000, 6001}};
    for (const auto& [header, f] : choices) {
        Pick(0, header, f);
        EXPECT_EQ(page->functionOf(0), 2101) << f;
        EXPECT_EQ(page->labelOf(0), U("左击")) << f;
    }
    EXPECT_EQ(host.popups, (std::vector<int>{kPopupLeftClick, kPopupLeftClick, kPopupLeftClick,
                                             kPopupLeftClick}));
    host.popups.clear();
    // With a second left click the same choice is taken.
    Pick(1, 2100, 2101);
    Pick(0, 2100, 2102);
    EXPECT_TRUE(host.popups.empty());
    EXPECT_EQ(page->functionOf(0), 2102);
    // "出厂值": the factory table's label, not the menu's.
    Pick(2, 0, 1);
    EXPECT_EQ(page->functionOf(2), 2103);
    EXPECT_EQ(page->labelOf(2), U("Middle click"));
    Pick(3, 2200, 2207);
    Pick(3, 0, 1);
    EXPECT_EQ(page->functionOf(3), 2105);
    EXPECT_EQ(page->labelOf(3), U("前进"));
}

TEST_F(ButtonsTest, AFunctionNoMenuOffersShowsAPlaceholderAndKeepsTheFunction) {
    AddTextBlocks(1, u"hello");
    Show();
    ProfileRecord a = host.set.current();
    Pick(4, 6000, 6002);
    page->StoreIntoProfile(a);
    page->LoadFromProfile(a);
    EXPECT_EQ(page->labelOf(4), U("hello 0aa"));

    // A profile whose button 5 names macro 7, which does not exist, and whose button 6 is on
    // CPI 3 although it has two steps.
    ProfileRecord b = CreateProfileRecord();
    b.profileSlot = 1;
    b.stepCount = 2;
    b.buttonBindings[4].functionType = 3;
    b.buttonBindings[4].macroId = 7;
    b.buttonBindings[5].functionType = 9;
    b.buttonBindings[5].functionValue = 2;
    b.buttonBindings[6].functionType = 2;
    b.buttonBindings[6].functionValue = VkToHidUsage(66);
    page->LoadFromProfile(b);
    EXPECT_EQ(page->functionOf(4), 4009);
    EXPECT_EQ(page->labelOf(4), U("宏功能（未列出）")) << "never the previous profile's label";
    EXPECT_EQ(page->functionOf(5), 2006);
    EXPECT_EQ(page->labelOf(5), U("CPI（未列出）"));
    EXPECT_EQ(page->labelOf(6), U("B")) << "a bound key without a library entry";
    EXPECT_FALSE(page->HasChanges());
    // Stored as the catalogue says: the missing macro falls back to the button's own value.
    ProfileRecord stored = b;
    page->StoreIntoProfile(stored);
    EXPECT_EQ(stored.buttonBindings[4].functionType, 3);
    EXPECT_EQ(stored.buttonBindings[4].functionValue, b.buttonBindings[4].defaultValue);
    EXPECT_EQ(stored.buttonBindings[5].functionValue, 2);
}

TEST_F(ButtonsTest, CancelAsksOnlyAboutChangesAndRestoresTheSnapshot) {
    Show();
    page->Cancel();
    EXPECT_TRUE(host.popups.empty());
    Show();
    Pick(1, 2200, 2203);
    host.popupAnswer = kPopupNo;
    page->Cancel();
    EXPECT_EQ(host.popups, std::vector<int>{kPopupDataChanged});
    EXPECT_EQ(page->functionOf(1), 2102);
    EXPECT_EQ(page->labelOf(1), U("右击"));
    EXPECT_TRUE(host.posted.empty());
}

TEST_F(ButtonsTest, DefaultGivesEveryButtonItsFactoryFunctionAndWritesThemEvenWhenTheWriteFails) {
    Show();
    Pick(1, 2200, 2203);
    Pick(6, 2700, 2701);
    mouse.Update([](SimState& s) { s.faults.failStatusReplies = 100; });
    page->RestoreDefaults();
    EXPECT_EQ(host.popups, std::vector<int>{kPopupButtonDefault});
    RunDevice();
    for (int b = 0; b < kButtonCount; ++b)
        EXPECT_EQ(page->functionOf(b), FactoryFunctionOf(b).functionId) << b;
    EXPECT_EQ(host.saved.back().buttonBindings[6].functionType, 9);
    EXPECT_EQ(host.notices, std::vector<DeviceNotice>{DeviceNotice::kFailed});
}

TEST_F(ButtonsTest, EditorEntriesOpenTheSensorPageAndTheMacroPageForTheButton) {
    MacroPage macros(host, nullptr);
    host.pages.push_back(&macros);
    Show();
    Pick(3, 2000, 2001);
    EXPECT_EQ(host.opened, std::vector<PageId>{PageId::kSensor});
    EXPECT_EQ(page->functionOf(3), 2105);
    Pick(3, 4000, 4001);
    EXPECT_TRUE(macros.isVisible());
    // The macro page's Apply binds its macro as a menu choice would, guard included.
    const int32_t id = AddMacro(u"连招", 2);
    host.NotifyLibraryChanged(LibraryKind::kMacros);
    page->ChooseFunction(3, 4002 + id);
    EXPECT_EQ(page->labelOf(3), U("连招"));
    page->ChooseFunction(0, 4002 + id);
    QCoreApplication::processEvents();
    EXPECT_EQ(page->functionOf(0), 2101);
    EXPECT_EQ(host.popups, std::vector<int>{kPopupLeftClick});
    host.pages.pop_back();
}

TEST_F(ButtonsTest, EntriesPastWhatAButtonCanNameAreNotOfferedAndTheMenuSaysWhy) {
    AddTextBlocks(258);
    Show();
    const std::vector<int> ids = SubmenuIds(2, 6000);
    ASSERT_EQ(ids.size(), 1u + 256u + 1u);
    EXPECT_EQ(ids[1], 6002);
    EXPECT_EQ(ids[256], 6002 + 255);
    const SkinMenuItem* note = Combo(2)->menu()->FindItem(ids.back());
    ASSERT_NE(note, nullptr);
    EXPECT_FALSE(note->enabled);
    EXPECT_EQ(note->text, U("另有 2 项未列出：按键只能使用前 256 项"));
    Submenu(2, 6000)->ChooseItem(ids.back());
    EXPECT_EQ(page->functionOf(2), 2103) << "the note is not a function";
}

TEST_F(ButtonsTest, ApplyNamesTheButtonWhoseSequenceIsTooLongAndWritesNothing) {
    const int32_t huge = AddMacro(u"长宏", 300);
    const int32_t big = AddMacro(u"大宏", 130);
    const int32_t half = AddMacro(u"半宏", 80);
    host.NotifyLibraryChanged(LibraryKind::kMacros);
    Show();
    const ProfileRecord before = host.set.current();

    Pick(4, 4000, 4002 + huge);
    page->Apply();
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_TRUE(host.messages[0].contains(U("按键 5"))) << host.messages[0].toStdString();
    EXPECT_TRUE(host.messages[0].contains(U("301 个事件"))) << host.messages[0].toStdString();
    EXPECT_TRUE(host.posted.empty());
    EXPECT_TRUE(host.saved.empty());
    EXPECT_TRUE(page->HasChanges()) << "the choice stays on the page";

    Pick(4, 4000, 4002 + big);
    page->Apply();
    ASSERT_EQ(host.messages.size(), 2u);
    EXPECT_TRUE(host.messages[1].contains(U("按键 5")));
    EXPECT_TRUE(host.messages[1].contains(U("128")));

    // Two macros that fit a button each but not the image together.
    Pick(3, 4000, 4002 + half);
    Pick(4, 4000, 4002 + half);
    page->Apply();
    ASSERT_EQ(host.messages.size(), 3u);
    EXPECT_TRUE(host.messages[2].contains(U("162"))) << host.messages[2].toStdString();
    EXPECT_TRUE(host.messages[2].contains(U("147")));
    EXPECT_TRUE(host.messages[2].contains(U("按键 4: 81 个")));
    EXPECT_TRUE(host.posted.empty());
    EXPECT_EQ(host.set.current(), before);

    Pick(3, 2100, 2104);
    page->Apply();
    EXPECT_EQ(host.posted.size(), 1u);
    RunDevice();
    EXPECT_EQ(StoredEntryCount(mouse.state(), 1, 4), 81);
}

}  // namespace
}  // namespace z7::test
