// Start-up and the title menu on the virtual platform: the animation picture by picture, its
// timing, and what each key of the menu opens.

#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "frame/Menu.h"
#include "frame/TitleBanner.h"
#include "support/TempDir.h"
#include "support/VirtualPlatform.h"

namespace numerion {
namespace {

const std::string kBlankRow(TextConsole::kColumns, ' ');

std::string padded(std::string_view text) {
    std::string row(text);
    row.resize(TextConsole::kColumns, ' ');
    return row;
}

// Virtual time at which step k (counted from 1 since the menu was entered) starts sleeping,
// for the first 100 steps: the delays run 100, 99, 98 ...
double stepStart(int k) {
    double t = 0;
    for (int j = 1; j < k; ++j)
        t += 101 - j;
    return t;
}

using Picture = std::array<std::string, TextConsole::kRows + 1>;  // rows 1..35

Picture pictureOf(const VirtualPlatform& vp) {
    Picture rows;
    for (int r = 1; r <= TextConsole::kRows; ++r)
        rows[r] = vp.row(r);
    return rows;
}

// The menu screen at step s: the banner's outer pairs at rows s, s + 1 and 13 - s, 14 - s,
// the middle row at row 7 unless a screen cleared it, the menu lines once a cycle has ended.
Picture menuPicture(int s, bool withMenuLines, bool withMiddleRow = true) {
    Picture rows;
    rows.fill(kBlankRow);
    rows[s] = padded(TitleBanner[0]);
    rows[s + 1] = padded(TitleBanner[1]);
    if (withMiddleRow) rows[7] = padded(TitleBanner[2]);
    rows[13 - s] = padded(TitleBanner[3]);
    rows[14 - s] = padded(TitleBanner[4]);
    if (withMenuLines) {
        rows[16] = padded("     1 = Spielbeginn");
        rows[18] = padded("     2 = Anleitung");
        rows[20] = padded("     3 = Bestenliste ( Top 100 )");
        rows[22] = padded("     4 = Spielende");
    }
    return rows;
}

void expectPicture(const Picture& seen, const Picture& expected, const std::string& when) {
    for (int r = 1; r <= TextConsole::kRows; ++r) {
        if (r == 26 || r == 28) continue;  // the credit lines are checked on their own
        EXPECT_EQ(seen[r], expected[r]) << when << ", row " << r;
    }
}

bool startsWith(const std::string& row, std::string_view prefix) {
    return row.compare(0, prefix.size(), prefix) == 0;
}

// Watches every wait of the program and plays the screens that the menu opens: it records
// which screens it saw, leaves the highscore list with Space, confirms the end banner with
// key 5 and, when asked, ends the program with key 4 once a list has closed.
class Autopilot {
  public:
    explicit Autopilot(VirtualPlatform& vp) : vp_(vp) {
        vp_.onWait([this](double now) { look(now); });
    }
    ~Autopilot() { vp_.onWait({}); }

    bool endAfterList = false;
    std::function<void()> onListOpened;
    int instructionsOpened = 0;
    int menuListsSeen = 0;       // the list opened from the menu: no player lines
    int afterGameListsSeen = 0;  // the list after a game: the player's place and points
    std::string playerPlaceLine;
    bool endBannerSeen = false;

  private:
    void look(double now) {
        const bool instructionsShown =
            startsWith(vp_.row(35), " << mit Leertaste geht es zurueck >>");
        if (instructionsShown && !instructionsShown_) ++instructionsOpened;
        instructionsShown_ = instructionsShown;

        if (startsWith(vp_.row(34), " Hauptmenue: Leertaste")) {
            if (!listShown_) {
                listShown_ = true;
                if (onListOpened) onListOpened();
                if (vp_.row(29) == kBlankRow && vp_.row(30) == kBlankRow) {
                    ++menuListsSeen;
                } else {
                    ++afterGameListsSeen;
                    playerPlaceLine = vp_.row(29);
                }
            }
            // Kept held (a scripted release may cut a hold short) until the list has seen it.
            if (!vp_.heldNow(Key::Space)) vp_.hold(Key::Space, now, now + 1000);
        } else if (listShown_) {
            listShown_ = false;
            if (endAfterList) vp_.hold(Key::Digit4, now + 300, now + 1000);
        }

        if (vp_.row(32).find("Druecke Taste 5") != std::string::npos && !endBannerSeen) {
            endBannerSeen = true;
            vp_.release(Key::Up, now);
            vp_.hold(Key::Digit5, now, now + 500);
        }
    }

