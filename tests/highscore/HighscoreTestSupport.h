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

#include "highscore/HighscoreFile.h"
#include "highscore/HighscoreTable.h"
#include "support/TempDir.h"

namespace numerion::testing {

// The whole report of a fatal error at a report line, as a death-test pattern. The main
// routine's name is the empty text: "of Numerion::()".
inline std::string fatalReport(int error, const std::string& message, int line,
                               const std::string& routine = "") {
    return "\nAborting due to runtime error " + std::to_string(error) + " \\(" + message +
           "\\) at line " + std::to_string(line) + " of Numerion::" + routine + "\\(\\)\n\n";
}

// A screen row without its trailing blanks.
inline std::string trimmed(const std::string& row) {
    return row.substr(0, row.find_last_not_of(' ') + 1);
}

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

// A table with these points from place 1 on, the rest 0; names and padding bytes tell the
// places apart.
inline HighscoreTable tableWithPoints(const std::vector<std::int32_t>& points) {
    HighscoreTable table;
    for (int place = 1; place <= HighscoreTable::kPlaces; ++place) {
        HighscoreEntry& entry = table.at(place);
        if (place <= static_cast<int>(points.size())) {
            entry.points = points[static_cast<std::size_t>(place - 1)];
            storeText(entry.dateTime, "01.01.2000 - 00:00:00");
        }
        storeText(entry.name, "Platz" + std::to_string(place));
        entry.padding = {static_cast<std::uint8_t>(place), 0xA5};
    }
    return table;
}

}  // namespace numerion::testing

#include <functional>

#include "support/VirtualPlatform.h"

namespace numerion::testing {

// Steers the polling loops of the highscore screens: before each of their 80 ms waits it
// releases the keys of the last pass and holds the keys of the next one, so every entry of
// passes is seen by exactly one poll. After the script it holds afterwards (Space, to leave).
// watch runs before every wait of the program, to take pictures of the screen.
class PassPilot {
  public:
    using Keys = std::vector<Key>;

    PassPilot(VirtualPlatform& platform, std::vector<Keys> passes, Keys afterwards = {},
              std::function<void()> watch = {})
        : platform_(platform),
          passes_(std::move(passes)),
          afterwards_(std::move(afterwards)),
          watch_(std::move(watch)) {
        platform_.onWait([this](double now) { onWait(now); });
    }
    ~PassPilot() { platform_.onWait({}); }
    PassPilot(const PassPilot&) = delete;
    PassPilot& operator=(const PassPilot&) = delete;

    // Polls made so far (including those after the script).
    int passesSeen() const { return passesSeen_; }

  private:
    void onWait(double now) {
        if (watch_) watch_();
        const auto& sleeps = platform_.sleeps();
        if (sleeps.size() == sleepsSeen_) return;
        sleepsSeen_ = sleeps.size();
        if (sleeps.back() != 80) return;
        for (Key key : held_)
            platform_.release(key, now);
        held_ = passesSeen_ < static_cast<int>(passes_.size())
                    ? passes_[static_cast<std::size_t>(passesSeen_)]
                    : afterwards_;
        ++passesSeen_;
        for (Key key : held_)
            platform_.press(key, now);
    }

    VirtualPlatform& platform_;
    std::vector<Keys> passes_;
    Keys afterwards_;
    std::function<void()> watch_;
    Keys held_;
    std::size_t sleepsSeen_ = 0;
    int passesSeen_ = 0;
};

// One key per pass.
inline std::vector<PassPilot::Keys> onePerPass(std::initializer_list<Key> keys) {
    std::vector<PassPilot::Keys> passes;
    for (Key key : keys)
        passes.push_back({key});
    return passes;
}

// The arrow presses that move the name entry's highlight from one cell to another.
inline std::vector<PassPilot::Keys> pathOnGrid(int from, int to) {
    std::vector<PassPilot::Keys> passes;
    for (int r = from / 8; r < to / 8; ++r)
        passes.push_back({Key::Down});
    for (int r = from / 8; r > to / 8; --r)
        passes.push_back({Key::Up});
    for (int c = from % 8; c < to % 8; ++c)
        passes.push_back({Key::Right});
    for (int c = from % 8; c > to % 8; --c)
        passes.push_back({Key::Left});
    return passes;
}

inline void append(std::vector<PassPilot::Keys>& passes, const std::vector<PassPilot::Keys>& more) {
    passes.insert(passes.end(), more.begin(), more.end());
}

}  // namespace numerion::testing
