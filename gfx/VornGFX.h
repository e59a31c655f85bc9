// VornGFX: the demo's graphics device. An 800x600, 32-bit display with a back buffer,
// off-screen surfaces, JPEG loading, stretching blits and direct pixel access on locked
// surfaces.
//
// Pixels are 32-bit words: red in bits 16-23, green in 8-15, blue in 0-7 (bits 24-31 are
// carried along by copies and written as 0 by the channel forms). Pixel (x, y) of a locked
// surface is the word at byte offset y * pitch + 4 * x from its base pointer.
//
// Locking publishes a surface's base pointer and pitch: Lock(BackBuffer) sets
// LockedBackPtr/LockedBackPitch, Lock of any other surface sets LockedSurfPtr/LockedSurfPitch,
// replacing the pair of the surface locked before. Callers copy a pair before the next Lock.
//
// Builds with VORN_DEVICE_CHECKS defined verify the conventions at run time: no Blt or Flip
// while a surface involved is locked, no Lock of a locked surface, pixel coordinates inside
// the locked surface the base pointer belongs to.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>

#if defined(_WIN32)
#define VORN_EXPORT __declspec(dllexport)
#else
#define VORN_EXPORT __attribute__((visibility("default"), used))
#endif

#if defined(VORN_DEVICE_CHECKS)
#define VORN_CHECK(cond, what) ((cond) ? (void)0 : VornCheckFailed(what, __FILE__, __LINE__))
[[noreturn]] void VornCheckFailed(const char* what, const char* file, int line);
#else
#define VORN_CHECK(cond, what) ((void)0)
#endif

// The stretching Blt's sampling along one axis: destination offset d takes source offset
// ((2d + 1) * srcSpan) / (2 * dstSpan), the source pixel under the destination pixel's centre.
// Writes the source offsets of destination offsets 0 .. count - 1 (srcSpan below 65536). Blt
// uses it, and so does a routine that stretches a picture itself, row by row.
void StretchOffsets(long srcSpan, long dstSpan, long count, std::uint16_t* offsets);

// A surface: a block of 32-bit pixels owned by the device that created it.
struct IDirectDrawSurface7
{
    unsigned short Width = 0;
    unsigned short Height = 0;
    long Pitch = 0; // bytes per row
    std::unique_ptr<std::uint32_t[]> Pixels;
    bool Locked = false;
};

class VornGFX
{
  public:
    // Members that callers read and never write.
    unsigned short ScreenX = 0;
    unsigned short ScreenY = 0;
    unsigned char Bpp = 0;
    IDirectDrawSurface7* BackBuffer = nullptr;
    unsigned char* LockedBackPtr = nullptr;
    unsigned char* LockedSurfPtr = nullptr;
    long LockedBackPitch = 0;
    long LockedSurfPitch = 0;

    // Start-up creates the one device with (800, 600, 32, 1, 2): screen width, height and
    // depth, then windowed (1) and the number of buffers in the flip chain (2). The device
    // presents into the demo's window if one is open, and works headless otherwise.
    VornGFX(unsigned short screenX, unsigned short screenY, unsigned char bpp,
            unsigned short windowed, unsigned char bufferCount);
    // Shutdown deletes the device after releasing its surfaces.
    ~VornGFX();
    VornGFX(const VornGFX&) = delete;
    VornGFX& operator=(const VornGFX&) = delete;

    // Exported from the executable under their class-qualified names, as the device's own
    // library exports them; nothing calls them, the demo reads the members directly.
    VORN_EXPORT inline unsigned short GetScreenX() { return ScreenX; }
    VORN_EXPORT inline unsigned short GetScreenY() { return ScreenY; }
    VORN_EXPORT inline unsigned long GetBpp() { return Bpp; }

    // Start-up: a new w x h surface, black, into *out. Returns 0 on success.
    int CreateSurface(unsigned short w, unsigned short h, IDirectDrawSurface7** out);
    // Shutdown: frees a surface this device created. Returns 0 on success.
    int ReleaseSurface(IDirectDrawSurface7* surface);

    // Start-up: decodes the JPEG file onto the whole surface, stretched if its size differs.
    // A file that cannot be used leaves the surface unchanged and prints one line to stderr.
    void LoadJPEG(const char* file, IDirectDrawSurface7* surface);

    // Fill the whole (unlocked or locked) surface with one colour.
    void ClearSurf(unsigned char r, unsigned char g, unsigned char b, IDirectDrawSurface7* surface);
    void ClearSurf(unsigned long pixel, IDirectDrawSurface7* surface);

