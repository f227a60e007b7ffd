#include <gtest/gtest.h>

#include "core/macros/macro_edit_log.h"
#include "core/macros/macro_events.h"

namespace z7 {
namespace {

Macro Named(const char16_t* name, int32_t id, int events = 1) {
    Macro m;
    m.name = name;
    m.id = id;
    m.areaRect = {0, 0, 336, 336};
    for (int i = 0; i < events; ++i) AddEvent(m, kEventKindKey, static_cast<uint16_t>('A' + i), 0);
    return m;
}

std::vector<std::u16string> Names(const MacroLibrary& lib) {
    std::vector<std::u16string> names;
    for (const Macro& m : lib.macros()) names.push_back(m.name);
    return names;
}

TEST(MacroImport, TheFourConflictRules) {
    MacroLibrary lib;
    lib.macros() = {Named(u"a", 0), Named(u"b", 1), Named(u"c", 2)};
    Macro same = Named(u"b", 1, 3);
    MacroImportPlan plan = lib.PlanImport(same);
    EXPECT_EQ(plan.rule, MacroImportPlan::Rule::kReplace);
    EXPECT_EQ(lib.Import(same, plan), 1u);
    EXPECT_EQ(lib.macros()[1].events.size(), 3u);
    EXPECT_EQ(lib.current(), &lib.macros()[1]);

    Macro otherName = Named(u"x", 0);
    plan = lib.PlanImport(otherName);
    EXPECT_EQ(plan.rule, MacroImportPlan::Rule::kNewId);
    EXPECT_EQ(lib.Import(otherName, plan), 3u);
    EXPECT_EQ(lib.macros()[3].id, 501);

    Macro otherId = Named(u"c", 7);
    plan = lib.PlanImport(otherId);
    EXPECT_EQ(plan.rule, MacroImportPlan::Rule::kRename);
    lib.Import(otherId, plan);
    EXPECT_EQ(lib.macros()[4].name, u"c(1)");
    EXPECT_EQ(lib.macros()[4].id, 7);

    // The first conflict is by name, but a later macro holds the id: two macros never share one.
    Macro both = Named(u"a", 2);
    lib.Import(both, lib.PlanImport(both));
    EXPECT_EQ(lib.macros()[5].name, u"a(1)");
    EXPECT_EQ(lib.macros()[5].id, 502);

    MacroLibrary empty;
    Macro first = Named(u"n", 44);
    EXPECT_EQ(empty.PlanImport(first).rule, MacroImportPlan::Rule::kAppend);
    empty.Import(first, empty.PlanImport(first));
    EXPECT_EQ(empty.macros()[0].id, 44);
}

TEST(MacroEditLog, NoPutsBackWhatTheVisitTouchedAndNothingElse) {
    MacroLibrary lib;
    lib.macros() = {Named(u"a", 0), Named(u"b", 1), Named(u"c", 2)};
    MacroEditLog log;
    EXPECT_FALSE(log.Changed(lib));

    // Re-recording a: more events.
    log.BeforeChange(lib, lib.macros()[0]);
    AddEvent(lib.macros()[0], kEventKindKey, 'Z', 0);
    // Importing b over itself with other events: the saved b must come back.
    Macro imported = Named(u"b", 1, 4);
    const MacroImportPlan plan = lib.PlanImport(imported);
    log.BeforeChange(lib, lib.macros()[plan.index]);
    lib.Import(imported, plan);
    // Deleting c; recording a new d.
    log.BeforeChange(lib, lib.macros()[2]);
    lib.macros().erase(lib.macros().begin() + 2);
    Macro& d = lib.Register(u"d", lib.NewMacroId(), 1);
    log.Added(d);
    AddEvent(d, kEventKindKey, 'D', 0);
    // Meanwhile a save renumbered, and another program's macro came in.
    lib.macros()[1].id = 1;
    lib.macros().push_back(Named(u"theirs", 600));
    EXPECT_TRUE(log.Changed(lib));

    log.Restore(lib);
    EXPECT_EQ(Names(lib), (std::vector<std::u16string>{u"a", u"b", u"c", u"theirs"}));
    EXPECT_EQ(lib.macros()[0].events.size(), 1u);
    EXPECT_EQ(lib.macros()[1].events.size(), 1u);
    EXPECT_EQ(lib.macros()[2].id, 2);
    EXPECT_EQ(lib.current(), nullptr);
    EXPECT_TRUE(log.empty());
}

TEST(MacroEditLog, AChangeUndoneByHandIsNoChangeAndAReturningMacroGetsAFreeId) {
    MacroLibrary lib;
    lib.macros() = {Named(u"a", 0), Named(u"b", 1)};
    MacroEditLog log;
    log.BeforeChange(lib, lib.macros()[0]);
    SetEventDelay(lib.macros()[0], 0, 50);
    SetEventDelay(lib.macros()[0], 0, 0);
    EXPECT_FALSE(log.Changed(lib));

    log.BeforeChange(lib, lib.macros()[0]);
    lib.macros().erase(lib.macros().begin());
    lib.macros()[0].id = 0;  // a save since: b took id 0
    log.Restore(lib);
    EXPECT_EQ(Names(lib), (std::vector<std::u16string>{u"a", u"b"}));
    EXPECT_NE(lib.macros()[0].id, lib.macros()[1].id);
}

TEST(MacroEditLog, RebaseMakesTheVisitsChangesAgainOnWhatAnotherProgramSaved) {
    MacroLibrary live;
    live.macros() = {Named(u"a", 0), Named(u"b", 1), Named(u"c", 2)};
    MacroEditLog log;
    log.BeforeChange(live, live.macros()[1]);
    AddEvent(live.macros()[1], kEventKindKey, 'Q', 0);
    log.BeforeChange(live, live.macros()[2]);
    live.macros().erase(live.macros().begin() + 2);
    Macro& mine = live.Register(u"mine", live.NewMacroId(), 1);
    log.Added(mine);
    const uint64_t mineTag = mine.tag;

    // The other program removed a and imported z.
    MacroLibrary disk;
    disk.macros() = {Named(u"b", 0), Named(u"c", 1), Named(u"z", 2)};
    log.Rebase(live, disk);
    EXPECT_EQ(Names(disk), (std::vector<std::u16string>{u"b", u"z", u"mine"}));
    EXPECT_EQ(disk.macros()[0].events.size(), 2u) << "b keeps the visit's event";
    EXPECT_EQ(disk.macros()[0].id, 0);
    ASSERT_NE(disk.current(), nullptr);
    EXPECT_EQ(disk.current()->tag, mineTag);
    EXPECT_EQ(disk.currentId(), disk.current()->id);

    // "No" afterwards: b as it was, c back, mine gone, z stays.
    log.Restore(disk);
    EXPECT_EQ(Names(disk), (std::vector<std::u16string>{u"b", u"z", u"c"}));
    EXPECT_EQ(disk.macros()[0].events.size(), 1u);
}

}  // namespace
}  // namespace z7
