#include "console/posix/FatalSignals.h"

#include <unistd.h>

#include <atomic>
#include <csignal>

#include "console/RunTimeError.h"
#include "console/posix/WriteAll.h"

namespace numerion {

namespace {

std::atomic<FaultReport> gReport{nullptr};

int errorForSignal(int signal) {
    switch (signal) {
        case SIGSEGV:
        case SIGBUS:
            return kErrSegmentation;
        case SIGFPE:
            return kErrFloatingPoint;
        case SIGILL:
            return kErrIllegalInstruction;
        default:
            return kErrAbnormalTermination;
    }
}

char gSignalReport[kReportBufferSize];

extern "C" void onFatalSignal(int signal) {
    int error = errorForSignal(signal);
    const FaultReport report = gReport.load();
    std::size_t length = report != nullptr ? report(gSignalReport, sizeof gSignalReport, error) : 0;
    writeAll(STDERR_FILENO, gSignalReport, length);
    ::_exit(error);
}

// A stack overflow leaves no stack to run the handler on, so it gets a stack of its own.
alignas(16) char gAltStack[64 * 1024];

}  // namespace

void installFatalSignalHandlers(FaultReport report) {
    gReport.store(report);
    stack_t stack{};
    stack.ss_sp = gAltStack;
    stack.ss_size = sizeof gAltStack;
    stack.ss_flags = 0;
    sigaltstack(&stack, nullptr);

    struct sigaction action {};
    action.sa_handler = onFatalSignal;
    sigemptyset(&action.sa_mask);
    // A fault inside the handler itself then ends the process the default way.
    action.sa_flags = SA_ONSTACK | SA_RESETHAND;
    for (int signal : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT}) {
        sigaction(signal, &action, nullptr);
    }
}

}  // namespace numerion
