// The renderer's frames against a memory sink, read back by a small terminal model that knows
// only the sequences the renderer may send: anything else fails the test.

#include "console/terminal/Renderer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "console/Glyphs.h"
#include "console/WindowNotice.h"

namespace numerion {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

std::u32string decodeUtf8(std::string_view s) {
    std::u32string out;
    for (std::size_t i = 0; i < s.size();) {
        auto b = static_cast<unsigned char>(s[i]);
        int extra = b < 0x80 ? 0 : b < 0xE0 ? 1 : b < 0xF0 ? 2 : 3;
        char32_t cp = extra == 0 ? b : b & (0x3F >> extra);
        for (int k = 1; k <= extra; ++k)
            cp = (cp << 6) | (s[i + k] & 0x3F);
        out += cp;
        i += 1 + extra;
    }
    return out;
}

// A terminal that understands exactly the renderer's vocabulary.
struct MiniTerminal {
    struct Shown {
        std::string glyph = " ";
        int fg = 39, bg = 49;
        bool bold = false;
    };
    int rows, columns;
    std::vector<Shown> cells;
    int row = 1, column = 1;
    int fg = 39, bg = 49;
    bool bold = false;
    bool cursorVisible = true;
    bool inSync = false;
    int glyphsWritten = 0;

    MiniTerminal(int r, int c) : rows(r), columns(c), cells(r * c) {}
    Shown& at(int r, int c) { return cells[(r - 1) * columns + (c - 1)]; }

    // Colours as sent: SGR 30-37, 90-97 (40-47, 100-107), 39 (49) the terminal's own;
    // k256 + n for an indexed colour; kDirect | 0xRRGGBB for a direct one.
    static constexpr int k256 = 1000;
    static constexpr int kDirect = 1 << 24;
    void sgr(const std::vector<int>& params) {
        const std::vector<int> p = params.empty() ? std::vector<int>{0} : params;
        for (std::size_t i = 0; i < p.size(); ++i) {
            const int v = p[i];
            if (v == 0) {
                fg = 39, bg = 49, bold = false;
            } else if (v == 1) {
                bold = true;
            } else if (v == 22) {
                bold = false;
            } else if ((v >= 30 && v <= 37) || v == 39 || (v >= 90 && v <= 97)) {
                fg = v;
            } else if ((v >= 40 && v <= 47) || v == 49 || (v >= 100 && v <= 107)) {
                bg = v;
            } else if ((v == 38 || v == 48) && i + 2 < p.size() && p[i + 1] == 5) {
                (v == 38 ? fg : bg) = k256 + p[i + 2];
                i += 2;
            } else if ((v == 38 || v == 48) && i + 4 < p.size() && p[i + 1] == 2) {
                (v == 38 ? fg : bg) = kDirect | (p[i + 2] << 16) | (p[i + 3] << 8) | p[i + 4];
                i += 4;
            } else {
                ADD_FAILURE() << "unexpected SGR " << v;
            }
        }
    }

