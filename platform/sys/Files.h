// File service: reading an input file whole, and the standard streams. The graphics device reads
// pictures with it and the sound services read music with it.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace sys
{

// Reads `path` whole into `data`. Only a regular file of 1 to `maxBytes` bytes is read, and
// opening never blocks: a named pipe, a device, a socket or a folder is refused at once. On
// failure returns false with a short reason: "file not found", "permission denied",
// "is a folder", "not a regular file", "empty file", "file too large", "not enough memory", or
// the system's words.
bool ReadWholeFile(const char* path, std::size_t maxBytes, std::vector<unsigned char>& data,
                   std::string& error);

// The process entries of the demo (launcher/main.cpp) and of the capture tool, first thing: opens
// /dev/null onto each of the descriptors 0, 1 and 2 that the program was started without
// (`quen 2>&-`), so that the first file or display connection it opens cannot take that number
// and receive its messages. Does nothing where there are no such descriptors (Windows).
void OpenMissingStandardStreams();

} // namespace sys
