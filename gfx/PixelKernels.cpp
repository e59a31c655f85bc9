#include "gfx/PixelKernels.h"

#include <cstring>

// x86-64: SSE2 forms, and AVX2 forms where the processor has it. WebAssembly with SIMD: the same
// SSE2 forms, which emscripten compiles to SIMD instructions, and forms of its own in place of
// the AVX2 ones (level 2), where a byte shuffle serves better than what SSE2 has.
#if defined(__SSE2__) && (defined(__x86_64__) || defined(_M_X64))
#define PIXEL_KERNELS_X86 1
#define PIXEL_KERNELS_SSE2 1
#include <immintrin.h>
#elif defined(__SSE2__) && defined(__wasm_simd128__)
#define PIXEL_KERNELS_WASM 1
#define PIXEL_KERNELS_SSE2 1
#include <emmintrin.h>
#include <wasm_simd128.h>
#endif

int PixelKernelLevel = BestPixelKernelLevel();

int BestPixelKernelLevel()
{
#if defined(PIXEL_KERNELS_X86)
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") ? 2 : 1;
#elif defined(PIXEL_KERNELS_WASM)
    return 2;
#else
    return 0;
#endif
}

namespace
{

constexpr std::uint32_t ChannelsOnly = 0x00FFFFFF;

std::uint32_t Channel(std::uint32_t p, int shift)
{
    return (p >> shift) & 0xFF;
}

// The portable forms: the loops as written, one pixel at a time.

void DoubleRowPortable(const std::uint32_t* in, int count, std::uint32_t* out)
{
    for (int i = 0; i < count; ++i)
        out[2 * i] = out[2 * i + 1] = in[i];
}

void GatherRowPortable(const std::uint32_t* in, int /*inCount*/, const std::uint16_t* columns,
                       int count, std::uint32_t* out)
{
    for (int i = 0; i < count; ++i)
        out[i] = in[columns[i]];
}

void AddToRunPortable(std::uint32_t* run, int count, std::uint32_t colour)
{
    for (int i = 0; i < count; ++i)
    {
        const std::uint32_t p = run[i];
        // Seven low bits of each byte added, the top bits then added without carry.
        run[i] =
            (((p & 0x7F7F7F) + (colour & 0x7F7F7F)) ^ ((p ^ colour) & 0x808080)) & ChannelsOnly;
    }
}

std::uint32_t* SpanStart(unsigned char* base, long pitch, int y, int left)
{
    return reinterpret_cast<std::uint32_t*>(base + y * pitch) + left;
}

void AddToSpansPortable(unsigned char* base, long pitch, const int* left, const int* right,
                        int first, int last, std::uint32_t colour)
{
    for (int y = first; y <= last; ++y)
    {
        if (left[y] < right[y])
            AddToRunPortable(SpanStart(base, pitch, y, left[y]), right[y] - left[y], colour);
    }
}

void WeighRowPortable(const std::uint32_t* in, int count, const ChannelWeight& weight,
                      std::uint32_t* out)
{
    const std::int16_t* const t = weight.table + 255;
    for (int i = 0; i < count; ++i)
    {
        const std::uint32_t p = in[i];
        out[i] = static_cast<std::uint32_t>(t[Channel(p, 16)]) << 16 |
                 static_cast<std::uint32_t>(t[Channel(p, 8)]) << 8 |
                 static_cast<std::uint32_t>(t[Channel(p, 0)]);
    }
}

void BlendRowPortable(const std::uint32_t* first, const std::uint32_t* second, int count,
                      const ChannelWeight& weight, std::uint32_t* out)
{
    const std::int16_t* const t = weight.table + 255;
    for (int i = 0; i < count; ++i)
    {
        std::uint32_t mixed = 0;
        for (int shift = 16; shift >= 0; shift -= 8)
        {
            const int a = static_cast<int>(Channel(first[i], shift));
            const int s = static_cast<int>(Channel(second[i], shift));
            mixed |= static_cast<std::uint32_t>(s + t[a - s]) << shift;
        }
        out[i] = mixed;
    }
}

void AddBytesSaturatingPortable(unsigned char* field, long fieldStride, const unsigned char* add,
                                long addStride, int count, int lines, unsigned char ceiling)
{
    for (int k = 0; k < lines; ++k)
    {
        for (int i = 0; i < count; ++i)
        {
            unsigned char& f = field[k * fieldStride + i];
            const int sum = f + add[k * addStride + i];
            f = static_cast<unsigned char>(sum <= ceiling ? sum : ceiling);
        }
    }
}

void BlueFromColumnsPortable(const unsigned char* first, long columnStride, int columns, int rows,
                             std::uint32_t* out, long outStride)
{
    // Column by column: each is read straight through, and the rows written stay in the cache.
    for (int x = 0; x < columns; ++x)
    {
        for (int y = 0; y < rows; ++y)
            out[y * outStride + x] = first[x * columnStride + y];
    }
}

#if defined(PIXEL_KERNELS_SSE2)

// SSE2 forms.

void DoubleRowSse2(const std::uint32_t* in, int count, std::uint32_t* out)
{
    int i = 0;
    for (; i + 4 <= count; i += 4)
    {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * i), _mm_unpacklo_epi32(v, v));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * i + 4), _mm_unpackhi_epi32(v, v));
    }
    for (; i < count; ++i)
        out[2 * i] = out[2 * i + 1] = in[i];
}

