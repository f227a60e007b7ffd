// The lighting page on the offscreen platform with a fake main window and the simulated mouse:
// the colour discs (picking, dragging, the marker, the circle's edge), the R/G/B edits, the rules
// that follow the lights, effect and sync choices, Cancel, Default, Apply's lighting block, the
// help and the preview's timer.
//
// Simulator headers come before Qt's: Qt's `slots` keyword macro would rename SimState::slots.
#include "sim/sim_factory.h"
#include "sim/sim_transport.h"

namespace z7 {
namespace {
// The lighting bytes of a slot's image on the simulated mouse: wheel RGB, mode, logo RGB, mode,
// then the sleep byte.
std::vector<int> LightingBytes(const SimState& state, int slot) {
    const DeviceImage& image = state.slots[static_cast<size_t>(slot)];
    std::vector<int> bytes(image.begin() + kOffsetColor1, image.begin() + kOffsetLightMode2 + 1);
    bytes.push_back(image[kOffsetLightSleep]);
    return bytes;
}
// True when a slot's image differs from the factory's at most in the lighting bytes.
bool OnlyLightingChanged(const SimState& state, int slot) {
    DeviceImage now = state.slots[static_cast<size_t>(slot)];
    DeviceImage factory = state.factory[static_cast<size_t>(slot)];
    for (DeviceImage* image : {&now, &factory}) {
        std::fill(image->begin() + kOffsetColor1, image->begin() + kOffsetLightMode2 + 1, 0);
        (*image)[kOffsetLightSleep] = 0;
    }
    return now == factory;
}
}  // namespace
}  // namespace z7

#include <gtest/gtest.h>

#include <QAccessible>
#include <QTest>

#include "core/profile/value_sets.h"
#include "gui/pages/fake_page_host.h"
#include "gui/pages/lighting/colour_disc.h"
#include "gui/pages/lighting/lighting_page.h"
#include "gui/pages/lighting/lighting_preview.h"
#include "gui/ui/pointer.h"
#include "gui/ui/skin.h"
#include "gui/ui/skin_combo_button.h"
#include "gui/ui/skin_layout.h"
#include "gui/ui/title_tip.h"

namespace z7 {
namespace {

using test::Drag;
using test::Press;
using test::Release;

QString U(const char* text) {
    return QString::fromUtf8(text);
}

SkinStore& ShippedSkin() {
    static SkinStore store(std::filesystem::path(Z7_SOURCE_DIR) / "Z7_CN_Skins");
    return store;
}

std::tuple<int, int, int> Rgb(uint32_t c) {
    return {RedOf(c), GreenOf(c), BlueOf(c)};
}

class LightingPageTest : public ::testing::Test {
  protected:
    void SetUp() override {
        clock.SetBlockingWaits(true);
        page = std::make_unique<LightingPage>(host, nullptr);
        host.pages.push_back(page.get());
        host.set.records()[1].inUse = 1;
        host.set.SetCurrent(1);
        page->LoadFromProfile(host.set.current());
    }
    void TearDown() override { page.reset(); }

