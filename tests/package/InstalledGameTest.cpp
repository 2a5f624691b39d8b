// The game as a package installs it: started from the path in NUMERION_INSTALLED (the binary
// taken out of the .deb by check_deb.sh), in an 80 x 35 pseudo-terminal, to the title menu and
// out again with key 4, which beeps and gives the terminal back as it was found.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "e2e/GameDriver.h"
#include "support/PtyTerminal.h"

namespace numerion::e2e {
namespace {

// A mode the program switched on is switched off again after the last time it was switched on.
bool switchedOnAndBack(const std::string& output, std::string_view on, std::string_view off) {
    const std::size_t lastOn = output.rfind(on);
    const std::size_t lastOff = output.rfind(off);
    return lastOn != std::string::npos && lastOff != std::string::npos && lastOff > lastOn;
}

TEST(InstalledGameTest, StartsToTheTitleMenuAndEndsOnKey4GivingTheTerminalBack) {
    const char* binary = std::getenv("NUMERION_INSTALLED");
    ASSERT_NE(binary, nullptr) << "NUMERION_INSTALLED names the installed game";
    ASSERT_TRUE(std::filesystem::is_regular_file(binary)) << binary;

    ScratchDir dir;
    PtyTerminal term({binary}, dir.path().string());
    Keyboard keys(term, false);
    ASSERT_NO_FATAL_FAILURE(waitForMenu(term));
    EXPECT_EQ(term.rowText(16).rfind("     1 = Spielbeginn", 0), 0U) << term.screenText();
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "Highscore.rnk"));

    const int bellsBefore = term.bellCount();
    ASSERT_TRUE(keys.tap('4', leftTheAltScreen)) << term.screenText();
    ASSERT_NO_FATAL_FAILURE(expectExitStatus(term, 0));
    EXPECT_EQ(term.bellCount(), bellsBefore + 1) << "key 4 beeps";
    expectTerminalGivenBack(term);
    const std::string& output = term.output();
    EXPECT_TRUE(switchedOnAndBack(output, "\x1b[?1004h", "\x1b[?1004l")) << "focus reports";
    EXPECT_TRUE(switchedOnAndBack(output, "\x1b[?2004h", "\x1b[?2004l")) << "bracketed paste";
    EXPECT_TRUE(switchedOnAndBack(output, "\x1b[?2026h", "\x1b[?2026l")) << "synchronized output";
}

}  // namespace
}  // namespace numerion::e2e
