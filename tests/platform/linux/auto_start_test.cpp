#include "platform/auto_start.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "support/temp_dir.h"

namespace z7 {
namespace {

TEST(XdgAutoStart, WritesAndRemovesADesktopEntry) {
    test::TempDir dir;
    const char* old = std::getenv("XDG_CONFIG_HOME");
    const std::string saved = old ? old : "";
    setenv("XDG_CONFIG_HOME", dir.path().c_str(), 1);

    auto autoStart = CreateAutoStart();
    EXPECT_FALSE(autoStart->Disable(u"Kesta Z7 Software"));  // nothing there: quiet failure
    ASSERT_TRUE(autoStart->Enable(u"Kesta Z7 Software"));
    // Named like the installed desktop entry, so the session sees the same program.
    const auto file = dir / "autostart" / "com.kesta.Z7Config.desktop";
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_NE(text.str().find("[Desktop Entry]"), std::string::npos);
    EXPECT_NE(text.str().find("Exec=\""), std::string::npos);
    EXPECT_NE(text.str().find("\" --minimized\n"), std::string::npos);
    EXPECT_NE(text.str().find("Icon=com.kesta.Z7Config\n"), std::string::npos);
    EXPECT_TRUE(autoStart->IsEnabled(u"Kesta Z7 Software"));
    EXPECT_TRUE(autoStart->Disable(u"Kesta Z7 Software"));
    EXPECT_FALSE(std::filesystem::exists(file));

    // The entry an earlier version wrote is replaced, never kept beside the new one.
    const auto legacy = dir / "autostart" / "kesta-z7-software.desktop";
    { std::ofstream(legacy) << "[Desktop Entry]\n"; }
    EXPECT_TRUE(autoStart->IsEnabled(u"Kesta Z7 Software"));
    ASSERT_TRUE(autoStart->Enable(u"Kesta Z7 Software"));
    EXPECT_FALSE(std::filesystem::exists(legacy));
    { std::ofstream(legacy) << "[Desktop Entry]\n"; }
    EXPECT_TRUE(autoStart->Disable(u"Kesta Z7 Software"));
    EXPECT_FALSE(std::filesystem::exists(legacy));
    EXPECT_FALSE(autoStart->IsEnabled(u"Kesta Z7 Software"));

    if (old)
        setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
    else
        unsetenv("XDG_CONFIG_HOME");
}

}  // namespace
}  // namespace z7
