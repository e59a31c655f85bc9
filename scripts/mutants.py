#!/usr/bin/env python3
"""Mutation check: does the test suite notice small faults?

Applies each one-line fault of the list below to the tree in turn, rebuilds the tests in their own
build folder (build-mutants/), runs the suite, and counts the faults the suite catches (a test
fails) against those it misses. The tree is restored after every fault, also on Ctrl-C.

Usage: scripts/mutants.py [-k SUBSTRING] [--list]
  -k SUBSTRING   only the faults whose name contains SUBSTRING
  --list         print the faults and check that each still applies, without running anything
Exit status: 0 when every fault applied cleanly, 1 when one no longer matches its file.
"""
import argparse
import os
import pathlib
import signal
import subprocess
import sys
import time

ROOT = pathlib.Path(__file__).resolve().parent.parent
BUILD = ROOT / "build-mutants"

# (name, file, the exact text, what it becomes). The text must occur once in the file.
MUTANTS = [
    # The frame sequencer and the schedule.
    ("step: 0.02 a little low", "timeline/RenderFrame.cpp",
     "static_cast<double>(elapsed) * StepsPerMillisecond)",
     "static_cast<double>(elapsed) * 0.019999)"),
    ("step: fade ends one step early", "timeline/RenderFrame.cpp",
     "DemoStep <= FadeLastStep", "DemoStep < FadeLastStep"),
    ("step: iris starts one step late", "timeline/RenderFrame.cpp",
     "DemoStep >= IrisFirstStep &&", "DemoStep > IrisFirstStep &&"),
    ("step: cubes end one step late", "timeline/Schedule.h",
     "CubesLastStep = 1299;", "CubesLastStep = 1300;"),
    ("step: blend switches to j3 one step late", "timeline/Schedule.h",
     "BlendJ3FirstStep = 558;", "BlendJ3FirstStep = 559;"),
    # Effects.
    ("wipe: one column too many", "effects/RevealWipe.cpp",
     "static_cast<int>(2 * step);", "static_cast<int>(2 * step + 1);"),
    ("wipe: streak colour from the last shown pixel", "effects/RevealWipe.cpp",
     "PictureWidth - uncovered, in[uncovered]);", "PictureWidth - uncovered, in[uncovered > 0 ? uncovered - 1 : 0]);"),
    ("fade: double 0.02 instead of the float", "effects/RevealWipe.cpp",
     "static_cast<double>(k) * static_cast<double>(0.02f)", "static_cast<double>(k) * 0.02"),
    ("blend: products of the weight in single precision", "gfx/PixelKernels.cpp",
     "static_cast<int>(d * double{w})", "static_cast<int>(static_cast<float>(d) * w)"),
    ("blend: j3 one step early", "effects/PulsingBlend.cpp",
     "step < BlendJ3FirstStep ?", "step <= BlendJ3FirstStep ?"),
    ("blend: channels swapped", "gfx/PixelKernels.cpp",
     "mixed |= static_cast<std::uint32_t>(s + t[a - s]) << shift;",
     "mixed |= static_cast<std::uint32_t>(s + t[a - s]) << (16 - shift);"),
    ("blend: second picture's pixels from the wrong half", "gfx/PixelKernels.cpp",
     "_mm256_unpackhi_epi8(s, zero), mh, ml);", "_mm256_unpacklo_epi8(s, zero), mh, ml);"),
    ("blend: carry of the fixed-point product dropped", "gfx/PixelKernels.cpp",
     "_mm256_srli_epi16(_mm256_add_epi16(low, q), 15)", "_mm256_srli_epi16(low, 15)"),
    ("fade: high half of the fixed-point weight doubled once too often", "gfx/PixelKernels.cpp",
     "_mm_add_epi16(_mm_add_epi16(phi, phi), _mm_srli_epi16(plo, 15))",
     "_mm_add_epi16(_mm_add_epi16(phi, _mm_add_epi16(phi, phi)), _mm_srli_epi16(plo, 15))"),
    ("warp: position multiplied out", "effects/SineWarp.cpp",
     "columns[k] = static_cast<std::uint16_t>(static_cast<int>(p));",
     "columns[k] = static_cast<std::uint16_t>(static_cast<int>(k * step));"),
    ("warp: span table taken as made for the wrong length", "effects/SineWarp.cpp",
     "if (!SpanColumnsMade[n])", "if (!SpanColumnsMade[n & ~1])"),
    ("warp: left amplitude 31", "effects/SineWarp.cpp",
     "+ 1.0) * 30.0)", "+ 1.0) * 31.0)"),
    ("warp: shown during the iris", "effects/SineWarp.cpp",
     "if (step <= WarpShownLastStep)", "if (step <= WarpLastStep)"),
    ("iris: pixels on the circle painted", "effects/IrisScroller.cpp",
     "static_cast<float>(d2) > r2", "static_cast<float>(d2) >= r2"),
    ("iris: kept run one pixel narrow", "effects/IrisScroller.cpp",
     "while (OutsideIris(dy2 + h * h, r2))", "while (OutsideIris(dy2 + (h + 1) * (h + 1), r2))"),
    ("scroller: one row off", "effects/IrisScroller.cpp",
     "(step - ScrollFirstStep) % ScrollPeriod", "(step - ScrollFirstStep + 1) % ScrollPeriod"),
    ("blob: ceiling 255", "effects/BlobField.cpp",
     "SpriteSize, Ceiling);", "SpriteSize, 255);"),
    ("blob: phase wrapped after the ball is added", "effects/BlobField.cpp",
     "step % PhaseWrap + static_cast<DWORD>(ball)", "(step + static_cast<DWORD>(ball)) % PhaseWrap"),
    ("blob: no clamp at zero", "effects/BlobField.cpp",
     "if (v < 0.0)", "if (v < -20.0)"),
    ("blob: field in the red channel", "gfx/PixelKernels.cpp",
     "_mm_unpacklo_epi16(pairs[k], zero));", "_mm_unpacklo_epi16(zero, pairs[k]));"),
    # The cube scene.
    ("fill: empty-row marker 800", "cubes/TriangleFill.cpp",
     "EmptyLeft = Columns - 1;", "EmptyLeft = Columns;"),
    ("fill: right bound drawn", "cubes/TriangleFill.cpp",
     "    AddToSpans(base, pitch, SpanLeft, SpanRight, first, last, colour);",
     "    for (int y = first; y <= last; ++y) SpanRight[y] += SpanLeft[y] < SpanRight[y] && SpanRight[y] < Columns;\n"
     "    AddToSpans(base, pitch, SpanLeft, SpanRight, first, last, colour);"),
    ("fill: green added to red", "cubes/TriangleFill.cpp",
     "VornGFX::Pack(triangle.Colour[0], triangle.Colour[1],",
     "VornGFX::Pack(triangle.Colour[1], triangle.Colour[1],"),
    ("fill: offset not truncated by itself", "cubes/TriangleFill.cpp",
     "int x = x0 + static_cast<int>(j * double{slope});",
     "int x = static_cast<int>(s.x + j * double{slope});"),
    ("fill: last row of the triangle not reset", "cubes/TriangleFill.cpp",
     "ResetSpans(first, last);", "ResetSpans(first, last - 1);"),
    ("fill: channels carry into one another", "gfx/PixelKernels.cpp",
     "_mm256_and_si256(_mm256_add_epi8(_mm256_loadu_si256(p), add), keep)",
     "_mm256_and_si256(_mm256_add_epi32(_mm256_loadu_si256(p), add), keep)"),
    ("math: product not transposed", "cubes/CubeMath.cpp",
     "p.m[4 * c + r] = static_cast<float>(sum);", "p.m[4 * r + c] = static_cast<float>(sum);"),
    ("math: projection y flipped", "cubes/CubeMath.cpp",
     "CentreY - f * v.y / v.z", "CentreY + f * v.y / v.z"),
    ("cubes: angle from the double 0.001", "cubes/CubeFrame.cpp",
     "static_cast<double>(elapsed) * double{0.001f}", "static_cast<double>(elapsed) * 0.001"),
    ("cubes: placement not reset", "cubes/CubeMesh.cpp",
     "Cubes[k].Placement.Identity();", ";"),
    # The shell.
    ("shell: centring floors", "shell/WinMain.cpp",
     "(GetSystemMetrics(SM_CXSCREEN) - ScreenWidth) / 2",
     "(GetSystemMetrics(SM_CXSCREEN) - ScreenWidth) >> 1"),
    ("shell: quit code 1", "shell/WinMain.cpp", "PostQuitMessage(0);", "PostQuitMessage(1);"),
    ("shell: escape ignored", "shell/WinMain.cpp", "if (wParam == VK_ESCAPE)", "if (wParam == 0)"),
    ("shell: cursor hidden at shutdown", "shell/Demo.cpp", "ShowCursor(TRUE);", "ShowCursor(FALSE);"),
    ("shell: a surface never released", "shell/Demo.cpp", "GfxDevice->ReleaseSurface(SurfFade);", ";"),
    ("shell: strip one row low", "shell/Demo.cpp",
     "RECT{0, PictureHeight, ScrollerWidth, below}", "RECT{0, PictureHeight + 1, ScrollerWidth, below + 1}"),
    # The graphics device.
    ("device: corner sampling instead of centres", "gfx/VornGFX.cpp",
     "long yq = sh / (2 * dh), yr = sh % (2 * dh);", "long yq = 0, yr = 0;"),
    ("device: rectangle may reach past the right edge", "gfx/VornGFX.cpp",
     "r.right <= s->Width && r.bottom <= s->Height", "r.right <= s->Width + 1 && r.bottom <= s->Height"),
    ("device: unlock keeps the lock", "gfx/VornGFX.cpp",
     "    surface->Locked = false;\n", "\n"),
    ("device: double release accepted", "gfx/VornGFX.cpp",
     "if (surface == nullptr || slot == std::end(live_))\n        return -1;",
     "if (surface == nullptr)\n        return -1;"),
    ("device: doubling repeats the first half", "gfx/PixelKernels.cpp",
     "_mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * i + 4), _mm_unpackhi_epi32(v, v));",
     "_mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * i + 4), _mm_unpacklo_epi32(v, v));"),
    ("device: gather window one too wide", "gfx/PixelKernels.cpp",
     "if (reach < 8 && from + 8 <= inCount)", "if (reach < 9 && from + 8 <= inCount)"),
    ("device: clear leaves the last pixel", "gfx/VornGFX.cpp",
     "FillRow(surface->Pixels.get(), surface->Width * surface->Height,",
     "FillRow(surface->Pixels.get(), surface->Width * surface->Height - 1,"),
    ("frame: clear left out in the pause", "timeline/RenderFrame.cpp",
     "return step <= BlobLastStep ||", "return step <= BlobLastStep + 1 ||"),
    ("device: red packed as green", "gfx/VornGFX.h",
     "return (std::uint32_t{r} << 16)", "return (std::uint32_t{r} << 8)"),
    ("device: JPEG marker check", "gfx/JpegDecoder.cpp", "data[1] != 0xD8", "data[1] != 0xD9"),
    # The platform stand-ins and services.
    ("win32: quit message repeats", "platform/win32-standin/Win32.cpp",
     "        if (remove)\n            quitPosted = false;", "        (void)remove;"),
    ("win32: cursor shown at count -1", "platform/win32-standin/Win32.cpp",
     "sys::SetCursorVisible(cursorCount >= 0);", "sys::SetCursorVisible(cursorCount >= -1);"),
    ("win32: Alt+F4 ignored", "platform/win32-standin/Win32.cpp", "if (wParam == VK_F4)", "if (wParam == VK_F4 + 1)"),
    ("fmod: loop flag inverted", "platform/fmod-standin/Fmod.cpp",
     "(mode & FSOUND_LOOP_NORMAL) != 0", "(mode & FSOUND_LOOP_NORMAL) == 0"),
    ("files: pipes and devices read", "platform/Files.cpp",
     "if (!S_ISREG(info.st_mode))", "if (false)"),
    ("files: a folder called not a regular file", "platform/Files.cpp",
     "if (S_ISDIR(info.st_mode))", "if (false)"),
    ("sound: streamed music not looped", "platform/music/MusicDecoder.cpp",
     "if (loop && passBytes > 0 && mpg123_seek", "if (false && passBytes > 0 && mpg123_seek"),
    ("sound: short music not looped", "platform/music/MusicDecoder.cpp",
     "                if (!loop_)\n", "                if (true)\n"),
    ("display: Alt+Enter reaches the window procedure", "platform/sdl/WindowSdl.cpp",
     "if (window != nullptr && IsFullscreenKey(e.key, altHeld))", "if (false)"),
    ("display: a stale Alt makes F4 a close", "platform/sdl/WindowSdl.cpp",
     "altAtKeyPress >= 0 ? altAtKeyPress == 1 :", "false ? false :"),
    ("display: start-up not watched", "platform/sdl/WindowSdl.cpp",
     "if (CloseRequested())", "if (false)"),
    ("display: no visual chosen at depth 30", "platform/sdl/WindowSdl.cpp",
     "if (traits.visual != 0 && SDL_SetHint", "if (false && SDL_SetHint"),
    ("display: nothing to present, and no word", "platform/sdl/VideoSdl.cpp",
     "    if (renderer == nullptr && frame == nullptr)\n    {", "    if (false)\n    {"),
    ("files: closed standard streams left closed", "platform/Files.cpp",
     "if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF)", "if (true)"),
    ("sound: a long WAV held whole", "platform/music/MusicDecoder.cpp",
     "std::size_t(MaxHeldSeconds) * std::size_t(rate) * 2;", "std::size_t(MaxHeldSeconds) * std::size_t(rate) * 4;"),
    ("device: a picture without memory called undecodable", "gfx/JpegDecoder.cpp",
     "if (decoded == nullptr || out.pixels == nullptr)", "if (false)"),
    ("text: control bytes shown raw", "platform/Text.cpp",
     "if (byte < 0x20 || byte == 0x7F)", "if (byte == 0x7F)"),
    ("display: lost connection exits 0", "platform/sdl/DisplayLink.cpp", "_exit(1);", "_exit(0);"),
    ("display: SIGHUP not caught", "platform/sdl/WindowSdl.cpp",
     "{SIGHUP, SIGTERM, SIGINT}", "{SIGTERM, SIGINT}"),
    ("display: bars on one side", "platform/Display.cpp",
     "fit.x = (areaWidth - fit.width) / 2;", "fit.x = 0;"),
    ("display: --scale 9 accepted", "launcher/Launch.cpp",
     "constexpr int LargestScale = 8;", "constexpr int LargestScale = 9;"),
    ("display: a window one pixel too tall still fits", "platform/Display.cpp",
     "static_cast<long long>(frameHeight) * fits > areaHeight", "static_cast<long long>(frameHeight) * fits > areaHeight + 1"),
    ("display: a window under a panel left there", "platform/Display.cpp",
     "if (start < from)", "if (start < from - 1000)"),
    ("launcher: the show's files taken from a build folder before the current one",
     "launcher/Launch.cpp", "if (HoldsShowFiles(current))", "if (false)"),
    ("launcher: the first built-in folder taken without its files", "launcher/Launch.cpp",
     "        if (HoldsShowFiles(folder))", "        if (true)"),
    # The capture tool.
    ("capture: fps 0 accepted", "tools/capture/CaptureOptions.cpp",
     "value < 1 || value > std::uint64_t(largest)", "value > std::uint64_t(largest)"),
    ("capture: seconds .5 refused", "tools/capture/CaptureOptions.cpp",
     "return part.empty() || AllDigits(part);", "return AllDigits(part);"),
    ("capture: negative time message lost", "tools/capture/CaptureOptions.cpp",
     "if (item.front() == '-' && AllDigits(item.substr(1)))", "if (false)"),
    ("capture: interruption exits 0", "tools/capture/Capture.cpp",
     "return 128 + signal;", "return ExitSuccess;"),
    ("capture: empty output committed", "tools/capture/PendingFile.cpp",
     "|| info.st_size == 0)", "|| info.st_size < 0)"),
    ("capture: duplicate times both written", "tools/capture/Capture.cpp",
     "superseded[i] = !later.insert(times[i]).second;", "superseded[i] = (later.insert(times[i]), false);"),
    ("capture: temporary name not unique", "tools/capture/PendingFile.cpp",
     "descriptor_ = ::mkostemps(name.data(), int(suffix.size()), O_CLOEXEC);",
     "descriptor_ = ::open((name = target_.string() + suffix).c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);"),
    ("capture: no handler for SIGHUP", "tools/capture/Signals.cpp",
     "{SIGHUP,  SIGINT,", "{SIGINT,  SIGINT,"),
    ("capture: signal leaves ffmpeg running", "tools/capture/Signals.cpp",
     "        ::kill(child, SIGKILL);\n", "        (void)child;\n"),
    ("capture: ffmpeg outlives a killed tool", "tools/capture/VideoPipe.cpp",
     "::prctl(PR_SET_PDEATHSIG, SIGKILL);", ";"),
    ("capture: device output replaced", "tools/capture/PendingFile.cpp",
     "if (!S_ISREG(info.st_mode))", "if (false)"),
    ("capture: link replaced, not written through", "tools/capture/PendingFile.cpp",
     "if (S_ISLNK(info.st_mode))", "if (false)"),
    ("capture: another user's link in a shared folder followed", "tools/capture/PendingFile.cpp",
     "if (shared && info.st_uid != ::geteuid())", "if (false)"),
    ("capture: a replaced file's permissions lost", "tools/capture/PendingFile.cpp",
     "replacing ? replaced.st_mode & 0777 : NewFileMode", "NewFileMode"),
    ("capture: temporary name too long for the folder", "tools/capture/PendingFile.cpp",
     "if (name.size() > room)", "if (false)"),
    ("capture: workers left running when a thread cannot start", "tools/capture/FramePipeline.cpp",
     "        Stop(true);\n        throw CaptureError(", "        throw CaptureError("),
    ("capture: pictures without memory captured black", "tools/capture/Capture.cpp",
     "if (PicturesWithoutMemory() != before_)", "if (false)"),
    ("capture: PNG write error without its reason", "tools/capture/PngWriter.cpp",
     "throw CaptureError(\"cannot write \" + path.string() + \": \" + std::strerror(error));",
     "throw CaptureError(\"cannot write \" + path.string() + \": Write Error\");"),
    ("capture: ffmpeg's failure cause not looked for", "tools/capture/VideoPipe.cpp",
     "if (messages.find(std::strerror(cause)) != std::string::npos)", "if (false)"),
    ("capture: --scale ignored", "tools/capture/VideoPipe.cpp",
     "if (settings.scale > 1)", "if (settings.scale > 8)"),
    ("capture: a dropped frame passes the check", "tools/capture/VideoCheck.cpp",
     "if (video->packets != expected.frames)", "if (false)"),
    ("capture: short sound passes the check", "tools/capture/VideoCheck.cpp",
     "if (sound != nullptr && std::abs(sound->end - video->end) > sound->longest + 1e-6)",
     "if (false)"),
    ("capture: a changed lossless frame passes the check", "tools/capture/VideoCheck.cpp",
     "                if (wrong.empty() &&", "                if (false &&"),
    ("capture: a failed check keeps the name asked for", "tools/capture/Capture.cpp",
     "pending.CommitAs(failed);", "pending.Commit();"),
    ("capture: a stalled ffmpeg waited for without end", "tools/capture/VideoPipe.cpp",
     "else if (!stalled_ &&", "else if (false &&"),
    ("capture: a refused run leaves its output folder", "tools/capture/Capture.cpp",
     "::rmdir(folder.c_str());", "(void)folder;"),
    ("capture: none of the show's files rendered black", "tools/capture/Capture.cpp",
     "if (std::filesystem::exists(name, error))", "if (true)"),
]


