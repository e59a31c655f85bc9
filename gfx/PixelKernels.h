// Pixel kernels: the inner loops of the device and the effects, one row (or one block) at a
// time. Each kernel writes exactly what a loop of the per-pixel operations would write; its
// comment says why. Every kernel has a portable form; on x86-64 an SSE2 form (the baseline of
// the architecture) and, where the processor has it, an AVX2 form chosen at run time. The web
// build's SIMD program compiles the SSE2 forms to WebAssembly SIMD, with gathers of its own.
#pragma once

#include <cstdint>

// Which forms run: 0 the portable ones, 1 SSE2, 2 AVX2 (in WebAssembly with SIMD, its own forms
// where it has them). Starts at the best the processor offers; tests lower it to compare the
// forms with one another.
extern int PixelKernelLevel;
int BestPixelKernelLevel();

// out[i] = pixel for i < count.
void FillRow(std::uint32_t* out, int count, std::uint32_t pixel);

// out[2i] = out[2i + 1] = in[i] for i < count: the rows of an exact 2x enlargement.
void DoubleRow(const std::uint32_t* in, int count, std::uint32_t* out);

// out[i] = in[columns[i]] for i < count. The columns never decrease and all lie below inCount.
void GatherRow(const std::uint32_t* in, int inCount, const std::uint16_t* columns, int count,
               std::uint32_t* out);

// The same gather for many rows, its columns worked out once: for the leading groups of 8
// outputs whose columns lie within 8 of the group's first (all of them in an enlargement), that
// first column and the 8 offsets from it. PlanGather keeps `columns`, which must outlive the plan.
constexpr int MostPlannedGroups = 256;
struct GatherPlan
{
    const std::uint16_t* columns;
    int inCount;
    int count;
    int planned; // groups planned; the outputs after them are gathered column by column
    std::int32_t first[MostPlannedGroups];
    std::int32_t offsets[MostPlannedGroups * 8];
};
void PlanGather(const std::uint16_t* columns, int inCount, int count, GatherPlan& plan);
void GatherRow(const std::uint32_t* in, const GatherPlan& plan, std::uint32_t* out);

// Adds colour to the pixels left[y] .. right[y] - 1 of every row y from first to last (rows
// with left[y] >= right[y] are empty; row y starts at base + y * pitch), channel by channel,
// each sum modulo 256, and writes bits 24-31 as 0: what reading a pixel as three bytes and
// writing the three sums does. Bytes cannot carry into one another, so one byte-wise addition
// of the whole word gives the same channels.
void AddToSpans(unsigned char* base, long pitch, const int* left, const int* right, int first,
                int last, std::uint32_t colour);

// The per-frame weight of a cross-fade: t(d) = trunc(d * w) in double precision from the float
// w, for every channel difference d in -255 .. 255, as a table, and in fixed point where that
// is exact.
struct ChannelWeight
{
    std::int16_t table[511]; // t(d) at d + 255
    // floor(w * 2^31): exactly w * 2^31 when w >= 2^-8, since a float has 24 significant bits,
    // so that t(d) = sign(d) * floor(|d| * fixed / 2^31); below 2^-8 both sides are 0 for every
    // d. The fixed-point forms run only if fixedAgrees: the table was checked against it.
    std::uint32_t fixed;
    bool fixedAgrees;
};
// Fills the table with the formula and checks the fixed-point form against it.
void SetChannelWeight(ChannelWeight& weight, float w);

// Every channel c of in becomes t(c), bits 24-31 are written as 0: the fade against black,
// whose channels contribute exactly 0.0 to each sum.
void WeighRow(const std::uint32_t* in, int count, const ChannelWeight& weight, std::uint32_t* out);

// Every channel becomes s + t(a - s), a from first and s from second, bits 24-31 written as 0:
// the cross-fade of two pictures.
void BlendRow(const std::uint32_t* first, const std::uint32_t* second, int count,
              const ChannelWeight& weight, std::uint32_t* out);

// f = min(f + a, ceiling) for every byte f of `lines` runs of `count` bytes (run k at
// field + k * fieldStride) and the byte a at the same place of the runs of add (run k at
// add + k * addStride), the sum formed without overflow.
void AddBytesSaturating(unsigned char* field, long fieldStride, const unsigned char* add,
                        long addStride, int count, int lines, unsigned char ceiling);

// `rows` rows (a multiple of 8) of a screen from byte columns: pixel (x, y) becomes blue
// first[x * columnStride + y] with red, green and bits 24-31 0, for x < columns; row y of the
// screen starts at out + y * outStride (in pixels).
void BlueFromColumns(const unsigned char* first, long columnStride, int columns, int rows,
                     std::uint32_t* out, long outStride);