void AddToSpansSse2(unsigned char* base, long pitch, const int* left, const int* right, int first,
                    int last, std::uint32_t colour)
{
    const __m128i add = _mm_set1_epi32(static_cast<int>(colour));
    const __m128i keep = _mm_set1_epi32(ChannelsOnly);
    for (int y = first; y <= last; ++y)
    {
        std::uint32_t* const run = SpanStart(base, pitch, y, left[y]);
        const int count = right[y] - left[y];
        int i = 0;
        for (; i + 4 <= count; i += 4)
        {
            auto* p = reinterpret_cast<__m128i*>(run + i);
            _mm_storeu_si128(p, _mm_and_si128(_mm_add_epi8(_mm_loadu_si128(p), add), keep));
        }
        AddToRunPortable(run + i, count - i, colour);
    }
}

// floor(x * m / 2^31) in 16-bit lanes for x in 0 .. 255 and m = mh * 2^16 + ml <= 2^31. With
// P = x * mh = phi * 2^16 + plo and q = floor(x * ml / 2^16), the result is
// floor((P + q) / 2^15) = 2 * phi + plo / 2^15 + ((plo mod 2^15) + q) / 2^15, every sum exact in
// 16 bits (the fraction dropped from q cannot reach the next multiple of 2^15).
__m128i ScaleLanes(__m128i x, __m128i mh, __m128i ml)
{
    const __m128i phi = _mm_mulhi_epu16(x, mh);
    const __m128i plo = _mm_mullo_epi16(x, mh);
    const __m128i q = _mm_mulhi_epu16(x, ml);
    const __m128i low = _mm_and_si128(plo, _mm_set1_epi16(0x7FFF));
    const __m128i r = _mm_add_epi16(_mm_add_epi16(phi, phi), _mm_srli_epi16(plo, 15));
    return _mm_add_epi16(r, _mm_srli_epi16(_mm_add_epi16(low, q), 15));
}

// s + sign(d) * floor(|d| * m / 2^31) with d = a - s, in 16-bit lanes.
__m128i BlendLanes(__m128i a, __m128i s, __m128i mh, __m128i ml)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i d = _mm_sub_epi16(a, s);
    const __m128i negative = _mm_cmpgt_epi16(zero, d);
    const __m128i t = ScaleLanes(_mm_max_epi16(d, _mm_sub_epi16(zero, d)), mh, ml);
    return _mm_add_epi16(s, _mm_sub_epi16(_mm_xor_si128(t, negative), negative));
}

