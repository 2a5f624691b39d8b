// The framed banners that end a game, and the wait for the main-row key 5.

#include "game/Banner.h"

#include <array>
#include <string_view>

namespace numerion {

namespace {

constexpr std::array<std::string_view, 5> kWinBanner = {
    "##############################################",
    "#                                            #",
    "# Gewonnen ! Du hast alle Zahlen eingesammlt #",
    "#                                            #",
    "##############################################",
};

constexpr std::array<std::string_view, 5> kLossBanner = {
    "##########################################", "#                                        #",
    "# Spiel vorbei - Du hast kein Leben mehr #", "#                                        #",
    "##########################################",
};

constexpr int kBannerColour = 12;  // light red

// Between two looks at key 5 the wait sleeps until input arrives, instead of spinning.
constexpr int kKeyLookIdleMs = 50;

}  // namespace

void showEndBanner(Services& io, GameState& game, GameEnd end) {
    TextConsole& screen = io.screen;
    screen.locate(27, 1);
    screen.setColor(kBannerColour);
    for (std::string_view line : end == GameEnd::Won ? kWinBanner : kLossBanner) {
        screen.printText(line, Ending::LineBreak);
    }
    screen.printText("Druecke Taste 5 zur Fortsetzung!", Ending::LineBreak);
    screen.setColor(kTextColour);

    game.endDateTime = dateTimeText(io.keys);

    while (io.keys.isKeyDown(scan::kDigit5) == 0)
        io.keys.idle(kKeyLookIdleMs);
}

}  // namespace numerion
