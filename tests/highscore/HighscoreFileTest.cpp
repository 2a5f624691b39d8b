#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#ifdef _WIN32
#include <windows.h>
#else
#include <grp.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#endif
#ifdef __linux__
#include <sys/ptrace.h>
#endif

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <limits>
#include <numeric>
#include <string>
#include <thread>
#include <vector>

#include "highscore/Bestenlisteneintrag.h"
#include "highscore/HighscoreFile.h"
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

    saveHighscoreFile(table, [](HighscoreTable& now) {
        now.at(1).points = 123456;
        storeText(now.at(1).name, "NEU");
        return true;
    });
    EXPECT_EQ(table.at(1).points, 123456);
    const auto saved = readFileBytes();
    ASSERT_EQ(saved.size(), 5000U);
    EXPECT_EQ(std::vector<std::uint8_t>(saved.begin(), saved.begin() + 4400), imageBytes(table));
    EXPECT_EQ(std::vector<std::uint8_t>(saved.begin() + 4400, saved.end()),
              std::vector<std::uint8_t>(bytes.begin() + 4400, bytes.end()));
}

// A save changes the table as the file holds it when the save begins, not as it was loaded;
// a file deleted meanwhile is made again from the table in memory.
TEST_F(HighscoreFile, ASaveChangesTheFileAsItIsNowAndMakesAVanishedOneAgain) {
    writeFileBytes(std::vector<std::uint8_t>(10, 0xEE));
    initHighscoreFile(table, platform.keys);
    const HighscoreTable other = testing::tableWithPoints({50, 40});
    writeFileBytes(imageBytes(other));
    saveHighscoreFile(table, [](HighscoreTable& now) {
        now.at(3).points = 30;
        return true;
    });
    HighscoreTable expected = other;
    expected.at(3).points = 30;
    EXPECT_EQ(imageBytes(table), imageBytes(expected));
    EXPECT_EQ(readFileBytes(), imageBytes(expected));

    // A change that is not to be saved writes nothing, and the table is the file's.
    writeFileBytes(std::vector<std::uint8_t>(20, 0x11));
    saveHighscoreFile(table, [](HighscoreTable&) { return false; });
    EXPECT_EQ(table.at(1).points, 0x11111111);
    EXPECT_EQ(table.at(100).points, 0);
    EXPECT_EQ(readFileBytes(), std::vector<std::uint8_t>(20, 0x11));

    std::filesystem::remove(kHighscoreFileName);
    saveHighscoreFile(table, [](HighscoreTable& now) {
        now.at(100).points = 3;
        return true;
    });
    EXPECT_EQ(table.at(1).points, 0x11111111);
    EXPECT_EQ(table.at(100).points, 3);
    EXPECT_EQ(readFileBytes(), imageBytes(table));
}

TEST_F(HighscoreFile, ADirectoryOfThatNameIsAFileNotFoundAtStartUp) {
    std::filesystem::create_directory(kHighscoreFileName);
    EXPECT_EXIT(initHighscoreFile(table, platform.keys), ::testing::ExitedWithCode(2),
                fatalReport(2, "file not found", 41));
#ifndef _WIN32
    // A FIFO neither blocks the start-up nor is taken for a missing file.
    std::filesystem::remove(kHighscoreFileName);
    ASSERT_EQ(::mkfifo(kHighscoreFileName, 0666), 0);
    EXPECT_EXIT(initHighscoreFile(table, platform.keys), ::testing::ExitedWithCode(2),
                fatalReport(2, "file not found", 41));
    EXPECT_EQ(std::filesystem::status(kHighscoreFileName).type(), std::filesystem::file_type::fifo);
#endif
}

bool saveAnything(HighscoreTable& now) {
    now.at(1).points += 1;
    return true;
}

TEST_F(HighscoreFile, ADirectoryInPlaceOfTheFileFailsTheSaveAtItsOpen) {
    initHighscoreFile(table, platform.keys);
    std::filesystem::remove(kHighscoreFileName);
    std::filesystem::create_directory(kHighscoreFileName);
    EXPECT_EXIT(saveHighscoreFile(table, saveAnything), ::testing::ExitedWithCode(2),
                fatalReport(2, "file not found", 338));
}

// What the directory holds: a failed save or creation leaves nothing behind.
std::vector<std::string> namesIn(const std::filesystem::path& directory) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(directory))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
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

