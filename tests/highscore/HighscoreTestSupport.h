#pragma once
// Shared helpers of the highscore tests: a private working directory, file access, tables.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>
#include <vector>

#include "highscore/HighscoreTable.h"

namespace numerion::testing {

// Each test works in a fresh temporary directory, because the file name is relative.
class TempWorkingDir {
  public:
    TempWorkingDir() {
        previous_ = std::filesystem::current_path();
        std::string pattern = (std::filesystem::temp_directory_path() / "numerion-hs-XXXXXX");
        if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
        dir_ = pattern;
        std::filesystem::current_path(dir_);
    }
    ~TempWorkingDir() {
        std::error_code ignored;
        std::filesystem::current_path(previous_, ignored);
        std::filesystem::permissions(dir_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
        std::filesystem::remove_all(dir_, ignored);
    }
    TempWorkingDir(const TempWorkingDir&) = delete;
    TempWorkingDir& operator=(const TempWorkingDir&) = delete;

    const std::filesystem::path& path() const { return dir_; }

  private:
    std::filesystem::path previous_;
    std::filesystem::path dir_;
};

inline std::vector<std::uint8_t> readFileBytes(const std::string& name = kHighscoreFileName) {
    std::ifstream in(name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void writeFileBytes(const std::vector<std::uint8_t>& bytes,
                           const std::string& name = kHighscoreFileName) {
    std::ofstream out(name, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

// A table with these points from place 1 on, the rest 0; names tell the places apart.
inline HighscoreTable tableWithPoints(std::initializer_list<std::int32_t> points) {
    HighscoreTable table;
    int place = 1;
    for (std::int32_t p : points) {
        table.at(place).points = p;
        storeText(table.at(place).name, "Platz" + std::to_string(place));
        storeText(table.at(place).dateTime, "01.01.2000 - 00:00:00");
        ++place;
    }
    for (; place <= HighscoreTable::kPlaces; ++place) {
        storeText(table.at(place).name, "Platz" + std::to_string(place));
    }
    return table;
}

inline std::string nameAt(const HighscoreTable& table, int place) {
    return fieldText(table.at(place).name);
}

}  // namespace numerion::testing
