#include "console/RunTimeError.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "support/Patterns.h"

namespace numerion {
namespace {

std::string report(const std::string& body) {
    return testing::exactly("\nAborting due to runtime error " + body);
}

std::string composeReport(int error, int line, const char* module, const char* routine) {
    char buffer[kReportBufferSize];
    const std::size_t length =
        composeReportInto(buffer, sizeof buffer, error, line, module, routine);
    return std::string(buffer, length);
}

// --- the report text ---

TEST(RunTimeErrorReport, NamesMessageLineModuleAndRoutine) {
    struct Case {
        int error;
        int line;
        const char* module;
        const char* routine;
        const char* expected;  // after "\nAborting due to runtime error "
    };
    const Case cases[] = {
        // With a line the module is joined with "of"; the main routine's name is empty.
        {6, 39, "Numerion", "", "6 (out of bounds array access) at line 39 of Numerion::()\n\n"},
        {6, 12, "Numerion", "BESTENLISTENANZEIGE",
         "6 (out of bounds array access) at line 12 of Numerion::BESTENLISTENANZEIGE()\n\n"},
        {1, 3, "Numerion", "", "1 (illegal function call) at line 3 of Numerion::()\n\n"},
        // Without a line it is joined with "in".
        {9, -1, "Numerion", "", "9 (\"interrupted\" signal) in Numerion::()\n\n"},
        {12, 0, "Numerion", "SPIELANLEITUNG",
         "12 (\"segmentation violation\" signal) in Numerion::SPIELANLEITUNG()\n\n"},
        {15, -1, "Numerion", "", "15 (\"quit request\" signal) in Numerion::()\n\n"},
        // Without a module or a routine their parts are left out.
        {2, 5, nullptr, "X", "2 (file not found) at line 5\n\n"},
        {3, -1, nullptr, nullptr, "3 (file I/O error)\n\n"},
        {17, 7, "M", nullptr, "17 (end of file) at line 7 of M()\n\n"},
        // Numbers outside the table have no message; 0 has the empty one.
        {18, 4, "Numerion", "", "18 at line 4 of Numerion::()\n\n"},
        {-1, -1, "Numerion", "", "-1 in Numerion::()\n\n"},
        {-2147483647 - 1, -1, nullptr, nullptr, "-2147483648\n\n"},
        {0, -1, nullptr, nullptr, "0 ()\n\n"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(composeReport(c.error, c.line, c.module, c.routine),
                  std::string("\nAborting due to runtime error ") + c.expected);
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
}

// --- ending the program ---

TEST(RunTimeErrorDeathTest, IndexOutsideItsBoundsEndsWithError6AndTheLine) {
    // The unsigned form: one above the bound, and any negative index.
    EXPECT_EXIT(checkIndex(11, 10U, 39), ::testing::ExitedWithCode(6),
                report("6 (out of bounds array access) at line 39 of Numerion::()\n\n"));
    EXPECT_EXIT(checkIndex(-1, 10U, 41), ::testing::ExitedWithCode(6),
                report("6 (out of bounds array access) at line 41 of Numerion::()\n\n"));
    // The signed form with bounds 1 to 100.
    EXPECT_EXIT(checkIndex(0, 1, 100, 7), ::testing::ExitedWithCode(6), "at line 7 of");
    EXPECT_EXIT(checkIndex(101, 1, 100, 8), ::testing::ExitedWithCode(6), "at line 8 of");
    EXPECT_EXIT(checkIndex(-5, 1, 100, 9), ::testing::ExitedWithCode(6), "at line 9 of");

    for (int inside : {1, 100})
        checkIndex(inside, 1, 100, 1);
    for (int inside : {0, 10})
        checkIndex(inside, 10U, 1);
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
    // A statement that left no number must not end as a success.
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

TEST(RunTimeErrorDeathTest, CleanupRunsBeforeTheReport) {
    EXPECT_EXIT(
        {
            setFatalCleanup(testing::writeCleanupMarker);
            RunTimeError(3, 5);
        },
        ::testing::ExitedWithCode(3),
        testing::exactly(
            "terminal restored\nAborting due to runtime error 3 (file I/O error) at line 5 of "
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

}  // namespace
}  // namespace numerion
