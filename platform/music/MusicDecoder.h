// The music as sound: a file read whole into memory and decoded to 16-bit stereo at the output
// rate, MP3 through libmpg123, WAV through SDL's loader. The SDL sound service plays it, the
// headless one checks it the same way, and the capture tool puts the same samples in its videos.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace music
{

struct TrackData;
struct Mp3Stream;

// The longest sound held whole: a WAV plays its first ten minutes at most (106 MB at 44.1 kHz),
// after one line saying so. MP3 files are decoded as they play, at any length.
constexpr int MaxHeldSeconds = 600;

// A music file that can be played: immutable once opened, shared by the players of it.
class Track
{
  public:
    // The sound services' OpenMusic: reads `file` whole (a regular file only, so that a named
    // pipe or a device never blocks) and opens it as Decode does. Null after one line on stderr
    // naming the file and the reason; a WAV cut to MaxHeldSeconds gets one line saying so.
    static std::shared_ptr<const Track> Load(const char* file, int rate);

    // Opens a file's contents: a WAV is recognised by its content if it holds sound that can be
    // played; anything else is taken for MP3 if `mp3Name` (the file is called *.mp3), and is
    // refused otherwise. A stream that ends within its first second is decoded whole, and so is
    // a WAV, up to MaxHeldSeconds. Null with a short reason in `error` (never empty) when
    // nothing can be played, "not enough memory" among them.
    static std::shared_ptr<const Track> Decode(std::vector<unsigned char> bytes, bool mp3Name,
                                               int rate, std::string& error);

    explicit Track(std::unique_ptr<TrackData> data);
    ~Track();

    // Samples per second per channel of what the players produce.
    int Rate() const;

    // Whether only the first MaxHeldSeconds of a longer WAV are kept.
    bool Cut() const;

    const TrackData& Data() const { return *data_; }

  private:
    static std::shared_ptr<const Track> DecodeOrThrow(std::vector<unsigned char> bytes,
                                                      bool mp3Name, int rate, std::string& error);

    std::unique_ptr<TrackData> data_;
};

// One playback of a track from its start. Not thread-safe; one thread reads it at a time.
class Player
{
  public:
    // `loop`: start again at the end, sample-exactly, without end.
    Player(std::shared_ptr<const Track> track, bool loop);
    ~Player();
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    // Fills `frames` stereo frames (2 * frames interleaved samples) with the next sound; after
    // the end of a track that does not loop, with silence.
    void Read(std::int16_t* out, std::size_t frames);

    // Moves to output frame `frame` from the track's start, wrapped at its length when it
    // loops; past the end of one that does not, what follows is silence.
    void Seek(std::uint64_t frame);

    // Samples per second per channel.
    int Rate() const { return track_->Rate(); }

  private:
    std::shared_ptr<const Track> track_;
    bool loop_;
    std::size_t position_ = 0;          // next frame of a track held whole
    std::unique_ptr<Mp3Stream> stream_; // the decoder of a track decoded as it plays
    bool ended_ = false;
};

// One playback of a track in step with a clock: the music's position is the time the clock has
// run since `startTicks`, as if it had played on through every jump (the start offset) and
// stall (the process stopped, the output starved) of the clock; while the clock is held, it
// plays silence and keeps its place. The sound services read it from their audio thread.
class ClockedPlayer
{
  public:
    // A gap between two reads longer than this is a stall.
    static constexpr std::uint32_t StallMs = 250;

    // `jumps`: the clock's jump count now (sys::TickJumps).
    ClockedPlayer(std::shared_ptr<const Track> track, bool loop, std::uint32_t startTicks,
                  std::uint32_t jumps);

    // The next `frames` stereo frames, with the clock reading `now`, whether it is held and its
    // jump count.
    void Read(std::int16_t* out, std::size_t frames, std::uint32_t now, bool held,
              std::uint32_t jumps);

  private:
    Player player_;
    std::uint32_t startTicks_;
    std::uint32_t jumps_;
    std::uint32_t lastNow_ = 0;
    bool reading_ = false;
    std::int64_t delivered_ = 0; // frames handed out, counted from startTicks_
    std::int64_t lead_ = 0;      // how far the output ran ahead of the clock at the last read
};

} // namespace music