// Whether a new file could stand beside it or not, the file is not replaced.
TEST_F(HighscoreFile, AFileThatCanOnlyBeReadLoadsAndThenFailsAtTheWriteOfTheSave) {
    namespace fs = std::filesystem;
    HighscoreTable original = testing::tableWithPoints({900, 800, 700});
    const auto bytes = imageBytes(original);
    writeFileBytes(bytes);
    fs::permissions(kHighscoreFileName,
                    fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    // The directory must be enterable for the unprivileged child, and writable or not.
    for (const fs::perms directory :
         {fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
              fs::perms::others_read | fs::perms::others_exec,
          fs::perms::all}) {
        SCOPED_TRACE(static_cast<int>(directory));
        fs::permissions(dir.path(), directory);
        EXPECT_EXIT(
            {
                becomeNobody();
                initHighscoreFile(table, platform.keys);
                if (table.at(1).points != 900 || table.at(3).points != 700) std::_Exit(101);
                saveHighscoreFile(table, saveAnything);
                std::_Exit(0);
            },
            ::testing::ExitedWithCode(3), fatalReport(3, "file I/O error", 339));
        EXPECT_EQ(readFileBytes(), bytes);
        EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{kHighscoreFileName});
    }
}

// --- many games at once ---

// Only where a second process can run: the browser build under node has no worker.
#ifdef NUMERION_SAVE_WORKER
#ifdef _WIN32
#define popen _popen
#define pclose _pclose
#endif

std::filesystem::path besideThisProgram(const char* name) {
#ifdef _WIN32
    std::array<wchar_t, MAX_PATH> self{};
    ::GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size()));
    return std::filesystem::path(self.data()).parent_path() / name;
#else
    return std::filesystem::read_symlink("/proc/self/exe").parent_path() / name;
#endif
}

// A table as the game writes it: 4400 bytes, points never rising, every name a worker's or the
// default one. A save seen half done would show as anything else.
bool wholeTable(const std::vector<std::uint8_t>& bytes) {
    if (bytes.size() != HighscoreTable::Image{}.size()) return false;
    HighscoreTable seen;
    seen.loadImage(bytes);
    for (int place = 1; place <= 100; ++place) {
        const std::string name = fieldText(seen.at(place).name);
        if (name != "===============" && name.rfind('W', 0) != 0) return false;
        if (place > 1 && seen.at(place).points > seen.at(place - 1).points) return false;
    }
    return true;
}

struct SavedResult {
    std::int32_t points = 0;
    std::string name;
    int place = 101;
};

