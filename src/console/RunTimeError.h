#pragma once
// Fatal run-time errors: one report on standard error, the error number as exit status.

#include <cstddef>
#include <cstdint>

namespace numerion {

enum ErrorNumber : int {
    kErrIllegalFunctionCall = 1,
    kErrFileNotFound = 2,
    kErrFileIo = 3,
    kErrOutOfBounds = 6,
    kErrInterrupted = 9,
    kErrIllegalInstruction = 10,
    kErrFloatingPoint = 11,
    kErrSegmentation = 12,
    kErrTermination = 13,
    kErrAbnormalTermination = 14,
    kErrQuit = 15,
};

// The module every routine of the game belongs to, as the report names it.
inline constexpr const char* kModuleName = "Numerion";

// The innermost routine for the report, and the error number of the last file statement. One
// per process, because the signal handlers report through it too.
struct ErrorContext {
    const char* routine = "";
    int fileError = 0;
};
ErrorContext& errorContext();

// Names the running routine for the report while it lives, and puts the previous name back.
class RoutineScope {
  public:
    explicit RoutineScope(const char* routine);
    ~RoutineScope();
    RoutineScope(const RoutineScope&) = delete;
    RoutineScope& operator=(const RoutineScope&) = delete;

  private:
    const char* previous_;
};

// The report is composed in a buffer of this size, so it keeps at most 1023 characters.
inline constexpr std::size_t kReportBufferSize = 1024;
// The report text exactly as it is written to standard error (line -1: none; module or routine
// null: not set), into a caller's buffer, zero-terminated and cut to fit; returns its length.
// Allocates nothing and calls no stdio, so signal handlers use it.
std::size_t composeReportInto(char* buffer, std::size_t size, int error, int line,
                              const char* module, const char* routine);

// Work to do before the report is written (restore the terminal). Must be async-signal-safe,
// because fatal signals run it too.
using FatalCleanup = void (*)();
void setFatalCleanup(FatalCleanup cleanup);

// Ends the program: cleanup, open files flushed, the report on stderr, exit status = error.
[[noreturn]] void RunTimeError(int error, int line);

// Index checks: the unsigned form for arrays from 0, the signed form for arrays with bounds.
inline void checkIndex(std::int32_t index, std::uint32_t upper, int line) {
    if (static_cast<std::uint32_t>(index) > upper) RunTimeError(kErrOutOfBounds, line);
}
inline void checkIndex(std::int32_t index, std::int32_t lower, std::int32_t upper, int line) {
    if (index < lower || index > upper) RunTimeError(kErrOutOfBounds, line);
}

// A file statement returned non-zero: raise the error it left in the context.
[[noreturn]] void failFileStatement(int line);

// For a platform's fault handlers, which end the process themselves: runs the cleanup and
// composes the report of a fault (no line) in the running routine into buffer; returns its
// length. Async-signal-safe.
std::size_t prepareFaultReport(char* buffer, std::size_t size, int error);

}  // namespace numerion
