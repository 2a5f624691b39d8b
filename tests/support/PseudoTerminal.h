#pragma once
// A bare pseudo-terminal for tests of the terminal backend.

namespace numerion::testing {

struct PseudoTerminalPair {
    int master = -1;   // the terminal's side: what is typed goes in, what is shown comes out
    int program = -1;  // the program's side
};

// A pseudo-terminal of rows x columns; ends the process when none can be had. The program's
// side does not become the controlling terminal, so closing the master sends no hang-up.
PseudoTerminalPair openPseudoTerminal(int rows = 35, int columns = 80);

}  // namespace numerion::testing
