// "Highscore.rnk": created with the default table when it cannot be read, loaded once at
// start-up, and read again and written back whole by every save, under the file's lock, so that
// two games in one directory keep each other's results. Every checked statement that fails ends
// the program with its report line.

#include "highscore/HighscoreFile.h"

#include <cstddef>

#include "console/FileStore.h"
#include "console/RunTimeError.h"

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

    // Update, else create, else read only: fails only when all three fail. Holds the file's
    // lock until the close, so other games that use the file meanwhile wait.
    bool openBinary() { return store_.openBinary(); }

    // No file was there: the open makes a new one.
    bool isNew() const { return store_.isNew(); }

    // Reads up to buffer.size() bytes from the start; a shorter file is no failure.
    bool readFromStart(std::span<std::uint8_t> buffer, std::size_t& got) {
        const std::optional<std::size_t> read = store_.readAt(0, buffer);
        got = read.value_or(0);
        return read.has_value();
    }

    // Writes over the start of the file without truncating it, whole or not at all, and does
    // not return before the bytes are on the disk: a save that returned must survive a crash or
    // power loss, and one cut short by them leaves the file as it was.
    FileStore::Commit writeAtStart(std::span<const std::uint8_t> bytes) {
        if (!store_.writeAt(0, bytes)) return FileStore::Commit::Failed;
        return store_.commit();
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

void loadHighscoreFile(HighscoreTable& table) {
    HighscoreFile file;
    checked(file.openBinary(), kErrFileNotFound, kLineLoadOpen);
    HighscoreTable::Image image{};
    std::size_t got = 0;
    checked(file.readFromStart(image, got), kErrFileIo, kLineLoadRead);
    table.loadImage(std::span<const std::uint8_t>(image.data(), got));
    checked(file.close(), kErrFileIo, kLineLoadClose);
}

}  // namespace

void initHighscoreFile(HighscoreTable& table, KeyInput& keys) {
    {
        HighscoreFile probe;
        if (probe.openForReading()) {
            checked(probe.close(), kErrFileIo, kLineProbeClose);
            loadHighscoreFile(table);
            return;
        }
    }
    for (int place = 1; place <= HighscoreTable::kPlaces; ++place) {
        table.at(place, kLineDefaultPoints).points = 0;
        storeText(table.at(place, kLineDefaultName).name, "===============");
        storeText(table.at(place, kLineDefaultDateTime).dateTime, dateTimeText(keys));
    }
    const HighscoreTable::Image image = table.image();
    HighscoreFile file;
    checked(file.openBinary(), kErrFileNotFound, kLineCreateOpen);
    // Another game may have made the file since the test: its table is loaded, not overwritten.
    const FileStore::Commit written =
        file.isNew() ? file.writeAtStart(image) : FileStore::Commit::Raced;
    checked(written != FileStore::Commit::Failed, kErrFileIo, kLineCreateWrite);
    checked(file.close(), kErrFileIo, kLineCreateClose);
    if (written == FileStore::Commit::Raced) loadHighscoreFile(table);
}

void saveHighscoreFile(HighscoreTable& table, const std::function<bool(HighscoreTable&)>& change) {
    const HighscoreTable known = table;
    for (;;) {
        HighscoreFile file;
        checked(file.openBinary(), kErrFileNotFound, kLineSaveOpen);
        // The table as the file holds it now, which other games may have saved to since the
        // start-up; a file deleted meanwhile is made again from the table this game knows.
        table = known;
        if (!file.isNew()) {
            HighscoreTable::Image image{};
            std::size_t got = 0;
            // A table that cannot be read cannot be written either.
            checked(file.readFromStart(image, got), kErrFileIo, kLineSaveWrite);
            table.loadImage(std::span<const std::uint8_t>(image.data(), got));
        }
        FileStore::Commit written = FileStore::Commit::Done;
        if (change(table)) written = file.writeAtStart(table.image());
        if (written == FileStore::Commit::Raced) {
            checked(file.close(), kErrFileIo, kLineSaveClose);
            continue;  // a new file was made meanwhile: that is the table to change
        }
        checked(written == FileStore::Commit::Done, kErrFileIo, kLineSaveWrite);
        checked(file.close(), kErrFileIo, kLineSaveClose);
        return;
    }
}

}  // namespace numerion