void WeighRowSse2(const std::uint32_t* in, int count, const ChannelWeight& weight,
                  std::uint32_t* out)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i keep = _mm_set1_epi32(ChannelsOnly);
    const __m128i mh = _mm_set1_epi16(static_cast<short>(weight.fixed >> 16));
    const __m128i ml = _mm_set1_epi16(static_cast<short>(weight.fixed & 0xFFFF));
    int i = 0;
    for (; i + 4 <= count; i += 4)
    {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
        const __m128i lo = ScaleLanes(_mm_unpacklo_epi8(v, zero), mh, ml);
        const __m128i hi = ScaleLanes(_mm_unpackhi_epi8(v, zero), mh, ml);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i),
                         _mm_and_si128(_mm_packus_epi16(lo, hi), keep));
    }
    WeighRowPortable(in + i, count - i, weight, out + i);
}

void BlendRowSse2(const std::uint32_t* first, const std::uint32_t* second, int count,
                  const ChannelWeight& weight, std::uint32_t* out)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i keep = _mm_set1_epi32(ChannelsOnly);
    const __m128i mh = _mm_set1_epi16(static_cast<short>(weight.fixed >> 16));
    const __m128i ml = _mm_set1_epi16(static_cast<short>(weight.fixed & 0xFFFF));
    int i = 0;
    for (; i + 4 <= count; i += 4)
    {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(first + i));
        const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(second + i));
        const __m128i lo =
            BlendLanes(_mm_unpacklo_epi8(a, zero), _mm_unpacklo_epi8(s, zero), mh, ml);
        const __m128i hi =
            BlendLanes(_mm_unpackhi_epi8(a, zero), _mm_unpackhi_epi8(s, zero), mh, ml);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i),
                         _mm_and_si128(_mm_packus_epi16(lo, hi), keep));
    }
    BlendRowPortable(first + i, second + i, count - i, weight, out + i);
}

void AddBytesSaturatingSse2(unsigned char* field, long fieldStride, const unsigned char* add,
                            long addStride, int count, int lines, unsigned char ceiling)
{
    // min(f + a saturated at 255, ceiling) = min(f + a, ceiling), since ceiling <= 255.
    const __m128i top = _mm_set1_epi8(static_cast<char>(ceiling));
    const int whole = count - count % 16;
    for (int k = 0; k < lines; ++k)
    {
        unsigned char* const run = field + k * fieldStride;
        const unsigned char* const more = add + k * addStride;
        for (int i = 0; i < whole; i += 16)
        {
            auto* f = reinterpret_cast<__m128i*>(run + i);
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(more + i));
            _mm_storeu_si128(f, _mm_min_epu8(_mm_adds_epu8(_mm_loadu_si128(f), a), top));
        }
        AddBytesSaturatingPortable(run + whole, 0, more + whole, 0, count - whole, 1, ceiling);
    }
}

// Four columns and eight rows at a time: the columns' 8 bytes interleaved into one 4-byte group
// per row, each group then widened byte by byte into four pixels. The rows of four columns are
// done before the next four, so that each column is read straight through.
void BlueFromColumnsSse2(const unsigned char* first, long columnStride, int columns, int rows,
                         std::uint32_t* out, long outStride)
{
    const __m128i zero = _mm_setzero_si128();
    int x = 0;
    for (; x + 4 <= columns; x += 4)
    {
        for (int y = 0; y < rows; y += 8)
        {
            const unsigned char* c = first + x * columnStride + y;
            const auto load = [&](int k)
            { return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(c + k * columnStride)); };
            const __m128i ab = _mm_unpacklo_epi8(load(0), load(1));
            const __m128i cd = _mm_unpacklo_epi8(load(2), load(3));
            const __m128i groups[2] = {_mm_unpacklo_epi16(ab, cd), _mm_unpackhi_epi16(ab, cd)};
            for (int half = 0; half < 2; ++half)
            {
                const __m128i pairs[2] = {_mm_unpacklo_epi8(groups[half], zero),
                                          _mm_unpackhi_epi8(groups[half], zero)};
                for (int k = 0; k < 2; ++k)
                {
                    std::uint32_t* o = out + (y + 4 * half + 2 * k) * outStride + x;
                    _mm_storeu_si128(reinterpret_cast<__m128i*>(o),
                                     _mm_unpacklo_epi16(pairs[k], zero));
                    _mm_storeu_si128(reinterpret_cast<__m128i*>(o + outStride),
                                     _mm_unpackhi_epi16(pairs[k], zero));
                }
            }
        }
    }
    BlueFromColumnsPortable(first + x * columnStride, columnStride, columns - x, rows, out + x,
                            outStride);
}

