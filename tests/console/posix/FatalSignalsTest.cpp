#include "console/posix/FatalSignals.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "console/RunTimeError.h"
#include "support/Patterns.h"

namespace numerion {
namespace {

std::string report(const std::string& body) {
    return testing::exactly("\nAborting due to runtime error " + body);
}

// --- processor faults ---

int* volatile gNowhere = nullptr;

// The sanitizers would report these faults themselves; the real fault is what is tested.
__attribute__((no_sanitize("undefined"))) void touchNowhere() {
    *gNowhere = 1;
}

__attribute__((no_sanitize("undefined"))) int divideByZero() {
    volatile int zero = 0;
    volatile int one = 1;
    return one / zero;
}

volatile bool gDeeper = true;

int recurse(int depth) {
    volatile char frame[256];
    frame[0] = static_cast<char>(depth);
    if (!gDeeper) return frame[0];
    return recurse(depth + 1) + frame[0];
}

TEST(RunTimeErrorDeathTest, ProcessorFaultsReportTheirErrorWithoutALine) {
    struct Fault {
        void (*cause)();
        int error;
        const char* message;
    };
    const Fault faults[] = {
        {touchNowhere, 12, "\"segmentation violation\""},
        {[] { std::printf("%d", recurse(0)); }, 12, "\"segmentation violation\""},  // stack
        {[] { std::printf("%d", divideByZero()); }, 11, "\"floating point error\""},
        {[] { std::raise(SIGILL); }, 10, "\"illegal instruction\""},
        {[] { std::abort(); }, 14, "\"abnormal termination\""},
    };
    for (const Fault& fault : faults) {
        EXPECT_EXIT(
            {
                installFatalSignalHandlers(prepareFaultReport);
                fault.cause();
            },
            ::testing::ExitedWithCode(fault.error),
            report(std::to_string(fault.error) + " (" + fault.message +
                   " signal) in Numerion::()\n\n"));
    }
}

TEST(RunTimeErrorDeathTest, FaultNamesTheRoutineRunningAndCallsTheCleanup) {
    EXPECT_EXIT(
        {
            installFatalSignalHandlers(prepareFaultReport);
            setFatalCleanup(testing::writeCleanupMarker);
            RoutineScope scope("SPIELANLEITUNG");
            touchNowhere();
        },
        ::testing::ExitedWithCode(12),
        testing::exactly(
            "terminal restored\nAborting due to runtime error 12 (\"segmentation violation\" "
            "signal) in Numerion::SPIELANLEITUNG()\n\n"));
}

}  // namespace
}  // namespace numerion
