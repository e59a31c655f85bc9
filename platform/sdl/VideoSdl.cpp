// Video over SDL2. Where the display has a graphics processor, a streaming texture in an OpenGL
// renderer, presented with vsync. Elsewhere (a software OpenGL such as Mesa's llvmpipe, which
// Xvfb and remote desktops get, or no OpenGL at all) the frame is copied into the window's own
// surface and sent to the X server over shared memory: under Xvfb the whole playing demo costs
// about 30% of a core with the renderer, most of it in llvmpipe's threads, and about 7% with
// the window surface (README, "Presenting frames"). Either way frames are enlarged with
// nearest-neighbour sampling to the place display::FitFrame gives them, and paced to the
// display's rate where presenting does not wait.
#include "platform/Display.h"
#include "platform/sdl/DisplayLink.h"
#include "platform/sdl/SdlWindow.h"
#include "platform/sys/Clock.h"
#include "platform/sys/Video.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

namespace
{

SDL_Window* window = nullptr;
// The hardware path: a renderer and its streaming texture.
SDL_Renderer* renderer = nullptr;
SDL_Texture* texture = nullptr;
// The window surface path: the device's frame, seen as an SDL surface.
SDL_Surface* frame = nullptr;
SDL_Surface* lastSurface = nullptr;
SDL_Surface* opaqueView = nullptr; // lastSurface with alpha, where the window's visual has it
int lastWidth = 0, lastHeight = 0;

int frameWidth = 0, frameHeight = 0;
std::chrono::steady_clock::duration frameTime = std::chrono::microseconds(16667);
std::chrono::steady_clock::time_point lastPresent;

// The frame on screen: the device's back buffer, which lives as long as the device.
const std::uint32_t* shownPixels = nullptr;
long shownPitch = 0;

// Whether the current OpenGL context draws on the processor: Mesa's software rasterisers.
bool SoftwareOpenGl()
{
    using GetString = const unsigned char* (*)(unsigned);
    const auto getString = reinterpret_cast<GetString>(SDL_GL_GetProcAddress("glGetString"));
    const auto* name = getString != nullptr ? getString(0x1F01 /* GL_RENDERER */) : nullptr;
    if (name == nullptr)
        return true;
    const char* text = reinterpret_cast<const char*>(name);
    for (const char* software : {"llvmpipe", "softpipe", "Software Rasterizer", "swrast"})
        if (std::strstr(text, software) != nullptr)
            return true;
    return false;
}

// A renderer that draws on a graphics processor and waits for vsync, or null.
SDL_Renderer* HardwareRenderer()
{
    SDL_Renderer* r =
        SDL_CreateRenderer(window, -1, SDL_RENDERER_ACCELERATED | SDL_RENDERER_PRESENTVSYNC);
    SDL_RendererInfo info;
    if (r != nullptr && SDL_GetRendererInfo(r, &info) == 0 &&
        (info.flags & SDL_RENDERER_PRESENTVSYNC) != 0 &&
        std::strncmp(info.name, "opengl", 6) == 0 && !SoftwareOpenGl())
        return r;
    if (r != nullptr)
        SDL_DestroyRenderer(r);
    return nullptr;
}

// `r` with a streaming texture for the frames, sampled nearest; null (and `r` destroyed) when
// the texture cannot be made.
SDL_Renderer* Streaming(SDL_Renderer* r)
{
    if (r == nullptr)
        return nullptr;
    texture = SDL_CreateTexture(r, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING, frameWidth,
                                frameHeight);
    if (texture == nullptr)
    {
        SDL_DestroyRenderer(r);
        return nullptr;
    }
    SDL_SetTextureScaleMode(texture, SDL_ScaleModeNearest);
    return r;
}

void PresentWithRenderer(const std::uint32_t* pixels, long pitch)
{
    SDL_UpdateTexture(texture, nullptr, pixels, static_cast<int>(pitch));
    int w = 0, h = 0;
    SDL_GetRendererOutputSize(renderer, &w, &h);
    const display::Rect fit = display::FitFrame(w, h, frameWidth, frameHeight);
    const SDL_Rect to = {fit.x, fit.y, fit.width, fit.height};
    SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
    SDL_RenderClear(renderer);
    SDL_RenderCopy(renderer, texture, nullptr, &to);
    SDL_RenderPresent(renderer);
}

// The window's surface seen with an alpha channel where its visual has one, so that SDL's
// conversion makes every pixel of the frame opaque (SDL itself leaves the alpha byte as the
// frame has it, 0); null where the surface's layout has no such twin.
SDL_Surface* OpaqueView(SDL_Surface* surface)
{
    const Uint32 format =
        surface->format->format == SDL_PIXELFORMAT_RGB888   ? SDL_PIXELFORMAT_ARGB8888
        : surface->format->format == SDL_PIXELFORMAT_BGR888 ? SDL_PIXELFORMAT_ABGR8888
                                                            : 0;
    if (format == 0)
        return nullptr;
    return SDL_CreateRGBSurfaceWithFormatFrom(surface->pixels, surface->w, surface->h, 32,
                                              surface->pitch, format);
}

void PresentToSurface(const std::uint32_t* pixels, long pitch)
{
    SDL_Surface* surface = SDL_GetWindowSurface(window); // a new one after each resize
    if (surface == nullptr)
        return;
    if (surface != lastSurface || surface->w != lastWidth || surface->h != lastHeight)
    {
        lastSurface = surface;
        lastWidth = surface->w;
        lastHeight = surface->h;
        SDL_FreeSurface(opaqueView);
        opaqueView = sdl::WindowHasAlpha() ? OpaqueView(surface) : nullptr;
        SDL_Surface* target = opaqueView != nullptr ? opaqueView : surface;
        SDL_FillRect(target, nullptr, SDL_MapRGB(target->format, 0, 0, 0)); // the bars, once
    }
    if (opaqueView != nullptr)
        surface = opaqueView;
    frame->pixels = const_cast<std::uint32_t*>(pixels);
    frame->pitch = static_cast<int>(pitch);
    const display::Rect fit = display::FitFrame(surface->w, surface->h, frameWidth, frameHeight);
    SDL_Rect to = {fit.x, fit.y, fit.width, fit.height};
    if (fit.width == frameWidth && fit.height == frameHeight)
        SDL_BlitSurface(frame, nullptr, surface, &to);
    else
        SDL_BlitScaled(frame, nullptr, surface, &to); // nearest neighbour, pixel centres
    SDL_UpdateWindowSurface(window);
}

} // namespace