#endif

#if defined(PIXEL_KERNELS_X86)

// AVX2 forms. Each clears the upper halves of the vector registers before it hands over to
// other code: SSE2 code after it would otherwise run slower.

// Eight outputs at a time. When their columns lie within 8 of the first (always, in an
// enlargement) one load and a permutation of it give them; within 16 (a shrinking by up to
// about 2), two loads, a permutation of each and a choice between the two; otherwise a gather.
__attribute__((target("avx2"))) void GatherRowAvx2(const std::uint32_t* in, int inCount,
                                                   const std::uint16_t* columns, int count,
                                                   std::uint32_t* out)
{
    const __m256i seven = _mm256_set1_epi32(7);
    int i = 0;
    for (; i + 8 <= count; i += 8)
    {
        const __m256i at =
            _mm256_cvtepu16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(columns + i)));
        const int from = columns[i];
        const int reach = columns[i + 7] - from;
        const __m256i offset = _mm256_sub_epi32(at, _mm256_set1_epi32(from));
        __m256i v;
        if (reach < 8 && from + 8 <= inCount)
        {
            v = _mm256_permutevar8x32_epi32(
                _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + from)), offset);
        }
        else if (reach < 16 && from + 16 <= inCount)
        {
            // The permutation reads the low three bits of each offset; offsets above 7 take
            // the second eight.
            const __m256i near = _mm256_permutevar8x32_epi32(
                _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + from)), offset);
            const __m256i far = _mm256_permutevar8x32_epi32(
                _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + from + 8)), offset);
            v = _mm256_blendv_epi8(near, far, _mm256_cmpgt_epi32(offset, seven));
        }
        else
            v = _mm256_i32gather_epi32(reinterpret_cast<const int*>(in), at, 4);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), v);
    }
    _mm256_zeroupper();
    GatherRowPortable(in, inCount, columns + i, count - i, out + i);
}

// The planned groups as one load and one permutation each.
__attribute__((target("avx2"))) void
GatherPlannedRowAvx2(const std::uint32_t* in, const GatherPlan& plan, std::uint32_t* out)
{
    for (int g = 0; g < plan.planned; ++g)
    {
        const __m256i window =
            _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + plan.first[g]));
        const __m256i offsets =
            _mm256_loadu_si256(reinterpret_cast<const __m256i*>(plan.offsets + 8 * g));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 8 * g),
                            _mm256_permutevar8x32_epi32(window, offsets));
    }
    const int done = 8 * plan.planned;
    GatherRowAvx2(in, plan.inCount, plan.columns + done, plan.count - done, out + done);
}

// Eight pixels at a time.
__attribute__((target("avx2"))) void AddToSpansAvx2(unsigned char* base, long pitch,
                                                    const int* left, const int* right, int first,
                                                    int last, std::uint32_t colour)
{
    const __m256i add = _mm256_set1_epi32(static_cast<int>(colour));
    const __m256i keep = _mm256_set1_epi32(ChannelsOnly);
    for (int y = first; y <= last; ++y)
    {
        std::uint32_t* const run = SpanStart(base, pitch, y, left[y]);
        const int count = right[y] - left[y];
        int i = 0;
        for (; i + 8 <= count; i += 8)
        {
            auto* p = reinterpret_cast<__m256i*>(run + i);
            _mm256_storeu_si256(
                p, _mm256_and_si256(_mm256_add_epi8(_mm256_loadu_si256(p), add), keep));
        }
        AddToRunPortable(run + i, count - i, colour);
    }
    _mm256_zeroupper();
}

