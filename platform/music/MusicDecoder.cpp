#include "platform/music/MusicDecoder.h"

#include "platform/Text.h"
#include "platform/sys/Files.h"

#include <SDL.h>
#include <mpg123.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <strings.h>

namespace music
{

// What an opened track holds: its samples when it was short enough to decode whole, otherwise
// the MP3 file itself, decoded as it plays.
struct TrackData
{
    int rate = 0;
    std::vector<std::int16_t> pcm; // interleaved stereo
    std::vector<unsigned char> mp3;
    bool cut = false; // pcm holds the first MaxHeldSeconds of a longer WAV
};

namespace
{

// The largest music file read; the demo's own is about 1 MB.
constexpr std::size_t MaxMusicBytes = 256UL * 1024 * 1024;

// Bytes of decoder output handed over at a time.
constexpr std::size_t DecodeChunkBytes = 16384;

// Bytes of a WAV's sound handed to the converter at a time.
constexpr std::size_t WavPieceBytes = 1 << 20;

std::uint32_t LittleEndian(const unsigned char* p, int bytes)
{
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = v << 8 | p[i];
    return v;
}

enum class WavKind
{
    NotWav,
    Playable,
    Unplayable,
};

// A RIFF/WAVE file is recognised by its content, as FMOD does, and played if its format chunk
// describes sound that can be played: 1 to 8 channels at 8 to 192 kHz (absurd rates reach the
// resampler as absurd buffer sizes). SDL's loader allocates what chunk headers claim before it
// reads, so a chunk that claims more than the file holds is refused, except the sound itself,
// which is cut to what is there, as a truncated MP3 plays what is there.
WavKind ClassifyWav(std::vector<unsigned char>& bytes)
{
    if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0 ||
        std::memcmp(bytes.data() + 8, "WAVE", 4) != 0)
        return WavKind::NotWav;
    bool playable = false;
    for (std::size_t at = 12; at + 8 <= bytes.size();)
    {
        const std::size_t size = LittleEndian(&bytes[at + 4], 4);
        const std::size_t left = bytes.size() - at - 8;
        if (std::memcmp(&bytes[at], "data", 4) == 0)
        {
            if (size > left)
                for (int i = 0; i < 4; ++i)
                    bytes[at + 4 + i] = static_cast<unsigned char>(left >> (8 * i));
            return playable ? WavKind::Playable : WavKind::Unplayable;
        }
        if (size > left)
            break;
        if (std::memcmp(&bytes[at], "fmt ", 4) == 0 && size >= 16)
        {
            const std::uint32_t channels = LittleEndian(&bytes[at + 10], 2);
            const std::uint32_t rate = LittleEndian(&bytes[at + 12], 4);
            playable = channels >= 1 && channels <= 8 && rate >= 8000 && rate <= 192000;
        }
        at += 8 + size + (size & 1);
    }
    return WavKind::Unplayable;
}

// SDL's converter from `format` to 16-bit stereo at `rate`; null with SDL's reason.
SDL_AudioStream* Converter(SDL_AudioFormat format, int channels, int inRate, int rate,
                           std::string& error)
{
    SDL_AudioStream* stream =
        SDL_NewAudioStream(format, static_cast<Uint8>(channels), inRate, AUDIO_S16SYS, 2, rate);
    if (stream == nullptr)
        error = SDL_GetError();
    return stream;
}

// Appends what the converter holds to `pcm`, up to `most` samples in all. False on SDL's error.
bool Take(SDL_AudioStream* stream, std::vector<std::int16_t>& pcm, std::size_t most)
{
    const int available = SDL_AudioStreamAvailable(stream);
    const std::size_t room = (most - std::min(most, pcm.size())) * sizeof(std::int16_t);
    const std::size_t bytes = std::min<std::size_t>(std::size_t(std::max(available, 0)), room);
    if (bytes < 4)
        return true;
    const std::size_t at = pcm.size();
    pcm.resize(at + bytes / 4 * 2);
    const int got = SDL_AudioStreamGet(stream, pcm.data() + at, static_cast<int>(bytes / 4 * 4));
    pcm.resize(at + std::size_t(std::max(got, 0)) / 4 * 2);
    return got >= 0;
}

// The WAV's sound converted to 16-bit stereo at `rate`: at most MaxHeldSeconds of it, `cut`
// saying whether there was more. Its bytes are released once SDL has copied the sound out of
// them. The converter takes the sound in pieces: SDL's sizes overflow when it is handed a long
// file whole (a crash at 90 MB of 8 kHz sound).
bool DecodeWav(std::vector<unsigned char>& bytes, int rate, std::vector<std::int16_t>& pcm,
               bool& cut, std::string& error)
{
    SDL_AudioSpec layout;
    Uint8* samples = nullptr;
    Uint32 length = 0;
    SDL_RWops* file = SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size()));
    if (file == nullptr || SDL_LoadWAV_RW(file, 1, &layout, &samples, &length) == nullptr)
    {
        error = std::string("cannot decode WAV: ") + SDL_GetError();
        return false;
    }
    std::vector<unsigned char>().swap(bytes);
    SDL_AudioStream* stream = Converter(layout.format, layout.channels, layout.freq, rate, error);
    const std::size_t frameBytes = std::size_t(SDL_AUDIO_BITSIZE(layout.format) / 8) *
                                   std::max<std::size_t>(layout.channels, 1);
    const std::size_t piece = std::max<std::size_t>(WavPieceBytes / frameBytes, 1) * frameBytes;
    const std::size_t most = std::size_t(MaxHeldSeconds) * std::size_t(rate) * 2;
    pcm.reserve(std::min(most, std::size_t(double(length) / double(frameBytes) /
                                           std::max(layout.freq, 1) * rate * 2) +
                                   4096));
    bool converted = stream != nullptr;
    std::size_t at = 0;
    while (converted && at < length && pcm.size() < most)
    {
        const std::size_t size = std::min<std::size_t>(piece, length - at);
        converted = SDL_AudioStreamPut(stream, samples + at, static_cast<int>(size)) == 0;
        at += size;
        if (converted && at == length)
            converted = SDL_AudioStreamFlush(stream) == 0;
        if (converted)
            converted = Take(stream, pcm, most);
    }
    cut = converted && (at < length || SDL_AudioStreamAvailable(stream) > 0);
    if (!converted && stream != nullptr)
        error = *SDL_GetError() != '\0' ? SDL_GetError() : "its sound cannot be converted";
    SDL_FreeAudioStream(stream);
    SDL_FreeWAV(samples);
    return converted;
}

