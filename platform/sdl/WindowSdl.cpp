// Window and events over SDL2.
#include "platform/Display.h"
#include "platform/Text.h"
#include "platform/sdl/DisplayLink.h"
#include "platform/sdl/SdlWindow.h"
#include "platform/sys/Clock.h"
#include "platform/sys/Window.h"

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <system_error>
#include <thread>

extern "C" const unsigned char QuenIconRgba[]; // the 48x48 icon, made by the build
extern "C" const int QuenIconSize;

namespace
{

SDL_Window* window = nullptr;
bool openGl = false, alpha = false; // how the window was made
sys::DisplayOptions options;
SDL_Rect windowed = {}; // the window's place when not fullscreen
volatile std::sig_atomic_t closeAsked = 0;
int altAtKeyPress = -1; // Alt at the X server's last key press not yet matched by SDL's; -1: none

// SIGHUP (the terminal closed), SIGTERM and SIGINT ask the window to close, so the show ends on
// its ordinary path with status 0, its resources released. SIGPIPE is ignored.
void AskToClose(int)
{
    closeAsked = 1;
}

void CloseOnSignals()
{
    struct sigaction action = {};
    action.sa_handler = AskToClose;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int s : {SIGHUP, SIGTERM, SIGINT})
        sigaction(s, &action, nullptr);
    // A write to an X connection the server has closed then fails with EPIPE, and Xlib reports
    // the lost display (one line, status 1) instead of the process dying of SIGPIPE.
    std::signal(SIGPIPE, SIG_IGN);
}

void SetIcon()
{
    SDL_Surface* icon = SDL_CreateRGBSurfaceWithFormatFrom(
        const_cast<unsigned char*>(QuenIconRgba), QuenIconSize, QuenIconSize, 32, 4 * QuenIconSize,
        SDL_PIXELFORMAT_RGBA32);
    if (icon == nullptr)
        return;
    SDL_SetWindowIcon(window, icon); // copied into the window's _NET_WM_ICON
    SDL_FreeSurface(icon);
}

// Watching start-up (sdl::StartupLock): the thread, and how it is told to stop.
std::mutex startupLock;
std::thread startupWatch;
std::atomic<bool> watchingStartup{false};
std::mutex watchMutex;
std::condition_variable watchWake;
bool watchStop = false;

// Under startupLock: whether a close request waits in SDL's queue or a signal asked for one.
bool CloseRequested()
{
    SDL_PumpEvents();
    SDL_Event events[256];
    const int closing = SDL_PeepEvents(events, 1, SDL_PEEKEVENT, SDL_QUIT, SDL_QUIT);
    const int windows =
        SDL_PeepEvents(events + 1, 255, SDL_PEEKEVENT, SDL_WINDOWEVENT, SDL_WINDOWEVENT);
    for (int i = 1; i <= windows; ++i)
        if (events[i].window.event == SDL_WINDOWEVENT_CLOSE)
            return true;
    const int keys = SDL_PeepEvents(events, 256, SDL_PEEKEVENT, SDL_KEYDOWN, SDL_KEYDOWN);
    for (int i = 0; i < keys; ++i)
        if (events[i].key.keysym.sym == SDLK_ESCAPE)
            return true;
    const int system = SDL_PeepEvents(events, 256, SDL_PEEKEVENT, SDL_SYSWMEVENT, SDL_SYSWMEVENT);
    for (int i = 0; i < system; ++i)
        if (sdl::WindowDestroyed(events[i]))
            return true;
    return closing > 0 || closeAsked != 0;
}

void WatchStartup()
{
    std::unique_lock wait(watchMutex);
    while (!watchWake.wait_for(wait, std::chrono::milliseconds(50), [] { return watchStop; }))
    {
        std::lock_guard sdl(startupLock);
        if (CloseRequested())
            _exit(0); // no exit handlers: the main thread is in the middle of start-up
    }
}