def run(cmd, **kw):
    return subprocess.run(cmd, cwd=ROOT, **kw)


def configure():
    if not (BUILD / "CMakeCache.txt").exists():
        run(["cmake", "-S", ".", "-B", str(BUILD), "-DCMAKE_BUILD_TYPE=RelWithDebInfo",
             "-DQUEN_BUILD_BENCH=OFF"], check=True, stdout=subprocess.DEVNULL)


def build():
    jobs = os.environ.get("JOBS", str(os.cpu_count() or 2))
    return run(["cmake", "--build", str(BUILD), "-j", jobs], stdout=subprocess.DEVNULL,
               stderr=subprocess.DEVNULL).returncode == 0


def suite_passes():
    jobs = os.environ.get("JOBS", str(os.cpu_count() or 2))
    return run(["ctest", "--test-dir", str(BUILD), "-j", jobs, "--stop-on-failure",
                "--timeout", "300"], stdout=subprocess.DEVNULL,
               stderr=subprocess.DEVNULL).returncode == 0


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("-k", default="")
    parser.add_argument("--list", action="store_true")
    args = parser.parse_args()
    chosen = [m for m in MUTANTS if args.k in m[0]]

    stale = []
    for name, path, old, _ in chosen:
        count = (ROOT / path).read_text().count(old)
        if count != 1:
            stale.append(f"{name}: {path} holds the text {count} times")
    if args.list or stale:
        for name, path, _, _ in chosen:
            print(f"{path}: {name}")
        for line in stale:
            print("STALE", line)
        return 1 if stale else 0

    configure()
    if not build() or not suite_passes():
        print("mutants: the unchanged tree does not build or pass its tests", file=sys.stderr)
        return 1

    caught, missed, broken = [], [], []
    for name, path, old, new in chosen:
        file = ROOT / path
        original = file.read_text()
        start = time.monotonic()
        # Ctrl-C or SIGTERM while a fault is in the tree restores the file before leaving.
        previous = {s: signal.getsignal(s) for s in (signal.SIGINT, signal.SIGTERM)}

        def restore_and_leave(signum, _frame):
            file.write_text(original)
            sys.exit(128 + signum)

        for s in previous:
            signal.signal(s, restore_and_leave)
        try:
            file.write_text(original.replace(old, new))
            if not build():
                broken.append(name)
                verdict = "does not build"
            elif suite_passes():
                missed.append(name)
                verdict = "MISSED"
            else:
                caught.append(name)
                verdict = "caught"
        finally:
            file.write_text(original)
            for s, handler in previous.items():
                signal.signal(s, handler)
        print(f"{verdict:15} {time.monotonic() - start:5.0f} s  {path}: {name}", flush=True)

    build()  # leave the build folder matching the tree
    total = len(caught) + len(missed)
    print(f"\nmutants: {len(caught)} of {total} caught"
          + (f", {len(broken)} did not build" if broken else ""))
    for name in missed:
        print(f"  missed: {name}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
