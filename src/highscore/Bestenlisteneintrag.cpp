// The after-game chain: qualification, name entry, insertion, save, then the list.

#include "highscore/Bestenlisteneintrag.h"

#include "highscore/Bestenlistenanzeige.h"
#include "highscore/HighscoreFile.h"

namespace numerion {

namespace {
// Report lines of the index checks on the table while a result is inserted.
constexpr int kLineCompare = 322;
constexpr int kLineMoveDown = 323;
constexpr int kLineNewPoints = 331;
constexpr int kLineNewName = 332;
constexpr int kLineNewDateTime = 333;
constexpr std::int32_t kNotInList = 101;
}  // namespace

void insertResult(HighscoreTable& highscores, std::int32_t points, std::string_view playerName,
                  std::string_view endDateTime, std::int32_t& newPlace) {
    // From place 99 upwards: every entry with fewer points moves down one place, whole.
    int place = 1;
    for (int i = 99; i >= 1; --i) {
        if (highscores.at(i, kLineCompare).points >= points) {
            place = i + 1;
            break;
        }
        highscores.at(i + 1, kLineMoveDown) = highscores.at(i, kLineMoveDown);
    }
    highscores.at(place, kLineNewPoints).points = points;
    storeText(highscores.at(place, kLineNewName).name, playerName);
    storeText(highscores.at(place, kLineNewDateTime).dateTime, endDateTime);
    newPlace = place;
}

void saveResult(HighscoreTable& highscores, std::int32_t points, std::string_view playerName,
                std::string_view endDateTime, std::int32_t& newPlace) {
    saveHighscoreFile(highscores, [&](HighscoreTable& now) {
        // Other games may have saved since this one started: the result must still beat
        // place 100 of the list as it is now.
        if (points <= now.at(100).points) {
            newPlace = kNotInList;
            return false;
        }
        insertResult(now, points, playerName, endDateTime, newPlace);
        return true;
    });
}

void BESTENLISTENEINTRAG(Services& io, const GameResult& game, HighscoreTable& highscores,
                         NameGrid& grid, std::int32_t& newPlace) {
    // Equal to place 100 is not enough: the older result keeps its place.
    if (game.points > highscores.at(100).points) {
        const std::string playerName = NAMENSEINGABE(io, grid);
        saveResult(highscores, game.points, playerName, game.endDateTime, newPlace);
    }
    BESTENLISTENANZEIGE(io, 0, highscores, game.points, newPlace);
}

}  // namespace numerion