namespace sdl
{
bool ShownFrame(const std::uint32_t*& pixels, long& pitch, int& width, int& height)
{
    pixels = shownPixels;
    pitch = shownPitch;
    width = frameWidth;
    height = frameHeight;
    return shownPixels != nullptr;
}
} // namespace sdl

namespace sys
{

bool OpenVideo(int width, int height)
{
    std::lock_guard sdl(sdl::StartupLock());
    window = sdl::MainWindow();
    if (window == nullptr)
        return false;
    frameWidth = width;
    frameHeight = height;
    renderer = sdl::OpenGlChosen() ? Streaming(HardwareRenderer()) : nullptr;
    std::string reason; // why the window's surface could not be had
    if (renderer == nullptr)
    {
        // The window's surface in the X server's shared memory, not SDL's OpenGL stand-in.
        SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
        frame = SDL_CreateRGBSurfaceWithFormatFrom(nullptr, width, height, 32, 4 * width,
                                                   SDL_PIXELFORMAT_RGB888);
        if (frame == nullptr || SDL_GetWindowSurface(window) == nullptr)
            reason = SDL_GetError();
        if (frame != nullptr && !reason.empty())
        {
            SDL_FreeSurface(frame);
            frame = nullptr;
        }
        if (frame != nullptr)
            SDL_SetSurfaceBlendMode(frame, SDL_BLENDMODE_NONE);
    }
    // A window made for OpenGL at a depth whose surface SDL cannot make (30 bits): whatever
    // renderer SDL has there, converting as it draws.
    if (renderer == nullptr && frame == nullptr)
        renderer = Streaming(SDL_CreateRenderer(window, -1, 0));
    if (renderer == nullptr && frame == nullptr)
    {
        // Nothing could be shown and the show would run unseen: end as for a lost display.
        std::fprintf(stderr, "quen: cannot show frames on this display: %s\n",
                     reason.empty() ? SDL_GetError() : reason.c_str());
        _exit(1);
    }
    // Where the window was not made for the renderer, SDL replaced it with one that is.
    sdl::WatchDisplay(window);
    SDL_DisplayMode mode;
    if (SDL_GetWindowDisplayMode(window, &mode) == 0 && mode.refresh_rate >= 30)
        frameTime = std::chrono::microseconds(1000000 / mode.refresh_rate);
    lastPresent = std::chrono::steady_clock::now();
    return true;
}

void PresentFrame(const std::uint32_t* pixels, long pitch)
{
    sdl::EndStartupWatch();
    if (renderer != nullptr)
        PresentWithRenderer(pixels, pitch);
    else if (frame != nullptr)
        PresentToSurface(pixels, pitch);
    if (renderer != nullptr || frame != nullptr)
    {
        shownPixels = pixels;
        shownPitch = pitch;
        sys::NoteFramePresented();
    }
    // A present that came back well within one display frame did not wait for the display (no
    // vsync, hidden or minimised window): wait out the rest of the frame here. A vsync'd present
    // comes back about one frame after the last and is not delayed further.
    const auto due = lastPresent + frameTime;
    auto now = std::chrono::steady_clock::now();
    if (now - lastPresent < frameTime * 3 / 4)
    {
        std::this_thread::sleep_until(due);
        now = due;
    }
    lastPresent = now;
}

void CloseVideo()
{
    if (texture != nullptr)
        SDL_DestroyTexture(texture);
    if (renderer != nullptr)
        SDL_DestroyRenderer(renderer);
    if (frame != nullptr)
        SDL_FreeSurface(frame);
    SDL_FreeSurface(opaqueView);
    opaqueView = nullptr;
    texture = nullptr;
    renderer = nullptr;
    frame = nullptr;
    lastSurface = nullptr;
    window = nullptr;
    shownPixels = nullptr; // the device goes with its back buffer
}

} // namespace sys
