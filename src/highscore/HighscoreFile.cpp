// "Highscore.rnk": created with the default table when it cannot be read, loaded once at
// start-up, written back whole after every insertion. Every checked statement that fails ends
// the program with its report line.

#include <cstddef>

#include "console/FileStore.h"
#include "console/RunTimeError.h"
#include "highscore/HighscoreTable.h"

namespace numerion {
namespace {

// Report lines: the default table's index checks, then the file statements of creating,
// loading and saving the file.
constexpr int kLineDefaultPoints = 37;
constexpr int kLineDefaultName = 38;
constexpr int kLineDefaultDateTime = 39;
constexpr int kLineCreateOpen = 41;
constexpr int kLineCreateWrite = 42;
constexpr int kLineCreateClose = 43;
constexpr int kLineProbeClose = 45;
constexpr int kLineLoadOpen = 46;
constexpr int kLineLoadRead = 47;
constexpr int kLineLoadClose = 48;
constexpr int kLineSaveOpen = 338;
constexpr int kLineSaveWrite = 339;
constexpr int kLineSaveClose = 340;

// The game's one file number (1): the highscore file is opened and closed inside each
// operation and never held open, so two opens never overlap.
class HighscoreFile {
  public:
    // Open for reading as text input: fails only when the file cannot be read.
    bool openForReading() { return store_.openForReading(); }

    // Update, else create, else read only: fails only when all three fail.
    bool openBinary() { return store_.openBinary(); }

    // Reads up to buffer.size() bytes from the start; a shorter file is no failure.
    bool readFromStart(std::span<std::uint8_t> buffer, std::size_t& got) {
        const std::optional<std::size_t> read = store_.readAt(0, buffer);
        got = read.value_or(0);
        return read.has_value();
    }

    // Writes over the start of the file without truncating it, and does not return before
    // the bytes are on the disk: a save that returned must survive a crash or power loss.
    bool writeAtStart(std::span<const std::uint8_t> bytes) {
        return store_.writeAt(0, bytes) && store_.sync();
    }

    bool close() { return store_.close(); }

  private:
    FileStore store_{kHighscoreFileName};
};

// A checked file statement: records its error number, and ends the program when it failed.
void checked(bool ok, int error, int line) {
    errorContext().fileError = ok ? 0 : error;
    if (!ok) failFileStatement(line);
}

}  // namespace

void initHighscoreFile(HighscoreTable& table, KeyInput& keys) {
    HighscoreFile file;
    if (!file.openForReading()) {
        for (int place = 1; place <= HighscoreTable::kPlaces; ++place) {
            table.at(place, kLineDefaultPoints).points = 0;
            storeText(table.at(place, kLineDefaultName).name, "===============");
            storeText(table.at(place, kLineDefaultDateTime).dateTime, dateTimeText(keys));
        }
        const HighscoreTable::Image image = table.image();
        checked(file.openBinary(), kErrFileNotFound, kLineCreateOpen);
        checked(file.writeAtStart(image), kErrFileIo, kLineCreateWrite);
        checked(file.close(), kErrFileIo, kLineCreateClose);
        return;
    }
    checked(file.close(), kErrFileIo, kLineProbeClose);
    checked(file.openBinary(), kErrFileNotFound, kLineLoadOpen);
    HighscoreTable::Image image{};
    std::size_t got = 0;
    checked(file.readFromStart(image, got), kErrFileIo, kLineLoadRead);
    table.loadImage(std::span<const std::uint8_t>(image.data(), got));
    checked(file.close(), kErrFileIo, kLineLoadClose);
}

void saveHighscoreFile(const HighscoreTable& table) {
    const HighscoreTable::Image image = table.image();
    HighscoreFile file;
    checked(file.openBinary(), kErrFileNotFound, kLineSaveOpen);
    checked(file.writeAtStart(image), kErrFileIo, kLineSaveWrite);
    checked(file.close(), kErrFileIo, kLineSaveClose);
}

}  // namespace numerion
