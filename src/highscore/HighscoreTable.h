#pragma once
// The best 100 results, their fixed 44-byte records and the file "Highscore.rnk".

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "console/Services.h"

namespace numerion {

struct HighscoreEntry {
    static constexpr int kNameWidth = 16;
    static constexpr int kDateTimeWidth = 22;
    static constexpr int kRecordSize = 44;

    std::int32_t points = 0;
    std::array<std::uint8_t, kNameWidth> name{};
    std::array<std::uint8_t, kDateTimeWidth> dateTime{};
    std::array<std::uint8_t, 2> padding{};
};

class HighscoreTable {
public:
    static constexpr int kPlaces = 100;
    static constexpr int kFileSize = kPlaces * HighscoreEntry::kRecordSize;

    // Places 1..100, index-checked.
    HighscoreEntry& at(int place);
    const HighscoreEntry& at(int place) const;

private:
    std::array<HighscoreEntry, kPlaces> entries_{};
};

// "dd.mm.yyyy - hh:mm:ss" from three fresh date texts and one time text.
std::string dateTimeText(KeyInput& keys);

// Creates the file with the default table when it cannot be read, else loads it.
void initHighscoreFile(HighscoreTable& table, KeyInput& keys);
void saveHighscoreFile(const HighscoreTable& table);

}  // namespace numerion
