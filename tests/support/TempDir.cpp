#include "support/TempDir.h"

#include <random>
#include <stdexcept>
#include <system_error>

namespace numerion::testing {

// Standard C++ only (no mkdtemp), so the tests build for every platform: a random name that
// create_directory makes afresh is ours alone.
TempDir::TempDir(const std::string& prefix) {
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device seed;
    std::mt19937 random(seed());
    std::uniform_int_distribution<std::size_t> letter(0, sizeof kLetters - 2);
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = prefix + "-";
        for (int i = 0; i < 6; ++i)
            name += kLetters[letter(random)];
        if (std::filesystem::create_directory(base / name)) {
            path_ = base / name;
            return;
        }
    }
    throw std::runtime_error("no temporary directory could be made");
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(path_, ignored);
}

TempWorkingDir::TempWorkingDir(const std::string& prefix)
    : previous_(std::filesystem::current_path()), dir_(prefix) {
    std::filesystem::current_path(dir_.path());
}

TempWorkingDir::~TempWorkingDir() {
    std::error_code ignored;
    std::filesystem::current_path(previous_, ignored);
}

}  // namespace numerion::testing
