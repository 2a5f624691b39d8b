// The instructions screen: story, rules and the legend of the game's symbols.

#include "frame/Anleitung.h"

#include <optional>
#include <string_view>

#include "console/RunTimeError.h"
#include "game/Castle.h"

namespace numerion {

namespace {

constexpr std::string_view kFrameFull =
    "          \xB2\xB2\xB2\xB2\xB2\xB2\xB2\xB2\xB2\xB2\xB2\xB2\xB2\xB2\xB2\xB2\xB2\xB2\xB2"
    "\xB2\xB2\xB2\xB2\xB2\xB2\xB2\xB2\xB2\xB2\xB2\xB2\xB2\xB2\xB2\xB2\xB2\xB2\xB2\xB2"
    "\xB2\xB2\xB2\xB2\xB2\xB2\xB2\xB2\xB2\xB2\xB2\xB2\xB2\xB2\xB2\xB2\xB2\xB2";
constexpr std::string_view kFrameSides =
    "          \xB2                                                       \xB2";
constexpr std::string_view kFrameTitle =
    "          \xB2                     NUMERION                          \xB2";

constexpr std::string_view kStory[] = {
    " Der grosse Zahlenmagier Numerion begab sich eines Tages mit einem Wollsack",
    " voller Zahlen in sein Schloss. Leider hatte der alte Wollsack viele Loecher.",
    " So kam es, dass eine Zahl nach der anderen herausplumste und sich die ganzen",
    " Zahlen im Schloss verteilten.",
    " Deine Aufgabe als Zauberlehrling von Numerion besteht nun darin die gesamten",
    " verlorenen Zahlen im ganzen Schloss einzusammeln.",
    " Numerion hatte im Schloss zu allem Uebel auch noch Minen verteilt,um",
    " umliebsame Einbrecher abzuhalten. Gib acht vor diesen Minen !",
    " Dabei kannst Du ueber Ausgaenge zwischen den 100 Raeumen wechseln.",
    " Aller 2500 Punkte bekommst Du ein Extra-Leben.",
    " Im Spiel kannst Du 3 mal eine Verschnaufpause einlegen.",
};

// The legend shows the glyphs and colours of the game screen, each glyph in column 5.
constexpr std::string_view kLegendIndent = "    ";
constexpr std::string_view kApprenticeText = "   : Zauberlehrling  - Steuerung mit Pfeiltasten";
constexpr std::string_view kBreather = "                          - Verschnaufpause mit Leertaste";
constexpr std::string_view kDigits = "    1-9 : Zahlen zum Einsmmeln, bringen 1-9 Punkte";
constexpr std::string_view kMineText = "   : Mine";
constexpr std::string_view kWallText = "   : Raumwaende sollten nicht beruehrt werden";
constexpr std::string_view kBackLine = " << mit Leertaste geht es zurueck >>";

// Nothing shows on the screen that needs a faster answer than this; the wait ends at once
// when a key arrives anyway.
constexpr int kIdleMs = 500;

// The apprentice keeps the colours in force; walls and mines show in their own, from the
// start of the line to the glyph.
void printLegendLine(TextConsole& screen, char glyph, std::optional<int> colour,
                     std::string_view text) {
    if (colour) screen.setColor(colour);
    screen.printText(kLegendIndent);
    screen.printText(std::string_view(&glyph, 1));
    if (colour) screen.setColor(kTextColour);
    screen.printText(text, Ending::LineBreak);
}

}  // namespace

void SPIELANLEITUNG(Services& io) {
    RoutineScope scope("SPIELANLEITUNG");
    TextConsole& screen = io.screen;
    KeyInput& keys = io.keys;

    screen.clear();
    // Keys typed before the screen opened must not close it.
    while (!keys.readKey().empty()) {
    }

    screen.newLine();
    screen.newLine();
    screen.printText(kFrameFull, Ending::LineBreak);
    screen.printText(kFrameSides, Ending::LineBreak);
    screen.printText(kFrameTitle, Ending::LineBreak);
    screen.printText(kFrameSides, Ending::LineBreak);
    screen.printText(kFrameFull, Ending::LineBreak);
    screen.newLine();
    screen.newLine();
    for (std::string_view line : kStory)
        screen.printText(line, Ending::LineBreak);
    screen.newLine();
    screen.newLine();
    printLegendLine(screen, kApprenticeGlyph, std::nullopt, kApprenticeText);
    screen.printText(kBreather, Ending::LineBreak);
    screen.newLine();
    screen.printText(kDigits, Ending::LineBreak);
    screen.newLine();
    printLegendLine(screen, kMineGlyph, kMineColour, kMineText);
    screen.newLine();
    printLegendLine(screen, kWallGlyph, kWallColour, kWallText);
    for (int i = 0; i < 4; ++i)
        screen.newLine();
    // The line break on row 35 leaves a line feed pending; the clear below drops it unscrolled.
    screen.printText(kBackLine, Ending::LineBreak);

    // Every key but Space is swallowed. Between looks the program sleeps until input arrives
    // instead of polling the buffer without pause.
    for (;;) {
        const std::string key = keys.readKey();
        if (key == " ") break;
        if (key.empty()) keys.idle(kIdleMs);
    }
    screen.clear();
}

}  // namespace numerion
