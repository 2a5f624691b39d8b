#pragma once
// The fatal path on POSIX systems: processor faults (memory, arithmetic, illegal instruction)
// and aborts become the program's report on standard error and its exit status, from inside
// the signal handler.

#include <cstddef>

namespace numerion {

// Composes the report of a fault with the given error number into buffer and returns its
// length; runs the fatal cleanup first. Must be async-signal-safe.
using FaultReport = std::size_t (*)(char* buffer, std::size_t size, int error);

// Installs the handlers, with a stack of their own for a stack overflow.
void installFatalSignalHandlers(FaultReport report);

}  // namespace numerion