    // Nearest-neighbour stretch of all of src onto all of dest; neither may be locked.
    void Blt(IDirectDrawSurface7* dest, IDirectDrawSurface7* src);
    // Stretch srcRect of src onto destRect of dest (right and bottom exclusive). Rectangles
    // that are empty or leave their surface are refused.
    void Blt(RECT destRect, IDirectDrawSurface7* dest, RECT srcRect, IDirectDrawSurface7* src);

    // Make a surface's pixels addressable until UnLock; publishes its pointer and pitch.
    void Lock(IDirectDrawSurface7* surface);
    void UnLock(IDirectDrawSurface7* surface);

    // Show BackBuffer; called at the end of every frame.
    void Flip();

    // Per-pixel operations on a locked surface given by base pointer and pitch.
    void GetPixel32(unsigned short x, unsigned short y, unsigned long* out, unsigned char* base,
                    long pitch)
    {
        *out = *Word(x, y, base, pitch);
    }
    void GetPixel32(unsigned short x, unsigned short y, unsigned char* r, unsigned char* g,
                    unsigned char* b, unsigned char* base, long pitch)
    {
        const std::uint32_t p = *Word(x, y, base, pitch);
        *r = static_cast<unsigned char>(p >> 16);
        *g = static_cast<unsigned char>(p >> 8);
        *b = static_cast<unsigned char>(p);
    }
    void PutPixel32(unsigned short x, unsigned short y, unsigned long pixel, unsigned char* base,
                    long pitch)
    {
        *Word(x, y, base, pitch) = static_cast<std::uint32_t>(pixel);
    }
    void PutPixel32(unsigned short x, unsigned short y, unsigned char r, unsigned char g,
                    unsigned char b, unsigned char* base, long pitch)
    {
        *Word(x, y, base, pitch) = Pack(r, g, b);
    }
    // The same as the three-channel PutPixel32, under the older name the triangle fill uses.
    void PutPixel(unsigned short x, unsigned short y, unsigned char r, unsigned char g,
                  unsigned char b, unsigned char* base, long pitch)
    {
        *Word(x, y, base, pitch) = Pack(r, g, b);
    }

    static std::uint32_t Pack(unsigned char r, unsigned char g, unsigned char b)
    {
        return (std::uint32_t{r} << 16) | (std::uint32_t{g} << 8) | std::uint32_t{b};
    }

    // Number of surfaces this device has created and not yet released (BackBuffer excluded).
    int LiveSurfaces() const { return liveCount_; }
    // Devices alive in the process, and surfaces that devices had to free themselves because
    // they were never released: both 0 after a clean shutdown.
    static int DevicesAlive() { return devicesAlive_; }
    static int SurfacesNeverReleased() { return surfacesNeverReleased_; }

    // Pixels x .. x + count - 1 of row y of a locked surface, as one run of words: for loops
    // over a row that do what the per-pixel operations above do on each of its pixels. Check
    // builds verify the first and last pixel as those operations would.
    std::uint32_t* PixelRun(unsigned short x, unsigned short y, int count, unsigned char* base,
                            long pitch)
    {
        (void)count; // read by the checks alone
#if defined(VORN_DEVICE_CHECKS)
        if (count > 0)
            CheckPixel(static_cast<unsigned short>(x + count - 1), y, base, pitch);
#endif
        return Word(x, y, base, pitch);
    }

  private:
    static constexpr int MaxLocked = 3;
    static constexpr int MaxSurfaces = 64;

    std::uint32_t* Word(unsigned short x, unsigned short y, unsigned char* base, long pitch)
    {
#if defined(VORN_DEVICE_CHECKS)
        CheckPixel(x, y, base, pitch);
#endif
        return reinterpret_cast<std::uint32_t*>(base + y * pitch + 4 * static_cast<long>(x));
    }
    void CheckPixel(unsigned short x, unsigned short y, const unsigned char* base,
                    long pitch) const;
    bool Owns(const IDirectDrawSurface7* surface) const;

    IDirectDrawSurface7* locked_[MaxLocked] = {};
    IDirectDrawSurface7* live_[MaxSurfaces] = {};
    int liveCount_ = 0;
    bool presenting_ = false; // a window to present into was found
    static inline int devicesAlive_ = 0;
    static inline int surfacesNeverReleased_ = 0;
};