__attribute__((target("avx2"))) __m256i ScaleLanesAvx2(__m256i x, __m256i mh, __m256i ml)
{
    const __m256i phi = _mm256_mulhi_epu16(x, mh);
    const __m256i plo = _mm256_mullo_epi16(x, mh);
    const __m256i q = _mm256_mulhi_epu16(x, ml);
    const __m256i low = _mm256_and_si256(plo, _mm256_set1_epi16(0x7FFF));
    const __m256i r = _mm256_add_epi16(_mm256_add_epi16(phi, phi), _mm256_srli_epi16(plo, 15));
    return _mm256_add_epi16(r, _mm256_srli_epi16(_mm256_add_epi16(low, q), 15));
}

__attribute__((target("avx2"))) __m256i BlendLanesAvx2(__m256i a, __m256i s, __m256i mh, __m256i ml)
{
    const __m256i zero = _mm256_setzero_si256();
    const __m256i d = _mm256_sub_epi16(a, s);
    const __m256i negative = _mm256_cmpgt_epi16(zero, d);
    const __m256i t = ScaleLanesAvx2(_mm256_abs_epi16(d), mh, ml);
    return _mm256_add_epi16(s, _mm256_sub_epi16(_mm256_xor_si256(t, negative), negative));
}

// The SSE2 forms on eight pixels at a time; unpacking and packing work within 128-bit halves,
// so the pixels come back in their order.
__attribute__((target("avx2"))) void WeighRowAvx2(const std::uint32_t* in, int count,
                                                  const ChannelWeight& weight, std::uint32_t* out)
{
    const __m256i zero = _mm256_setzero_si256();
    const __m256i keep = _mm256_set1_epi32(ChannelsOnly);
    const __m256i mh = _mm256_set1_epi16(static_cast<short>(weight.fixed >> 16));
    const __m256i ml = _mm256_set1_epi16(static_cast<short>(weight.fixed & 0xFFFF));
    int i = 0;
    for (; i + 8 <= count; i += 8)
    {
        const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + i));
        const __m256i lo = ScaleLanesAvx2(_mm256_unpacklo_epi8(v, zero), mh, ml);
        const __m256i hi = ScaleLanesAvx2(_mm256_unpackhi_epi8(v, zero), mh, ml);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i),
                            _mm256_and_si256(_mm256_packus_epi16(lo, hi), keep));
    }
    _mm256_zeroupper();
    WeighRowSse2(in + i, count - i, weight, out + i);
}

__attribute__((target("avx2"))) void BlendRowAvx2(const std::uint32_t* first,
                                                  const std::uint32_t* second, int count,
                                                  const ChannelWeight& weight, std::uint32_t* out)
{
    const __m256i zero = _mm256_setzero_si256();
    const __m256i keep = _mm256_set1_epi32(ChannelsOnly);
    const __m256i mh = _mm256_set1_epi16(static_cast<short>(weight.fixed >> 16));
    const __m256i ml = _mm256_set1_epi16(static_cast<short>(weight.fixed & 0xFFFF));
    int i = 0;
    for (; i + 8 <= count; i += 8)
    {
        const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(first + i));
        const __m256i s = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(second + i));
        const __m256i lo =
            BlendLanesAvx2(_mm256_unpacklo_epi8(a, zero), _mm256_unpacklo_epi8(s, zero), mh, ml);
        const __m256i hi =
            BlendLanesAvx2(_mm256_unpackhi_epi8(a, zero), _mm256_unpackhi_epi8(s, zero), mh, ml);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i),
                            _mm256_and_si256(_mm256_packus_epi16(lo, hi), keep));
    }
    _mm256_zeroupper();
    BlendRowSse2(first + i, second + i, count - i, weight, out + i);
}

#elif defined(PIXEL_KERNELS_WASM)

// WebAssembly forms. The planned gather by byte shuffles: i8x16.swizzle picks bytes of one vector
// by index and gives 0 for an index of 16 or more, so the bytes of eight source pixels, in two
// vectors lo and hi, are picked as swizzle(lo, k) | swizzle(hi, k - 16) for byte indices k of
// 0 .. 31: the index out of one vector's range is 0 in the other's term.

