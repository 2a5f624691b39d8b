// TerminalScreen on a real pseudo-terminal, read back through libvterm: what a player sees.

#include <gtest/gtest.h>
#include <termios.h>
#include <unistd.h>

#include "console/TextConsole.h"
#include "console/terminal/Renderer.h"
#include "console/terminal/TerminalScreen.h"
#include "support/PtyTerminal.h"

namespace numerion::e2e {
namespace {

constexpr int kTimeout = 10000;

// Draws a small picture and then obeys one-letter commands from the terminal's keyboard:
// 'r' re-reads the size and presents, 'q' leaves the screen and ends.
int drawAndObey() {
    termios modes{};
    ::tcgetattr(STDIN_FILENO, &modes);
    modes.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);  // keys neither wait nor show
    ::tcsetattr(STDIN_FILENO, TCSANOW, &modes);
    TextConsole model;
    TerminalScreen screen(STDOUT_FILENO, model);
    screen.enter();
    model.setSize(80, 35);
    model.clear();
    model.locate(1, 1, 0);
    model.printText("Numerion");
    model.locate(3, 5);
    model.setColor(1);
    model.printText("\x01");
    model.setColor(12, 3);
    model.printText("\xB2\xAE\xAF\x0F");
    model.setColor(7, 0);
    model.locate(35, 71);
    model.printText("Zeile 35 !");
    screen.present();
    char command = 0;
    while (::read(STDIN_FILENO, &command, 1) == 1) {
        if (command == 'r') {
            screen.resized();
            screen.present();
        } else if (command == 'q') {
            screen.leave();
            return screen.largeEnough() ? 0 : 3;
        }
    }
    return 1;
}

TEST(TerminalScreenInPty, ShowsGlyphsAndColoursOnTheAlternateScreenAndRestoresOnLeave) {
    PtyTerminal term(drawAndObey, PtyTerminal::Options{});
    ASSERT_TRUE(term.waitForText(35, "Zeile 35 !", kTimeout)) << term.screenText();
    EXPECT_TRUE(term.altScreen());
    EXPECT_FALSE(term.cursorVisible());
    EXPECT_EQ(term.rowText(1).substr(0, 8), "Numerion");
    EXPECT_EQ(term.rowText(3).rfind("    ☺▓«»☼", 0), 0u) << term.rowText(3);
    // 256 colours: the nearest standard cube and grey indexes, never the terminal's first 16.
    EXPECT_EQ(term.cell(1, 1).foreground, 248);  // the console's own colours: grey on black
    EXPECT_EQ(term.cell(1, 1).background, 16);
    EXPECT_EQ(term.cell(3, 5).foreground, 19);   // blue
    EXPECT_EQ(term.cell(3, 6).foreground, 203);  // light red
    EXPECT_EQ(term.cell(3, 6).background, 37);   // cyan
    EXPECT_EQ(term.cell(35, 71).foreground, 248);
    EXPECT_EQ(term.cell(35, 71).background, 16);
    EXPECT_NE(term.output().find("\x1b[8;35;80t"), std::string::npos);

    term.send("q");
    auto status = term.waitExit(kTimeout);
    ASSERT_TRUE(status.has_value());
    EXPECT_EQ(status->code, 0);
    EXPECT_FALSE(term.altScreen());
    EXPECT_TRUE(term.cursorVisible());
    EXPECT_EQ(term.rowText(1).find("Numerion"), std::string::npos);  // the main screen is back
}

TEST(TerminalScreenInPty, SmallTerminalShowsTheNoticeAndTheWholePictureOnceLargeEnough) {
    PtyTerminal::Options options;
    options.rows = 30;
    options.columns = 70;
    PtyTerminal term(drawAndObey, options);
    ASSERT_TRUE(term.waitForText(30, "80 x 35 Zeichen vergroessern", kTimeout))
        << term.screenText();
    EXPECT_EQ(term.rowText(29).rfind("Fenster zu klein: 70 x 30 Zeichen. Bitte das Terminal", 0),
              0u)
        << term.rowText(29);
    EXPECT_EQ(term.rowText(1).substr(0, 8), "Numerion");
    EXPECT_EQ(term.rowText(3).rfind("    ☺▓«»☼", 0), 0u) << term.rowText(3);
    EXPECT_EQ(term.screenText().find("Zeile 35"), std::string::npos);  // not what fits

    term.resize(35, 80);
    term.send("r");
    ASSERT_TRUE(term.waitForText(35, "Zeile 35 !", kTimeout)) << term.screenText();
    EXPECT_EQ(term.screenText().find("Fenster zu klein"), std::string::npos);
    EXPECT_EQ(term.rowText(1).substr(0, 8), "Numerion");
    term.send("q");
    auto status = term.waitExit(kTimeout);
    ASSERT_TRUE(status.has_value());
    EXPECT_EQ(status->code, 0);  // large enough when it left
}

TEST(TerminalScreenInPty, NonUtf8LocaleGetsAsciiLookAlikes) {
    PtyTerminal::Options options;
    options.lang = "C";
    PtyTerminal term(drawAndObey, options);
    ASSERT_TRUE(term.waitForText(35, "Zeile 35 !", kTimeout)) << term.screenText();
    EXPECT_EQ(term.rowText(3).rfind("    @#<>*", 0), 0u) << term.rowText(3);
    term.send("q");
    EXPECT_TRUE(term.waitExit(kTimeout).has_value());
}

}  // namespace
}  // namespace numerion::e2e
