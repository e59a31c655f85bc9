// File service: reading an input file whole. The graphics device reads pictures with it and the
// sound services read music with it.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace sys
{

// Reads `path` whole into `data`. Only a regular file of 1 to `maxBytes` bytes is read, and
// opening never blocks: a named pipe, a device, a socket or a folder is refused at once. On
// failure returns false with a short reason: "file not found", "permission denied",
// "is a folder", "not a regular file", "empty file", "file too large", or the system's words.
bool ReadWholeFile(const char* path, std::size_t maxBytes, std::vector<unsigned char>& data,
                   std::string& error);

} // namespace sys