// Processes of their own, each loading the list once and then saving result after result
// through the game's save, all at once into one file, while this one reads the file as another
// game's start-up would. Every result a save entered is in the file at the end unless a hundred
// better ones pushed it out, no result the list had outgrown is, and every look at the file
// finds a whole table.
TEST(HighscoreRace, ProcessesSavingAtOnceKeepEveryResultTheTopHundredHasRoomFor) {
    constexpr int kWorkers = 8;
    constexpr int kMilliseconds = 2000;
    TempWorkingDir dir;
    const std::filesystem::path worker = besideThisProgram(NUMERION_SAVE_WORKER);
    std::vector<FILE*> workers;
    const auto start = std::chrono::steady_clock::now();
    for (int w = 0; w < kWorkers; ++w) {
        std::string command = "\"" + worker.string() + "\" \"" + dir.path().string() + "\" " +
                              std::to_string(w) + " " + std::to_string(kMilliseconds);
#ifdef _WIN32
        command = "\"" + command + "\"";  // cmd takes the outer quotes off
#endif
        FILE* pipe = popen(command.c_str(), "r");
        ASSERT_NE(pipe, nullptr) << command;
        workers.push_back(pipe);
    }
    int looks = 0;
    int broken = 0;
    while (std::chrono::steady_clock::now() - start < std::chrono::milliseconds(kMilliseconds)) {
        const auto bytes = readFileBytes();
        if (bytes.empty()) continue;  // not made yet
        ++looks;
        if (!wholeTable(bytes)) ++broken;
        // Leaves the workers' renames a moment (Windows refuses them while the file is open).
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    std::vector<SavedResult> entered;
    std::vector<SavedResult> tooLate;
    for (FILE* pipe : workers) {
        std::array<char, 128> line{};
        while (std::fgets(line.data(), static_cast<int>(line.size()), pipe) != nullptr) {
            SavedResult result;
            std::array<char, 32> name{};
            ASSERT_EQ(
                std::sscanf(line.data(), "%d %31s %d", &result.points, name.data(), &result.place),
                3)
                << line.data();
            result.name = name.data();
            (result.place <= 100 ? entered : tooLate).push_back(result);
        }
        EXPECT_EQ(pclose(pipe), 0);
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    std::printf(
        "[ race     ] %d processes, %zu saves in %.1f s (%zu entered, %zu too late), "
        "%d looks at the file, %d not a whole table\n",
        kWorkers, entered.size() + tooLate.size(), took.count(), entered.size(), tooLate.size(),
        looks, broken);
    EXPECT_EQ(broken, 0);
    EXPECT_GT(looks, 0);
    ASSERT_GT(entered.size(), 100U) << "too few saves to fill the list";

    std::sort(entered.begin(), entered.end(),
              [](const SavedResult& x, const SavedResult& y) { return x.points > y.points; });
    HighscoreTable final;
    final.loadImage(readFileBytes());
    for (int place = 1; place <= 100; ++place) {
        const SavedResult& want = entered[static_cast<std::size_t>(place - 1)];
        EXPECT_EQ(final.at(place).points, want.points) << place;
        EXPECT_EQ(fieldText(final.at(place).name), want.name) << place;
    }
    for (const SavedResult& late : tooLate)
        EXPECT_LT(late.points, final.at(100).points) << late.name;
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{kHighscoreFileName});
}
#endif

#ifndef _WIN32
// The new table replaces the file the name leads to, with its mode, and a name that is a
// symbolic link stays one; a file with more than one name (a hard link) is written in place,
// so that every name shows the save.
TEST_F(HighscoreFile, ASaveKeepsTheFilesModeItsSymbolicLinkAndItsOtherNames) {
    namespace fs = std::filesystem;
    testing::TempDir elsewhere;
    const fs::path target = elsewhere.path() / "liste.rnk";
    writeFileBytes(imageBytes(testing::tableWithPoints({10})), target.string());
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    // A relative link to an absolute one.
    fs::create_directory("sub");
    fs::create_symlink(target, "sub/liste");
    fs::create_symlink("sub/liste", kHighscoreFileName);
    initHighscoreFile(table, platform.keys);
    saveHighscoreFile(table, saveAnything);
    EXPECT_EQ(table.at(1).points, 11);
    EXPECT_TRUE(fs::is_symlink(kHighscoreFileName));
    EXPECT_TRUE(fs::is_symlink("sub/liste"));
    EXPECT_EQ(readFileBytes(target.string()), imageBytes(table));
    EXPECT_EQ(fs::status(target).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(namesIn(elsewhere.path()), std::vector<std::string>{"liste.rnk"});

#ifdef __EMSCRIPTEN__
    GTEST_SKIP() << "the browser build's in-memory files take no second name";
#endif
    fs::remove(kHighscoreFileName);
    fs::create_hard_link(target, kHighscoreFileName);
    saveHighscoreFile(table, saveAnything);
    EXPECT_EQ(readFileBytes(target.string()), imageBytes(table));
    EXPECT_EQ(fs::hard_link_count(target), 2U);
    EXPECT_EQ(table.at(1).points, 12);
}

// No new file can be made in a directory that may not be written to: a file that may be
// written is then written in place, under its lock, as before.
TEST_F(HighscoreFile, AWritableFileInADirectoryThatIsNotIsSavedInPlace) {
    namespace fs = std::filesystem;
    writeFileBytes(imageBytes(testing::tableWithPoints({10})));
    fs::permissions(kHighscoreFileName, fs::perms::owner_read | fs::perms::owner_write |
                                            fs::perms::group_read | fs::perms::group_write |
                                            fs::perms::others_read | fs::perms::others_write);
    fs::permissions(dir.path(), fs::perms::owner_read | fs::perms::owner_exec |
                                    fs::perms::group_read | fs::perms::group_exec |
                                    fs::perms::others_read | fs::perms::others_exec);
    EXPECT_EXIT(
        {
            becomeNobody();
            initHighscoreFile(table, platform.keys);
            saveHighscoreFile(table, saveAnything);
            std::_Exit(readFileBytes() == imageBytes(table) ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
    HighscoreTable expected = testing::tableWithPoints({11});
    EXPECT_EQ(readFileBytes(), imageBytes(expected));
}

// A file size limit stands in for a full disk: the new table cannot be written, and the file
// stays as it was, or where none was, none is left.
TEST_F(HighscoreFile, AFullDiskFailsTheSaveAndTheCreationAtTheirWriteAndLeavesNoTrace) {
    const auto fillDisk = [] {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{2048, 2048};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    };
    const auto bytes = imageBytes(testing::tableWithPoints({900}));
    writeFileBytes(bytes);
    EXPECT_EXIT(
        {
            initHighscoreFile(table, platform.keys);
            fillDisk();
            saveHighscoreFile(table, saveAnything);
        },
        ::testing::ExitedWithCode(3), fatalReport(3, "file I/O error", 339));
    EXPECT_EQ(readFileBytes(), bytes);
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{kHighscoreFileName});

    std::filesystem::remove(kHighscoreFileName);
    EXPECT_EXIT(
        {
            fillDisk();
            initHighscoreFile(table, platform.keys);
        },
        ::testing::ExitedWithCode(3), fatalReport(3, "file I/O error", 42));
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{});
}
#endif

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

#ifdef __linux__
// Runs work in a child under ptrace, which stops it before and after every system call, and
// ends it with SIGKILL at stop number `at`: a crash between any two steps. Returns the number of
// stops the child made, or -1 where ptrace is not allowed.
int killedAfter(int at, const std::function<void()>& work) {
    const pid_t child = ::fork();
    if (child == 0) {
        if (::ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) != 0) std::_Exit(77);
        ::raise(SIGSTOP);
        work();
        std::_Exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    if (WIFEXITED(status)) return -1;
    ::ptrace(PTRACE_SETOPTIONS, child, nullptr, PTRACE_O_TRACESYSGOOD | PTRACE_O_EXITKILL);
    for (int stops = 0;; ++stops) {
        if (stops == at) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            return stops;
        }
        ::ptrace(PTRACE_SYSCALL, child, nullptr, nullptr);
        ::waitpid(child, &status, 0);
        if (WIFEXITED(status) || WIFSIGNALED(status)) return stops;
    }
}

// A crash at any moment of a save or of the start-up's creation leaves the old table or the
// new one, whole (for the creation: no file, or the new one).
TEST_F(HighscoreFile, ASaveOrCreationKilledAtAnyMomentLeavesTheOldOrTheNewTable) {
    namespace fs = std::filesystem;
    const HighscoreTable known = testing::tableWithPoints({30, 20, 10});
    const auto before = imageBytes(known);
    HighscoreTable saved = known;
    std::int32_t place = 101;
    insertResult(saved, 25, "KILLED", "01.01.2026 - 00:00:00", place);
    const auto after = imageBytes(saved);
    const std::function<void()> save = [&known] {
        HighscoreTable mine = known;
        std::int32_t newPlace = 101;
        saveResult(mine, 25, "KILLED", "01.01.2026 - 00:00:00", newPlace);
    };
    const std::function<void()> create = [this] { initHighscoreFile(table, platform.keys); };
    initHighscoreFile(table, platform.keys);
    const auto created = readFileBytes();

    int points = 0;
    int leftBehind = 0;
    for (const bool creating : {false, true}) {
        SCOPED_TRACE(creating ? "creating" : "saving");
        const auto run = [&](int at) {
            for (const auto& entry : fs::directory_iterator(dir.path()))
                fs::remove(entry.path());
            if (!creating) writeFileBytes(before);
            return killedAfter(at, creating ? create : save);
        };
        const int stops = run(std::numeric_limits<int>::max());
        if (stops < 0) GTEST_SKIP() << "ptrace is not allowed here";
        EXPECT_EQ(readFileBytes(), creating ? created : after) << "the run to the end";
        for (int at = 0; at < stops; ++at) {
            run(at);
            const auto bytes = readFileBytes();
            if (creating) {
                EXPECT_TRUE(!fs::exists(kHighscoreFileName) || bytes == created) << at;
            } else {
                EXPECT_TRUE(bytes == before || bytes == after) << at;
            }
            leftBehind += static_cast<int>(namesIn(dir.path()).size()) -
                          (fs::exists(kHighscoreFileName) ? 1 : 0);
            ++points;
        }
    }
    std::printf("[ crash    ] %d kill points, %d of them left a temporary file behind\n", points,
                leftBehind);
}
#endif

}  // namespace
}  // namespace numerion