// Byte indices of the four pixels at pixel offsets o (each below 8) in a window of eight:
// 4 * o + 0 .. 3 in the bytes of each 32-bit lane, 4 * o spread over its lane by a shuffle.
v128_t PixelBytes(v128_t offsets)
{
    const v128_t spread =
        wasm_i8x16_swizzle(wasm_i32x4_shl(offsets, 2),
                           wasm_i8x16_const(0, 0, 0, 0, 4, 4, 4, 4, 8, 8, 8, 8, 12, 12, 12, 12));
    return wasm_i8x16_add(spread, wasm_i8x16_const(0, 1, 2, 3, 0, 1, 2, 3, 0, 1, 2, 3, 0, 1, 2, 3));
}

v128_t PickFromWindow(v128_t lo, v128_t hi, v128_t bytes)
{
    return wasm_v128_or(wasm_i8x16_swizzle(lo, bytes),
                        wasm_i8x16_swizzle(hi, wasm_i8x16_sub(bytes, wasm_i8x16_splat(16))));
}

// The planned groups of eight: one window of eight source pixels each, or of four where the
// group reaches no further (an enlargement by 2 or more), one shuffle of one vector then.
void GatherPlannedRowWasm(const std::uint32_t* in, const GatherPlan& plan, std::uint32_t* out)
{
    for (int g = 0; g < plan.planned; ++g)
    {
        const std::uint32_t* window = in + plan.first[g];
        const std::int32_t* offsets = plan.offsets + 8 * g;
        const v128_t low = PixelBytes(wasm_v128_load(offsets));
        const v128_t high = PixelBytes(wasm_v128_load(offsets + 4));
        const v128_t lo = wasm_v128_load(window);
        if (offsets[7] < 4)
        {
            wasm_v128_store(out + 8 * g, wasm_i8x16_swizzle(lo, low));
            wasm_v128_store(out + 8 * g + 4, wasm_i8x16_swizzle(lo, high));
        }
        else
        {
            const v128_t hi = wasm_v128_load(window + 4);
            wasm_v128_store(out + 8 * g, PickFromWindow(lo, hi, low));
            wasm_v128_store(out + 8 * g + 4, PickFromWindow(lo, hi, high));
        }
    }
    const int done = 8 * plan.planned;
    GatherRowPortable(in, plan.inCount, plan.columns + done, plan.count - done, out + done);
}

// t of eight 16-bit lanes x of 0 .. 255, with fixed = mh * 2^16 + ml (mh, ml in every lane):
// floor(x * fixed / 2^31) = (x * mh + (x * ml >> 16)) >> 15, as in ScaleLanes, the products
// formed whole in 32-bit lanes by widening multiplications (every sum stays below 2^24). Shifts
// by constant counts: a count in a variable costs far more in browsers.
v128_t ScaleLanesWasm(v128_t x, v128_t mh, v128_t ml)
{
    const v128_t lo = wasm_i32x4_add(wasm_u32x4_extmul_low_u16x8(x, mh),
                                     wasm_u32x4_shr(wasm_u32x4_extmul_low_u16x8(x, ml), 16));
    const v128_t hi = wasm_i32x4_add(wasm_u32x4_extmul_high_u16x8(x, mh),
                                     wasm_u32x4_shr(wasm_u32x4_extmul_high_u16x8(x, ml), 16));
    return wasm_u16x8_narrow_i32x4(wasm_u32x4_shr(lo, 15), wasm_u32x4_shr(hi, 15));
}

// s + sign(d) * t(|d|) with d = a - s, in 16-bit lanes.
v128_t BlendLanesWasm(v128_t a, v128_t s, v128_t mh, v128_t ml)
{
    const v128_t d = wasm_i16x8_sub(a, s);
    const v128_t negative = wasm_i16x8_shr(d, 15);
    const v128_t t = ScaleLanesWasm(wasm_i16x8_abs(d), mh, ml);
    return wasm_i16x8_add(s, wasm_i16x8_sub(wasm_v128_xor(t, negative), negative));
}

