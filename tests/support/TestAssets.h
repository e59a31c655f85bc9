// Test pictures and folders made by the tests themselves.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace testassets
{

// A new empty folder under the system's temporary folder.
std::string MakeScratchDir(const std::string& name);

// The five pictures the demo loads, each with its own smooth, deterministic pattern in which
// neighbouring pixels differ, written into `dir`. No music.
void WriteDemoPictures(const std::string& dir);

// Writes `bytes` to a file.
void WriteFile(const std::string& path, const std::vector<unsigned char>& bytes);

// Runs a block in another working directory and comes back.
class ScopedChdir
{
  public:
    explicit ScopedChdir(const std::string& dir);
    ~ScopedChdir();

  private:
    std::string previous_;
};

} // namespace testassets