void InitMpg123()
{
    static std::once_flag once;
    std::call_once(once, [] { mpg123_init(); });
}

ssize_t ReadMemory(void* handle, void* to, std::size_t bytes);
off_t SeekMemory(void* handle, off_t offset, int whence);

} // namespace

// An MP3 stream decoded from memory by libmpg123, as 16-bit samples at the file's rate and
// channels, converted by SDL to stereo at the output rate.
struct Mp3Stream
{
    const std::vector<unsigned char>& file;
    std::size_t position = 0; // of the reader in `file`
    int rate;
    mpg123_handle* handle = nullptr;
    SDL_AudioStream* convert = nullptr;
    std::vector<unsigned char> chunk = std::vector<unsigned char>(DecodeChunkBytes);
    std::size_t passBytes = 0; // decoded since the last start
    bool finished = false;
    off_t length = -1; // samples at the file's rate, once a seek has needed it

    Mp3Stream(const std::vector<unsigned char>& bytes, int outRate) : file(bytes), rate(outRate) {}

    ~Mp3Stream()
    {
        if (handle != nullptr)
        {
            mpg123_close(handle);
            mpg123_delete(handle);
        }
        SDL_FreeAudioStream(convert);
    }

    // Opens the stream and reads its first header: false with the reason if it has none.
    bool Open(std::string& error)
    {
        InitMpg123();
        int result = MPG123_OK;
        handle = mpg123_new(nullptr, &result);
        if (handle == nullptr)
        {
            error = mpg123_plain_strerror(result);
            return false;
        }
        // Damaged files are reported once, by the caller; libmpg123 keeps its notes to itself.
        mpg123_param(handle, MPG123_ADD_FLAGS, MPG123_QUIET, 0.0);
        mpg123_format_none(handle);
        const long* rates = nullptr;
        std::size_t rateCount = 0;
        mpg123_rates(&rates, &rateCount);
        for (std::size_t i = 0; i < rateCount; ++i)
            mpg123_format(handle, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
        if (mpg123_replace_reader_handle(handle, ReadMemory, SeekMemory, nullptr) != MPG123_OK ||
            mpg123_open_handle(handle, this) != MPG123_OK || !Reformat(error))
        {
            if (error.empty())
                error = std::string("not an MP3 stream (") + mpg123_strerror(handle) + ")";
            return false;
        }
        return true;
    }

    // A converter for the format the decoder gives now.
    bool Reformat(std::string& error)
    {
        long inRate = 0;
        int channels = 0, encoding = 0;
        if (mpg123_getformat(handle, &inRate, &channels, &encoding) != MPG123_OK)
            return false;
        SDL_FreeAudioStream(convert);
        convert = Converter(AUDIO_S16SYS, channels, static_cast<int>(inRate), rate, error);
        return convert != nullptr;
    }

    // The next `frames` frames into `out`; fewer only at the end of a stream that does not
    // loop, or of one that has nothing to loop.
    std::size_t Read(std::int16_t* out, std::size_t frames, bool loop)
    {
        std::size_t got = 0;
        while (got < frames)
        {
            const int bytes =
                SDL_AudioStreamGet(convert, out + 2 * got, static_cast<int>((frames - got) * 4));
            if (bytes > 0)
            {
                got += std::size_t(bytes) / 4;
                continue;
            }
            if (bytes < 0 || finished)
                break;
            std::size_t decoded = 0;
            const int result = mpg123_read(handle, chunk.data(), chunk.size(), &decoded);
            if (decoded > 0 && SDL_AudioStreamPut(convert, chunk.data(), int(decoded)) != 0)
                break;
            passBytes += decoded;
            if (result == MPG123_OK)
                continue;
            std::string ignored;
            if (result == MPG123_NEW_FORMAT && Reformat(ignored))
                continue;
            // The end of the stream, or damage that ends it: a loop starts again at the first
            // sample, through the same converter, so the joint is seamless.
            if (loop && passBytes > 0 && mpg123_seek(handle, 0, SEEK_SET) == 0)
            {
                passBytes = 0;
                continue;
            }
            SDL_AudioStreamFlush(convert);
            finished = true;
        }
        return got;
    }

    // Moves to output frame `frame` from the stream's start, wrapped at the stream's length when
    // looping; past the end of one that does not loop, the stream has ended.
    void Seek(std::uint64_t frame, bool loop)
    {
        long inRate = 0;
        int channels = 0, encoding = 0;
        if (mpg123_getformat(handle, &inRate, &channels, &encoding) != MPG123_OK || inRate <= 0)
            return;
        if (length < 0)
        {
            // A parsing pass over the frames' headers: the exact length, and an index that
            // makes the seeks quick.
            mpg123_scan(handle);
            length = mpg123_length(handle);
        }
        std::uint64_t in = frame * std::uint64_t(inRate) / std::uint64_t(rate);
        if (length > 0 && loop)
            in %= std::uint64_t(length);
        SDL_AudioStreamClear(convert);
        finished = length > 0 && in >= std::uint64_t(length);
        if (finished)
            return;
        finished = mpg123_seek(handle, off_t(in), SEEK_SET) < 0;
        passBytes = in > 0 ? 1 : 0; // only whether the pass has begun matters
    }
};

namespace
{

ssize_t ReadMemory(void* handle, void* to, std::size_t bytes)
{
    auto* stream = static_cast<Mp3Stream*>(handle);
    const std::size_t n = std::min(bytes, stream->file.size() - stream->position);
    if (n > 0)
        std::memcpy(to, stream->file.data() + stream->position, n);
    stream->position += n;
    return static_cast<ssize_t>(n);
}

off_t SeekMemory(void* handle, off_t offset, int whence)
{
    auto* stream = static_cast<Mp3Stream*>(handle);
    const off_t base = whence == SEEK_SET   ? 0
                       : whence == SEEK_CUR ? off_t(stream->position)
                       : whence == SEEK_END ? off_t(stream->file.size())
                                            : -1;
    if (base < 0 || offset < -base || offset > off_t(stream->file.size()) - base)
        return -1;
    stream->position = std::size_t(base + offset);
    return off_t(stream->position);
}

bool HasMp3Name(const char* file)
{
    const std::size_t length = std::strlen(file);
    return length >= 4 && strcasecmp(file + length - 4, ".mp3") == 0;
}

} // namespace

Track::Track(std::unique_ptr<TrackData> data) : data_(std::move(data)) {}

Track::~Track() = default;

int Track::Rate() const
{
    return data_->rate;
}

bool Track::Cut() const
{
    return data_->cut;
}

std::shared_ptr<const Track> Track::Decode(std::vector<unsigned char> bytes, bool mp3Name, int rate,
                                           std::string& error)
{
    try
    {
        return DecodeOrThrow(std::move(bytes), mp3Name, rate, error);
    }
    catch (const std::bad_alloc&)
    {
        error = "not enough memory";
        return nullptr;
    }
}

std::shared_ptr<const Track> Track::DecodeOrThrow(std::vector<unsigned char> bytes, bool mp3Name,
                                                  int rate, std::string& error)
{
    auto data = std::make_unique<TrackData>();
    data->rate = rate;
    const WavKind wav = ClassifyWav(bytes);
    if (wav == WavKind::Unplayable)
    {
        error = "WAV format that cannot be played";
        return nullptr;
    }
    if (wav == WavKind::Playable)
    {
        if (!DecodeWav(bytes, rate, data->pcm, data->cut, error))
            return nullptr;
    }
    else if (!mp3Name)
    {
        error = "neither MP3 (by its name) nor WAV";
        return nullptr;
    }
    else
    {
        // A stream that ends within its first second is kept whole, so that looping it costs
        // a copy instead of restarting the decoder for every few samples.
        Mp3Stream stream(bytes, rate);
        if (!stream.Open(error))
            return nullptr;
        const std::size_t probe = std::size_t(rate) + 1;
        data->pcm.resize(2 * probe);
        const std::size_t got = stream.Read(data->pcm.data(), probe, false);
        data->pcm.resize(2 * got);
        if (got == probe)
        {
            data->pcm = {};
            data->mp3 = std::move(bytes);
        }
    }
    if (data->pcm.empty() && data->mp3.empty())
    {
        error = "no sound in the file";
        return nullptr;
    }
    return std::make_shared<const Track>(std::move(data));
}

std::shared_ptr<const Track> Track::Load(const char* file, int rate)
{
    std::vector<unsigned char> bytes;
    std::string error;
    std::shared_ptr<const Track> track;
    if (sys::ReadWholeFile(file, MaxMusicBytes, bytes, error))
        track = Decode(std::move(bytes), HasMp3Name(file), rate, error);
    if (track == nullptr)
        std::fprintf(stderr, "%s: cannot open music \"%s\": %s; the show runs silently\n",
                     text::ProgramName(), file != nullptr ? file : "(null)",
                     error.empty() ? "it cannot be played" : error.c_str());
    else if (track->Cut())
        std::fprintf(stderr,
                     "%s: music \"%s\" lasts more than %d minutes; only its first %d play\n",
                     text::ProgramName(), file, MaxHeldSeconds / 60, MaxHeldSeconds / 60);
    return track;
}

Player::Player(std::shared_ptr<const Track> track, bool loop)
    : track_(std::move(track)), loop_(loop)
{
}

Player::~Player() = default;

void Player::Read(std::int16_t* out, std::size_t frames)
{
    const TrackData& data = track_->Data();
    std::size_t done = 0;
    if (!data.mp3.empty())
    {
        if (!stream_ && !ended_)
        {
            stream_ = std::make_unique<Mp3Stream>(data.mp3, data.rate);
            std::string ignored;
            ended_ = !stream_->Open(ignored);
        }
        if (!ended_)
            done = stream_->Read(out, frames, loop_);
    }
    else
    {
        const std::size_t total = data.pcm.size() / 2;
        while (done < frames)
        {
            if (position_ == total)
            {
                if (!loop_)
                    break;
                position_ = 0;
            }
            const std::size_t n = std::min(frames - done, total - position_);
            std::memcpy(out + 2 * done, data.pcm.data() + 2 * position_, n * 4);
            position_ += n;
            done += n;
        }
    }
    std::fill(out + 2 * done, out + 2 * frames, std::int16_t{0});
}

void Player::Seek(std::uint64_t frame)
{
    const TrackData& data = track_->Data();
    if (!data.mp3.empty())
    {
        if (!stream_ && !ended_)
        {
            stream_ = std::make_unique<Mp3Stream>(data.mp3, data.rate);
            std::string ignored;
            ended_ = !stream_->Open(ignored);
        }
        if (!ended_)
            stream_->Seek(frame, loop_);
        return;
    }
    const std::size_t total = data.pcm.size() / 2;
    position_ = loop_ && total > 0 ? std::size_t(frame % total)
                                   : std::size_t(std::min<std::uint64_t>(frame, total));
}

ClockedPlayer::ClockedPlayer(std::shared_ptr<const Track> track, bool loop,
                             std::uint32_t startTicks, std::uint32_t jumps)
    : player_(std::move(track), loop), startTicks_(startTicks), jumps_(jumps)
{
}

void ClockedPlayer::Read(std::int16_t* out, std::size_t frames, std::uint32_t now, bool held,
                         std::uint32_t jumps)
{
    if (held)
    {
        std::fill(out, out + 2 * frames, std::int16_t{0});
        lastNow_ = now;
        return;
    }
    const std::int64_t wanted =
        std::int64_t(std::uint32_t(now - startTicks_)) * player_.Rate() / 1000;
    const bool jumped = jumps != jumps_ || (reading_ && std::uint32_t(now - lastNow_) > StallMs);
    if (jumped)
    {
        // As if it had played on: the clock's position, ahead by what the output held before.
        delivered_ = wanted + std::max<std::int64_t>(lead_, 0);
        player_.Seek(std::uint64_t(delivered_));
        jumps_ = jumps;
    }
    else
        lead_ = delivered_ - wanted;
    player_.Read(out, frames);
    delivered_ += std::int64_t(frames);
    lastNow_ = now;
    reading_ = true;
}

} // namespace music
