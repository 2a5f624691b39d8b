#include "console/wincon/FatalEvents.h"

#include <gtest/gtest.h>

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

int* volatile gNowhere = nullptr;

void touchNowhere() {
    *gNowhere = 1;
}

int divideByZero() {
    volatile int zero = 0;
    volatile int one = 1;
    return one / zero;
}

// Structured exceptions and aborts end the program with the same reports as the signals of a
// POSIX system. (A stack overflow is not among them: wine ends such a thread without running
// any exception filter, so it cannot be tried here.)
TEST(FatalEventsDeathTest, ProcessorFaultsAndAbortsReportTheirErrorWithoutALine) {
    struct Fault {
        void (*cause)();
        int error;
        const char* message;
    };
    const Fault faults[] = {
        {touchNowhere, 12, "\"segmentation violation\""},
        {[] { std::printf("%d", divideByZero()); }, 11, "\"floating point error\""},
        {[] { __builtin_trap(); }, 10, "\"illegal instruction\""},
        {[] { std::abort(); }, 14, "\"abnormal termination\""},
    };
    for (const Fault& fault : faults) {
        EXPECT_EXIT(
            {
                installFaultHandlers();
                fault.cause();
            },
            ::testing::ExitedWithCode(fault.error),
            report(std::to_string(fault.error) + " (" + fault.message +
                   " signal) in Numerion::()\n\n"));
    }
}

TEST(FatalEventsDeathTest, AFaultGivesTheConsoleBackFirstAndNamesTheRoutineRunning) {
    EXPECT_EXIT(
        {
            installFaultHandlers();
            setFatalCleanup(testing::writeCleanupMarker);
            RoutineScope scope("BESTENLISTENANZEIGE");
            touchNowhere();
        },
        ::testing::ExitedWithCode(12),
        testing::exactly("terminal restored\nAborting due to runtime error 12 (\"segmentation "
                         "violation\" signal) in Numerion::BESTENLISTENANZEIGE()\n\n"));
}

}  // namespace
}  // namespace numerion
