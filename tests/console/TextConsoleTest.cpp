#include "console/TextConsole.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace numerion {
namespace {

std::string blanks(int n) {
    return std::string(static_cast<std::size_t>(n), ' ');
}

// Text padded with blanks to a whole row.
std::string row(const std::string& text) {
    return text + blanks(80 - static_cast<int>(text.size()));
}

// Marks every row with its own number, so scrolling shows in the row texts.
void fillNumberedRows(TextConsole& screen) {
    for (int r = 1; r <= TextConsole::kRows; ++r) {
        screen.locate(r, 1);
        screen.printText("R" + std::to_string(r));
    }
}

struct At {
    int row;
    int column;
};

void expectCursor(const TextConsole& screen, At at, bool pending) {
    EXPECT_EQ(screen.cursorRow(), at.row);
    EXPECT_EQ(screen.cursorColumn(), at.column);
    EXPECT_EQ(screen.lineFeedPending(), pending);
}

void expectEveryCell(const TextConsole& screen, Cell expected) {
    for (int r = 1; r <= TextConsole::kRows; ++r) {
        for (int c = 1; c <= TextConsole::kColumns; ++c) {
            ASSERT_EQ(screen.cell(r, c), expected) << r << "," << c;
        }
    }
}

TEST(TextConsole, StartsBlankInTheConsolesOwnColoursAndReadsOutsideTheScreenAsBlanks) {
    TextConsole screen;
    expectEveryCell(screen, Cell{' ', kConsoleOwnAttr});
    expectCursor(screen, {1, 1}, false);
    EXPECT_TRUE(screen.cursorVisible());
    EXPECT_EQ(screen.attributeInForce(), kConsoleOwnAttr);

    screen.printText("X");
    for (At at : {At{0, 1}, At{36, 1}, At{1, 81}, At{-5, -5}}) {
        EXPECT_EQ(screen.cell(at.row, at.column).ch, ' ');
    }
    EXPECT_EQ(screen.rowText(0), blanks(80));
    EXPECT_EQ(screen.rowText(36), blanks(80));
}

// --- printing: where text goes, wrapping, scrolling and the pending line feed ---

TEST(TextConsolePrinting, TextIsWrittenAtTheCursorInTheAttributeInForceAndWraps) {
    TextConsole screen;
    screen.setColor(12, 3);
    screen.locate(4, 10);
    screen.printText("Zahl");
    EXPECT_EQ(screen.rowText(4), row(blanks(9) + "Zahl"));
    EXPECT_EQ(screen.cell(4, 10), (Cell{'Z', 12 + 16 * 3}));
    EXPECT_EQ(screen.cell(4, 14), (Cell{' ', kConsoleOwnAttr}));
    expectCursor(screen, {4, 14}, false);

    screen.locate(2, 75);
    screen.printText("abcdefghij");
    EXPECT_EQ(screen.rowText(2), row(blanks(74) + "abcdef"));
    EXPECT_EQ(screen.rowText(3), row("ghij"));
    expectCursor(screen, {3, 5}, false);
}

TEST(TextConsolePrinting, EightyCharactersOnRowTenWrapAtOnceAndALineBreakThenSkipsRowEleven) {
    TextConsole screen;
    screen.locate(10, 1);
    screen.printText(std::string(80, 'x'));
    expectCursor(screen, {11, 1}, false);
    screen.printText("", Ending::LineBreak);
    expectCursor(screen, {12, 1}, false);
    EXPECT_EQ(screen.rowText(10), std::string(80, 'x'));
    EXPECT_EQ(screen.rowText(11), blanks(80));
}

TEST(TextConsolePrinting, LineBreakOnTheLastRowScrollsOnlyWhenAPrintFollows) {
    // Followed by a locate or a clear: the pending feed is dropped, nothing scrolls.
    for (bool byClear : {false, true}) {
        TextConsole screen;
        fillNumberedRows(screen);
        screen.locate(35, 1);
        screen.printText("Ende", Ending::LineBreak);
        expectCursor(screen, {35, 80}, true);
        if (byClear) {
            screen.clear();
        } else {
            screen.locate(1, 1);
        }
        expectCursor(screen, {1, 1}, false);
        screen.printText("X");
        EXPECT_EQ(screen.rowText(1), row(byClear ? "X" : "X1"));
        EXPECT_EQ(screen.rowText(35), row(byClear ? "" : "Ende"));
    }

    // Followed by a print: the whole screen scrolls up one row first.
    TextConsole screen;
    fillNumberedRows(screen);
    screen.locate(35, 1);
    screen.printText("Ende", Ending::LineBreak);
    EXPECT_EQ(screen.rowText(1), row("R1"));  // not yet
    screen.printText("Neu");
    EXPECT_EQ(screen.rowText(1), row("R2"));
    EXPECT_EQ(screen.rowText(33), row("R34"));
    EXPECT_EQ(screen.rowText(34), row("Ende"));
    EXPECT_EQ(screen.rowText(35), row("Neu"));
    expectCursor(screen, {35, 4}, false);
}

TEST(TextConsolePrinting, EightyCharactersOnTheLastRowLeaveAFeedPendingAndWithALineBreakScroll) {
    TextConsole screen;
    fillNumberedRows(screen);
    screen.locate(35, 1);
    screen.printText(std::string(80, '#'));
    expectCursor(screen, {35, 80}, true);
    EXPECT_EQ(screen.rowText(1), row("R1"));
    EXPECT_EQ(screen.rowText(35), std::string(80, '#'));

    // The line break is a print of its own: it carries out the pending feed and leaves a new one.
    screen.locate(35, 1);
    screen.printText(std::string(80, '#'), Ending::LineBreak);
    expectCursor(screen, {35, 80}, true);
    EXPECT_EQ(screen.rowText(1), row("R2"));
    EXPECT_EQ(screen.rowText(34), std::string(80, '#'));
    EXPECT_EQ(screen.rowText(35), blanks(80));
}

TEST(TextConsolePrinting, EmptyTextPrintsOnlyItsEndingAndWithoutOneChangesNothing) {
    TextConsole screen;
    screen.locate(3, 7);
    screen.printText("", Ending::LineBreak);
    expectCursor(screen, {4, 1}, false);
    screen.locate(3, 7);
    screen.printText("", Ending::NextZone);
    expectCursor(screen, {3, 15}, false);

    screen.locate(35, 1);
    screen.printText("x", Ending::LineBreak);
    auto before = screen.version();
    screen.printText("");
    screen.printGlyphs("");
    EXPECT_EQ(screen.version(), before);
    expectCursor(screen, {35, 80}, true);  // not even the pending feed is carried out
    EXPECT_EQ(screen.rowText(35), row("x"));
}

TEST(TextConsolePrinting, RowsFreedByScrollingAreBlankInTheAttributeInForce) {
    TextConsole screen;
    screen.locate(35, 1);
    screen.printText("a", Ending::LineBreak);
    screen.setColor(7, 3);
    EXPECT_TRUE(screen.lineFeedPending()) << "a colour change leaves the feed pending";
    screen.printText("b");
    EXPECT_EQ(screen.cell(35, 1), (Cell{'b', 7 + 48}));
    EXPECT_EQ(screen.cell(35, 2), (Cell{' ', 7 + 48}));
    EXPECT_EQ(screen.cell(35, 80), (Cell{' ', 7 + 48}));
    EXPECT_EQ(screen.cell(34, 2), (Cell{' ', kConsoleOwnAttr}));
}

TEST(TextConsolePrinting, SeveralLineFeedsBelowTheLastRowScrollOnlyWhenTextFollows) {
    TextConsole screen;
    fillNumberedRows(screen);
    screen.locate(35, 1);
    screen.printText("A\n\nB");
    EXPECT_EQ(screen.rowText(1), row("R3"));
    EXPECT_EQ(screen.rowText(33), row("A35"));
    EXPECT_EQ(screen.rowText(34), blanks(80));
    EXPECT_EQ(screen.rowText(35), row("B"));
    expectCursor(screen, {35, 2}, false);

    // Feeds at the very end: all but the last are carried out, the last stays pending.
    screen.printText("\n\n\n");
    EXPECT_EQ(screen.rowText(33), row("B"));
    expectCursor(screen, {35, 80}, true);
}

TEST(TextConsolePrinting, NumbersPrintWithALeadingBlankOrMinusAndNewLineEndsTheRow) {
    TextConsole screen;
    for (std::int32_t n : {0, 7, 2500, -3, -2147483647 - 1})
        screen.printNumber(n);
    EXPECT_EQ(screen.rowText(1), row(" 0 7 2500-3-2147483648"));
    screen.printNumber(42, Ending::LineBreak);
    expectCursor(screen, {2, 1}, false);

    screen.locate(5, 30);
    screen.newLine();
    expectCursor(screen, {6, 1}, false);
    EXPECT_EQ(screen.trackedColumn(), 0);
}

// --- control bytes ---

TEST(TextConsoleControlBytes, BellCallsTheHandlerAndWritesNothing) {
    TextConsole screen;
    screen.printText("\a");  // no handler: harmless
    expectCursor(screen, {1, 1}, false);
    int bells = 0;
    screen.setBellHandler([&] { ++bells; });
    screen.printText("a\ab\a");
    EXPECT_EQ(bells, 2);
    EXPECT_EQ(screen.rowText(1), row("ab"));
    expectCursor(screen, {1, 3}, false);
}

TEST(TextConsoleControlBytes, BackspaceTabCarriageReturnAndLineFeedMoveTheCursor) {
    struct Case {
        At start;
        const char* text;
        std::string rowThen;  // the start row afterwards (it held 12 x first)
        std::string nextRow;
        At end;
    };
    const Case cases[] = {
        // Backspace moves left without erasing, and stops at column 1.
        {{1, 1}, "abc\b\bX", row("aXcxxxxxxxxx"), blanks(80), {1, 3}},
        {{1, 1}, "\b\bY", row("Yxxxxxxxxxxx"), blanks(80), {1, 2}},
        // Tab writes blanks (overwriting) up to the next column 8k + 1, wrapping at the end.
        {{1, 1}, "\t", row(blanks(8) + "xxxx"), blanks(80), {1, 9}},
        {{1, 12}, "\tZ", row("xxxxxxxxxxx" + blanks(5) + "Z"), blanks(80), {1, 18}},
        {{1, 80}, "\tQ", row("xxxxxxxxxxxx"), row("Q"), {2, 2}},
        {{1, 1}, "abc\rX\nY", row("Xbcxxxxxxxxx"), row("Y"), {2, 2}},
    };
    for (const Case& c : cases) {
        TextConsole screen;
        screen.printText("xxxxxxxxxxxx");
        screen.locate(c.start.row, c.start.column);
        screen.printText(c.text);
        SCOPED_TRACE(c.text);
        EXPECT_EQ(screen.rowText(1), c.rowThen);
        EXPECT_EQ(screen.rowText(2), c.nextRow);
        expectCursor(screen, c.end, false);
    }
}

TEST(TextConsoleControlBytes, GlyphPrintsNeverActOnControlBytesButWrapAndKeepTheFeedPending) {
    TextConsole screen;
    int bells = 0;
    screen.setBellHandler([&] { ++bells; });
    const std::string bytes{'\a', '\b', '\t', '\n', '\r', '\0', '\xB2', 'A'};
    screen.locate(2, 3);
    screen.printGlyphs(bytes);
    EXPECT_EQ(bells, 0);
    EXPECT_EQ(screen.rowText(2).substr(2, bytes.size()), bytes);
    expectCursor(screen, {2, 11}, false);
    EXPECT_EQ(screen.trackedColumn(), 2 + 8);

    screen.locate(35, 79);
    screen.printGlyphs("\n\n", Ending::LineBreak);
    EXPECT_EQ(screen.cell(34, 79).ch, '\n');
    EXPECT_EQ(screen.cell(34, 80).ch, '\n');
    expectCursor(screen, {35, 80}, true);
}

// --- locate ---

TEST(TextConsoleLocate, RowZeroKeepsTheRowAndColumnZeroKeepsTheColumn) {
    TextConsole screen;
    screen.locate(12, 40);
    screen.locate(0, 1);
    expectCursor(screen, {12, 1}, false);
    EXPECT_EQ(screen.trackedColumn(), 0);
    screen.locate(20, 0);
    expectCursor(screen, {20, 1}, false);
    screen.locate(7);
    expectCursor(screen, {7, 1}, false);
}

TEST(TextConsoleLocate, PositionOutsideTheScreenIsRefusedButDropsThePendingFeed) {
    TextConsole screen;
    screen.locate(9, 30);
    screen.printText("abc");
    for (At at : {At{36, 1}, At{-1, 1}, At{5, 81}, At{5, -2}}) {
        screen.locate(at.row, at.column);
        expectCursor(screen, {9, 33}, false);
        EXPECT_EQ(screen.trackedColumn(), 32);
    }

    screen.locate(35, 1);
    screen.printText("x", Ending::LineBreak);
    screen.locate(36, 1, 0);
    expectCursor(screen, {35, 80}, false);
    EXPECT_FALSE(screen.cursorVisible());  // the cursor argument still applies
    screen.printText("y");
    EXPECT_EQ(screen.rowText(35), row("x").substr(0, 79) + "y");
}

TEST(TextConsoleLocate, CursorArgumentZeroHidesOtherValuesShowOmittedKeeps) {
    TextConsole screen;
    screen.locate(std::nullopt, std::nullopt, 0);
    EXPECT_FALSE(screen.cursorVisible());
    screen.locate(3, 3);
    EXPECT_FALSE(screen.cursorVisible());
    screen.locate(std::nullopt, std::nullopt, 2);
    EXPECT_TRUE(screen.cursorVisible());
    screen.locate(std::nullopt, std::nullopt, -1);
    EXPECT_TRUE(screen.cursorVisible());
}

// --- colours, clear and size ---

TEST(TextConsoleColours, OmittedColourKeepsItsStoredNumberAndNumbersAreTakenModuloSixteen) {
    TextConsole screen;
    screen.setColor(5);
    EXPECT_EQ(screen.attributeInForce(), 5);
    screen.setColor(std::nullopt, 3);
    screen.setColor(6);
    screen.setColor(7);
    EXPECT_EQ(screen.attributeInForce(), 7 + 16 * 3);

    screen.setColor(23, 19);
    EXPECT_EQ(screen.attributeInForce(), 7 + 16 * 3);
    screen.setColor(-1, 16);
    EXPECT_EQ(screen.attributeInForce(), 15);
}

TEST(TextConsoleColours, ClearFillsWithBlanksInTheColoursInForceAndHomesTheCursor) {
    TextConsole screen;
    screen.printText("abc");
    screen.clear();  // before any colour change: the console's own colours
    EXPECT_EQ(screen.cell(1, 1), (Cell{' ', kConsoleOwnAttr}));

    screen.locate(20, 50);
    screen.printText("text");
    screen.setColor(7, 3);
    screen.clear();
    expectEveryCell(screen, Cell{' ', 7 + 16 * 3});
    expectCursor(screen, {1, 1}, false);
    EXPECT_EQ(screen.trackedColumn(), 0);
}

TEST(TextConsoleSize, SetSizeHomesTheCursorKeepsVisibilityAndContentAndSetsTheZoneWidth) {
    TextConsole screen;
    screen.locate(35, 1, 0);
    screen.printText("unten", Ending::LineBreak);
    screen.setSize(80, 35);
    expectCursor(screen, {1, 1}, false);
    EXPECT_FALSE(screen.cursorVisible());
    EXPECT_EQ(screen.rowText(35), row("unten"));

    screen.setSize(40, 35);
    screen.printText("abcdefghijklmn", Ending::NextZone);  // zone 29 lies beyond 40 - 14
    expectCursor(screen, {2, 1}, false);
}

// --- the tracked column and the zone rule ---

TEST(TextConsoleZones, TrackedColumnFollowsLocateAndPrints) {
    TextConsole screen;
    screen.locate(3, 21);
    EXPECT_EQ(screen.trackedColumn(), 20);
    screen.printText("abcde");
    EXPECT_EQ(screen.trackedColumn(), 25);
    screen.printText("xy\r\nabc");
    EXPECT_EQ(screen.trackedColumn(), 3);
    screen.printText("abc\n");
    EXPECT_EQ(screen.trackedColumn(), 0);
    screen.printText(std::string(85, '-'));
    EXPECT_EQ(screen.trackedColumn(), 5);
}

TEST(TextConsoleZones, PaddingReachesTheNextZoneAndAZoneStartMovesOn) {
    TextConsole screen;
    screen.printText("Punkte", Ending::NextZone);
    expectCursor(screen, {1, 15}, false);
    screen.printText("abcdefghijklmn", Ending::NextZone);  // ends exactly on column 29
    expectCursor(screen, {1, 43}, false);
    EXPECT_EQ(screen.rowText(1), row("Punkte        abcdefghijklmn"));
    screen.printNumber(7, Ending::NextZone);
    expectCursor(screen, {1, 57}, false);
}

TEST(TextConsoleZones, TrackedColumn55IsPaddedButFrom56OnALineBreakFollows) {
    TextConsole screen;
    screen.locate(4, 50);
    screen.printText("abcdef", Ending::NextZone);  // tracked column 55
    expectCursor(screen, {4, 57}, false);
    EXPECT_EQ(screen.cell(4, 56), (Cell{' ', kConsoleOwnAttr}));

    screen.locate(6, 50);
    screen.printText("abcdefg", Ending::NextZone);  // tracked column 56
    expectCursor(screen, {7, 1}, false);
    EXPECT_EQ(screen.trackedColumn(), 0);
}

TEST(TextConsoleZones, ZoneRuleUsesTheTrackedColumnNotTheCursor) {
    TextConsole screen;
    screen.locate(2, 10);
    screen.printText("abc\b\b");  // cursor back on column 11, tracked column 14
    screen.locate(5);             // a row alone leaves the tracked column as it is
    EXPECT_EQ(screen.trackedColumn(), 14);
    screen.printText("", Ending::NextZone);
    // Padding counts from the tracked column: 14 blanks, from the cursor on column 11.
    expectCursor(screen, {5, 25}, false);
}

// --- what a presenter and a plain output stream see ---

TEST(TextConsoleObservers, PrintObserverGetsEachPrintAsAPlainStreamWould) {
    TextConsole screen;
    std::vector<std::string> prints;
    screen.setPrintObserver([&](std::string_view bytes) { prints.emplace_back(bytes); });
    screen.printText("Leben", Ending::NextZone);
    screen.printNumber(3, Ending::LineBreak);
    screen.printText("", Ending::LineBreak);
    screen.printText("");
    screen.newLine();
    screen.printGlyphs("\a", Ending::None);
    EXPECT_EQ(prints,
              (std::vector<std::string>{"Leben", blanks(9), " 3\r\n", "\r\n", "\r\n", "\a"}));

    // Carrying out a pending line feed sends nothing extra.
    prints.clear();
    screen.locate(35, 1);
    screen.printText("a", Ending::LineBreak);
    screen.printText("b");
    EXPECT_EQ(prints, (std::vector<std::string>{"a", "\r\n", "b"}));
}

TEST(TextConsoleObservers, VersionCountsOnlyVisibleChanges) {
    TextConsole screen;
    auto v = screen.version();
    screen.locate(1, 1);
    screen.setColor(5);
    EXPECT_EQ(screen.version(), v);
    screen.printText("a");
    EXPECT_GT(screen.version(), v);
    v = screen.version();
    screen.locate(std::nullopt, std::nullopt, 0);
    EXPECT_GT(screen.version(), v);
    v = screen.version();
    screen.locate(10, 10);
    EXPECT_GT(screen.version(), v);
}

}  // namespace
}  // namespace numerion