    // Opens the page with the discs showing the shipped skin's pictures (the tests run without
    // a skin folder beside them).
    void Show() {
        page->Open();
        ASSERT_TRUE(page->built());
        for (Light light : {Light::kWheel, Light::kLogo}) {
            const int element =
                ElementNamed(152, light == Light::kWheel ? "Wheel Colour" : "Logo Colour");
            page->disc(light)->SetPictures(ShippedSkin().SkinPart(element, kStateNormal),
                                           ShippedSkin().SkinPart(element, kStateOver),
                                           ShippedSkin().SkinPart(element, kStateOff));
        }
        page->preview()->SetClock(clock);
    }
    // What the shipped picture holds at a point of a disc.
    static uint32_t PictureAt(Light light, QPoint pos) {
        const int element =
            ElementNamed(152, light == Light::kWheel ? "Wheel Colour" : "Logo Colour");
        const QColor c = ShippedSkin().SkinPart(element, kStateNormal).pixelColor(pos);
        return PackColor(static_cast<uint8_t>(c.red()), static_cast<uint8_t>(c.green()),
                         static_cast<uint8_t>(c.blue()));
    }
    uint32_t Edits(Light light) const {
        const auto v = [&](int c) {
            return static_cast<uint8_t>(page->edit(light, c)->text().toInt());
        };
        return PackColor(v(0), v(1), v(2));
    }
    bool EditsEnabled(Light light) const {
        bool all = true, none = true;
        for (int c = 0; c < 3; ++c) {
            all = all && page->edit(light, c)->isEnabled();
            none = none && !page->edit(light, c)->isEnabled();
        }
        EXPECT_TRUE(all || none);
        return all;
    }
    void Choose(SkinComboButton* combo, int value) { combo->menu()->ChooseItem(value); }
    void Type(Light light, int channel, const char* text) {
        SkinLineEdit* e = page->edit(light, channel);
        e->setFocus();
        e->selectAll();
        QTest::keyClicks(e, QString::fromLatin1(text));
    }
    // A point of a disc in the page's coordinates.
    QPoint OnPage(Light light, QPoint pos) const {
        return page->disc(light)->mapTo(page.get(), pos);
    }
    // The same page point in the other disc's coordinates (for drags that cross).
    QPoint Across(Light from, QPoint pos, Light to) const {
        return page->disc(to)->mapFrom(page.get(), OnPage(from, pos));
    }

