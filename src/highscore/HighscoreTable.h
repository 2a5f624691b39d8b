#pragma once
// The best 100 results and their fixed 44-byte records.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace numerion {

struct HighscoreEntry {
    static constexpr int kNameWidth = 16;
    static constexpr int kDateTimeWidth = 22;
    static constexpr int kRecordSize = 44;

    std::int32_t points = 0;
    std::array<std::uint8_t, kNameWidth> name{};
    std::array<std::uint8_t, kDateTimeWidth> dateTime{};
    std::array<std::uint8_t, 2> padding{};

    // The record exactly as the file holds it: points little-endian, then the byte fields.
    // Field by field, so neither the struct layout nor the host byte order matters.
    void toRecord(std::span<std::uint8_t, kRecordSize> record) const;
    void fromRecord(std::span<const std::uint8_t, kRecordSize> record);
};

// Fixed-width text fields: at most width - 1 characters, the rest of the field zero.
template <std::size_t N>
void storeText(std::array<std::uint8_t, N>& field, std::string_view text) {
    field.fill(0);
    const std::size_t n = text.size() < N - 1 ? text.size() : N - 1;
    for (std::size_t i = 0; i < n; ++i)
        field[i] = static_cast<std::uint8_t>(text[i]);
}
// The characters before the first zero byte, never more than width - 1.
template <std::size_t N>
std::string fieldText(const std::array<std::uint8_t, N>& field) {
    std::string text;
    for (std::size_t i = 0; i < N - 1 && field[i] != 0; ++i)
        text.push_back(static_cast<char>(field[i]));
    return text;
}
// The first width - 1 bytes as they stand, zero bytes included: a view of the field.
template <std::size_t N>
std::string_view fieldBytes(const std::array<std::uint8_t, N>& field) {
    return std::string_view(reinterpret_cast<const char*>(field.data()), N - 1);
}

class HighscoreTable {
  public:
    static constexpr int kPlaces = 100;
    static constexpr int kFileSize = kPlaces * HighscoreEntry::kRecordSize;
    using Image = std::array<std::uint8_t, kFileSize>;

    // Places 1..100, index-checked; a place outside is a fatal error with this report line
    // (-1: none).
    HighscoreEntry& at(int place, int line = -1);
    const HighscoreEntry& at(int place, int line = -1) const;

    // The 4400-byte file image, place 1 first.
    Image image() const;
    // Fills the table from the start of bytes; whatever the bytes do not cover becomes zero,
    // and bytes beyond 4400 are ignored.
    void loadImage(std::span<const std::uint8_t> bytes);

  private:
    std::array<HighscoreEntry, kPlaces> entries_{};
};

}  // namespace numerion
