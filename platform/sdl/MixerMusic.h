// Music through SDL_mixer, shared by the SDL and the headless sound services.
#pragma once

#include <SDL_mixer.h>

#include <string>

namespace mixer
{
// Opens SDL's audio with `driver` (null: SDL's choice) and the mixer at `rate` Hz, stereo.
bool Open(const char* driver, int rate, std::string& error);
// Loads a music file; null after one line on stderr naming the file.
Mix_Music* Load(const char* file);
void Close();
} // namespace mixer
