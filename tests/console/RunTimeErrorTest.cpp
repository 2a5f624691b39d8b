#include "console/RunTimeError.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace numerion {
namespace {

// A regular expression that matches exactly this text and nothing around it.
std::string exactly(const std::string& text) {
    std::string pattern = "^";
    for (char c : text) {
        if (std::string_view("\\^$.|?*+()[]{}").find(c) != std::string_view::npos) {
            pattern += '\\';
        }
        pattern += c;
    }
    return pattern + "$";
}

std::string report(const std::string& body) {
    return exactly("\nAborting due to runtime error " + body);
}

// --- the report text ---

TEST(RunTimeErrorReport, NamesMessageLineModuleAndRoutine) {
    EXPECT_EQ(composeReport(6, 39, "Numerion", ""),
              "\nAborting due to runtime error 6 (out of bounds array access) at line 39 of "
              "Numerion::()\n\n");
    EXPECT_EQ(composeReport(6, 12, "Numerion", "BESTENLISTENANZEIGE"),
              "\nAborting due to runtime error 6 (out of bounds array access) at line 12 of "
              "Numerion::BESTENLISTENANZEIGE()\n\n");
}

TEST(RunTimeErrorReport, WithoutALineTheModuleIsJoinedWithIn) {
    EXPECT_EQ(composeReport(9, -1, "Numerion", ""),
              "\nAborting due to runtime error 9 (\"interrupted\" signal) in Numerion::()\n\n");
    EXPECT_EQ(composeReport(12, 0, "Numerion", "SPIELANLEITUNG"),
              "\nAborting due to runtime error 12 (\"segmentation violation\" signal) in "
              "Numerion::SPIELANLEITUNG()\n\n");
}

TEST(RunTimeErrorReport, WithoutModuleOrRoutineTheirPartsAreLeftOut) {
    EXPECT_EQ(composeReport(2, 5, nullptr, "X"),
              "\nAborting due to runtime error 2 (file not found) at line 5\n\n");
    EXPECT_EQ(composeReport(3, -1, nullptr, nullptr),
              "\nAborting due to runtime error 3 (file I/O error)\n\n");
    EXPECT_EQ(composeReport(17, 7, "M", nullptr),
              "\nAborting due to runtime error 17 (end of file) at line 7 of M()\n\n");
}

TEST(RunTimeErrorReport, NumbersOutsideTheTableHaveNoMessage) {
    EXPECT_EQ(composeReport(18, 4, "Numerion", ""),
              "\nAborting due to runtime error 18 at line 4 of Numerion::()\n\n");
    EXPECT_EQ(composeReport(-1, -1, "Numerion", ""),
              "\nAborting due to runtime error -1 in Numerion::()\n\n");
    EXPECT_EQ(composeReport(-2147483647 - 1, -1, nullptr, nullptr),
              "\nAborting due to runtime error -2147483648\n\n");
    EXPECT_EQ(composeReport(0, -1, nullptr, nullptr), "\nAborting due to runtime error 0 ()\n\n");
}

TEST(RunTimeErrorReport, EveryTableMessageIsShown) {
    const char* expected[] = {"",
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
                              "end of file"};
    for (int n = 0; n <= 17; ++n) {
        EXPECT_EQ(
            composeReport(n, -1, nullptr, nullptr),
            "\nAborting due to runtime error " + std::to_string(n) + " (" + expected[n] + ")\n\n");
    }
}

TEST(RunTimeErrorReport, IsCutToTheBufferOf1024Bytes) {
    std::string longName(2000, 'R');
    std::string text = composeReport(6, 1, "Numerion", longName.c_str());
    EXPECT_EQ(text.size(), 1023U);
    EXPECT_EQ(text.substr(0, 31), "\nAborting due to runtime error ");

    char small[8];
    EXPECT_EQ(composeReportInto(small, sizeof small, 6, 1, "Numerion", ""), 7U);
    EXPECT_STREQ(small, "\nAborti");
}

TEST(RunTimeErrorReport, RoutineScopePutsThePreviousNameBack) {
    EXPECT_STREQ(errorContext().routine, "");
    {
        RoutineScope outer("BESTENLISTENANZEIGE");
        EXPECT_STREQ(errorContext().routine, "BESTENLISTENANZEIGE");
        {
            RoutineScope inner("SPIELANLEITUNG");
            EXPECT_STREQ(errorContext().routine, "SPIELANLEITUNG");
        }
        EXPECT_STREQ(errorContext().routine, "BESTENLISTENANZEIGE");
    }
    EXPECT_STREQ(errorContext().routine, "");
    EXPECT_STREQ(errorContext().module, "Numerion");
}

// --- ending the program ---

TEST(RunTimeErrorDeathTest, IndexOneAboveTheBoundEndsWithError6AndTheLine) {
    EXPECT_EXIT(checkIndex(11, 10U, 39), ::testing::ExitedWithCode(6),
                report("6 (out of bounds array access) at line 39 of Numerion::()\n\n"));
}

TEST(RunTimeErrorDeathTest, IndexMinusOneFailsTheUnsignedForm) {
    EXPECT_EXIT(checkIndex(-1, 10U, 41), ::testing::ExitedWithCode(6),
                report("6 (out of bounds array access) at line 41 of Numerion::()\n\n"));
}

TEST(RunTimeErrorDeathTest, BoundsOneToHundredRefuseZeroAndHundredOne) {
    EXPECT_EXIT(checkIndex(0, 1, 100, 7), ::testing::ExitedWithCode(6), "at line 7 of");
    EXPECT_EXIT(checkIndex(101, 1, 100, 8), ::testing::ExitedWithCode(6), "at line 8 of");
    EXPECT_EXIT(checkIndex(-5, 1, 100, 9), ::testing::ExitedWithCode(6), "at line 9 of");
}

TEST(RunTimeErrorDeathTest, IndexesWithinTheBoundsPass) {
    checkIndex(100, 1, 100, 1);
    checkIndex(1, 1, 100, 1);
    checkIndex(0, 10U, 1);
    checkIndex(10, 10U, 1);
    SUCCEED();
}

TEST(RunTimeErrorDeathTest, FailureInsideAScreenNamesItAndAfterItTheMainRoutine) {
    EXPECT_EXIT(
        {
            RoutineScope scope("BESTENLISTENANZEIGE");
            checkIndex(200, 99U, 123);
        },
        ::testing::ExitedWithCode(6),
        report(
            "6 (out of bounds array access) at line 123 of Numerion::BESTENLISTENANZEIGE()\n\n"));
    EXPECT_EXIT(
        {
            { RoutineScope scope("SPIELANLEITUNG"); }
            checkIndex(200, 99U, 124);
        },
        ::testing::ExitedWithCode(6),
        report("6 (out of bounds array access) at line 124 of Numerion::()\n\n"));
}

TEST(RunTimeErrorDeathTest, FailedFileStatementReportsTheNumberItSet) {
    EXPECT_EXIT(
        {
            errorContext().fileError = kErrFileNotFound;
            failFileStatement(77);
        },
        ::testing::ExitedWithCode(2), report("2 (file not found) at line 77 of Numerion::()\n\n"));
}

TEST(RunTimeErrorDeathTest, FailedFileStatementWithoutANumberStillFails) {
    EXPECT_EXIT(
        {
            errorContext().fileError = 0;
            failFileStatement(78);
        },
        ::testing::ExitedWithCode(3), report("3 (file I/O error) at line 78 of Numerion::()\n\n"));
}

TEST(RunTimeErrorDeathTest, InterruptRaisedFromTheMainLoopHasNoLine) {
    EXPECT_EXIT(RunTimeError(kErrInterrupted, -1), ::testing::ExitedWithCode(9),
                report("9 (\"interrupted\" signal) in Numerion::()\n\n"));
    EXPECT_EXIT(RunTimeError(kErrTermination, -1), ::testing::ExitedWithCode(13),
                report("13 (\"termination request\" signal) in Numerion::()\n\n"));
}

void writeMarker() {
    const char marker[] = "terminal restored";
    (void)!::write(STDERR_FILENO, marker, sizeof marker - 1);
}

TEST(RunTimeErrorDeathTest, CleanupRunsBeforeTheReport) {
    EXPECT_EXIT(
        {
            setFatalCleanup(writeMarker);
            RunTimeError(3, 5);
        },
        ::testing::ExitedWithCode(3),
        exactly("terminal restored\nAborting due to runtime error 3 (file I/O error) at line 5 of "
                "Numerion::()\n\n"));
}

TEST(RunTimeErrorDeathTest, OpenFilesKeepWhatWasWrittenBeforeTheError) {
    std::string path = ::testing::TempDir() + "numerion_rte_flush.txt";
    std::remove(path.c_str());
    EXPECT_EXIT(
        {
            std::FILE* file = std::fopen(path.c_str(), "wb");
            std::fputs("half a record", file);  // still in the stream's buffer
            checkIndex(5, 4U, 1);
        },
        ::testing::ExitedWithCode(6), "");
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    EXPECT_EQ(content.str(), "half a record");
    std::remove(path.c_str());
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

TEST(RunTimeErrorDeathTest, MemoryFaultReportsError12WithoutALine) {
    EXPECT_EXIT(
        {
            installFatalSignalHandlers();
            touchNowhere();
        },
        ::testing::ExitedWithCode(12),
        report("12 (\"segmentation violation\" signal) in Numerion::()\n\n"));
}

TEST(RunTimeErrorDeathTest, FaultNamesTheRoutineRunningAndCallsTheCleanup) {
    EXPECT_EXIT(
        {
            installFatalSignalHandlers();
            setFatalCleanup(writeMarker);
            RoutineScope scope("SPIELANLEITUNG");
            touchNowhere();
        },
        ::testing::ExitedWithCode(12),
        exactly("terminal restored\nAborting due to runtime error 12 (\"segmentation violation\" "
                "signal) in Numerion::SPIELANLEITUNG()\n\n"));
}

TEST(RunTimeErrorDeathTest, IntegerDivisionByZeroReportsError11) {
    EXPECT_EXIT(
        {
            installFatalSignalHandlers();
            std::printf("%d", divideByZero());
        },
        ::testing::ExitedWithCode(11),
        report("11 (\"floating point error\" signal) in Numerion::()\n\n"));
}

TEST(RunTimeErrorDeathTest, IllegalInstructionAndAbortReportErrors10And14) {
    EXPECT_EXIT(
        {
            installFatalSignalHandlers();
            std::raise(SIGILL);
        },
        ::testing::ExitedWithCode(10),
        report("10 (\"illegal instruction\" signal) in Numerion::()\n\n"));
    EXPECT_EXIT(
        {
            installFatalSignalHandlers();
            std::abort();
        },
        ::testing::ExitedWithCode(14),
        report("14 (\"abnormal termination\" signal) in Numerion::()\n\n"));
}

volatile bool gDeeper = true;

int recurse(int depth) {
    volatile char frame[256];
    frame[0] = static_cast<char>(depth);
    if (!gDeeper) return frame[0];
    return recurse(depth + 1) + frame[0];
}

TEST(RunTimeErrorDeathTest, StackOverflowReportsError12) {
    EXPECT_EXIT(
        {
            installFatalSignalHandlers();
            std::printf("%d", recurse(0));
        },
        ::testing::ExitedWithCode(12),
        report("12 (\"segmentation violation\" signal) in Numerion::()\n\n"));
}

}  // namespace
}  // namespace numerion
