// The game as a package installs it: started from the path in NUMERION_INSTALLED (the binary
// taken out of the .deb by check_deb.sh), in an 80 x 35 pseudo-terminal, to the title menu
// and out again with key 4.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "e2e/GameDriver.h"
#include "support/PtyTerminal.h"

namespace numerion::e2e {
namespace {

TEST(InstalledGameTest, StartsToTheTitleMenuAndEndsOnKey4) {
    const char* binary = std::getenv("NUMERION_INSTALLED");
    ASSERT_NE(binary, nullptr) << "NUMERION_INSTALLED names the installed game";
    ASSERT_TRUE(std::filesystem::is_regular_file(binary)) << binary;

    ScratchDir dir;
    PtyTerminal term({binary}, dir.path().string());
    Keyboard keys(term, false);
    ASSERT_NO_FATAL_FAILURE(waitForMenu(term));
    EXPECT_EQ(term.rowText(16).rfind("     1 = Spielbeginn", 0), 0U) << term.screenText();
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "Highscore.rnk"));

    ASSERT_TRUE(keys.tap('4', leftTheAltScreen)) << term.screenText();
    ASSERT_NO_FATAL_FAILURE(expectExitStatus(term, 0));
    expectTerminalGivenBack(term);
}

}  // namespace
}  // namespace numerion::e2e
