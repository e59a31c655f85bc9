// Test pictures and folders made by the tests themselves.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace testassets
{

// A new empty folder under the system's temporary folder, removed with everything in it when
// this goes.
class ScratchDir
{
  public:
    explicit ScratchDir(const std::string& name);
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    operator const std::filesystem::path&() const { return path; }
    std::filesystem::path operator/(const std::string& name) const { return path / name; }

    const std::filesystem::path path;
};

// The five pictures the demo loads, each with its own smooth, deterministic pattern in which
// neighbouring pixels differ, written into `dir`. No music.
void WriteDemoPictures(const std::filesystem::path& dir);

// Writes `bytes` to a file.
void WriteFile(const std::filesystem::path& path, const std::vector<unsigned char>& bytes);

// Runs a block in another working directory and comes back.
class ScopedChdir
{
  public:
    explicit ScopedChdir(const std::filesystem::path& dir);
    ~ScopedChdir();

  private:
    std::filesystem::path previous_;
};

} // namespace testassets
