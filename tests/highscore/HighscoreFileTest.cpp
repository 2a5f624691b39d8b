#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#ifndef _WIN32
#include <grp.h>
#include <unistd.h>
#endif

#include <filesystem>
#include <numeric>

#include "highscore/HighscoreTable.h"
#include "highscore/HighscoreTestSupport.h"
#include "support/LocalTime.h"
#include "support/VirtualPlatform.h"

namespace numerion {
namespace {

using testing::fatalReport;
using testing::readFileBytes;
using testing::TempWorkingDir;
using testing::writeFileBytes;

std::vector<std::uint8_t> imageBytes(const HighscoreTable& table) {
    const HighscoreTable::Image image = table.image();
    return {image.begin(), image.end()};
}

// --- records and fields ---

TEST(HighscoreRecord, PointsAreLittleEndianSignedAndFieldsFollowAtTheirOffsets) {
    HighscoreEntry entry;
    entry.points = -2;
    storeText(entry.name, "ABC");
    storeText(entry.dateTime, "07.03.2024 - 09:05:03");
    entry.padding = {0x11, 0x22};
    std::array<std::uint8_t, 44> record{};
    entry.toRecord(record);
    EXPECT_THAT(std::vector<std::uint8_t>(record.begin(), record.begin() + 4),
                ::testing::ElementsAre(0xFE, 0xFF, 0xFF, 0xFF));
    EXPECT_EQ(record[4], 'A');
    EXPECT_EQ(record[6], 'C');
    EXPECT_EQ(record[7], 0);
    EXPECT_EQ(record[20], '0');
    EXPECT_EQ(record[40], '3');
    EXPECT_EQ(record[41], 0);
    EXPECT_EQ(record[42], 0x11);
    EXPECT_EQ(record[43], 0x22);

    HighscoreEntry back;
    back.fromRecord(record);
    EXPECT_EQ(back.points, -2);
    EXPECT_EQ(back.name, entry.name);
    EXPECT_EQ(back.dateTime, entry.dateTime);
    EXPECT_EQ(back.padding, entry.padding);
}

TEST(HighscoreRecord, TextsAreCutAtWidthMinusOneAndZeroFilled) {
    std::array<std::uint8_t, 16> field{};
    field.fill(0xAA);
    storeText(field, "ABCDEFGHIJKLMNOPQRS");
    EXPECT_EQ(fieldText(field), "ABCDEFGHIJKLMNO");
    EXPECT_EQ(field[15], 0);

    storeText(field, "XY");
    for (std::size_t i = 2; i < field.size(); ++i)
        EXPECT_EQ(field[i], 0) << i;
    EXPECT_EQ(fieldText(field), "XY");
    EXPECT_EQ(fieldBytes(field), std::string("XY") + std::string(13, '\0'));

    // A foreign field without its zero byte still yields no more than 15 characters.
    field.fill('Z');
    EXPECT_EQ(fieldText(field), std::string(15, 'Z'));
}

TEST(HighscoreRecord, ThePlacesAreOneToHundredAndOutsideIsAFatalIndexError) {
    HighscoreTable table;
    table.at(100).points = 5;
    EXPECT_EQ(table.at(100).points, 5);
    EXPECT_EXIT(table.at(0, 322), ::testing::ExitedWithCode(6),
                fatalReport(6, "out of bounds array access", 322));
    EXPECT_EXIT(table.at(101, 323), ::testing::ExitedWithCode(6),
                fatalReport(6, "out of bounds array access", 323));
}

TEST(HighscoreDateTime, DayMonthYearAndTimeFromTheLocalClock) {
    VirtualPlatform platform;
    platform.setLocalTime(testing::localTimeOf(2024, 3, 7, 9, 5, 3));
    EXPECT_EQ(dateTimeText(platform.keys), "07.03.2024 - 09:05:03");
    platform.setLocalTime(std::nullopt);
    EXPECT_EQ(dateTimeText(platform.keys), ".. - ");
}

// A clock that moves on by a second at every look, starting a second before midnight.
class MidnightPlatform : public VirtualPlatform {
  public:
    std::optional<std::tm> localTime() override {
        // 31.12.1999 23:59:59 in UTC. Broken down by gmtime: emscripten's timegm does not
        // normalise a 60th second into the next day.
        const std::time_t at = 946684799 + looks_++;
        std::tm time{};
#ifdef _WIN32
        ::gmtime_s(&time, &at);
#else
        ::gmtime_r(&at, &time);
#endif
        return time;
    }