    VirtualPlatform& vp_;
    bool instructionsShown_ = false;
    bool listShown_ = false;
};

class MenuTest : public ::testing::Test {
  protected:
    MenuTest() { vp.setDeadline(120'000); }

    int run() { return runProgram(vp.io, *state); }

    // Takes a picture of the screen while step k is waiting.
    void pictureAtStep(int k, Picture& into) {
        vp.at(stepStart(k) + 0.5, [this, &into] { into = pictureOf(vp); });
    }

    VirtualPlatform vp;
    std::unique_ptr<ProgramState> state = std::make_unique<ProgramState>();

  private:
    testing::TempWorkingDir dir_{"numerion-menu"};
};

TEST_F(MenuTest, StartUpPreparesEverythingAndKey4BeepsAndEndsWithStatus0) {
    vp.hold(Key::Digit4, stepStart(5) + 10, stepStart(5) + 500);
    EXPECT_EQ(run(), 0);

    EXPECT_EQ(std::filesystem::file_size("Highscore.rnk"), 4400U);
    EXPECT_EQ(state->highscores.at(100).points, 0);
    EXPECT_FALSE(vp.screen.cursorVisible());
    // Seeded once, with the timer as it read at start-up (virtual second 1000).
    RandomGenerator fresh;
    fresh.randomize(1000.0);
    EXPECT_EQ(vp.random.rnd(), fresh.rnd());

    // Key 4 beeps after the check of step 5 and leaves the screen as it was.
    EXPECT_EQ(vp.beepTimes(), std::vector<double>{stepStart(6)});
    expectPicture(pictureOf(vp), menuPicture(5, false), "after key 4");
}

TEST_F(MenuTest, TheBannerClosesInOnItsMiddleRowAndTheMenuFollowsEachCycle) {
    std::array<Picture, 12> shots;
    for (int k : {1, 2, 3, 4, 5, 6, 7, 11})
        pictureAtStep(k, shots[k]);
    vp.hold(Key::Digit4, stepStart(11) + 10, stepStart(11) + 500);
    EXPECT_EQ(run(), 0);

    for (int s = 1; s <= 5; ++s) {
        expectPicture(shots[s], menuPicture(s, false), "cycle 1, step " + std::to_string(s));
    }
    expectPicture(shots[6], menuPicture(1, true), "cycle 2, step 1");
    expectPicture(shots[7], menuPicture(2, true), "cycle 2, step 2");
    expectPicture(shots[11], menuPicture(1, true), "cycle 3, step 1");

    // The two credit lines: German in plain ASCII, from column 1, rows 27 empty between.
    for (int r : {26, 28}) {
        const std::string credit = shots[6][r];
        EXPECT_NE(credit, kBlankRow) << "row " << r;
        for (unsigned char ch : credit)
            EXPECT_TRUE(ch >= 32 && ch < 127) << "row " << r;
    }
    EXPECT_EQ(shots[6][27], kBlankRow);
}

TEST_F(MenuTest, TheAnimationSpeedsUpOverHundredStepsThenRestsWithABeepAndStartsSlowAgain) {
    // Step 100 ends at 5050 ms; the beep takes 250 ms and the rest 5000 ms, so step 101
    // sleeps from 10300 to 10400, step 102 to 10499 and step 103 to 10597.
    vp.hold(Key::Digit4, 10'500, 11'000);
    EXPECT_EQ(run(), 0);

    std::vector<double> expected{50, 50};
    for (int d = 99; d >= 1; --d)
        expected.push_back(d);
    expected.push_back(250);
    for (int i = 0; i < 100; ++i)
        expected.push_back(50);
    for (double d : {50.0, 50.0, 99.0, 98.0, 250.0})
        expected.push_back(d);
    EXPECT_EQ(vp.sleeps(), expected);
    EXPECT_EQ(vp.beepTimes(), (std::vector<double>{5050, 10'597}));
    expectPicture(pictureOf(vp), menuPicture(3, true), "step 103");
}

TEST_F(MenuTest, AKeyArrivingDuringTheRestEndsItButActsOnlyIfHeldAtTheCheck) {
    vp.type('x', 6000);
    // Step 101 then sleeps from 6000 to 6100, step 102 to 6199, step 103 to 6297.
    vp.hold(Key::Digit4, 6200, 6700);
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(vp.beepTimes(), (std::vector<double>{5050, 6297}));
    EXPECT_EQ(state->stepDelay, 97);
}

TEST_F(MenuTest, AKeyTappedBetweenTwoChecksActsOnceAtTheNextCheck) {
    vp.tap(Key::Digit2, stepStart(3) + 10, 20);
    vp.tap(Key::Space, 1000);
    // Released 20 ms later, during step 5's wait: the program ends at that step's check.
    vp.tap(Key::Digit4, 1100, 20);
    Autopilot pilot(vp);
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(pilot.instructionsOpened, 1);
    EXPECT_EQ(vp.beepTimes(), std::vector<double>{1000 + 97 + 96});
}

TEST_F(MenuTest, KeypadDigitsAndKeysWhileTheWindowHasNoFocusDoNothing) {
    for (Key key : {Key::Keypad1, Key::Keypad2, Key::Keypad3, Key::Keypad4}) {
        vp.hold(key, 100, 1000);
    }
    vp.setFocus(false, 1000);
    for (Key key : {Key::Digit1, Key::Digit2, Key::Digit3, Key::Digit4}) {
        vp.hold(key, 1000, 2000);
    }
    vp.setFocus(true, 2100);
    vp.hold(Key::Digit4, 2500, 3000);
    Autopilot pilot(vp);
    EXPECT_EQ(run(), 0);
    ASSERT_EQ(vp.beeps(), 1);
    EXPECT_GE(vp.beepTimes().front(), 2500);
    EXPECT_EQ(pilot.instructionsOpened, 0);
    EXPECT_EQ(pilot.menuListsSeen, 0);
}

TEST_F(MenuTest, Key2OpensTheInstructionsAndTheSameStepGoesOnOnABlankScreen) {
    // Held across the check at the end of step 3.
    vp.hold(Key::Digit2, stepStart(3) + 10, stepStart(3) + 200);
    Picture instructions;
    Picture step4;
    vp.at(800, [&] { instructions = pictureOf(vp); });
    vp.tap(Key::Space, 1000);
    vp.at(1050, [&] { step4 = pictureOf(vp); });
    vp.hold(Key::Digit4, 1100, 1500);
    EXPECT_EQ(run(), 0);

    EXPECT_EQ(instructions[5].substr(32, 8), "NUMERION");
    EXPECT_EQ(instructions[35], padded(" << mit Leertaste geht es zurueck >>"));
    // The instructions leave the screen cleared: the middle row returns only with the next
    // cycle, and the delay runs on where it was.
    expectPicture(step4, menuPicture(4, false, false), "step 4 after the instructions");
    EXPECT_EQ(vp.sleeps(), (std::vector<double>{50, 50, 99, 98, 97, 96, 250}));
    EXPECT_EQ(vp.beepTimes(), std::vector<double>{1000 + 97 + 96});
}

TEST_F(MenuTest, AKeyHeldAcrossSeveralChecksActsAtEachOfThem) {
    vp.hold(Key::Digit2, stepStart(3) + 10, 1500);
    vp.tap(Key::Space, 1000);
    vp.tap(Key::Space, 2000);
    vp.hold(Key::Digit4, 2100, 2500);
    Autopilot pilot(vp);
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(pilot.instructionsOpened, 2);
}

TEST_F(MenuTest, Keys2And3HeldTogetherOpenTheInstructionsAndThenTheListFromTheMenu) {
    vp.hold(Key::Digit2, stepStart(3) + 10, 1500);
    vp.hold(Key::Digit3, stepStart(3) + 10, 1500);
    vp.tap(Key::Space, 1000);
    Autopilot pilot(vp);
    pilot.endAfterList = true;
    std::array<std::int32_t, 2> whileListShown{};
    pilot.onListOpened = [&] { whileListShown = {state->fromMenu, state->newPlace}; };
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(pilot.instructionsOpened, 1);
    EXPECT_EQ(pilot.menuListsSeen, 1);
    EXPECT_EQ(pilot.afterGameListsSeen, 0);
    EXPECT_EQ(whileListShown, (std::array<std::int32_t, 2>{1, 101}));
    EXPECT_EQ(state->fromMenu, 0) << "reset at the next cycle";
}

TEST_F(MenuTest, Key1HeldWithTheOtherKeysStartsAGameOnlyAndTheMenuStartsAfreshAfterIt) {
    // Nothing this game can score beats place 100, so the chain goes straight to the list.
    for (int place = 1; place <= HighscoreTable::kPlaces; ++place) {
        state->highscores.at(place).points = 1'000'000;
    }
    vp.random.randomize(1.0);
    for (Key key : {Key::Digit1, Key::Digit2, Key::Digit3, Key::Digit4}) {
        vp.hold(key, stepStart(3) + 10, stepStart(3) + 300);
    }
    // Up into the top wall, three times over, loses the game within seconds.
    vp.press(Key::Up, stepStart(3) + 10);
    Autopilot pilot(vp);
    pilot.endAfterList = true;
    EXPECT_EQ(HAUPTMENUE(vp.io, *state), 0);

    EXPECT_EQ(vp.beepTimes().front(), stepStart(4)) << "the game's first beep";
    EXPECT_TRUE(pilot.endBannerSeen);
    EXPECT_EQ(state->game.lives, 0);
    EXPECT_EQ(pilot.instructionsOpened, 0);
    EXPECT_EQ(pilot.menuListsSeen, 0);
    EXPECT_EQ(pilot.afterGameListsSeen, 1);
    EXPECT_EQ(pilot.playerPlaceLine,
              padded("                        <<<<  Dein Platz  : Nicht unter den Top 100 !!"));
    // Back in the menu on a cleared screen with the delay at 100 again. The Space that left
    // the list is still unread, so it ends the first wait (100 ms) at once; then 99, 98, 97
    // and 96 ms pass, and key 4 (held from 300 ms after the list) ends the menu at step 5.
    expectPicture(pictureOf(vp), menuPicture(5, false), "the menu after the game");
    EXPECT_EQ(state->stepDelay, 95);
}

}  // namespace
}  // namespace numerion
