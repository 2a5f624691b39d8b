// The table in memory: index-checked places and the file image.

#include "highscore/HighscoreTable.h"

#include <algorithm>

#include "console/RunTimeError.h"

namespace numerion {

void HighscoreEntry::toRecord(std::span<std::uint8_t, kRecordSize> record) const {
    const auto bits = static_cast<std::uint32_t>(points);
    for (int i = 0; i < 4; ++i)
        record[i] = static_cast<std::uint8_t>(bits >> (8 * i));
    std::copy(name.begin(), name.end(), record.begin() + 4);
    std::copy(dateTime.begin(), dateTime.end(), record.begin() + 4 + kNameWidth);
    std::copy(padding.begin(), padding.end(), record.begin() + 4 + kNameWidth + kDateTimeWidth);
}

void HighscoreEntry::fromRecord(std::span<const std::uint8_t, kRecordSize> record) {
    std::uint32_t bits = 0;
    for (int i = 0; i < 4; ++i)
        bits |= static_cast<std::uint32_t>(record[i]) << (8 * i);
    points = static_cast<std::int32_t>(bits);
    std::copy_n(record.begin() + 4, kNameWidth, name.begin());
    std::copy_n(record.begin() + 4 + kNameWidth, kDateTimeWidth, dateTime.begin());
    std::copy_n(record.begin() + 4 + kNameWidth + kDateTimeWidth, 2, padding.begin());
}

HighscoreEntry& HighscoreTable::at(int place, int line) {
    checkIndex(place, 1, kPlaces, line);
    return entries_[static_cast<std::size_t>(place - 1)];
}

const HighscoreEntry& HighscoreTable::at(int place, int line) const {
    checkIndex(place, 1, kPlaces, line);
    return entries_[static_cast<std::size_t>(place - 1)];
}

HighscoreTable::Image HighscoreTable::image() const {
    Image bytes{};
    for (std::size_t p = 0; p < entries_.size(); ++p) {
        entries_[p].toRecord(std::span<std::uint8_t, HighscoreEntry::kRecordSize>(
            bytes.data() + p * HighscoreEntry::kRecordSize, HighscoreEntry::kRecordSize));
    }
    return bytes;
}

void HighscoreTable::loadImage(std::span<const std::uint8_t> bytes) {
    Image full{};
    std::copy_n(bytes.begin(), std::min<std::size_t>(bytes.size(), full.size()), full.begin());
    for (std::size_t p = 0; p < entries_.size(); ++p) {
        entries_[p].fromRecord(std::span<const std::uint8_t, HighscoreEntry::kRecordSize>(
            full.data() + p * HighscoreEntry::kRecordSize, HighscoreEntry::kRecordSize));
    }
}

}  // namespace numerion
