#include <gtest/gtest.h>

#include <string>

#include "highscore/HighscoreTestSupport.h"
#include "highscore/Namenseingabe.h"
#include "support/VirtualPlatform.h"

namespace numerion {
namespace {

using testing::append;
using testing::onePerPass;
using testing::PassPilot;
using testing::pathOnGrid;

constexpr int kDel = 67;
constexpr int kEnd = 68;
constexpr int cellOf(char c) {
    return static_cast<unsigned char>(c) - 30;
}

// Spells a name: moves to each cell in turn and takes it with Enter.
class Spelling {
  public:
    Spelling& take(int cell, int times = 1) {
        append(passes_, pathOnGrid(at_, cell));
        for (int i = 0; i < times; ++i)
            passes_.push_back({Key::Enter});
        at_ = cell;
        return *this;
    }
    Spelling& take(char c, int times = 1) { return take(cellOf(c), times); }
    Spelling& keys(const std::vector<PassPilot::Keys>& more) {
        append(passes_, more);
        return *this;
    }
    Spelling& movedTo(int cell) {
        at_ = cell;
        return *this;
    }
    std::vector<PassPilot::Keys> finished() {
        take(kEnd);
        return passes_;
    }

  private:
    int at_ = 0;
    std::vector<PassPilot::Keys> passes_;
};

class NameEntry : public ::testing::Test {
  protected:
    std::string run(std::vector<PassPilot::Keys> passes) {
        platform.tap(Key::Digit5, 0);  // the banner's key is still pending
        platform.setDeadline(10 * 60 * 1000);
        PassPilot pilot(platform, std::move(passes));
        return NAMENSEINGABE(platform.io, grid);
    }
    std::uint8_t at(int row, int column) const { return platform.screen.cell(row, column).ch; }
    bool highlighted(int row, int column) const {
        return platform.screen.cell(row, column).attr == 7 + 16 * 3;
    }
    int highlightedCells() const {
        int n = 0;
        for (int r = 1; r <= 35; ++r) {
            for (int c = 1; c <= 80; ++c)
                n += platform.screen.cell(r, c).attr >> 4 == 3;
        }
        return n;
    }

