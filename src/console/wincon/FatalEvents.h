#pragma once
// The ways a Windows console program is ended from outside or by a fault, turned into the
// program's fatal errors: Ctrl+C and Ctrl+Break (9), the console window closed or the session
// ending (13), an access violation or stack overflow (12), an arithmetic fault (11), an illegal
// instruction (10) and an abort (14).

#include <windows.h>

namespace numerion {

// Control events arrive on a thread the console starts; the handler only notes the error and
// signals an event, and the main thread raises the error at its next platform call.
void installConsoleControlHandler();
// The error a control event asked for, or 0.
int pendingControlError();
// Signalled once a control event has arrived; waits include it so they end at once.
HANDLE controlEvent();

// Faults and aborts end the process from the faulting thread, after the fatal cleanup gave
// the console back, with the same one-line report as any other fatal error.
void installFaultHandlers();

}  // namespace numerion
