#pragma once
// Directories of their own for tests, benchmarks and measurements, removed afterwards.

#include <filesystem>
#include <string>

namespace numerion::testing {

// A fresh directory under the system's temporary directory, named prefix-XXXXXX.
class TempDir {
  public:
    explicit TempDir(const std::string& prefix = "numerion");
    // Removes it with everything in it, even where a test took its permissions away.
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string str() const { return path_.string(); }

  private:
    std::filesystem::path path_;
};

// A fresh directory that is the working directory while it lives, because the highscore
// file's name is relative; the previous working directory comes back afterwards.
class TempWorkingDir {
  public:
    explicit TempWorkingDir(const std::string& prefix = "numerion");
    ~TempWorkingDir();
    TempWorkingDir(const TempWorkingDir&) = delete;
    TempWorkingDir& operator=(const TempWorkingDir&) = delete;

    const std::filesystem::path& path() const { return dir_.path(); }

  private:
    std::filesystem::path previous_;
    TempDir dir_;
};

}  // namespace numerion::testing