    VirtualClock clock;
    SimMouse mouse{clock, FactorySimState()};
    SimTransport transport{mouse};
    DeviceLink link{transport, clock};
    test::FakePageHost host;
    std::unique_ptr<LightingPage> page;
    // Places on the discs (93 x 92, centre (46.5, 46)).
    const QPoint centre{46, 45};
    const QPoint rightEdge{88, 45};  // hue 0, full saturation
    const QPoint leftEdge{5, 45};    // hue 180
    const QPoint upperRight{66, 20};
};

TEST_F(LightingPageTest, ShowsItsControlsNamedWithTheirItemsAndHelp) {
    Show();
    EXPECT_EQ(page->windowTitle(), U("LIGHT SETTINGS"));
    const std::pair<SkinComboButton*, const char*> combos[] = {
        {page->lights(), "Lights"},     {page->mode(), "Mode"},
        {page->speed(), "Speed"},       {page->mouseSaver(), "Mouse Saver"},
        {page->strength(), "Strength"}, {page->kestaColor(), "Kesta Color"}};
    for (const auto& [combo, name] : combos) {
        ASSERT_NE(combo, nullptr) << name;
        EXPECT_EQ(combo->accessibleName(), U(name));
        EXPECT_EQ(combo->focusPolicy(), Qt::StrongFocus);
    }
    // Every value a drop-down offers is one the core accepts for its field, and the other way.
    const std::pair<SkinComboButton*, const char*> fields[] = {
        {page->lights(), "lightSwitch"},       {page->mode(), "lightEffect"},
        {page->speed(), "lightSpeed"},         {page->mouseSaver(), "lightSleep"},
        {page->strength(), "lightBrightness"}, {page->kestaColor(), "lightSync"}};
    for (const auto& [combo, field] : fields) {
        const ProfileField* f = FindProfileField(field);
        ASSERT_NE(f, nullptr);
        for (const SkinMenuItem& item : combo->menu()->items())
            EXPECT_TRUE(f->Contains(item.id)) << field << " " << item.id;
        for (long long v = f->min; f->allowed.empty() && v <= f->max; ++v)
            EXPECT_NE(combo->menu()->FindItem(static_cast<int>(v)), nullptr) << field << " " << v;
        for (long long v : f->allowed)
            EXPECT_NE(combo->menu()->FindItem(static_cast<int>(v)), nullptr) << field << " " << v;
    }
    EXPECT_EQ(page->kestaColor()->menu()->items().size(), 3u);
    EXPECT_EQ(page->strength()->menu()->FindItem(3)->text, U("50%"));
    EXPECT_EQ(page->mode()->menu()->FindItem(6)->text, U("单色呼吸"));
    EXPECT_EQ(page->speed()->menu()->FindItem(0xA0)->text, U("150 bpm"));
    EXPECT_EQ(page->lights()->toolTip(), U("设置灯光开／关模式，共四种模式 "));
    EXPECT_EQ(page->mode()->toolTip(), U("设置背光模式，共四种模式 "));
    EXPECT_EQ(page->speed()->toolTip(), QString());

    const char* const editNames[2][3] = {{"Red 1", "Green 1", "Blue 1"},
                                         {"Red 2", "Green 2", "Blue 2"}};
    for (Light light : {Light::kWheel, Light::kLogo}) {
        for (int c = 0; c < 3; ++c) {
            SkinLineEdit* e = page->edit(light, c);
            EXPECT_EQ(e->accessibleName(), U(editNames[light == Light::kLogo][c]));
            EXPECT_EQ(e->toolTip(), U("可在此分别填入RGB数值"));
        }
    }
    QAccessibleInterface* wheel = QAccessible::queryAccessibleInterface(page->disc(Light::kWheel));
    ASSERT_NE(wheel, nullptr);
    EXPECT_EQ(wheel->role(), QAccessible::ColorChooser);
    EXPECT_EQ(wheel->text(QAccessible::Name), U("Wheel Colour"));
    EXPECT_EQ(wheel->text(QAccessible::Value), U("255, 0, 0"));
    EXPECT_TRUE(wheel->text(QAccessible::Description).startsWith(U("若点选圆形色盘")));
    EXPECT_EQ(page->disc(Light::kLogo)->accessibleName(), U("Logo Colour"));
    EXPECT_EQ(page->disc(Light::kLogo)->focusPolicy(), Qt::StrongFocus);

    // The discs sit where the page's template has them.
    EXPECT_EQ(page->disc(Light::kWheel)->geometry(), QRect(QPoint(46, 94), QPoint(138, 185)));
    EXPECT_EQ(page->disc(Light::kLogo)->geometry(), QRect(QPoint(46, 213), QPoint(138, 304)));

    // Factory lighting: both on, steady, red; Speed only for the beating effect.
    EXPECT_EQ(page->lights()->text(), U("全部打开"));
    EXPECT_EQ(page->mouseSaver()->text(), U("30 min"));
    EXPECT_EQ(page->strength()->text(), U("100%"));
    EXPECT_EQ(page->kestaColor()->text(), U("无"));
    EXPECT_FALSE(page->speed()->isEnabled());
    EXPECT_EQ(Rgb(Edits(Light::kWheel)), std::tuple(255, 0, 0));
    EXPECT_EQ(Rgb(Edits(Light::kLogo)), std::tuple(255, 0, 0));
    EXPECT_FALSE(page->HasChanges());
}

TEST_F(LightingPageTest, TheShippedDiscsAreHueSaturationDiscsAtFullValue) {
    Show();
    for (Light light : {Light::kWheel, Light::kLogo}) {
        ColourDisc* disc = page->disc(light);
        int checked = 0;
        for (int y = 0; y < disc->height(); ++y) {
            for (int x = 0; x < disc->width(); ++x) {
                const std::optional<uint32_t> c = disc->ColorAt(QPoint(x, y));
                if (!c) continue;
                ++checked;
                const QColor q(RedOf(*c), GreenOf(*c), BlueOf(*c));
                ASSERT_EQ(q.value(), 255) << x << "," << y;  // full value everywhere
                const double dx = x + 0.5 - disc->width() / 2.0;
                const double dy = y + 0.5 - disc->height() / 2.0;
                if (std::hypot(dx, dy) < 8 || q.hsvSaturation() < 40) continue;
                double angle = std::atan2(-dy, dx) * 180 / M_PI;
                if (angle < 0) angle += 360;
                const double off = std::fabs(std::remainder(q.hsvHueF() * 360 - angle, 360.0));
                ASSERT_LT(off, 3.0) << x << "," << y;  // hue follows the angle
            }
        }
        EXPECT_GT(checked, 5000);
    }
    ColourDisc* disc = page->disc(Light::kWheel);
    EXPECT_EQ(RedOf(*disc->ColorAt(rightEdge)), 255);
    EXPECT_LT(GreenOf(*disc->ColorAt(rightEdge)), 8);
    EXPECT_EQ(BlueOf(*disc->ColorAt(rightEdge)), 0);
    EXPECT_LT(RedOf(*disc->ColorAt(leftEdge)), 8);  // cyan opposite red
    EXPECT_GT(std::min({RedOf(*disc->ColorAt(centre)), GreenOf(*disc->ColorAt(centre)),
                        BlueOf(*disc->ColorAt(centre))}),
              245);  // white in the middle
    // Outside the circle, and in its anti-aliased rim, there is nothing to pick.
    EXPECT_FALSE(disc->ColorAt(QPoint(2, 2)).has_value());
    EXPECT_FALSE(disc->ColorAt(QPoint(91, 45)).has_value());
    EXPECT_FALSE(disc->ColorAt(QPoint(-5, 45)).has_value());
}

TEST_F(LightingPageTest, APickReadsTheDiscsPictureNeverTheMarkerAndSetsBothLights) {
    Show();
    ColourDisc* wheel = page->disc(Light::kWheel);
    const uint32_t expected = PictureAt(Light::kWheel, upperRight);
    Press(wheel, upperRight);
    Release(wheel, upperRight);
    // With both lights on a pick colours both, in the edits too.
    EXPECT_EQ(page->pickedColor(Light::kWheel), expected);
    EXPECT_EQ(page->pickedColor(Light::kLogo), expected);
    EXPECT_EQ(Edits(Light::kWheel), expected);
    EXPECT_EQ(Edits(Light::kLogo), expected);
    EXPECT_EQ(wheel->marker(), upperRight);
    EXPECT_EQ(wheel->ColorText(), QStringLiteral("%1, %2, %3")
                                      .arg(RedOf(expected))
                                      .arg(GreenOf(expected))
                                      .arg(BlueOf(expected)));

    // The black marker now covers that point: a click on it still gives the disc's colour.
    const QImage shown = wheel->grab().toImage();
    EXPECT_EQ(shown.pixelColor(upperRight + QPoint(-3, 0)), QColor(Qt::black));
    Press(wheel, upperRight + QPoint(-3, 0));
    Release(wheel, upperRight + QPoint(-3, 0));
    EXPECT_EQ(page->pickedColor(Light::kWheel),
              PictureAt(Light::kWheel, upperRight + QPoint(-3, 0)));
    EXPECT_NE(page->pickedColor(Light::kWheel), 0u);

    // A press in the corner outside the circle picks nothing; it is left to the window, which
    // moves when dragged there.
    const uint32_t before = page->pickedColor(Light::kWheel);
    const QPoint windowAt = page->pos();
    Press(wheel, QPoint(1, 1));
    Drag(page.get(), OnPage(Light::kWheel, QPoint(31, 21)));
    Release(page.get(), OnPage(Light::kWheel, QPoint(31, 21)));
    EXPECT_EQ(page->pickedColor(Light::kWheel), before);
    EXPECT_EQ(page->pos(), windowAt + QPoint(30, 20));
    EXPECT_TRUE(page->HasChanges());
}

TEST_F(LightingPageTest, DraggingFollowsThePointerAcrossTheLiveDiscs) {
    Show();
    ColourDisc* wheel = page->disc(Light::kWheel);
    ColourDisc* logo = page->disc(Light::kLogo);
    Press(wheel, centre);
    Drag(wheel, rightEdge);
    EXPECT_EQ(page->pickedColor(Light::kLogo), PictureAt(Light::kWheel, rightEdge));
    // Between the discs nothing is read; the colours stay at the last one.
    Drag(wheel, QPoint(46, 105));
    EXPECT_EQ(page->pickedColor(Light::kWheel), PictureAt(Light::kWheel, rightEdge));
    // Released over the logo disc: both lights at the colour read there.
    const QPoint overLogo = Across(Light::kLogo, leftEdge, Light::kWheel);
    Drag(wheel, overLogo);
    Release(wheel, overLogo);
    EXPECT_EQ(page->pickedColor(Light::kWheel), PictureAt(Light::kLogo, leftEdge));
    EXPECT_EQ(page->pickedColor(Light::kLogo), PictureAt(Light::kLogo, leftEdge));
    EXPECT_EQ(logo->marker(), leftEdge);
    // The drag has ended: moving on changes nothing.
    Drag(wheel, centre);
    EXPECT_EQ(page->pickedColor(Light::kWheel), PictureAt(Light::kLogo, leftEdge));

    // With the logo light off only the wheel takes picks, and only on its own disc.
    Choose(page->lights(), kLightsLogoOff);
    EXPECT_FALSE(logo->isEnabled());
    Press(wheel, upperRight);
    Drag(wheel, Across(Light::kLogo, centre, Light::kWheel));
    Release(wheel, Across(Light::kLogo, centre, Light::kWheel));
    EXPECT_EQ(page->pickedColor(Light::kWheel), PictureAt(Light::kWheel, upperRight));
    EXPECT_EQ(page->pickedColor(Light::kLogo), PictureAt(Light::kLogo, leftEdge));
    EXPECT_EQ(Rgb(Edits(Light::kLogo)), std::tuple(0, 0, 0));

    // The keyboard moves the marker and picks where it lands.
    QTest::keyClick(wheel, Qt::Key_Home);
    EXPECT_EQ(page->pickedColor(Light::kWheel), PictureAt(Light::kWheel, *wheel->marker()));
    for (int i = 0; i < 40; ++i) QTest::keyClick(wheel, Qt::Key_Right);
    ASSERT_TRUE(wheel->marker().has_value());
    EXPECT_TRUE(wheel->Contains(*wheel->marker()));  // held inside the circle
    EXPECT_EQ(RedOf(page->pickedColor(Light::kWheel)), 255);
    EXPECT_LT(BlueOf(page->pickedColor(Light::kWheel)), 40);
}

TEST_F(LightingPageTest, DiscsOfLightsThatAreOffOrSyncedPickNothing) {
    Show();
    struct Case {
        int lights, sync;
        bool wheelLive, logoLive;
    };
    const Case cases[] = {{kLightsBothOff, kSyncNone, false, false},
                          {kLightsWheelOff, kSyncNone, false, true},
                          {kLightsLogoOff, kSyncNone, true, false},
                          {kLightsBothOn, kSyncRed, false, false},
                          {kLightsBothOn, kSyncNone, true, true}};
    for (const Case& c : cases) {
        Choose(page->lights(), c.lights);
        Choose(page->kestaColor(), c.sync);
        EXPECT_EQ(page->disc(Light::kWheel)->isEnabled(), c.wheelLive) << c.lights << "/" << c.sync;
        EXPECT_EQ(page->disc(Light::kLogo)->isEnabled(), c.logoLive) << c.lights << "/" << c.sync;
        EXPECT_EQ(EditsEnabled(Light::kWheel), c.wheelLive);
        EXPECT_EQ(EditsEnabled(Light::kLogo), c.logoLive);
    }
    // A press on a disc that is off changes nothing, even delivered straight to it.
    Choose(page->lights(), kLightsBothOff);
    const uint32_t before = page->pickedColor(Light::kWheel);
    Press(page->disc(Light::kWheel), upperRight);
    Release(page->disc(Light::kWheel), upperRight);
    EXPECT_EQ(page->pickedColor(Light::kWheel), before);
}

TEST_F(LightingPageTest, TheLightsAndSyncChoicesShowTheStoredColoursAndKeepTypedOnes) {
    Show();
    Type(Light::kWheel, 0, "0");
    Type(Light::kWheel, 1, "128");
    Type(Light::kWheel, 2, "255");
    EXPECT_EQ(page->pickedColor(Light::kWheel), PackColor(0, 128, 255));
    EXPECT_EQ(page->disc(Light::kWheel)->color(), PackColor(0, 128, 255));
    // The marker moves to where the typed colour lies on the disc.
    const uint32_t marked = PictureAt(Light::kWheel, *page->disc(Light::kWheel)->marker());
    EXPECT_GT(BlueOf(marked), 250);
    EXPECT_NEAR(GreenOf(marked), 128, 12);
    EXPECT_LT(RedOf(marked), 12);

    // Wheel off: its edits show 0 and are disabled; back on: the typed colour again.
    Choose(page->lights(), kLightsWheelOff);
    EXPECT_EQ(Rgb(Edits(Light::kWheel)), std::tuple(0, 0, 0));
    EXPECT_FALSE(EditsEnabled(Light::kWheel));
    EXPECT_EQ(Rgb(Edits(Light::kLogo)), std::tuple(255, 0, 0));
    Choose(page->lights(), kLightsBothOn);
    EXPECT_EQ(Rgb(Edits(Light::kWheel)), std::tuple(0, 128, 255));

    // Sync shows its fixed colour on both lights; none brings the typed colour back.
    Choose(page->kestaColor(), kSyncBlue);
    EXPECT_EQ(Edits(Light::kWheel), kColorBlue);
    EXPECT_EQ(Edits(Light::kLogo), kColorBlue);
    ProfileRecord stored = host.set.current();
    page->StoreIntoProfile(stored);
    EXPECT_EQ(stored.lightColor1, kColorBlue);
    EXPECT_EQ(stored.lightSync, kSyncBlue);
    Choose(page->lights(), kLightsLogoOff);
    EXPECT_EQ(Edits(Light::kWheel), kColorBlue);
    EXPECT_EQ(Edits(Light::kLogo), 0u);
    Choose(page->kestaColor(), kSyncNone);
    Choose(page->lights(), kLightsBothOn);
    EXPECT_EQ(Rgb(Edits(Light::kWheel)), std::tuple(0, 128, 255));
    EXPECT_EQ(Rgb(Edits(Light::kLogo)), std::tuple(255, 0, 0));
}

TEST_F(LightingPageTest, TheEditsTakeDigitsKeepThreeAndClampTo255) {
    Show();
    SkinLineEdit* red = page->edit(Light::kLogo, 0);
    Type(Light::kLogo, 0, "300");
    EXPECT_EQ(red->text(), QStringLiteral("255"));
    Type(Light::kLogo, 0, "1234");
    EXPECT_EQ(red->text(), QStringLiteral("234"));
    EXPECT_EQ(red->cursorPosition(), 3);
    Type(Light::kLogo, 0, "9x");
    EXPECT_EQ(red->text(), QStringLiteral("9"));
    // Text set from outside (assistive technology replaces the whole text) obeys the same rules.
    red->setText(QStringLiteral("4000"));
    EXPECT_EQ(red->text(), QStringLiteral("000"));
    red->setText(QStringLiteral("2560"));
    EXPECT_EQ(red->text(), QStringLiteral("255"));
    ProfileRecord stored = host.set.current();
    page->StoreIntoProfile(stored);
    EXPECT_EQ(RedOf(stored.lightColor2), 255);  // never 2560's low byte
    // Leading zeros stay as typed; another light's change shows the plain number.
    Type(Light::kLogo, 2, "007");
    EXPECT_EQ(page->edit(Light::kLogo, 2)->text(), QStringLiteral("007"));
    EXPECT_EQ(BlueOf(page->pickedColor(Light::kLogo)), 7);
    Choose(page->kestaColor(), kSyncRed);
    Choose(page->kestaColor(), kSyncNone);
    EXPECT_EQ(page->edit(Light::kLogo, 2)->text(), QStringLiteral("7"));
    // A field left empty reads as 0 and says so when the user moves on.
    page->edit(Light::kLogo, 1)->clear();
    emit page->edit(Light::kLogo, 1)->editingFinished();
    EXPECT_EQ(page->edit(Light::kLogo, 1)->text(), QStringLiteral("0"));
}

TEST_F(LightingPageTest, OnlyTheBeatingEffectHasASpeed) {
    Show();
    Choose(page->mode(), kEffectBeating);
    EXPECT_TRUE(page->speed()->isEnabled());
    Choose(page->speed(), 0x80);
    Choose(page->mode(), kEffectBreathing);
    EXPECT_FALSE(page->speed()->isEnabled());
    EXPECT_EQ(page->speed()->text(), U("普通"));
    Choose(page->mode(), kEffectBeating);
    EXPECT_TRUE(page->speed()->isEnabled());
    EXPECT_EQ(page->speed()->currentId(), 0xF0);  // its last value

    // A file with beating at 80 bpm loads with Speed live; the pointer over a disabled Speed
    // still brings its help.
    ProfileRecord beating = host.set.current();
    beating.lightEffect = kEffectBeating;
    beating.lightSpeed = 0x80;
    page->LoadFromProfile(beating);
    EXPECT_TRUE(page->speed()->isEnabled());
    EXPECT_EQ(page->speed()->text(), U("80 bpm"));
    Choose(page->mode(), kEffectColourCycle);
    ASSERT_FALSE(page->speed()->isEnabled());
    TitleTip* tip = page->findChild<TitleTip*>();
    ASSERT_NE(tip, nullptr);
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5),
                      QPointF(page->speed()->mapToGlobal(QPoint(5, 5))));
    QApplication::sendEvent(page->speed(), &enter);
    EXPECT_TRUE(tip->isVisible());
    EXPECT_TRUE(tip->text().startsWith(U("当你选择背光模式为“跳动”时")));
    tip->Hide();
    // The question-mark buttons carry the discs' help, also from the keyboard.
    for (SkinButton* b : page->findChildren<SkinButton*>()) {
        if (b->controlId() != kIdLogoTooltip) continue;
        b->Click();
        EXPECT_TRUE(tip->isVisible());
        EXPECT_TRUE(tip->text().contains(U("LOGO")));
        EXPECT_TRUE(b->accessibleDescription().contains(U("LOGO")));
        EXPECT_TRUE(b->toolTip().isEmpty());
    }
}