    VirtualPlatform platform;
    NameGrid grid;
};

std::string blanks(int n) {
    return std::string(static_cast<std::size_t>(n), ' ');
}

TEST_F(NameEntry, DrawsTheGreetingTheHelpTheGridAndTheNameLine) {
    const std::string name = run(Spelling().finished());
    EXPECT_EQ(name, blanks(15));

    auto line = [this](int r) { return testing::trimmed(platform.row(r)); };
    EXPECT_EQ(line(3), "     Du hast es in die Bestenliste geschafft - Herzlichen Glueckwunsch !");
    EXPECT_EQ(line(4), blanks(5) + std::string(67, '-'));
    EXPECT_EQ(line(8), "  Gib Deinen Namen ein: - Bewegung mit Pfeiltasten");
    EXPECT_EQ(line(9), "                        - Auswahl mit Enter");
    EXPECT_EQ(line(10), "                        - Zeichen loeschen mit <DEL>");
    EXPECT_EQ(line(11), "                        - Abschluss der Namenseingabe mit <END>");
    for (int r : {1, 2, 5, 6, 7, 12, 13, 15, 31, 32, 34, 35})
        EXPECT_EQ(line(r), "") << r;

    EXPECT_EQ(line(14), blanks(24) + "\x1E   \x1F       !   \"   #   $   %");
    EXPECT_EQ(line(16), blanks(24) + "&   '   (   )   *   +   ,   -");
    EXPECT_EQ(line(22), blanks(24) + ">   ?   @   A   B   C   D   E");
    EXPECT_EQ(line(28), blanks(24) + "V   W   X   Y   Z   [   \\   ]");
    EXPECT_EQ(line(30), blanks(24) + ".   .   .   DEL END .   .   .");
    std::string nameLine = blanks(22) + "\xAE";
    for (int i = 0; i < 15; ++i)
        nameLine += " _";
    EXPECT_EQ(line(33), nameLine + " \xAF");

    // The screen stays as it was left: "END" still highlighted, and only it.
    EXPECT_TRUE(highlighted(30, 41));
    EXPECT_TRUE(highlighted(30, 43));
    EXPECT_EQ(highlightedCells(), 3);
    // The opening beep and the one of "END".
    EXPECT_EQ(platform.beeps(), 2);
}

TEST_F(NameEntry, TakenCharactersStandOnTheNameLineAndThePaddedNameIsReturned) {
    EXPECT_EQ(run(Spelling().take('A').take('B').finished()), "AB" + blanks(13));
    EXPECT_EQ(at(33, 25), 'A');
    EXPECT_EQ(at(33, 27), 'B');
    EXPECT_EQ(at(33, 29), '_');
    EXPECT_EQ(platform.beeps(), 4);
}

TEST_F(NameEntry, TheSixteenthCharacterIsRefusedSilently) {
    EXPECT_EQ(run(Spelling().take('A', 16).finished()), std::string(15, 'A'));
    EXPECT_EQ(at(33, 53), 'A');
    EXPECT_EQ(at(33, 55), 0xAF);
    EXPECT_EQ(platform.beeps(), 1 + 15 + 1);
}

TEST_F(NameEntry, DelRemovesTheLastCharacterAndShowsItsUnderscoreAgain) {
    const std::string name =
        run(Spelling().take('A').take('B').take('C').take(kDel).take('D').take(kDel).finished());
    EXPECT_EQ(name, "AB" + blanks(13));
    EXPECT_EQ(at(33, 27), 'B');
    EXPECT_EQ(at(33, 29), '_');
    EXPECT_EQ(platform.beeps(), 1 + 3 + 1 + 1 + 1 + 1);
}

TEST_F(NameEntry, TheHighlightStopsAtTheEdgesOfTheGrid) {
    Spelling spelling;
    spelling.keys(onePerPass({Key::Up, Key::Left, Key::Enter}));  // code 30 at cell 0
    spelling.keys(std::vector<PassPilot::Keys>(9, {Key::Right}));
    spelling.keys(onePerPass({Key::Enter}));  // cell 7, "%"
    spelling.keys(std::vector<PassPilot::Keys>(10, {Key::Down}));
    spelling.keys(onePerPass({Key::Right, Key::Enter}));  // cell 71, a filler dot
    spelling.keys(std::vector<PassPilot::Keys>(9, {Key::Left}));
    spelling.keys(onePerPass({Key::Enter}));  // cell 64, a filler dot
    spelling.movedTo(64);
    EXPECT_EQ(run(spelling.finished()), "\x1E%.." + blanks(11));
    // Arrows at an edge are ignored without a sound: the opening beep, four takes and "END".
    EXPECT_EQ(platform.beeps(), 1 + 4 + 1);
}

TEST_F(NameEntry, TheBlankTheTrianglesAndTheDotsAreCharactersLikeAnyOther) {
    const std::string name =
        run(Spelling().take(' ').take(0).take(1).take(66).take('.').finished());
    EXPECT_EQ(name, " \x1E\x1F.." + blanks(10));
}

// "DEL" on an empty name does nothing and is silent; keys that are no arrows and no Enter (the
// game's own keys, End on the keypad) neither move the highlight nor take anything.
TEST_F(NameEntry, DelOnAnEmptyNameAndKeysOutsideTheGridDoNothing) {
    Spelling spelling;
    spelling.take(kDel, 3).take(0);
    spelling.keys({{Key::Space}, {Key::Escape}, {Key::Digit5}, {Key::Keypad1}, {Key::Keypad5}});
    EXPECT_EQ(run(spelling.take(0).finished()), "\x1E\x1E" + blanks(13));
    EXPECT_EQ(platform.beeps(), 1 + 2 + 1);
}

}  // namespace
}  // namespace numerion
