#include "console/wincon/FatalEvents.h"

#include <atomic>
#include <csignal>

#include "console/RunTimeError.h"

namespace numerion {

namespace {

std::atomic<int> gControlError{0};
std::atomic<HANDLE> gControlEvent{nullptr};

BOOL WINAPI onControlEvent(DWORD event) {
    const bool interrupt = event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT;
    int expected = 0;
    gControlError.compare_exchange_strong(expected, interrupt ? kErrInterrupted : kErrTermination);
    SetEvent(gControlEvent.load());
    if (interrupt) return TRUE;
    // The window is closing (or the session ends): the system ends the process once this
    // returns, so it waits for the main thread, which gives the console back, reports and
    // exits. The system's own time limit still applies.
    Sleep(INFINITE);
    return TRUE;
}

int errorOfException(DWORD code) {
    switch (code) {
        case EXCEPTION_ACCESS_VIOLATION:
        case EXCEPTION_STACK_OVERFLOW:
        case EXCEPTION_IN_PAGE_ERROR:
        case EXCEPTION_ARRAY_BOUNDS_EXCEEDED:
        case EXCEPTION_DATATYPE_MISALIGNMENT:
        case EXCEPTION_GUARD_PAGE:
            return kErrSegmentation;
        case EXCEPTION_INT_DIVIDE_BY_ZERO:
        case EXCEPTION_INT_OVERFLOW:
        case EXCEPTION_FLT_DIVIDE_BY_ZERO:
        case EXCEPTION_FLT_OVERFLOW:
        case EXCEPTION_FLT_UNDERFLOW:
        case EXCEPTION_FLT_INEXACT_RESULT:
        case EXCEPTION_FLT_INVALID_OPERATION:
        case EXCEPTION_FLT_DENORMAL_OPERAND:
        case EXCEPTION_FLT_STACK_CHECK:
            return kErrFloatingPoint;
        case EXCEPTION_ILLEGAL_INSTRUCTION:
        case EXCEPTION_PRIV_INSTRUCTION:
            return kErrIllegalInstruction;
        default:
            return kErrAbnormalTermination;
    }
}

char gFaultReport[kReportBufferSize];

[[noreturn]] void endWithFault(int error) {
    const std::size_t length = prepareFaultReport(gFaultReport, sizeof gFaultReport, error);
    HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    std::size_t written = 0;
    while (written < length) {
        DWORD n = 0;
        if (!WriteFile(err, gFaultReport + written, static_cast<DWORD>(length - written), &n,
                       nullptr) ||
            n == 0)
            break;
        written += n;
    }
    // No exit work in a process whose state a fault has broken: the report is out, the
    // highscore file is only ever written whole and synced.
    TerminateProcess(GetCurrentProcess(), static_cast<UINT>(error));
    for (;;)
        Sleep(INFINITE);
}

LONG WINAPI onUnhandledException(EXCEPTION_POINTERS* info) {
    endWithFault(errorOfException(info->ExceptionRecord->ExceptionCode));
}

extern "C" void onAbort(int) {
    endWithFault(kErrAbnormalTermination);
}

}  // namespace

void installConsoleControlHandler() {
    gControlEvent.store(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    // A parent that ignored Ctrl+C passes that on; this program wants it as its error 9.
    SetConsoleCtrlHandler(nullptr, FALSE);
    SetConsoleCtrlHandler(onControlEvent, TRUE);
}

int pendingControlError() {
    return gControlError.load();
}

HANDLE controlEvent() {
    return gControlEvent.load();
}

void installFaultHandlers() {
    // Room for the filter to run after a stack overflow.
    ULONG reserve = 64 * 1024;
    SetThreadStackGuarantee(&reserve);
    SetUnhandledExceptionFilter(onUnhandledException);
    std::signal(SIGABRT, onAbort);
}

}  // namespace numerion
