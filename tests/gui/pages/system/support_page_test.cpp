// The Support page with a fake main window, and the link opener that tells when no program
// took a link.
#include <gtest/gtest.h>

#include <QTest>

#include "gui/pages/fake_page_host.h"
#include "gui/pages/support/link_opener.h"
#include "gui/pages/support/support_page.h"
#include "gui/pages/system/shots.h"
#include "gui/ui/skin_layout.h"

namespace z7 {
namespace {

QString U(const char* text) {
    return QString::fromUtf8(text);
}

class SupportPageTest : public ::testing::Test {
  protected:
    void SetUp() override {
        page = std::make_unique<SupportPage>(host, nullptr);
        host.pages.push_back(page.get());
        page->Open();
        ASSERT_TRUE(page->built());
        test::SaveShot(page.get(), QStringLiteral("page_support.png"));
    }
    void Press(int id) {
        SkinButton* b = page->button(id);
        ASSERT_NE(b, nullptr) << id;
        QTest::mouseClick(b, Qt::LeftButton);
    }

    test::FakePageHost host;
    std::unique_ptr<SupportPage> page;
};

TEST_F(SupportPageTest, EveryWayToTheMakerOpensItsAddress) {
    EXPECT_EQ(page->windowTitle(), U("Support"));
    const std::tuple<int, const char*, const char*> controls[] = {
        {SupportPage::kUpdateSoftwareId, "Update Software", "更新最新版本的软件"},
        {SupportPage::kUpdateFirmwareId, "Update Firmware", "更新最新版本的固件"},
        {SupportPage::kEmailId, "Email", nullptr},
        {SupportPage::kSupportUrlId, "support url", nullptr},
    };
    for (const auto& [id, name, tip] : controls) {
        SkinButton* b = page->button(id);
        ASSERT_NE(b, nullptr) << name;
        EXPECT_EQ(b->accessibleName(), U(name));
        EXPECT_NE(b->focusPolicy(), Qt::NoFocus);
        EXPECT_EQ(b->geometry(), ElementRect(ElementNamed(175, name)));
        if (tip) {
            EXPECT_EQ(b->toolTip(), U(tip));
        }
    }
    EXPECT_EQ(page->minButton()->toolTip(), U("最小化到任务栏"));
    EXPECT_EQ(page->closeButton()->toolTip(), U("关闭视窗"));
    EXPECT_EQ(page->backButton()->toolTip(), QString());

    Press(SupportPage::kUpdateSoftwareId);
    Press(SupportPage::kSupportUrlId);
    Press(SupportPage::kEmailId);
    // The mail program gets the address, an empty subject and an empty body.
    EXPECT_EQ(host.urls, (std::vector<QString>{U("https://maker.example/a/support.html"),
                                               U("https://maker.example/"),
                                               U("mailto:sales@maker.example?subject=&body=")}));
    Press(SupportPage::kUpdateFirmwareId);
    EXPECT_EQ(host.firmwareRequests, 1);
}

TEST_F(SupportPageTest, VersionsFollowTheMainWindowAndTheFirmwareButtonTheUpdater) {
    EXPECT_EQ(page->softwareVersion()->Text(), U("V1.00"));
    EXPECT_EQ(page->firmwareVersion()->Text(), U("-.--"));  // no mouse read yet
    page->SetFirmwareVersionText(U("V1.65"));
    EXPECT_EQ(page->firmwareVersion()->Text(), U("V1.65"));

    // While the updater is open the button is off, also on a page built afterwards.
    page->SetFirmwareUpdateEnabled(false);
    EXPECT_FALSE(page->button(SupportPage::kUpdateFirmwareId)->isEnabled());
    SupportPage later(host, nullptr);
    later.SetFirmwareUpdateEnabled(false);
    later.Open();
    EXPECT_FALSE(later.button(SupportPage::kUpdateFirmwareId)->isEnabled());
    Press(SupportPage::kUpdateFirmwareId);
    EXPECT_EQ(host.firmwareRequests, 0);
    page->SetFirmwareUpdateEnabled(true);
    EXPECT_TRUE(page->button(SupportPage::kUpdateFirmwareId)->isEnabled());
}

TEST(LinkOpener, ALinkNoProgramTookIsReportedWithItsAddress) {
    struct Case {
        const char* program;
        bool fails;
    };
    for (const Case& c :
         {Case{"true", false}, Case{"false", true}, Case{"/nonexistent/xdg-open", true}}) {
        LinkOpener opener;
        opener.SetProgram(U(c.program));
        std::vector<std::pair<QString, QString>> failures;
        opener.Open(
            U("mailto:sales@maker.example?subject=&body="),
            [&](const QString& url, const QString& reason) { failures.emplace_back(url, reason); });
        opener.WaitForAll();
        ASSERT_EQ(failures.size(), c.fails ? 1u : 0u) << c.program;
        if (c.fails) {
            EXPECT_EQ(failures[0].first, U("mailto:sales@maker.example?subject=&body="));
            EXPECT_FALSE(failures[0].second.isEmpty());
        }
    }
    EXPECT_EQ(AddressToCopy(U("mailto:sales@maker.example?subject=&body=")),
              U("sales@maker.example"));
    EXPECT_EQ(AddressToCopy(U("https://maker.example/a/support.html")),
              U("https://maker.example/a/support.html"));
}

}  // namespace
}  // namespace z7