  private:
    int looks_ = 0;
};

TEST(HighscoreDateTime, ADateAndTimeAcrossMidnightComeFromOneLookAtTheClock) {
    MidnightPlatform platform;
    EXPECT_EQ(dateTimeText(platform.keys), "31.12.1999 - 23:59:59");
    EXPECT_EQ(dateTimeText(platform.keys), "01.01.2000 - 00:00:00");
}

// --- the file ---

class HighscoreFile : public ::testing::Test {
  protected:
    TempWorkingDir dir;
    VirtualPlatform platform;
    HighscoreTable table;
};

TEST_F(HighscoreFile, NoFileCreatesTheDefaultTableOf4400Bytes) {
    initHighscoreFile(table, platform.keys);
    for (int place = 1; place <= 100; ++place) {
        EXPECT_EQ(table.at(place).points, 0);
        EXPECT_EQ(fieldText(table.at(place).name), "===============");
        EXPECT_EQ(fieldText(table.at(place).dateTime), "05.03.2026 - 21:07:03");
        EXPECT_EQ(table.at(place).padding[0], 0);
    }
    const auto bytes = readFileBytes();
    ASSERT_EQ(bytes.size(), 4400U);
    EXPECT_EQ(bytes, imageBytes(table));
    // Place 100: name from byte 4356 + 4, its zero at + 19, the date's zero at + 41.
    EXPECT_EQ(bytes[4356 + 4], '=');
    EXPECT_EQ(bytes[4356 + 19], 0);
    EXPECT_EQ(bytes[4356 + 20], '0');
    EXPECT_EQ(bytes[4356 + 41], 0);
}

TEST_F(HighscoreFile, AnEmptyFileLoadsAsZerosAndIsNotRewritten) {
    writeFileBytes({});
    table.at(1).points = 77;  // whatever the table held is replaced
    initHighscoreFile(table, platform.keys);
    EXPECT_EQ(imageBytes(table), std::vector<std::uint8_t>(4400, 0));
    EXPECT_EQ(std::filesystem::file_size(kHighscoreFileName), 0U);
}

TEST_F(HighscoreFile, AShortFileFillsTheTableFromItsStartAndTheRestIsZero) {
    std::vector<std::uint8_t> bytes(100);
    std::iota(bytes.begin(), bytes.end(), std::uint8_t{1});
    writeFileBytes(bytes);
    initHighscoreFile(table, platform.keys);
    const auto image = imageBytes(table);
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), image.begin()));
    EXPECT_TRUE(std::all_of(image.begin() + 100, image.end(), [](auto b) { return b == 0; }));
    EXPECT_EQ(table.at(1).points, 0x04030201);
    EXPECT_EQ(table.at(3).points, 89 | 90 << 8 | 91 << 16 | 92 << 24);
    EXPECT_EQ(table.at(3).name[7], 100);  // byte 99 of the file
    EXPECT_EQ(table.at(3).name[8], 0);
}

TEST_F(HighscoreFile, ALongFileKeepsItsTailWhenSaved) {
    std::vector<std::uint8_t> bytes(5000);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(i * 7);
    writeFileBytes(bytes);
    initHighscoreFile(table, platform.keys);
    EXPECT_EQ(imageBytes(table), std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 4400));

    table.at(1).points = 123456;
    storeText(table.at(1).name, "NEU");
    saveHighscoreFile(table);
    const auto saved = readFileBytes();
    ASSERT_EQ(saved.size(), 5000U);
    EXPECT_EQ(std::vector<std::uint8_t>(saved.begin(), saved.begin() + 4400), imageBytes(table));
    EXPECT_EQ(std::vector<std::uint8_t>(saved.begin() + 4400, saved.end()),
              std::vector<std::uint8_t>(bytes.begin() + 4400, bytes.end()));
}

