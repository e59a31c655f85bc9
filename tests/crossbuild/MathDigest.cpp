// The values the show keeps from the C library's mathematics wherever they depend on the clock
// rather than on DemoStep alone: the cube rotation for every elapsed millisecond at which a cube
// frame can end (steps 850 to 1299, plus a frame's worth of time and more), and the focal
// length. The frames of every step cover the rest. Each build's library rounds some sines and
// cosines differently by one unit in the last place; this shows whether any such difference
// survives into what the show keeps. Every build must print the same lines.
#include "cubes/CubeMath.h"
#include "timeline/Schedule.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

int main()
{
    // FNV-1a over the bits of the rotation matrices.
    std::uint64_t hash = 0xcbf29ce484222325ull;
    constexpr std::uint32_t LastElapsed = 2 * (CubesLastStep + 1) * StepMilliseconds;
    for (std::uint32_t elapsed = 0; elapsed < LastElapsed; ++elapsed)
    {
        // As DrawCubes turns the clock into CubeAngle.
        const float angle = static_cast<float>(static_cast<double>(elapsed) * double{0.001f});
        Matrix4 rotation;
        rotation.Identity();
        rotation.Rotate(angle, angle, 0.0f);
        unsigned char bytes[sizeof rotation.m];
        std::memcpy(bytes, rotation.m, sizeof bytes);
        for (unsigned char b : bytes)
        {
            hash ^= b;
            hash *= 0x100000001b3ull;
        }
    }
    std::uint32_t focal = 0;
    std::memcpy(&focal, &FocalLength, sizeof focal);
    std::printf("cube rotations for 0 to %u ms: %016llx\n", LastElapsed - 1,
                static_cast<unsigned long long>(hash));
    std::printf("focal length: %08x\n", focal);
    return 0;
}
