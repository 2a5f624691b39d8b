// "Highscore.rnk": created with the default table when it cannot be read, loaded once at
// start-up, written back whole after every insertion. Every checked statement that fails ends
// the program with its report line.

#include <cstddef>

#include "console/FileStore.h"
#include "console/RunTimeError.h"
#include "highscore/HighscoreTable.h"

namespace numerion {
namespace {

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
            table.at(place, 37).points = 0;
            storeText(table.at(place, 38).name, "===============");
            storeText(table.at(place, 39).dateTime, dateTimeText(keys));
        }
        const HighscoreTable::Image image = table.image();
        checked(file.openBinary(), kErrFileNotFound, 41);
        checked(file.writeAtStart(image), kErrFileIo, 42);
        checked(file.close(), kErrFileIo, 43);
        return;
    }
    checked(file.close(), kErrFileIo, 45);
    checked(file.openBinary(), kErrFileNotFound, 46);
    HighscoreTable::Image image{};
    std::size_t got = 0;
    checked(file.readFromStart(image, got), kErrFileIo, 47);
    table.loadImage(std::span<const std::uint8_t>(image.data(), got));
    checked(file.close(), kErrFileIo, 48);
}

void saveHighscoreFile(const HighscoreTable& table) {
    const HighscoreTable::Image image = table.image();
    HighscoreFile file;
    checked(file.openBinary(), kErrFileNotFound, 338);
    checked(file.writeAtStart(image), kErrFileIo, 339);
    checked(file.close(), kErrFileIo, 340);
}

}  // namespace numerion
