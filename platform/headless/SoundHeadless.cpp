// Headless sound: music files are opened and checked exactly as the SDL service opens them
// (platform/music/MusicDecoder) and never played; the capture tool asks for the playing music's
// sound to put it in its videos.
#include "platform/headless/Headless.h"
#include "platform/music/MusicDecoder.h"
#include "platform/sys/Sound.h"

struct sys::Music
{
    std::shared_ptr<const music::Track> track;
    bool loop;
    bool playing = false;
};

namespace
{
int outputRate = 44100;
int playingCount = 0;
sys::Music* lastPlayed = nullptr;
} // namespace

namespace headless
{

int MusicPlaying()
{
    return playingCount;
}

std::unique_ptr<music::Player> PlayingMusicFromStart()
{
    if (lastPlayed == nullptr)
        return nullptr;
    return std::make_unique<music::Player>(lastPlayed->track, lastPlayed->loop);
}

} // namespace headless

namespace sys
{

bool OpenAudio(int rate)
{
    outputRate = rate;
    return true;
}

Music* OpenMusic(const char* file, bool loop)
{
    std::shared_ptr<const music::Track> track = music::Track::Load(file, outputRate);
    return track != nullptr ? new Music{std::move(track), loop} : nullptr;
}

void PlayMusic(Music* music)
{
    if (music == nullptr || music->playing)
        return;
    music->playing = true;
    ++playingCount;
    lastPlayed = music;
}

void CloseMusic(Music* music)
{
    if (music == nullptr)
        return;
    if (music->playing)
        --playingCount;
    if (lastPlayed == music)
        lastPlayed = nullptr;
    delete music;
}

void CloseAudio() {}

} // namespace sys