    void feed(std::string_view bytes) {
        std::size_t i = 0;
        while (i < bytes.size()) {
            auto b = static_cast<unsigned char>(bytes[i]);
            if (b == 0x1b) {
                ASSERT_LT(i + 1, bytes.size());
                if (bytes[i + 1] == 'E') {
                    ++row, column = 1;
                    i += 2;
                    continue;
                }
                ASSERT_EQ(bytes[i + 1], '[') << "at " << i;
                std::size_t j = i + 2;
                bool priv = j < bytes.size() && bytes[j] == '?';
                if (priv) ++j;
                std::vector<int> params;
                std::string number;
                while (j < bytes.size() && (std::isdigit(bytes[j]) || bytes[j] == ';')) {
                    if (bytes[j] == ';') {
                        params.push_back(number.empty() ? 0 : std::stoi(number));
                        number.clear();
                    } else {
                        number += bytes[j];
                    }
                    ++j;
                }
                if (!number.empty()) params.push_back(std::stoi(number));
                ASSERT_LT(j, bytes.size()) << "unterminated sequence";
                char final = bytes[j];
                auto param = [&](std::size_t k, int fallback) {
                    return k < params.size() && params[k] != 0 ? params[k] : fallback;
                };
                if (priv && (final == 'h' || final == 'l')) {
                    bool on = final == 'h';
                    if (param(0, 0) == 25) {
                        cursorVisible = on;
                    } else if (param(0, 0) == 2026) {
                        EXPECT_NE(inSync, on) << "synchronized output nested or unbalanced";
                        inSync = on;
                    } else {
                        ADD_FAILURE() << "unexpected mode " << param(0, 0);
                    }
                } else if (!priv && final == 'H') {
                    row = param(0, 1), column = param(1, 1);
                } else if (!priv && final == 'C') {
                    column += param(0, 1);
                } else if (!priv && final == 'D') {
                    column = std::max(1, column - param(0, 1));
                } else if (!priv && (final == 'A' || final == 'B')) {
                    row += final == 'B' ? param(0, 1) : -param(0, 1);
                    ASSERT_GE(row, 1);
                    ASSERT_LE(row, rows);
                } else if (!priv && final == 'J' && param(0, 0) == 2) {
                    for (auto& c : cells)
                        c = Shown{" ", fg, bg, false};
                } else if (!priv && (final == 'J' || final == 'K') && param(0, 0) == 0) {
                    // to the end of the line, and for J every row below it
                    const int last = final == 'J' ? rows : row;
                    for (int r = row; r <= last; ++r)
                        for (int c = r == row ? column : 1; c <= columns; ++c)
                            at(r, c) = Shown{" ", fg, bg, false};
                } else if (!priv && final == 'm') {
                    sgr(params);
                } else {
                    ADD_FAILURE() << "unexpected sequence final " << final;
                }
                i = j + 1;
                continue;
            }
            ASSERT_GE(b, 0x20) << "control byte " << int(b) << " at " << i;
            ASSERT_NE(b, 0x7f);
            EXPECT_TRUE(inSync) << "glyph outside synchronized output";
            std::size_t length = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
            ASSERT_GE(row, 1);
            ASSERT_LE(row, rows);
            ASSERT_GE(column, 1);
            ASSERT_LE(column, columns) << "write beyond the last column";
            at(row, column) = Shown{std::string(bytes.substr(i, length)), fg, bg, bold};
            ++column;
            ++glyphsWritten;
            i += length;
        }
    }
};

Picture blankPicture() {
    Picture p;
    p.cursorVisible = false;
    return p;
}

void put(Picture& p, int row, int column, std::string_view text, std::uint16_t attr) {
    for (char ch : text)
        p.at(row, column++) = Cell{static_cast<std::uint8_t>(ch), attr};
}

bool isBlankGlyph(const std::string& glyph) {
    return glyph == " " || glyph == "\u00A0";
}

// Blanks (byte 0, space, no-break space) look alike, so any of them may show for another.
void expectShows(MiniTerminal& term, const Picture& p, int rows = 35, int columns = 80) {
    for (int r = 1; r <= rows; ++r) {
        for (int c = 1; c <= columns; ++c) {
            std::string want(glyphUtf8(p.at(r, c).ch));
            const std::string& shown = term.at(r, c).glyph;
            if (isBlankGlyph(want) && isBlankGlyph(shown)) continue;
            ASSERT_EQ(shown, want) << "row " << r << " column " << c;
        }
    }
}

TEST(Glyphs, EveryByteIsOnePrintableOneCellCharacter) {
    for (int byte = 0; byte < 256; ++byte) {
        auto utf8 = glyphUtf8(static_cast<std::uint8_t>(byte));
        auto decoded = decodeUtf8(utf8);
        ASSERT_EQ(decoded.size(), 1u) << byte;
        char32_t cp = decoded[0];
        EXPECT_EQ(cp, glyphCodePoint(static_cast<std::uint8_t>(byte))) << byte;
        EXPECT_GE(cp, 0x20u) << byte;
        EXPECT_FALSE(cp >= 0x7f && cp <= 0x9f) << byte;
        EXPECT_NE(cp, 0xADu) << "soft hyphen may be drawn zero-wide";
        if (byte >= 0x20 && byte < 0x7f) {
            EXPECT_EQ(cp, static_cast<char32_t>(byte));
        }
        // A character typed as it is shown gives its byte back.
        if (byte >= 0x80) {
            EXPECT_EQ(cp850FromUnicode(cp), byte) << byte;
        }
    }
}

TEST(Glyphs, TheGamesSpecialCharactersLookAsOnTheConsole) {
    EXPECT_EQ(glyphUtf8(0), " ");
    EXPECT_EQ(glyphUtf8(1), "☺");
    EXPECT_EQ(glyphUtf8(12), "♀");
    EXPECT_EQ(glyphUtf8(15), "☼");
    EXPECT_EQ(glyphUtf8(30), "▲");
    EXPECT_EQ(glyphUtf8(31), "▼");
    EXPECT_EQ(glyphUtf8(127), "⌂");
    EXPECT_EQ(glyphUtf8(174), "«");
    EXPECT_EQ(glyphUtf8(175), "»");
    EXPECT_EQ(glyphUtf8(178), "▓");
    EXPECT_EQ(glyphUtf8(0x81), "ü");  // the code page's own letters, as file names may hold
    EXPECT_EQ(glyphUtf8(0xE1), "ß");
}

TEST(Glyphs, AsciiLookAlikesArePrintableAndResembleTheGlyph) {
    for (int byte = 0; byte < 256; ++byte) {
        char c = glyphAscii(static_cast<std::uint8_t>(byte));
        EXPECT_GE(c, 0x20) << byte;
        EXPECT_LT(c, 0x7f) << byte;
        if (byte >= 0x20 && byte < 0x7f) {
            EXPECT_EQ(c, static_cast<char>(byte));
        }
    }
    EXPECT_EQ(glyphAscii(178), '#');
    EXPECT_EQ(glyphAscii(1), '@');
    EXPECT_EQ(glyphAscii(15), '*');
    EXPECT_EQ(glyphAscii(174), '<');
    EXPECT_EQ(glyphAscii(175), '>');
    EXPECT_EQ(glyphAscii(30), '^');
    EXPECT_EQ(glyphAscii(31), 'v');
    EXPECT_EQ(glyphAscii(0), ' ');
}

TEST(RendererColours, AreMappedByColourNotByIndex) {
    EXPECT_EQ(Renderer::ansiColour(0), 0);
    EXPECT_EQ(Renderer::ansiColour(1), 4);  // blue
    EXPECT_EQ(Renderer::ansiColour(4), 1);  // red
    EXPECT_EQ(Renderer::ansiColour(2), 2);
    EXPECT_EQ(Renderer::ansiColour(3), 6);  // cyan
    EXPECT_EQ(Renderer::ansiColour(5), 5);  // magenta
    EXPECT_EQ(Renderer::ansiColour(6), 3);  // brown is the terminal's yellow
    EXPECT_EQ(Renderer::ansiColour(9), 12);
    EXPECT_EQ(Renderer::ansiColour(12), 9);
    EXPECT_EQ(Renderer::ansiColour(14), 11);
}

TerminalTraits withColours(int colours, bool backColourErase = true) {
    TerminalTraits traits;
    traits.colours = colours;
    traits.backColourErase = backColourErase;
    return traits;
}

TEST(RendererColours, SixteenColourTerminalsGetBrightCodesAndTheConsolesOwnAsGreyOnBlack) {
    Renderer renderer(withColours(16));
    Picture p = blankPicture();
    put(p, 1, 1, "a", 1);                // blue on black
    put(p, 1, 2, "b", 4 + 16 * 3);       // red on cyan
    put(p, 1, 3, "c", 12 + 16 * 9);      // light red on light blue
    put(p, 1, 4, "d", kConsoleOwnAttr);  // the colours before the first change
    MiniTerminal term(35, 80);
    term.feed(renderer.render(p));
    EXPECT_EQ(term.at(1, 1).fg, 34);
    EXPECT_EQ(term.at(1, 1).bg, 40);
    EXPECT_EQ(term.at(1, 2).fg, 31);
    EXPECT_EQ(term.at(1, 2).bg, 46);
    EXPECT_EQ(term.at(1, 3).fg, 91);
    EXPECT_EQ(term.at(1, 3).bg, 104);
    EXPECT_EQ(term.at(1, 4).fg, 37);
    EXPECT_EQ(term.at(1, 4).bg, 40);
    EXPECT_EQ(term.at(2, 1).bg, 40);  // cleared in black
}

// Every depth, erasing in colour or not, in a window larger than the picture and in one too
// small for it: no cell keeps the terminal's own colours, and the walls (6), mines (5), digits
// and the name grid's highlight (on 3) get the console's colours as that depth shows them.
TEST(RendererColours, NoCellAtAnyDepthIsLeftInTheTerminalsOwnColours) {
    constexpr int k256 = MiniTerminal::k256;
    constexpr int kDirect = MiniTerminal::kDirect;
    struct Depth {
        int colours;
        int grey, black, wall, mine, cyan;
    };
    const Depth depths[] = {
        {8, 37, 40, 33, 35, 46},
        {16, 37, 40, 33, 35, 46},
        {256, k256 + 248, k256 + 16, k256 + 130, k256 + 127, k256 + 37},
        {1 << 24, kDirect | 0xAAAAAA, kDirect, kDirect | 0xAA5500, kDirect | 0xAA00AA,
         kDirect | 0x00AAAA},
    };
    Picture p = blankPicture();  // the console's own colours until the first change
    put(p, 1, 1, "\xB2", 6);
    put(p, 2, 2, "\x0F", 5);
    put(p, 2, 3, "7", 7);
    put(p, 3, 4, "A", 15 + 16 * 3);
    for (const Depth& depth : depths) {
        for (bool erase : {true, false}) {
            for (auto [rows, columns] : {std::pair{40, 100}, std::pair{12, 60}}) {
                SCOPED_TRACE(std::to_string(depth.colours) + (erase ? " bce " : " ") +
                             std::to_string(columns) + "x" + std::to_string(rows));
                Renderer renderer(withColours(depth.colours, erase));
                renderer.setSize(rows, columns);
                MiniTerminal term(rows, columns);
                term.feed(renderer.render(p));
                for (int r = 1; r <= rows; ++r) {
                    for (int c = 1; c <= columns; ++c) {
                        ASSERT_NE(term.at(r, c).bg, 49) << r << "," << c;
                        if (term.at(r, c).glyph != " ") {
                            ASSERT_NE(term.at(r, c).fg, 39) << r << "," << c;
                        }
                    }
                }
                EXPECT_EQ(term.at(rows, columns).bg, depth.black);
                EXPECT_EQ(term.at(1, 1).fg, depth.wall);
                EXPECT_EQ(term.at(2, 2).fg, depth.mine);
                EXPECT_EQ(term.at(2, 3).fg, depth.grey);
                EXPECT_EQ(term.at(2, 3).bg, depth.black);
                EXPECT_EQ(term.at(3, 4).bg, depth.cyan);
                EXPECT_EQ(term.at(3, 4).bold, depth.colours == 8);  // white: bold grey
            }
        }
    }
}

TEST(RendererColours, RestingPutsTheTerminalsOwnColoursBackAndTheNextFrameTheGamesAgain) {
    Renderer renderer(withColours(16));
    Picture p = blankPicture();
    MiniTerminal term(35, 80);
    term.feed(renderer.render(p));
    std::string rest;
    renderer.rest(rest);
    EXPECT_EQ(rest, "\x1b[0m");
    term.feed(rest);
    rest.clear();
    renderer.rest(rest);
    EXPECT_EQ(rest, "") << "already resting";
    put(p, 5, 5, "x", 7);
    EXPECT_EQ(renderer.render(p), "\x1b[?2026h\x1b[5;5H\x1b[37;40mx\x1b[?2026l");
}

TEST(RendererColours, EightColourTerminalsShowBrightForegroundsBold) {
    TerminalTraits traits;
    traits.colours = 8;
    Renderer renderer(traits);
    Picture p = blankPicture();
    put(p, 1, 1, "a", 12);
    put(p, 1, 2, "b", 4 + 16 * 11);
    MiniTerminal term(35, 80);
    term.feed(renderer.render(p));
    EXPECT_EQ(term.at(1, 1).fg, 31);
    EXPECT_TRUE(term.at(1, 1).bold);
    EXPECT_EQ(term.at(1, 2).fg, 31);
    EXPECT_FALSE(term.at(1, 2).bold);
    EXPECT_EQ(term.at(1, 2).bg, 46);
}

TEST(RendererColours, TerminalsWithoutColoursGetNoColourCodes) {
    TerminalTraits traits;
    traits.colours = 2;
    Renderer renderer(traits);
    Picture p = blankPicture();
    put(p, 1, 1, "ab", 12 + 16 * 3);
    std::string frame = renderer.render(p);
    EXPECT_THAT(frame, Not(HasSubstr("3")));  // no SGR colour parameter at all
    MiniTerminal term(35, 80);
    term.feed(frame);
    EXPECT_EQ(term.at(1, 2).glyph, "b");
}

TEST(RendererFrames, CarryEveryByteAsAGlyphAndNoControlCharacter) {
    Renderer renderer(TerminalTraits{});
    Picture p = blankPicture();
    for (int i = 0; i < 256; ++i) {
        p.at(1 + i / 80, 1 + i % 80) = Cell{static_cast<std::uint8_t>(i), std::uint16_t(i & 0xFF)};
    }
    std::string frame = renderer.render(p);
    EXPECT_THAT(frame, StartsWith("\x1b[?2026h"));
    EXPECT_EQ(frame.substr(frame.size() - 8), "\x1b[?2026l");
    MiniTerminal term(35, 80);
    term.feed(frame);  // fails on any control byte that does not start a known sequence
    expectShows(term, p);
    EXPECT_FALSE(term.inSync);
}

TEST(RendererFrames, SendNothingWhenNothingChangedAndOnlyTheChangedCellOtherwise) {
    Renderer renderer(TerminalTraits{});
    Picture p = blankPicture();
    put(p, 10, 10, "Punkte", 7);
    MiniTerminal term(35, 80);
    term.feed(renderer.render(p));
    EXPECT_EQ(renderer.render(p), "");

    p.at(20, 30) = Cell{'5', 7};
    std::string frame = renderer.render(p);
    term.glyphsWritten = 0;
    term.feed(frame);
    EXPECT_EQ(term.glyphsWritten, 1);
    EXPECT_EQ(frame, "\x1b[?2026h\x1b[20;30H5\x1b[?2026l");  // pen already light grey
    EXPECT_EQ(renderer.render(p), "");
}

TEST(RendererFrames, ChangedNeighboursNeedNoMoveBetweenThem) {
    Renderer renderer(TerminalTraits{});
    Picture p = blankPicture();
    renderer.render(p);
    put(p, 5, 1, "abc", kConsoleOwnAttr);
    put(p, 6, 1, "d", kConsoleOwnAttr);
    EXPECT_EQ(renderer.render(p),
              "\x1b[?2026h\x1b[5Habc\x1b"
              "Ed\x1b[?2026l");
}

TEST(RendererFrames, RepaintErasesInTheMostCommonBackgroundWhereErasingUsesIt) {
    Picture p = blankPicture();
    for (auto& cell : p.cells)
        cell = Cell{' ', 7 + 16 * 3};  // cleared in grey on cyan
    put(p, 2, 2, "x", 6 + 16 * 3);
    Renderer renderer(withColours(16));
    MiniTerminal term(35, 80);
    std::string frame = renderer.render(p);
    term.feed(frame);
    EXPECT_EQ(term.glyphsWritten, 1);
    EXPECT_EQ(term.at(35, 80).bg, 46);
    EXPECT_EQ(term.at(2, 2).fg, 33);

    Renderer plain(withColours(16, false));
    MiniTerminal term2(35, 80);
    term2.feed(plain.render(p));
    EXPECT_EQ(term2.glyphsWritten, 35 * 80);
    EXPECT_EQ(term2.at(35, 80).bg, 46);
}

TEST(RendererFrames, ReproduceEveryPictureOfARandomSequenceExactly) {
    Renderer renderer(withColours(16));
    MiniTerminal term(35, 80);
    std::mt19937 random(42);
    Picture p = blankPicture();
    for (int step = 0; step < 200; ++step) {
        int changes = static_cast<int>(random() % 40);
        for (int k = 0; k < changes; ++k) {
            auto row = static_cast<int>(1 + random() % 35);
            auto column = static_cast<int>(1 + random() % 80);
            std::uint16_t attr = random() % 5 == 0 ? kConsoleOwnAttr : random() % 256;
            p.at(row, column) = Cell{static_cast<std::uint8_t>(random() % 256), attr};
        }
        p.cursorVisible = random() % 3 == 0;
        p.cursorRow = static_cast<int>(1 + random() % 35);
        p.cursorColumn = static_cast<int>(1 + random() % 80);
        term.feed(renderer.render(p));
        ASSERT_NO_FATAL_FAILURE(expectShows(term, p)) << "step " << step;
        for (int r = 1; r <= 35; ++r) {
            for (int c = 1; c <= 80; ++c) {
                auto attr = p.at(r, c).attr;
                if (attr > 0xFF) attr = 7;  // the console's own: grey on black
                int fg = 30 + Renderer::ansiColour(attr & 15) % 8 + (attr & 8 ? 60 : 0);
                int bg = 40 + Renderer::ansiColour(attr >> 4) % 8 + (attr & 0x80 ? 60 : 0);
                ASSERT_EQ(term.at(r, c).bg, bg) << r << "," << c;
                const std::string& glyph = term.at(r, c).glyph;
                if (!isBlankGlyph(glyph)) {  // a blank shows no foreground
                    ASSERT_EQ(term.at(r, c).fg, fg) << r << "," << c;
                }
            }
        }
        EXPECT_EQ(term.cursorVisible, p.cursorVisible);
        if (p.cursorVisible) {
            EXPECT_EQ(term.row, p.cursorRow);
            EXPECT_EQ(term.column, p.cursorColumn);
        }
    }
}

TEST(RendererCursor, IsShownAtTheModelsPositionOnlyWhileTheModelShowsIt) {
    Renderer renderer(TerminalTraits{});
    Picture p = blankPicture();
    EXPECT_THAT(renderer.render(p), HasSubstr("\x1b[?25l"));
    p.cursorVisible = true;
    p.cursorRow = 12;
    p.cursorColumn = 7;
    EXPECT_EQ(renderer.render(p), "\x1b[?2026h\x1b[12;7H\x1b[?25h\x1b[?2026l");
    p.cursorVisible = false;
    EXPECT_EQ(renderer.render(p), "\x1b[?2026h\x1b[?25l\x1b[?2026l");
    p.cursorRow = 20;  // a hidden cursor that moves needs nothing sent
    EXPECT_EQ(renderer.render(p), "");
}

// The rows fromRow..toRow of a terminal, each without its trailing blanks, joined by blanks.
std::string shownNotice(MiniTerminal& term, int fromRow, int toRow, int columns) {
    std::string text;
    for (int r = fromRow; r <= toRow; ++r) {
        std::string line;
        for (int c = 1; c <= columns; ++c)
            line += term.at(r, c).glyph;
        line.erase(line.find_last_not_of(' ') + 1);
        if (!text.empty()) text += ' ';
        text += line;
    }
    return text;
}

TEST(RendererSize, SmallTerminalShowsWhatFitsAndTheNoticeThenRepaintsWhenLargeAgain) {
    Renderer renderer(TerminalTraits{});
    Picture p = blankPicture();
    for (int r = 1; r <= 35; ++r)
        put(p, r, 1, "Zeile " + std::to_string(r), 6);
    put(p, 1, 75, "ENDE!", 6);

    renderer.setSize(30, 70);
    EXPECT_FALSE(renderer.largeEnough());
    MiniTerminal small(30, 70);
    small.feed(renderer.render(p));
    expectShows(small, p, 28, 70);
    EXPECT_EQ(shownNotice(small, 29, 30, 70),
              "Fenster zu klein: 70 x 30 Zeichen. Bitte das Terminal auf mindestens 80 x 35 "
              "Zeichen vergroessern");
    // Changes below or right of what fits send nothing and never overwrite the notice.
    put(p, 32, 1, "x", 6);
    put(p, 2, 78, "y", 6);
    EXPECT_EQ(renderer.render(p), "");

    renderer.setSize(35, 80);
    EXPECT_TRUE(renderer.largeEnough());
    MiniTerminal large(35, 80);
    std::string frame = renderer.render(p);
    EXPECT_THAT(frame, HasSubstr("\x1b[2J"));
    large.feed(frame);
    expectShows(large, p);
}

TEST(RendererSize, TheNoticeIsWholeOnItsLastRowsInAnyTerminalAtLeast20ColumnsWide) {
    for (int columns = 20; columns < 80; ++columns) {
        SCOPED_TRACE(columns);
        Renderer renderer(TerminalTraits{});
        renderer.setSize(12, columns);
        MiniTerminal narrow(12, columns);
        narrow.feed(renderer.render(blankPicture()));
        const int lines = static_cast<int>(windowNotice(columns, 12).size());
        ASSERT_LE(lines, 6);
        EXPECT_EQ(shownNotice(narrow, 13 - lines, 12, columns), windowNoticeText(columns, 12));
        EXPECT_EQ(shownNotice(narrow, 13 - lines - 1, 13 - lines - 1, columns), "")
            << "a row above the notice belongs to the picture";
    }
    EXPECT_EQ(breakIntoLines("ab vergroessern", 5), (std::vector<std::string>{"ab", "vergr"}));
    Renderer renderer(TerminalTraits{});
    renderer.setSize(0, 0);  // a terminal that reports no size at all
    EXPECT_NO_FATAL_FAILURE(renderer.render(blankPicture()));
}

TEST(RendererAscii, NonUtf8TerminalsGetOnlyAsciiLookAlikes) {
    TerminalTraits traits;
    traits.utf8 = false;
    Renderer renderer(traits);
    Picture p = blankPicture();
    for (int i = 0; i < 256; ++i)
        p.at(1 + i / 80, 1 + i % 80) = Cell{std::uint8_t(i), 7};
    std::string frame = renderer.render(p);
    for (char c : frame)
        EXPECT_LT(static_cast<unsigned char>(c), 0x80);
    MiniTerminal term(35, 80);
    term.feed(frame);
    EXPECT_EQ(term.at(3, 19).glyph, "#");  // byte 178
    EXPECT_EQ(term.at(1, 2).glyph, "@");   // byte 1
}

}  // namespace
}  // namespace numerion
