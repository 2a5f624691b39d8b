// The real program in an 80 x 35 pseudo-terminal: title menu, instructions, and the way out.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <string_view>

#include "e2e/PtyTerminal.h"

namespace numerion::e2e {
namespace {

constexpr int kTimeout = 10000;

// A mode the program switched on is switched off again after the last time it was switched on.
bool switchedBack(const std::string& output, std::string_view on, std::string_view off) {
    const std::size_t lastOn = output.rfind(on);
    if (lastOn == std::string::npos) return true;
    const std::size_t lastOff = output.rfind(off);
    return lastOff != std::string::npos && lastOff > lastOn;
}

class MenuE2ETest : public ::testing::Test {
  protected:
    MenuE2ETest() {
        std::string pattern = (std::filesystem::temp_directory_path() / "numerion-e2e-XXXXXX");
        if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
        dir_ = pattern;
    }
    ~MenuE2ETest() override {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }

    std::filesystem::path dir_;
};

TEST_F(MenuE2ETest, ShowsTheTitleOpensTheInstructionsAndTheListAndEndsOnKey4RestoringTheTerminal) {
    PtyTerminal term({NUMERION_BINARY}, dir_.string());

    // A whole cycle has run once the menu lines stand; the banner is then assembled at the
    // end of every cycle.
    ASSERT_TRUE(term.waitForText(22, "4 = Spielende", kTimeout)) << term.screenText();
    EXPECT_TRUE(term.altScreen());
    EXPECT_FALSE(term.cursorVisible());
    EXPECT_EQ(term.rowText(16).rfind("     1 = Spielbeginn", 0), 0U) << term.rowText(16);
    EXPECT_EQ(term.rowText(18).rfind("     2 = Anleitung", 0), 0U) << term.rowText(18);
    EXPECT_EQ(term.rowText(20).rfind("     3 = Bestenliste ( Top 100 )", 0), 0U);
    ASSERT_TRUE(term.waitForText(5, "N  N  U  U  M  M  EEEE  RRRR  I  OOOO  N  N", kTimeout))
        << term.screenText();
    EXPECT_TRUE(std::filesystem::exists(dir_ / "Highscore.rnk"));

    term.send("2");
    ASSERT_TRUE(term.waitForText(35, " << mit Leertaste geht es zurueck >>", kTimeout))
        << term.screenText();
    EXPECT_EQ(term.rowText(5).rfind(
                  "          ▓                     NUMERION                          ▓", 0),
              0U)
        << term.rowText(5);
    EXPECT_NE(term.rowText(3).find("▓▓▓"), std::string::npos) << term.rowText(3);
    EXPECT_NE(term.rowText(26).find("1-9 : Zahlen zum Einsmmeln, bringen 1-9 Punkte"),
              std::string::npos);
    // Other keys are swallowed; the screen stays.
    term.send("x4");
    term.pump(500);
    EXPECT_TRUE(term.running());
    EXPECT_NE(term.rowText(35).find("zurueck"), std::string::npos) << term.screenText();

    term.send(" ");
    ASSERT_TRUE(term.waitForText(22, "4 = Spielende", kTimeout)) << term.screenText();
    EXPECT_EQ(term.rowText(35).find("zurueck"), std::string::npos);

    // The list of a new file: a hundred places at 0 points; from the menu no own place.
    term.send("3");
    ASSERT_TRUE(term.waitFor(
        [](const PtyTerminal& t) { return t.rowText(26).rfind("    10.", 0) == 0; }, kTimeout))
        << term.screenText();
    EXPECT_NE(term.screenText().find("Platz     Punkte           Spielername"), std::string::npos)
        << term.screenText();
    const std::string place1 = term.rowText(8);
    EXPECT_EQ(place1.rfind("    1.         0", 0), 0U) << place1;
    EXPECT_EQ(place1.substr(28, 15), "===============") << place1;
    EXPECT_EQ(term.screenText().find("Dein Platz"), std::string::npos) << term.screenText();
    term.pump(400);  // apart from the Space that opened the instructions
    term.send(" ");
    ASSERT_TRUE(term.waitForText(22, "4 = Spielende", kTimeout)) << term.screenText();
    EXPECT_EQ(term.screenText().find("Spielername"), std::string::npos) << term.screenText();

    const int bellsBefore = term.bellCount();
    term.send("4");
    const auto status = term.waitExit(kTimeout);
    ASSERT_TRUE(status.has_value()) << term.screenText();
    EXPECT_TRUE(status->exited);
    EXPECT_EQ(status->code, 0);
    EXPECT_EQ(term.bellCount(), bellsBefore + 1) << "key 4 beeps";
    EXPECT_FALSE(term.altScreen());
    EXPECT_TRUE(term.cursorVisible());
    const std::string& output = term.output();
    EXPECT_TRUE(switchedBack(output, "\x1b[?1004h", "\x1b[?1004l")) << "focus reports";
    EXPECT_TRUE(switchedBack(output, "\x1b[?2026h", "\x1b[?2026l")) << "synchronized output";
}

}  // namespace
}  // namespace numerion::e2e
