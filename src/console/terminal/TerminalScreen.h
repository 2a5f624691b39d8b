#pragma once
// Presents the TextConsole model on a real terminal: alternate screen, code page 850 glyphs,
// colours mapped by colour, only changed cells sent, one write per frame.

#include <memory>
#include <string>

#include "console/TextConsole.h"
#include "console/terminal/TerminalInfo.h"

namespace numerion {

class TerminalScreen {
  public:
    // fd is the terminal's output; the model is read at every present().
    TerminalScreen(int fd, const TextConsole& model);
    // With the terminal's description already read.
    TerminalScreen(int fd, const TextConsole& model, const TerminalInfo& info);
    ~TerminalScreen();
    TerminalScreen(const TerminalScreen&) = delete;
    TerminalScreen& operator=(const TerminalScreen&) = delete;

    // Enters the alternate screen, hides the cursor, asks for 80 x 35 where the terminal
    // accepts it, and paints the whole picture at the next present().
    void enter();
    // Leaves everything as it was found: colours, cursor shown, main screen back.
    void leave();
    // Bytes that leave() writes, ready for a signal handler (no allocation there).
    const char* restoreBytes() const;

    // Sends what changed since the last frame, in one write; nothing when nothing changed.
    void present();
    // Puts the terminal's own colours back before the program waits longer than a tick: a
    // terminal resized meanwhile may fill the cells it frees in the colours in force.
    void rest();
    // Re-reads the terminal size after SIGWINCH, rests (more resizes may follow at once); the
    // next present() repaints everything.
    void resized();
    // Whether the terminal shows all 80 x 35 cells; while not, the game is held.
    bool largeEnough() const;
    // Rings the terminal bell.
    void bell();

    // Bytes sent so far (for measurements).
    std::size_t bytesSent() const;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace numerion