TEST_F(LightingPageTest, ValuesNoItemOffersShowTheFactoryDefaultNotThePreviousProfiles) {
    ProfileRecord first = host.set.current();
    first.lightEffect = kEffectBeating;
    first.lightSpeed = 0x90;
    first.lightSleep = 5;
    first.lightBrightness = 2;
    first.lightSync = kSyncRed;
    page->LoadFromProfile(first);
    Show();
    ProfileRecord odd = first;
    odd.lightSwitch = 9;
    odd.lightEffect = 7;
    odd.lightSpeed = 0x41;
    odd.lightSleep = 99;
    odd.lightBrightness = 0;
    odd.lightSync = 1;  // blue in older files: no item, so the factory "无"
    odd.lightColor1 = PackColor(1, 2, 3);
    page->LoadFromProfile(odd);
    EXPECT_EQ(page->lights()->text(), U("全部打开"));
    EXPECT_EQ(page->mode()->text(), U("单色恒亮"));
    EXPECT_EQ(page->speed()->text(), U("普通"));
    EXPECT_EQ(page->mouseSaver()->text(), U("30 min"));
    EXPECT_EQ(page->strength()->text(), U("100%"));
    EXPECT_EQ(page->kestaColor()->text(), U("无"));
    EXPECT_EQ(Rgb(Edits(Light::kWheel)), std::tuple(1, 2, 3));
    ProfileRecord stored = odd;
    page->StoreIntoProfile(stored);
    EXPECT_EQ(stored.lightSwitch, 15);
    EXPECT_EQ(stored.lightEffect, 1);
    EXPECT_EQ(stored.lightSpeed, 0xF0);
    EXPECT_EQ(stored.lightSleep, 30);
    EXPECT_EQ(stored.lightBrightness, 5);
    EXPECT_EQ(stored.lightSync, 0);
}

