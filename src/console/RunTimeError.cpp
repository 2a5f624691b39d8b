#include "console/RunTimeError.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace numerion {

namespace {

constexpr const char* kMessages[] = {
    "",
    "illegal function call",
    "file not found",
    "file I/O error",
    "out of memory",
    "illegal resume",
    "out of bounds array access",
    "null pointer access",
    "no privileges",
    "\"interrupted\" signal",
    "\"illegal instruction\" signal",
    "\"floating point error\" signal",
    "\"segmentation violation\" signal",
    "\"termination request\" signal",
    "\"abnormal termination\" signal",
    "\"quit request\" signal",
    "return without gosub",
    "end of file",
};
constexpr unsigned kMessageCount = sizeof(kMessages) / sizeof(kMessages[0]);

// Constant-initialised, so a signal handler can read it at any moment of the run.
constinit ErrorContext gContext{};
std::atomic<FatalCleanup> gCleanup{nullptr};

// Appends to a fixed buffer and cuts off at its end; no allocation, no locale, no stdio,
// so the signal handlers can use it.
class ReportWriter {
  public:
    ReportWriter(char* buffer, std::size_t size) : buffer_(buffer), size_(size) {}

    void text(const char* s) {
        while (s != nullptr && *s != '\0')
            put(*s++);
    }
    void number(int value) {
        char digits[12];
        int count = 0;
        // Works on the unsigned magnitude, so the most negative number prints too.
        unsigned magnitude =
            value < 0 ? 0U - static_cast<unsigned>(value) : static_cast<unsigned>(value);
        do {
            digits[count++] = static_cast<char>('0' + magnitude % 10);
            magnitude /= 10;
        } while (magnitude != 0);
        if (value < 0) put('-');
        while (count > 0)
            put(digits[--count]);
    }
    std::size_t finish() {
        buffer_[length_] = '\0';
        return length_;
    }

  private:
    void put(char c) {
        if (length_ + 1 < size_) buffer_[length_++] = c;
    }

    char* buffer_;
    std::size_t size_;
    std::size_t length_ = 0;
};

// The main routine's name is the empty text, which still counts as a name: "Numerion::()".
bool isSet(const char* name) {
    return name != nullptr;
}

void runCleanup() {
    FatalCleanup cleanup = gCleanup.load();
    if (cleanup != nullptr) cleanup();
}

}  // namespace

ErrorContext& errorContext() {
    return gContext;
}

RoutineScope::RoutineScope(const char* routine) : previous_(gContext.routine) {
    gContext.routine = routine;
    std::atomic_signal_fence(std::memory_order_seq_cst);
}

RoutineScope::~RoutineScope() {
    gContext.routine = previous_;
    std::atomic_signal_fence(std::memory_order_seq_cst);
}

std::size_t composeReportInto(char* buffer, std::size_t size, int error, int line,
                              const char* module, const char* routine) {
    if (size == 0) return 0;
    ReportWriter out(buffer, size);
    out.text("\nAborting due to runtime error ");
    out.number(error);
    if (static_cast<unsigned>(error) < kMessageCount) {
        out.text(" (");
        out.text(kMessages[error]);
        out.text(")");
    }
    if (line > 0) {
        out.text(" at line ");
        out.number(line);
    }
    if (isSet(module)) {
        out.text(line > 0 ? " of " : " in ");
        out.text(module);
        if (isSet(routine)) {
            out.text("::");
            out.text(routine);
        }
        out.text("()\n\n");
    } else {
        out.text("\n\n");
    }
    return out.finish();
}

void setFatalCleanup(FatalCleanup cleanup) {
    gCleanup.store(cleanup);
}

void RunTimeError(int error, int line) {
    runCleanup();
    // The normal end of the process: what the open files hold reaches them.
    std::fflush(nullptr);
    char report[kReportBufferSize];
    composeReportInto(report, sizeof report, error, line, kModuleName, gContext.routine);
    std::fputs(report, stderr);
    std::fflush(stderr);
    std::_Exit(error);
}

std::size_t prepareFaultReport(char* buffer, std::size_t size, int error) {
    runCleanup();
    return composeReportInto(buffer, size, error, -1, kModuleName, gContext.routine);
}

void failFileStatement(int line) {
    // A statement that failed without leaving a number must still end as a failure.
    int error = gContext.fileError != 0 ? gContext.fileError : kErrFileIo;
    RunTimeError(error, line);
}

}  // namespace numerion