// Desktop fullscreen: the window covers its display at the display's own mode.
void SetFullscreen(bool on)
{
    options.fullscreen = on;
    SDL_Rect area = windowed;
    if (on)
        SDL_GetDisplayBounds(SDL_GetWindowDisplayIndex(window), &area);
    SDL_SetWindowFullscreen(window, on ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
    sdl::PlaceWithoutWindowManager(window, area);
}

// Alt+Enter and F11 switch between window and fullscreen, in the platform alone (a held key
// switches once).
bool IsFullscreenKey(const SDL_KeyboardEvent& key, bool alt)
{
    return key.keysym.sym == SDLK_F11 || (key.keysym.sym == SDLK_RETURN && alt);
}

// Space pauses and resumes the show (the clock held, the music silent), F12 saves the frame on
// screen; like the fullscreen keys, they belong to the platform and never reach the show.
bool HandlePlatformKey(const SDL_KeyboardEvent& key, bool alt)
{
    const bool plain = !alt && (key.keysym.mod & (KMOD_CTRL | KMOD_GUI)) == 0;
    if (key.keysym.sym == SDLK_SPACE && plain)
    {
        if (key.repeat == 0)
            sys::HoldTicks(!sys::TicksHeld());
        return true;
    }
    if (key.keysym.sym == SDLK_F12 && plain)
    {
        if (key.repeat == 0)
            sdl::SaveShownFrame(options.startFolder);
        return true;
    }
    return false;
}

bool IsSet(const char* variable)
{
    const char* value = std::getenv(variable);
    return value != nullptr && *value != '\0';
}

// Whether a Wayland compositor's socket is there to connect to: WAYLAND_DISPLAY (wayland-0
// unless set), a path of its own or a name in XDG_RUNTIME_DIR.
bool WaylandReachable()
{
    const char* name = IsSet("WAYLAND_DISPLAY") ? std::getenv("WAYLAND_DISPLAY") : "wayland-0";
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    std::string socket = name;
    if (name[0] != '/')
    {
        if (runtime == nullptr || runtime[0] != '/')
            return false;
        socket = std::string(runtime) + "/" + name;
    }
    return access(socket.c_str(), F_OK) == 0;
}

// Video started once: afterwards only its outcome is given again.
bool videoTried = false;
std::string videoFailure;

// Debian's SDL2 quietly falls back to its offscreen or dummy driver when no display can be
// opened; a window there is invisible and cannot be closed, so it counts as no display unless
// SDL_VIDEODRIVER asked for it. Where no Wayland socket exists SDL is not let try Wayland, whose
// library would print a line of its own about XDG_RUNTIME_DIR. Every failure ends with what the
// user can do instead.
bool StartVideo(std::string& error)
{
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0 && !videoTried)
    {
        videoTried = true;
        if (!IsSet("SDL_VIDEODRIVER") && !WaylandReachable())
            SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11,kmsdrm");
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
        {
            if (WaylandReachable() || IsSet("SDL_VIDEODRIVER"))
                videoFailure = SDL_GetError();
            else if (IsSet("DISPLAY"))
                videoFailure =
                    "the X display " + text::Printable(std::getenv("DISPLAY")) + " does not answer";
            else
                videoFailure = "DISPLAY is not set";
        }
        else
        {
            std::atexit(SDL_Quit);
            CloseOnSignals();
            const char* driver = SDL_GetCurrentVideoDriver();
            const char* asked = std::getenv("SDL_VIDEODRIVER");
            const bool invisible = driver != nullptr && (std::strcmp(driver, "offscreen") == 0 ||
                                                         std::strcmp(driver, "dummy") == 0);
            if (invisible && (asked == nullptr || std::strstr(asked, driver) == nullptr))
                videoFailure =
                    "no display available (SDL chose its \"" + std::string(driver) + "\" driver)";
        }
        if (!videoFailure.empty())
            videoFailure += "; play it on a desktop, or without one under xvfb-run, or render "
                            "its frames and video with quen-capture";
    }
    error = videoFailure;
    return videoFailure.empty();
}

