// The name entry: a highlight moved over a grid of 72 cells, taken with Enter.

#include <string>

#include "console/RunTimeError.h"
#include "highscore/Bestenliste.h"

namespace numerion {
namespace {

constexpr int kTopRow = 14;
constexpr int kBottomRow = 30;
constexpr int kLeftColumn = 25;
constexpr int kRightColumn = 53;
constexpr int kNameRow = 33;
constexpr int kMaxNameLength = 15;
// Slot of the fifteenth character on the name line.
constexpr int kLastSlotColumn = kLeftColumn + 2 * (kMaxNameLength - 1);

void drawCell(TextConsole& screen, const std::string& text, int row, int column, bool highlighted) {
    screen.locate(row, column);
    screen.setColor(7, highlighted ? 3 : 0);
    screen.printText(text, Ending::LineBreak);
}

}  // namespace

std::string NAMENSEINGABE(Services& io, NameGrid& grid) {
    TextConsole& screen = io.screen;
    KeyInput& keys = io.keys;

    screen.clear();
    screen.newLine();
    screen.newLine();
    screen.printText("     Du hast es in die Bestenliste geschafft - Herzlichen Glueckwunsch !",
                     Ending::LineBreak);
    screen.printText("     " + std::string(67, '-'), Ending::LineBreak);
    screen.newLine();
    screen.newLine();
    screen.newLine();
    screen.printText("  Gib Deinen Namen ein: - Bewegung mit Pfeiltasten", Ending::LineBreak);
    screen.printText("                        - Auswahl mit Enter", Ending::LineBreak);
    screen.printText("                        - Zeichen loeschen mit <DEL>", Ending::LineBreak);
    screen.printText("                        - Abschluss der Namenseingabe mit <END>",
                     Ending::LineBreak);

    // Codes 30 to 93: the two triangles, the blank, punctuation, digits and capitals.
    for (int k = 0; k <= 63; ++k) {
        checkIndex(k, 71, 272);
        grid[static_cast<std::size_t>(k)] = std::string(1, static_cast<char>(k + 30));
    }
    for (int k : {64, 65, 66, 69, 70, 71}) {
        checkIndex(k, 71, 276);
        grid[static_cast<std::size_t>(k)] = ".";
    }
    grid[67] = "DEL";
    grid[68] = "END";
    for (int gridRow = 0; gridRow < 9; ++gridRow) {
        for (int gridColumn = 0; gridColumn < 8; ++gridColumn) {
            const int k = gridRow * 8 + gridColumn;
            checkIndex(k, 71, 283);
            screen.locate(kTopRow + 2 * gridRow, kLeftColumn + 4 * gridColumn);
            screen.printText(grid[static_cast<std::size_t>(k)]);
        }
    }
    screen.locate(30, 37);
    screen.printText("DEL", Ending::LineBreak);
    screen.locate(30, 41);
    screen.printText("END", Ending::LineBreak);

    std::string nameLine(1, static_cast<char>(174));
    for (int i = 0; i < kMaxNameLength; ++i)
        nameLine += " _";
    nameLine += " ";
    nameLine += static_cast<char>(175);
    screen.locate(kNameRow, 23);
    screen.printText(nameLine, Ending::LineBreak);

    keys.beep();
    // After a game the key 5 of the banner is still pending, so this returns at once there.
    keys.sleepMs(-1);

    std::string playerName;
    bool done = false;
    int cell = 0;
    int row = kTopRow;
    int column = kLeftColumn;
    int slotColumn = kLeftColumn;
    auto text = [&grid](int k, int line) -> const std::string& {
        checkIndex(k, 71, line);
        return grid[static_cast<std::size_t>(k)];
    };
    drawCell(screen, text(cell, 296), row, column, true);

    // A move draws the old cell plainly, then the new one highlighted.
    auto move = [&](int cellStep, int rowStep, int columnStep, int line) {
        drawCell(screen, text(cell, line), row, column, false);
        cell += cellStep;
        row += rowStep;
        column += columnStep;
        drawCell(screen, text(cell, line), row, column, true);
    };

    do {
        keys.sleepMs(80);
        if (keys.isKeyDown(scan::kUp) && row > kTopRow) {
            move(-8, -2, 0, 301);
        } else if (keys.isKeyDown(scan::kDown) && row < kBottomRow) {
            move(8, 2, 0, 303);
        } else if (keys.isKeyDown(scan::kLeft) && column > kLeftColumn) {
            move(-1, 0, -4, 305);
        } else if (keys.isKeyDown(scan::kRight) && column < kRightColumn) {
            move(1, 0, 4, 307);
        } else if (keys.isKeyDown(scan::kEnter) && slotColumn <= kLastSlotColumn &&
                   text(cell, 308) != "DEL" && text(cell, 308) != "END") {
            screen.locate(kNameRow, slotColumn);
            screen.setColor(7, 0);
            screen.printText(text(cell, 309), Ending::LineBreak);
            slotColumn += 2;
            playerName += text(cell, 309);
            keys.beep();
        } else if (keys.isKeyDown(scan::kEnter) && text(cell, 310) == "END") {
            done = true;
            screen.setColor(7, 0);
            if (playerName.size() < kMaxNameLength) playerName.resize(kMaxNameLength, ' ');
            keys.beep();
        } else if (keys.isKeyDown(scan::kEnter) && text(cell, 312) == "DEL" &&
                   slotColumn > kLeftColumn) {
            playerName.pop_back();
            slotColumn -= 2;
            screen.locate(kNameRow, slotColumn);
            screen.setColor(7, 0);
            screen.printText("_", Ending::LineBreak);
            keys.beep();
        }
    } while (!done);
    return playerName;
}

}  // namespace numerion