TEST_F(HighscoreFile, ASaveWritesTheWholeImageOverAShortFileAndCreatesAVanishedOne) {
    writeFileBytes(std::vector<std::uint8_t>(10, 0xEE));
    initHighscoreFile(table, platform.keys);
    table.at(2).points = 9;
    saveHighscoreFile(table);
    EXPECT_EQ(readFileBytes(), imageBytes(table));

    std::filesystem::remove(kHighscoreFileName);
    table.at(1).points = 3;
    saveHighscoreFile(table);
    EXPECT_EQ(readFileBytes(), imageBytes(table));
}

TEST_F(HighscoreFile, ADirectoryOfThatNameIsAFileNotFoundAtStartUp) {
    std::filesystem::create_directory(kHighscoreFileName);
    EXPECT_EXIT(initHighscoreFile(table, platform.keys), ::testing::ExitedWithCode(2),
                fatalReport(2, "file not found", 41));
}

TEST_F(HighscoreFile, ADirectoryInPlaceOfTheFileFailsTheSaveAtItsOpen) {
    initHighscoreFile(table, platform.keys);
    std::filesystem::remove(kHighscoreFileName);
    std::filesystem::create_directory(kHighscoreFileName);
    EXPECT_EXIT(saveHighscoreFile(table), ::testing::ExitedWithCode(2),
                fatalReport(2, "file not found", 338));
}

// Drops root rights in the dying child, so file permissions really apply (CI runs as root).
// Windows has no root that file attributes would not bind.
void becomeNobody() {
#ifndef _WIN32
    if (::geteuid() != 0) return;
    if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0) {
        std::_Exit(100);
    }
#endif
}

TEST_F(HighscoreFile, AFileThatCanOnlyBeReadLoadsAndThenFailsAtTheWriteOfTheSave) {
    HighscoreTable original = testing::tableWithPoints({900, 800, 700});
    const auto bytes = imageBytes(original);
    writeFileBytes(bytes);
    std::filesystem::permissions(kHighscoreFileName, std::filesystem::perms::owner_read |
                                                         std::filesystem::perms::group_read |
                                                         std::filesystem::perms::others_read);
    // The directory must be enterable but not writable for the unprivileged child.
    std::filesystem::permissions(
        dir.path(), std::filesystem::perms::owner_all | std::filesystem::perms::group_read |
                        std::filesystem::perms::group_exec | std::filesystem::perms::others_read |
                        std::filesystem::perms::others_exec);
    EXPECT_EXIT(
        {
            becomeNobody();
            initHighscoreFile(table, platform.keys);
            if (table.at(1).points != 900 || table.at(3).points != 700) std::_Exit(101);
            table.at(1).points = 1;
            saveHighscoreFile(table);
            std::_Exit(0);
        },
        ::testing::ExitedWithCode(3), fatalReport(3, "file I/O error", 339));
    EXPECT_EQ(readFileBytes(), bytes);
}

TEST_F(HighscoreFile, AFileThatCannotBeReadIsRecreatedOrFailsAtTheCreatingOpen) {
#ifdef _WIN32
    GTEST_SKIP() << "a Windows file cannot be made unreadable by its permission bits";
#endif
    writeFileBytes(std::vector<std::uint8_t>(4400, 1));
    std::filesystem::permissions(kHighscoreFileName, std::filesystem::perms::owner_write);
    EXPECT_EXIT(
        {
            becomeNobody();
            initHighscoreFile(table, platform.keys);
            std::_Exit(0);
        },
        ::testing::ExitedWithCode(2), fatalReport(2, "file not found", 41));
}

}  // namespace
}  // namespace numerion