int DesktopSize(bool width)
{
    std::string error;
    SDL_DisplayMode mode;
    if (!StartVideo(error) || SDL_GetDesktopDisplayMode(0, &mode) != 0)
        return 0;
    return width ? mode.w : mode.h;
}

// Win32 virtual-key code of an SDL key; 0 for keys the demo has no name for.
unsigned VirtualKey(SDL_Keycode key)
{
    if (key >= SDLK_a && key <= SDLK_z)
        return 'A' + static_cast<unsigned>(key - SDLK_a);
    if (key >= SDLK_0 && key <= SDLK_9)
        return '0' + static_cast<unsigned>(key - SDLK_0);
    if (key >= SDLK_F1 && key <= SDLK_F12)
        return 0x70 + static_cast<unsigned>(key - SDLK_F1);
    switch (key)
    {
        case SDLK_ESCAPE: return 0x1B;
        case SDLK_RETURN: return 0x0D;
        case SDLK_SPACE: return 0x20;
        case SDLK_TAB: return 0x09;
        case SDLK_BACKSPACE: return 0x08;
        case SDLK_LEFT: return 0x25;
        case SDLK_UP: return 0x26;
        case SDLK_RIGHT: return 0x27;
        case SDLK_DOWN: return 0x28;
        case SDLK_LSHIFT:
        case SDLK_RSHIFT: return 0x10;
        case SDLK_LCTRL:
        case SDLK_RCTRL: return 0x11;
        case SDLK_LALT:
        case SDLK_RALT: return 0x12;
        default: return 0;
    }
}

} // namespace

namespace sdl
{
SDL_Window* MainWindow()
{
    return window;
}

std::mutex& StartupLock()
{
    return startupLock;
}

void EndStartupWatch()
{
    if (!watchingStartup.exchange(false))
        return;
    {
        std::lock_guard lock(watchMutex);
        watchStop = true;
    }
    watchWake.notify_all();
    startupWatch.join();
}

bool OpenGlChosen()
{
    return window != nullptr && openGl;
}

bool WindowHasAlpha()
{
    return window != nullptr && alpha;
}
} // namespace sdl