void WeighRowWasm(const std::uint32_t* in, int count, const ChannelWeight& weight,
                  std::uint32_t* out)
{
    const v128_t mh = wasm_i16x8_splat(static_cast<std::int16_t>(weight.fixed >> 16));
    const v128_t ml = wasm_i16x8_splat(static_cast<std::int16_t>(weight.fixed & 0xFFFF));
    const v128_t keep = wasm_i32x4_splat(ChannelsOnly);
    int i = 0;
    for (; i + 4 <= count; i += 4)
    {
        const v128_t v = wasm_v128_load(in + i);
        const v128_t lo = ScaleLanesWasm(wasm_u16x8_extend_low_u8x16(v), mh, ml);
        const v128_t hi = ScaleLanesWasm(wasm_u16x8_extend_high_u8x16(v), mh, ml);
        wasm_v128_store(out + i, wasm_v128_and(wasm_u8x16_narrow_i16x8(lo, hi), keep));
    }
    WeighRowPortable(in + i, count - i, weight, out + i);
}

void BlendRowWasm(const std::uint32_t* first, const std::uint32_t* second, int count,
                  const ChannelWeight& weight, std::uint32_t* out)
{
    const v128_t mh = wasm_i16x8_splat(static_cast<std::int16_t>(weight.fixed >> 16));
    const v128_t ml = wasm_i16x8_splat(static_cast<std::int16_t>(weight.fixed & 0xFFFF));
    const v128_t keep = wasm_i32x4_splat(ChannelsOnly);
    int i = 0;
    for (; i + 4 <= count; i += 4)
    {
        const v128_t a = wasm_v128_load(first + i);
        const v128_t s = wasm_v128_load(second + i);
        const v128_t lo =
            BlendLanesWasm(wasm_u16x8_extend_low_u8x16(a), wasm_u16x8_extend_low_u8x16(s), mh, ml);
        const v128_t hi = BlendLanesWasm(wasm_u16x8_extend_high_u8x16(a),
                                         wasm_u16x8_extend_high_u8x16(s), mh, ml);
        wasm_v128_store(out + i, wasm_v128_and(wasm_u8x16_narrow_i16x8(lo, hi), keep));
    }
    BlendRowPortable(first + i, second + i, count - i, weight, out + i);
}

// Level 2 is these where they exist, the SSE2 forms elsewhere. A gather without a plan stays
// one pixel at a time: the shuffles cost more than they save when the columns change per call.
constexpr auto GatherRowAvx2 = GatherRowPortable;
constexpr auto GatherPlannedRowAvx2 = GatherPlannedRowWasm;
constexpr auto AddToSpansAvx2 = AddToSpansSse2;
constexpr auto WeighRowAvx2 = WeighRowWasm;
constexpr auto BlendRowAvx2 = BlendRowWasm;

#endif

#if !defined(PIXEL_KERNELS_SSE2)

// Other processors run the portable forms at every level.
constexpr auto DoubleRowSse2 = DoubleRowPortable;
constexpr auto AddToSpansSse2 = AddToSpansPortable;
constexpr auto WeighRowSse2 = WeighRowPortable;
constexpr auto BlendRowSse2 = BlendRowPortable;
constexpr auto AddBytesSaturatingSse2 = AddBytesSaturatingPortable;
constexpr auto BlueFromColumnsSse2 = BlueFromColumnsPortable;
constexpr auto GatherRowAvx2 = GatherRowPortable;
void GatherPlannedRowAvx2(const std::uint32_t* in, const GatherPlan& plan, std::uint32_t* out)
{
    GatherRowPortable(in, plan.inCount, plan.columns, plan.count, out);
}
constexpr auto AddToSpansAvx2 = AddToSpansPortable;
constexpr auto WeighRowAvx2 = WeighRowPortable;
constexpr auto BlendRowAvx2 = BlendRowPortable;

#endif

} // namespace

void FillRow(std::uint32_t* out, int count, std::uint32_t pixel)
{
    // A pixel of four equal bytes (black above all) is a byte fill.
    if (pixel == (pixel & 0xFF) * 0x01010101u)
        std::memset(out, static_cast<int>(pixel & 0xFF), static_cast<std::size_t>(count) * 4);
    else
    {
        for (int i = 0; i < count; ++i)
            out[i] = pixel;
    }
}