TEST_F(LightingPageTest, CancelRestoresTheSnapshotAndApplyWritesTheLightingBlock) {
    Show();
    const ProfileRecord before = host.set.current();
    // Changed, then Cancel with "NO": all back as loaded, nothing saved or written.
    Choose(page->mode(), kEffectBreathing);
    Choose(page->lights(), kLightsBothOff);
    Press(page->disc(Light::kWheel), upperRight);  // off: nothing
    Release(page->disc(Light::kWheel), upperRight);
    Choose(page->lights(), kLightsBothOn);
    Press(page->disc(Light::kWheel), upperRight);
    Release(page->disc(Light::kWheel), upperRight);
    Type(Light::kLogo, 2, "77");
    EXPECT_TRUE(page->HasChanges());
    host.popupAnswer = kPopupNo;
    page->Cancel();
    EXPECT_EQ(host.popups, std::vector<int>{kPopupDataChanged});
    EXPECT_FALSE(page->isVisible());
    EXPECT_EQ(page->mode()->currentId(), kEffectSteady);
    EXPECT_EQ(page->pickedColor(Light::kWheel), kColorRed);
    EXPECT_EQ(Edits(Light::kLogo), kColorRed);
    EXPECT_FALSE(page->HasChanges());
    EXPECT_TRUE(host.saved.empty());
    EXPECT_TRUE(host.posted.empty());
    EXPECT_EQ(host.set.current(), before);

    // Beating at 80 bpm, sleep 10 min, "50%", the wheel (255, 128, 1), the logo off: Apply saves
    // the profile and the mouse gets the colours at half strength, the logo dark.
    page->Open();
    Choose(page->mode(), kEffectBeating);
    Choose(page->speed(), 0x80);
    Choose(page->mouseSaver(), 10);
    Choose(page->strength(), 3);
    Type(Light::kWheel, 0, "255");
    Type(Light::kWheel, 1, "128");
    Type(Light::kWheel, 2, "1");
    Choose(page->lights(), kLightsLogoOff);
    QTest::mouseClick(page->applyButton(), Qt::LeftButton);
    ASSERT_EQ(host.saved.size(), 1u);
    const ProfileRecord& saved = host.saved[0];
    EXPECT_EQ(saved.lightColor1, PackColor(255, 128, 1));
    EXPECT_EQ(saved.lightColor2, 0u);
    EXPECT_EQ(saved.lightSwitch, kLightsLogoOff);
    EXPECT_EQ(saved.lightBrightness, 3);
    EXPECT_FALSE(page->HasChanges());
    ASSERT_EQ(host.posted.size(), 1u);
    host.RunPosted(link);
    EXPECT_EQ(host.notices, std::vector<DeviceNotice>{DeviceNotice::kNone});
    const SimState state = mouse.state();
    EXPECT_EQ(state.activeSlot, 1);
    EXPECT_EQ(LightingBytes(state, 1), (std::vector<int>{127, 64, 0, 0x85, 0, 0, 0, 0x85, 10}));
    // Only the lighting block went out: the rest of the slot is as it was.
    EXPECT_TRUE(OnlyLightingChanged(state, 1));

    // Default asks with its own popup, then loads the factory lighting and applies it.
    host.popupAnswer = kPopupYes;
    page->RestoreDefaults();
    EXPECT_EQ(host.popups.back(), kPopupLedDefault);
    EXPECT_EQ(page->lights()->currentId(), kLightsBothOn);
    EXPECT_EQ(Edits(Light::kLogo), kColorRed);
    host.RunPosted(link);
    EXPECT_EQ(LightingBytes(mouse.state(), 1),
              (std::vector<int>{255, 0, 0, 0xF1, 255, 0, 0, 0xF1, 30}));
}

