// The list screen: ten places a page in one of four drawing styles, paged with the arrows.

#include "highscore/Bestenlistenanzeige.h"

#include <array>
#include <string>
#include <string_view>

#include "console/RunTimeError.h"

namespace numerion {
namespace {

constexpr int kFirstPlaceRow = 8;
constexpr int kPlacesPerPage = 10;
constexpr int kSlideSteps = 78;
// Report lines of the index checks on the places of a page, one per drawing style.
constexpr int kLinePrintedRow = 425;
constexpr int kLineSlideEachRow = 444;
constexpr int kLineSlideAllRows = 470;
// What clears a row of the page before it is drawn: 77 blanks.
constexpr std::string_view kBlankPlaceRow =
    "                                                                             ";
static_assert(kBlankPlaceRow.size() == 77);

enum class Style { OneByOnePaused = 1, OneByOne = 2, SlideEachRow = 3, SlideAllRows = 4 };

// The pauses of the styles; waited out without spinning on the clock.
constexpr double kRowPauseSeconds = 0.2;
constexpr double kSlideStepPauseSeconds = 0.006;
constexpr double kSlideRowPauseSeconds = 0.0008;

void pause(KeyInput& keys, double seconds) {
    const double start = keys.timerSeconds();
    keys.waitUntil(start + seconds);
}

// Styles 1 and 2: printed in print zones. Names and dates are bytes from the file: they are
// shown as glyphs, so a damaged file cannot ring the bell or move the cursor.
void printZonedRow(TextConsole& screen, int place, const HighscoreEntry& entry) {
    screen.printText("   ");
    screen.printNumber(place);
    screen.printText(".", Ending::NextZone);
    screen.printNumber(entry.points, Ending::NextZone);
    screen.printGlyphs(fieldBytes(entry.name), Ending::NextZone);
    screen.printGlyphs(fieldBytes(entry.dateTime), Ending::LineBreak);
    screen.newLine();
}

// Styles 3 and 4: one string, padded so that the points start in column 16 and the name in 29.
std::string rowText(int place, const HighscoreEntry& entry) {
    const std::string placeText = std::to_string(place);
    const std::string pointsText = std::to_string(entry.points);
    std::string text = "    " + placeText + ".";
    text.append(static_cast<std::size_t>(10 - static_cast<int>(placeText.size())), ' ');
    text += pointsText;
    const int gap = 13 - static_cast<int>(pointsText.size());
    if (gap > 0) text.append(static_cast<std::size_t>(gap), ' ');
    text += fieldText(entry.name);
    text.append(13, ' ');
    text += fieldText(entry.dateTime);
    text.append(5, ' ');
    return text;
}

// One step of a slide: the row's first 79 - startColumn characters from startColumn on.
void printSlideStep(TextConsole& screen, int row, int startColumn, const std::string& text) {
    screen.locate(row, startColumn);
    screen.printGlyphs(std::string_view(text).substr(0, static_cast<std::size_t>(79 - startColumn)),
                       Ending::LineBreak);
}

void drawPage(Services& io, Style style, const HighscoreTable& highscores, int firstPlace) {
    TextConsole& screen = io.screen;
    for (int row = kFirstPlaceRow; row <= 26; ++row) {
        screen.locate(row, 1);
        screen.printText(kBlankPlaceRow, Ending::LineBreak);
    }
    const int lastPlace = firstPlace + kPlacesPerPage - 1;
    auto rowOf = [firstPlace](int place) { return kFirstPlaceRow + 2 * (place - firstPlace); };

    switch (style) {
        case Style::OneByOnePaused:
        case Style::OneByOne:
            screen.locate(kFirstPlaceRow, 1);
            for (int place = firstPlace; place <= lastPlace; ++place) {
                if (style == Style::OneByOnePaused) pause(io.keys, kRowPauseSeconds);
                printZonedRow(screen, place, highscores.at(place, kLinePrintedRow));
            }
            break;
        // The table does not change while a page slides in: each row's text is built once.
        case Style::SlideEachRow:
            for (int place = firstPlace; place <= lastPlace; ++place) {
                const std::string text = rowText(place, highscores.at(place, kLineSlideEachRow));
                for (int start = kSlideSteps; start >= 1; --start) {
                    printSlideStep(screen, rowOf(place), start, text);
                    pause(io.keys, kSlideStepPauseSeconds);
                }
            }
            break;
        case Style::SlideAllRows: {
            std::array<std::string, kPlacesPerPage> texts;
            for (int place = firstPlace; place <= lastPlace; ++place)
                texts[static_cast<std::size_t>(place - firstPlace)] =
                    rowText(place, highscores.at(place, kLineSlideAllRows));
            for (int start = kSlideSteps; start >= 1; --start) {
                for (int place = firstPlace; place <= lastPlace; ++place) {
                    printSlideStep(screen, rowOf(place), start,
                                   texts[static_cast<std::size_t>(place - firstPlace)]);
                    pause(io.keys, kSlideRowPauseSeconds);
                }
            }
            break;
        }
    }
}

}  // namespace

void BESTENLISTENANZEIGE(Services& io, std::int32_t fromMenu, const HighscoreTable& highscores,
                         std::int32_t newPoints, std::int32_t newPlace) {
    RoutineScope scope("BESTENLISTENANZEIGE");
    TextConsole& screen = io.screen;
    KeyInput& keys = io.keys;

    const auto style = static_cast<Style>(io.random.below(4) + 1);

    screen.clear();
    screen.newLine();
    screen.newLine();
    screen.printText("                          Bestenliste ( Top 100 )", Ending::LineBreak);
    screen.printText(std::string(26, ' ') + std::string(23, '='), Ending::LineBreak);
    screen.newLine();
    screen.printText("   Platz     Punkte           Spielername                  Datum / Uhrzeit",
                     Ending::LineBreak);

    if (fromMenu == 0) {
        screen.locate(29, 25);
        if (newPlace <= HighscoreTable::kPlaces) {
            screen.printText("<<<<  Dein Platz  :");
            screen.printNumber(newPlace);
            screen.printText(".", Ending::LineBreak);
        } else {
            screen.printText("<<<<  Dein Platz  : Nicht unter den Top 100 !!", Ending::LineBreak);
        }
        screen.locate(30, 25);
        screen.printText("<<<<  Deine Punkte:");
        screen.printNumber(newPoints, Ending::LineBreak);
    }
    screen.locate(33, 1);
    screen.printText(" Blaettern : Pfeil hoch & runter ", Ending::LineBreak);
    screen.printText(" Hauptmenue: Leertaste", Ending::LineBreak);

    int firstPlace = 1;
    drawPage(io, style, highscores, firstPlace);
    for (;;) {
        keys.sleepMs(80);
        if (keys.isKeyDown(scan::kUp) && firstPlace > 1) {
            firstPlace -= kPlacesPerPage;
            drawPage(io, style, highscores, firstPlace);
        } else if (keys.isKeyDown(scan::kDown) &&
                   firstPlace + kPlacesPerPage - 1 < HighscoreTable::kPlaces) {
            firstPlace += kPlacesPerPage;
            drawPage(io, style, highscores, firstPlace);
        } else if (keys.isKeyDown(scan::kSpace)) {
            break;
        }
    }
    screen.clear();
}

}  // namespace numerion