void DoubleRow(const std::uint32_t* in, int count, std::uint32_t* out)
{
    (PixelKernelLevel >= 1 ? DoubleRowSse2 : DoubleRowPortable)(in, count, out);
}

void GatherRow(const std::uint32_t* in, int inCount, const std::uint16_t* columns, int count,
               std::uint32_t* out)
{
    (PixelKernelLevel >= 2 ? GatherRowAvx2 : GatherRowPortable)(in, inCount, columns, count, out);
}

void PlanGather(const std::uint16_t* columns, int inCount, int count, GatherPlan& plan)
{
    plan.columns = columns;
    plan.inCount = inCount;
    plan.count = count;
    plan.planned = 0;
    for (int g = 0; g < count / 8 && g < MostPlannedGroups; ++g)
    {
        const int first = columns[8 * g];
        if (columns[8 * g + 7] - first >= 8 || first + 8 > inCount)
            break;
        plan.first[g] = first;
        for (int k = 0; k < 8; ++k)
            plan.offsets[8 * g + k] = columns[8 * g + k] - first;
        plan.planned = g + 1;
    }
}

void GatherRow(const std::uint32_t* in, const GatherPlan& plan, std::uint32_t* out)
{
    if (PixelKernelLevel >= 2)
        GatherPlannedRowAvx2(in, plan, out);
    else
        GatherRowPortable(in, plan.inCount, plan.columns, plan.count, out);
}

void AddToSpans(unsigned char* base, long pitch, const int* left, const int* right, int first,
                int last, std::uint32_t colour)
{
    (PixelKernelLevel >= 2   ? AddToSpansAvx2
     : PixelKernelLevel >= 1 ? AddToSpansSse2
                             : AddToSpansPortable)(base, pitch, left, right, first, last, colour);
}

void SetChannelWeight(ChannelWeight& weight, float w)
{
    for (int d = -255; d <= 255; ++d)
        weight.table[d + 255] = static_cast<std::int16_t>(static_cast<int>(d * double{w}));
    weight.fixed = static_cast<std::uint32_t>(double{w} * 2147483648.0);
    weight.fixedAgrees = true;
    for (int d = -255; d <= 255; ++d)
    {
        const std::uint64_t magnitude = static_cast<std::uint64_t>(d < 0 ? -d : d);
        const auto t = static_cast<int>((magnitude * weight.fixed) >> 31);
        weight.fixedAgrees = weight.fixedAgrees && weight.table[d + 255] == (d < 0 ? -t : t);
    }
}

void WeighRow(const std::uint32_t* in, int count, const ChannelWeight& weight, std::uint32_t* out)
{
    const int level = weight.fixedAgrees ? PixelKernelLevel : 0;
    (level >= 2   ? WeighRowAvx2
     : level >= 1 ? WeighRowSse2
                  : WeighRowPortable)(in, count, weight, out);
}

void BlendRow(const std::uint32_t* first, const std::uint32_t* second, int count,
              const ChannelWeight& weight, std::uint32_t* out)
{
    const int level = weight.fixedAgrees ? PixelKernelLevel : 0;
    (level >= 2   ? BlendRowAvx2
     : level >= 1 ? BlendRowSse2
                  : BlendRowPortable)(first, second, count, weight, out);
}

void AddBytesSaturating(unsigned char* field, long fieldStride, const unsigned char* add,
                        long addStride, int count, int lines, unsigned char ceiling)
{
    (PixelKernelLevel >= 1 ? AddBytesSaturatingSse2 : AddBytesSaturatingPortable)(
        field, fieldStride, add, addStride, count, lines, ceiling);
}

void BlueFromColumns(const unsigned char* first, long columnStride, int columns, int rows,
                     std::uint32_t* out, long outStride)
{
    (PixelKernelLevel >= 1 ? BlueFromColumnsSse2 : BlueFromColumnsPortable)(
        first, columnStride, columns, rows, out, outStride);
}