TEST_F(LightingPageTest, ThePreviewAnimatesOnlyWhileThePageIsOnScreen) {
    Show();
    LightingPreview* preview = page->preview();
    EXPECT_TRUE(preview->isVisible());
    EXPECT_FALSE(preview->geometry().intersects(page->disc(Light::kWheel)->geometry()));
    // Steady needs no timer at all.
    EXPECT_FALSE(preview->animating());
    EXPECT_EQ(preview->ShownColor(Light::kWheel), kColorRed);

    Choose(page->mode(), kEffectBreathing);
    Choose(page->strength(), 3);
    EXPECT_TRUE(preview->animating());
    clock.Advance(Millis(2000));  // the top of a breath: full at the brightness factor
    EXPECT_EQ(preview->ShownColor(Light::kWheel), PackColor(127, 0, 0));
    clock.Advance(Millis(2000));
    EXPECT_LT(RedOf(preview->ShownColor(Light::kWheel)), 12);
    Choose(page->lights(), kLightsWheelOff);
    EXPECT_EQ(preview->ShownColor(Light::kWheel), 0u);

    page->hide();
    EXPECT_FALSE(preview->animating());
    page->Open();
    EXPECT_TRUE(preview->animating());
    page->showMinimized();
    EXPECT_FALSE(preview->animating());
    page->showNormal();
    EXPECT_TRUE(preview->animating());
    Choose(page->lights(), kLightsBothOff);  // nothing lit: nothing to animate
    EXPECT_FALSE(preview->animating());
    Choose(page->lights(), kLightsBothOn);
    Choose(page->mode(), kEffectSteady);
    EXPECT_FALSE(preview->animating());
    page->hide();
}

}  // namespace
}  // namespace z7
