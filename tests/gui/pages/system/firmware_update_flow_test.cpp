// The updater window as the main window opens it: from the System and Support pages and from the
// offer at start, with Apply held and the firmware buttons off while it is open, and the mouse
// read again once it closes.
#include "gui/app/main_window_fixture.h"

#include <QSignalSpy>

#include "core/firmware/firmware_package.h"
#include "gui/pages/firmware/firmware_window.h"
#include "gui/pages/support/support_page.h"
#include "gui/pages/system/system_page.h"

namespace z7 {
void PrintTo(UpdaterView view, std::ostream* os);
}  // namespace z7

namespace z7::test {
namespace {

std::vector<uint8_t> MarkedPayload(size_t size, uint16_t version) {
    std::vector<uint8_t> p(size, 0x5A);
    std::copy(kFirmwareMarker.begin(), kFirmwareMarker.end(), p.begin());
    p[4] = static_cast<uint8_t>(version);
    p[5] = static_cast<uint8_t>(version >> 8);
    return p;
}

class FirmwareUpdateFlowTest : public MainWindowTest {
  protected:
    void Package(uint16_t version) {
        std::string name, error;
        ASSERT_TRUE(WriteFirmwarePackage(LocalFileSystem(), temp / "Firmware Updates",
                                         MarkedPayload(2500, version), version, &name, &error))
            << error;
    }
    SystemPage* system() { return static_cast<SystemPage*>(dlg->page(PageId::kSystem)); }
    SupportPage* support() { return static_cast<SupportPage*>(dlg->page(PageId::kSupport)); }
};

TEST_F(FirmwareUpdateFlowTest, TheSystemPageOpensTheUpdaterAndTheMouseIsReadAgainAfterIt) {
    Open();
    Package(170);  // after the start: no offer
    ASSERT_TRUE(popups.empty());
    dlg->OpenPage(PageId::kSystem);
    dlg->OpenPage(PageId::kSupport);
    QSignalSpy opened(dlg.get(), &MainWindow::firmwareUpdateRequested);
    QTest::mouseClick(system()->button(SystemPage::kUpdateFirmwareId), Qt::LeftButton);
    FirmwareWindow* window = dlg->firmwareWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(opened.count(), 1);
    // While it is open: no Apply anywhere, no second updater from either page.
    EXPECT_FALSE(dlg->applyButtonsEnabled());
    EXPECT_FALSE(system()->applyButton()->isEnabled());
    EXPECT_FALSE(system()->button(SystemPage::kUpdateFirmwareId)->isEnabled());
    EXPECT_FALSE(support()->button(SupportPage::kUpdateFirmwareId)->isEnabled());
    EXPECT_FALSE(system()->button(SystemPage::kFactoryDefaultId)->isEnabled());

    window->WaitForWorker();
    ASSERT_EQ(window->view(), UpdaterView::kFileNewer);
    EXPECT_EQ(window->mouseVersion()->Text(), U("1.65"));
    QTest::mouseClick(window->okButton(), Qt::LeftButton);
    window->WaitForWorker();
    ASSERT_EQ(window->view(), UpdaterView::kSuccess);
    EXPECT_EQ(mouse.state().firmwareVersion, 170);
    // The updater leaves the listener stopped and the shown version old until it closes.
    EXPECT_FALSE(link.eventOpen());
    QTest::mouseClick(window->cancelButton(), Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    dlg->WaitForDeviceWork();

    EXPECT_EQ(dlg->firmwareWindow(), nullptr);
    EXPECT_EQ(dlg->firmwareVersion(), 170);
    EXPECT_EQ(system()->firmwareVersion()->Text(), U("V1.70"));
    EXPECT_EQ(support()->firmwareVersion()->Text(), U("V1.70"));
    EXPECT_TRUE(link.eventOpen());  // listening again
    EXPECT_TRUE(dlg->applyButtonsEnabled());
    EXPECT_TRUE(system()->button(SystemPage::kUpdateFirmwareId)->isEnabled());
    EXPECT_TRUE(support()->button(SupportPage::kUpdateFirmwareId)->isEnabled());
    EXPECT_TRUE(messages.empty());
}

TEST_F(FirmwareUpdateFlowTest, TheOfferAtStartOpensTheUpdaterOnYes) {
    Package(172);
    mouse.Update([](SimState& s) { s.firmwareVersion = 160; });
    popupAnswer = kPopupNo;
    Open();
    dlg->OpenPage(PageId::kSupport);
    ASSERT_EQ(popups.size(), 1u);
    EXPECT_EQ(popups[0], (std::pair<int, QString>{kPopupCheckStart, U("V1.72")}));
    EXPECT_EQ(dlg->firmwareWindow(), nullptr);

    // Another mouse version is a new offer; Yes opens the updater on the Support page's path.
    popupAnswer = kPopupYes;
    mouse.Update([](SimState& s) { s.firmwareVersion = 170; });
    dlg->RefreshFromDevice();
    dlg->WaitForDeviceWork();
    ASSERT_EQ(popups.size(), 2u);
    FirmwareWindow* window = dlg->firmwareWindow();
    ASSERT_NE(window, nullptr);
    window->WaitForWorker();
    EXPECT_EQ(window->view(), UpdaterView::kFileNewer);
    EXPECT_EQ(window->fileVersion()->Text(), U("1.72"));
    EXPECT_FALSE(support()->button(SupportPage::kUpdateFirmwareId)->isEnabled());
    // Closing without updating gives everything back.
    QTest::mouseClick(window->closeButton(), Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    dlg->WaitForDeviceWork();
    EXPECT_EQ(dlg->firmwareWindow(), nullptr);
    EXPECT_TRUE(dlg->applyButtonsEnabled());
    EXPECT_EQ(mouse.state().firmwareVersion, 170);
    EXPECT_EQ(popups.size(), 2u);  // the refresh after it does not ask again
    EXPECT_TRUE(messages.empty());
}

}  // namespace
}  // namespace z7::test
