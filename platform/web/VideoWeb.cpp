// Video on the web: every frame goes into the page's 800x600 <canvas> (Module.canvas) with
// putImageData, the page is told (Module.quenPresented: it shows the frame enlarged), and then
// the program waits for the browser's next animation frame. Built with ASYNCIFY, that wait hands
// control back to the browser, so the demo's never-waiting loop draws once per display frame.
#include "platform/sys/Clock.h"
#include "platform/sys/Video.h"
#include "platform/web/WebControl.h"
#include "platform/web/WebMusic.h"

#include <emscripten.h>

#include <memory>

namespace
{

// The frame in the canvas's byte order: red, green, blue, alpha. Made once, when video opens.
std::unique_ptr<std::uint32_t[]> canvasPixels;
int frameWidth = 0;
int frameHeight = 0;
bool presenting = true;
bool waiting = true;

// Sizing a canvas clears it, even to the size it has: a show started again keeps the last frame
// of the one before until its own first frame.
EM_JS(int, OpenCanvas, (int width, int height), {
    const canvas = Module['canvas'];
    if (!canvas)
        return 0;
    if (canvas.width != width || canvas.height != height)
    {
        canvas.width = width;
        canvas.height = height;
    }
    Module['quenCanvas2d'] = canvas.getContext('2d');
    return 1;
});

EM_JS(void, PutCanvasFrame, (const void* pixels, int width, int height, int shown), {
    const bytes = new Uint8ClampedArray(HEAPU8.buffer, pixels, width * height * 4);
    Module['quenCanvas2d'].putImageData(new ImageData(bytes, width, height), 0, 0);
    if (shown && Module['quenPresented'])
        Module['quenPresented']();
});

// The page learns the time of the frame it shows (Module.quenShownMs, milliseconds after
// StartTick), and when the first one came and which it was.
EM_JS(void, NoteShown, (double ms), {
    Module['quenShownMs'] = ms;
    if (!Module['quenFirstFrameAt'])
    {
        Module['quenFirstFrameAt'] = performance.now();
        Module['quenFirstFrameMs'] = ms;
    }
});

EM_ASYNC_JS(void, WaitForAnimationFrame, (),
            { await new Promise(function(resolve) { requestAnimationFrame(resolve); }); });

} // namespace

namespace web
{
void SetPresenting(bool on)
{
    presenting = on;
}

void SetWaitingForDisplay(bool on)
{
    waiting = on;
}
} // namespace web

namespace sys
{

bool OpenVideo(int width, int height)
{
    if (!OpenCanvas(width, height))
        return false;
    frameWidth = width;
    frameHeight = height;
    canvasPixels.reset(new std::uint32_t[static_cast<std::size_t>(width) * height]);
    return true;
}

void PresentFrame(const std::uint32_t* pixels, long pitch)
{
    if (!presenting || !canvasPixels)
        return;
    std::uint32_t* out = canvasPixels.get();
    for (int y = 0; y < frameHeight; ++y)
    {
        const std::uint32_t* row = pixels + y * (pitch / 4);
        for (int x = 0; x < frameWidth; ++x)
        {
            // 0x00RRGGBB into the little-endian bytes R, G, B, 255.
            const std::uint32_t p = row[x];
            *out++ = 0xFF000000u | (p & 0xFFu) << 16 | (p & 0xFF00u) | (p >> 16 & 0xFFu);
        }
    }
    PutCanvasFrame(canvasPixels.get(), frameWidth, frameHeight, waiting ? 1 : 0);
    sys::NoteFramePresented();
    std::uint32_t ms = 0;
    if (sys::ShownFrameTime(ms))
        NoteShown(ms);
    web::KeepMusicInStep();
    if (waiting)
        WaitForAnimationFrame();
}

void CloseVideo()
{
    canvasPixels.reset();
}

} // namespace sys
