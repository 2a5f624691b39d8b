// The name entry: a highlight moved over a grid of 72 cells, taken with Enter.

#include "highscore/Namenseingabe.h"

#include <string>

#include "console/RunTimeError.h"

namespace numerion {
namespace {

constexpr int kTopRow = 14;
constexpr int kBottomRow = 30;
constexpr int kLeftColumn = 25;
constexpr int kRightColumn = 53;
constexpr int kGridRows = 9;
constexpr int kGridColumns = 8;
constexpr int kLastCell = kGridRows * kGridColumns - 1;
constexpr int kNameRow = 33;
constexpr int kMaxNameLength = 15;
// Slot of the fifteenth character on the name line.
constexpr int kLastSlotColumn = kLeftColumn + 2 * (kMaxNameLength - 1);
// The entry looks at the keys this often.
constexpr int kLookMs = 80;

// Report lines of the index checks on the grid.
constexpr int kLineFillCharacters = 272;
constexpr int kLineFillDots = 276;
constexpr int kLineDrawGrid = 283;
constexpr int kLineFirstHighlight = 296;
constexpr int kLineMoveUp = 301;
constexpr int kLineMoveDown = 303;
constexpr int kLineMoveLeft = 305;
constexpr int kLineMoveRight = 307;
constexpr int kLineTakeCheck = 308;
constexpr int kLineTake = 309;
constexpr int kLineEnd = 310;
constexpr int kLineDelete = 312;

const std::string& cellText(const NameGrid& grid, int k, int line) {
    checkIndex(k, kLastCell, line);
    return grid[static_cast<std::size_t>(k)];
}

void drawHeading(TextConsole& screen) {
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
}

// Codes 30 to 93 (the two triangles, the blank, punctuation, digits and capitals), then dots
// around "DEL" and "END".
void fillGrid(NameGrid& grid) {
    for (int k = 0; k <= 63; ++k) {
        checkIndex(k, kLastCell, kLineFillCharacters);
        grid[static_cast<std::size_t>(k)] = std::string(1, static_cast<char>(k + 30));
    }
    for (int k : {64, 65, 66, 69, 70, 71}) {
        checkIndex(k, kLastCell, kLineFillDots);
        grid[static_cast<std::size_t>(k)] = ".";
    }
    grid[67] = "DEL";
    grid[68] = "END";
}

void drawGrid(TextConsole& screen, const NameGrid& grid) {
    for (int gridRow = 0; gridRow < kGridRows; ++gridRow) {
        for (int gridColumn = 0; gridColumn < kGridColumns; ++gridColumn) {
            screen.locate(kTopRow + 2 * gridRow, kLeftColumn + 4 * gridColumn);
            screen.printText(cellText(grid, gridRow * kGridColumns + gridColumn, kLineDrawGrid));
        }
    }
    screen.locate(30, 37);
    screen.printText("DEL", Ending::LineBreak);
    screen.locate(30, 41);
    screen.printText("END", Ending::LineBreak);
}

// Fifteen empty slots between two guillemets.
void drawNameLine(TextConsole& screen) {
    std::string nameLine(1, static_cast<char>(174));
    for (int i = 0; i < kMaxNameLength; ++i)
        nameLine += " _";
    nameLine += " ";
    nameLine += static_cast<char>(175);
    screen.locate(kNameRow, 23);
    screen.printText(nameLine, Ending::LineBreak);
}

void drawCell(TextConsole& screen, const std::string& text, int row, int column, bool highlighted) {
    screen.locate(row, column);
    screen.setColor(7, highlighted ? 3 : 0);
    screen.printText(text, Ending::LineBreak);
}

// The highlight on the grid and the name spelt so far.
class NameEntry {
  public:
    NameEntry(Services& io, const NameGrid& grid) : io_(io), grid_(grid) {}

    void showHighlight() {
        drawCell(io_.screen, cellText(grid_, cell_, kLineFirstHighlight), row_, column_, true);
    }

    // One look at the keys: the first that applies of the arrows, then Enter on a character,
    // on "END" and on "DEL". Returns true once the name is finished.
    bool look() {
        KeyInput& keys = io_.keys;
        if (keys.isKeyDown(scan::kUp) && row_ > kTopRow) {
            move(-kGridColumns, -2, 0, kLineMoveUp);
        } else if (keys.isKeyDown(scan::kDown) && row_ < kBottomRow) {
            move(kGridColumns, 2, 0, kLineMoveDown);
        } else if (keys.isKeyDown(scan::kLeft) && column_ > kLeftColumn) {
            move(-1, 0, -4, kLineMoveLeft);
        } else if (keys.isKeyDown(scan::kRight) && column_ < kRightColumn) {
            move(1, 0, 4, kLineMoveRight);
        } else if (keys.isKeyDown(scan::kEnter) && slotColumn_ <= kLastSlotColumn &&
                   text(kLineTakeCheck) != "DEL" && text(kLineTakeCheck) != "END") {
            takeCharacter();
        } else if (keys.isKeyDown(scan::kEnter) && text(kLineEnd) == "END") {
            finish();
            return true;
        } else if (keys.isKeyDown(scan::kEnter) && text(kLineDelete) == "DEL" &&
                   slotColumn_ > kLeftColumn) {
            deleteCharacter();
        }
        return false;
    }

    const std::string& name() const { return name_; }

  private:
    const std::string& text(int line) const { return cellText(grid_, cell_, line); }

    // A move draws the old cell plainly, then the new one highlighted.
    void move(int cellStep, int rowStep, int columnStep, int line) {
        drawCell(io_.screen, text(line), row_, column_, false);
        cell_ += cellStep;
        row_ += rowStep;
        column_ += columnStep;
        drawCell(io_.screen, text(line), row_, column_, true);
    }

    void takeCharacter() {
        TextConsole& screen = io_.screen;
        screen.locate(kNameRow, slotColumn_);
        screen.setColor(7, 0);
        screen.printText(text(kLineTake), Ending::LineBreak);
        slotColumn_ += 2;
        name_ += text(kLineTake);
        io_.keys.beep();
    }

    void deleteCharacter() {
        TextConsole& screen = io_.screen;
        name_.pop_back();
        slotColumn_ -= 2;
        screen.locate(kNameRow, slotColumn_);
        screen.setColor(7, 0);
        screen.printText("_", Ending::LineBreak);
        io_.keys.beep();
    }

    void finish() {
        io_.screen.setColor(7, 0);
        if (name_.size() < kMaxNameLength) name_.resize(kMaxNameLength, ' ');
        io_.keys.beep();
    }

    Services& io_;
    const NameGrid& grid_;
    int cell_ = 0;
    int row_ = kTopRow;
    int column_ = kLeftColumn;
    int slotColumn_ = kLeftColumn;
    std::string name_;
};

}  // namespace

std::string NAMENSEINGABE(Services& io, NameGrid& grid) {
    drawHeading(io.screen);
    fillGrid(grid);
    drawGrid(io.screen, grid);
    drawNameLine(io.screen);

    io.keys.beep();
    // After a game the key 5 of the banner is still pending, so this returns at once there.
    io.keys.sleepMs(-1);

    NameEntry entry(io, grid);
    entry.showHighlight();
    do {
        io.keys.sleepMs(kLookMs);
    } while (!entry.look());
    return entry.name();
}

}  // namespace numerion