namespace sys
{

void SetDisplayOptions(const DisplayOptions& chosen)
{
    options = chosen;
}

bool UsableArea(int& width, int& height)
{
    std::string error;
    SDL_Rect area;
    if (!StartVideo(error) || SDL_GetDisplayUsableBounds(0, &area) != 0 || area.w <= 0 ||
        area.h <= 0)
        return false;
    width = area.w;
    height = area.h;
    return true;
}

int DesktopWidth()
{
    return DesktopSize(true);
}
int DesktopHeight()
{
    return DesktopSize(false);
}

bool OpenMainWindow(const char* title, int x, int y, int width, int height, std::string& error)
{
    if (window != nullptr)
    {
        error = "a window is open already";
        return false;
    }
    if (!StartVideo(error))
        return false;
    display::Rect r = display::ScaledWindow({x, y, width, height}, options.scale);
    SDL_Rect usable; // clear of the desktop's panels, where the window fits between them
    if (SDL_GetDisplayUsableBounds(0, &usable) == 0)
        r = display::KeepInside(r, {usable.x, usable.y, usable.w, usable.h});
    windowed = {r.x, r.y, r.width, r.height};
    // Made for OpenGL where the display may draw it on a graphics processor, so that SDL need
    // not replace the window with another when the video service tries an OpenGL renderer.
    // Elsewhere OpenGL is never loaded, and the window gets a visual whose pixels SDL can
    // convert frames to.
    const sdl::DisplayTraits traits = sdl::ExamineDisplay();
    const char* renderer = SDL_GetHint(SDL_HINT_RENDER_DRIVER);
    openGl = renderer != nullptr ? std::strncmp(renderer, "opengl", 6) == 0 : traits.gpu;
    alpha = false;
    const Uint32 flags = SDL_WINDOW_BORDERLESS | SDL_WINDOW_HIDDEN;
    if (openGl)
        window = SDL_CreateWindow(title, r.x, r.y, r.width, r.height, flags | SDL_WINDOW_OPENGL);
    if (window == nullptr)
    {
        openGl = false;
        // SDL_VIDEO_X11_WINDOW_VISUALID in the environment wins over this.
        const std::string visual = std::to_string(traits.visual);
        if (traits.visual != 0 && SDL_SetHint(SDL_HINT_VIDEO_X11_WINDOW_VISUALID, visual.c_str()))
            alpha = traits.alpha;
        window = SDL_CreateWindow(title, r.x, r.y, r.width, r.height, flags);
    }
    if (window == nullptr)
    {
        error = SDL_GetError();
        return false;
    }
    SetIcon();
    sdl::WatchDisplay(window);
    if (options.fullscreen)
        SetFullscreen(true);
    watchStop = false;
    try
    {
        startupWatch = std::thread(WatchStartup);
        watchingStartup = true;
    }
    catch (const std::system_error&)
    {
        // No thread to spare: start-up goes unwatched, as it did before.
    }
    return true;
}

void ShowMainWindow(bool visible)
{
    std::lock_guard sdl(startupLock);
    if (window == nullptr)
        return;
    if (visible)
    {
        SDL_ShowWindow(window);
        SDL_RaiseWindow(window);
    }
    else
        SDL_HideWindow(window);
}

void CloseMainWindow()
{
    sdl::EndStartupWatch();
    if (window != nullptr)
        sdl::DestroyWindow(window);
    window = nullptr;
}

bool PollInput(InputEvent& event)
{
    sdl::EndStartupWatch();
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0)
        return false;
    SDL_Event e;
    while (SDL_PollEvent(&e))
    {
        if (sdl::WindowDestroyed(e)) // by another program (xdotool windowclose): a close request
            closeAsked = 1;
        bool alt = false;
        if (sdl::KeyPressed(e, alt))
            altAtKeyPress = alt ? 1 : 0;
        switch (e.type)
        {
            case SDL_QUIT: event = {InputKind::CloseRequest, 0}; return true;
            case SDL_WINDOWEVENT:
                if (e.window.event == SDL_WINDOWEVENT_CLOSE)
                {
                    event = {InputKind::CloseRequest, 0};
                    return true;
                }
                break;
            case SDL_KEYDOWN:
            {
                // Alt as the key's own press carried it, where the X server reported one (a
                // stale Alt after a focus change never makes F4 a close); else as SDL has it.
                const bool altHeld =
                    altAtKeyPress >= 0 ? altAtKeyPress == 1 : (e.key.keysym.mod & KMOD_ALT) != 0;
                altAtKeyPress = -1;
                if (window != nullptr && IsFullscreenKey(e.key, altHeld))
                {
                    if (e.key.repeat == 0)
                        SetFullscreen(!options.fullscreen);
                    break;
                }
                if (HandlePlatformKey(e.key, altHeld))
                    break;
                const unsigned vk = VirtualKey(e.key.keysym.sym);
                if (vk == 0)
                    break;
                const bool alt = altHeld && vk != 0x12;
                event = {alt ? InputKind::SysKeyDown : InputKind::KeyDown, vk};
                return true;
            }
            default: break;
        }
    }
    if (closeAsked != 0)
    {
        closeAsked = 0;
        event = {InputKind::CloseRequest, 0};
        return true;
    }
    return false;
}

void SetCursorVisible(bool visible)
{
    std::lock_guard sdl(startupLock);
    if (SDL_WasInit(SDL_INIT_VIDEO) != 0)
        SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE);
}

} // namespace sys
