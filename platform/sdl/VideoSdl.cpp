// Video over SDL2: a streaming texture in a renderer on the demo's window, vsync'd where the
// driver allows it, paced to the display's rate where presenting does not wait.
#include "platform/sdl/SdlWindow.h"
#include "platform/sys/Video.h"

#include <chrono>
#include <thread>

namespace
{

SDL_Renderer* renderer = nullptr;
SDL_Texture* texture = nullptr;
int frameWidth = 0, frameHeight = 0;
std::chrono::steady_clock::duration frameTime = std::chrono::microseconds(16667);
std::chrono::steady_clock::time_point lastPresent;

} // namespace

namespace sys
{

bool OpenVideo(int width, int height)
{
    SDL_Window* window = sdl::MainWindow();
    if (window == nullptr)
        return false;
    renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_PRESENTVSYNC);
    if (renderer == nullptr) // some drivers refuse vsync
        renderer = SDL_CreateRenderer(window, -1, 0);
    if (renderer == nullptr)
        return false;
    texture = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING,
                                width, height);
    if (texture == nullptr)
    {
        SDL_DestroyRenderer(renderer);
        renderer = nullptr;
        return false;
    }
    frameWidth = width;
    frameHeight = height;
    SDL_DisplayMode mode;
    if (SDL_GetWindowDisplayMode(window, &mode) == 0 && mode.refresh_rate >= 30)
        frameTime = std::chrono::microseconds(1000000 / mode.refresh_rate);
    lastPresent = std::chrono::steady_clock::now();
    return true;
}

void PresentFrame(const std::uint32_t* pixels, long pitch)
{
    if (renderer == nullptr)
        return;
    SDL_UpdateTexture(texture, nullptr, pixels, static_cast<int>(pitch));
    const SDL_Rect all = {0, 0, frameWidth, frameHeight};
    SDL_RenderCopy(renderer, texture, nullptr, &all);
    SDL_RenderPresent(renderer);
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
    texture = nullptr;
    renderer = nullptr;
}

} // namespace sys
