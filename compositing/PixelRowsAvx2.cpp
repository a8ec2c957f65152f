#include "PixelRows.h"

// Built for generic x86-64: only these functions use AVX2, and only after the processor said
// it has it.
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define PIXELROWS_HAVE_AVX2 1
#include <immintrin.h>
#endif

#include <cstdint>

namespace PixelRows {

#ifdef PIXELROWS_HAVE_AVX2

namespace {

#define PIXELROWS_AVX2 __attribute__((target("avx2")))

PIXELROWS_AVX2 inline __m256i load(const std::uint32_t *p)
{
    return _mm256_loadu_si256(reinterpret_cast<const __m256i *>(p));
}

PIXELROWS_AVX2 inline __m256i load(const std::int32_t *p)
{
    return _mm256_loadu_si256(reinterpret_cast<const __m256i *>(p));
}

PIXELROWS_AVX2 inline void store(std::uint32_t *p, __m256i v)
{
    _mm256_storeu_si256(reinterpret_cast<__m256i *>(p), v);
}

// Eight pixels of a and b blended byte by byte. The weights are the unsigned operand of
// maddubs, the pixels (moved to -128..127) the signed one, so a weight of 128 fits:
// w0 * (a - 128) + w1 * (b - 128) + 128 * 128 + 64 = w0 * a + w1 * b + 64, within 16 bits.
// weightsLo holds the byte pairs (w0, w1) of pixels 0, 1, 4 and 5, weightsHi those of 2, 3, 6
// and 7, the order unpacklo/unpackhi leave them in.
PIXELROWS_AVX2 inline __m256i blend8(__m256i a, __m256i b, __m256i weightsLo, __m256i weightsHi)
{
    const __m256i flip = _mm256_set1_epi8(char(0x80));
    const __m256i bias = _mm256_set1_epi16(128 * 128 + 64);
    a = _mm256_xor_si256(a, flip);
    b = _mm256_xor_si256(b, flip);
    __m256i lo = _mm256_maddubs_epi16(weightsLo, _mm256_unpacklo_epi8(a, b));
    __m256i hi = _mm256_maddubs_epi16(weightsHi, _mm256_unpackhi_epi8(a, b));
    lo = _mm256_srli_epi16(_mm256_add_epi16(lo, bias), 7);
    hi = _mm256_srli_epi16(_mm256_add_epi16(hi, bias), 7);
    return _mm256_packus_epi16(lo, hi);
}

// Rows blended with one fraction of 1..127: both weights fit maddubs's signed operand, so the
// pixels go in as they are.
PIXELROWS_AVX2 inline __m256i interpolate8(const std::uint32_t *row0, const std::uint32_t *row1,
                                           __m256i weights, __m256i alpha)
{
    const __m256i round = _mm256_set1_epi16(64);
    const __m256i a = load(row0);
    const __m256i b = load(row1);
    __m256i lo = _mm256_maddubs_epi16(_mm256_unpacklo_epi8(a, b), weights);
    __m256i hi = _mm256_maddubs_epi16(_mm256_unpackhi_epi8(a, b), weights);
    lo = _mm256_srli_epi16(_mm256_add_epi16(lo, round), 7);
    hi = _mm256_srli_epi16(_mm256_add_epi16(hi, round), 7);
    return _mm256_or_si256(_mm256_packus_epi16(lo, hi), alpha);
}

PIXELROWS_AVX2 void interpolate(std::uint32_t *dst, const std::uint32_t *row0,
                                const std::uint32_t *row1, int width, int fraction,
                                std::uint32_t orMask, bool streaming)
{
    const __m256i weights = _mm256_set1_epi16(short((128 - fraction) | (fraction << 8)));
    const __m256i alpha = _mm256_set1_epi32(int(orMask));
    // Whole 32-byte stores that never straddle a cache line.
    int i = 0;
    for (; i < width && (reinterpret_cast<std::uintptr_t>(dst + i) & 31) != 0; ++i)
        dst[i] = blend(row0[i], row1[i], std::uint32_t(fraction)) | orMask;
    if (streaming) {
        for (; i + 16 <= width; i += 16) {
            const __m256i first = interpolate8(row0 + i, row1 + i, weights, alpha);
            const __m256i second = interpolate8(row0 + i + 8, row1 + i + 8, weights, alpha);
            _mm256_stream_si256(reinterpret_cast<__m256i *>(dst + i), first);
            _mm256_stream_si256(reinterpret_cast<__m256i *>(dst + i + 8), second);
        }
        for (; i + 8 <= width; i += 8)
            _mm256_stream_si256(reinterpret_cast<__m256i *>(dst + i),
                                interpolate8(row0 + i, row1 + i, weights, alpha));
        _mm_sfence();
    } else {
        for (; i + 16 <= width; i += 16) {
            const __m256i first = interpolate8(row0 + i, row1 + i, weights, alpha);
            const __m256i second = interpolate8(row0 + i + 8, row1 + i + 8, weights, alpha);
            store(dst + i, first);
            store(dst + i + 8, second);
        }
        for (; i + 8 <= width; i += 8)
            store(dst + i, interpolate8(row0 + i, row1 + i, weights, alpha));
    }
    for (; i < width; ++i)
        dst[i] = blend(row0[i], row1[i], std::uint32_t(fraction)) | orMask;
}

PIXELROWS_AVX2 void copy(std::uint32_t *dst, const std::uint32_t *src, int width,
                         std::uint32_t orMask, bool streaming)
{
    const __m256i alpha = _mm256_set1_epi32(int(orMask));
    int i = 0;
    if (streaming) {
        for (; i < width && (reinterpret_cast<std::uintptr_t>(dst + i) & 31) != 0; ++i)
            dst[i] = src[i] | orMask;
        for (; i + 8 <= width; i += 8)
            _mm256_stream_si256(reinterpret_cast<__m256i *>(dst + i),
                                _mm256_or_si256(load(src + i), alpha));
        _mm_sfence();
    } else {
        for (; i + 8 <= width; i += 8)
            store(dst + i, _mm256_or_si256(load(src + i), alpha));
    }
    for (; i < width; ++i)
        dst[i] = src[i] | orMask;
}

// Pixels window[index[k]] for index[k] < 8 * Blocks: one permute per block of eight.
template<int Blocks>
PIXELROWS_AVX2 inline __m256i fromBlocks(const std::uint32_t *window, __m256i index)
{
    __m256i out = _mm256_permutevar8x32_epi32(load(window), index);
    for (int block = 1; block < Blocks; ++block) {
        const __m256i part = _mm256_permutevar8x32_epi32(load(window + 8 * block), index);
        const __m256i inPart = _mm256_cmpgt_epi32(index, _mm256_set1_epi32(8 * block - 1));
        out = _mm256_blendv_epi8(out, part, inPart);
    }
    return out;
}

// The source pixels (pair) of output pixels x..x+7: read as blocks where the taps allow, else
// gathered one by one.
template<bool Pair>
PIXELROWS_AVX2 inline void sourcePixels(const std::uint32_t *src, const Columns &columns, int x,
                                        __m256i *a, __m256i *b)
{
    const __m256i first = load(columns.first + x);
    const int left = columns.first[x];
    const __m256i index = _mm256_sub_epi32(first, _mm256_set1_epi32(left));
    switch (columns.blocks[x / 8]) {
    case 1:
        *a = fromBlocks<1>(src + left, index);
        if (Pair)
            *b = fromBlocks<1>(src + left + 1, index);
        return;
    case 2:
        *a = fromBlocks<2>(src + left, index);
        if (Pair)
            *b = fromBlocks<2>(src + left + 1, index);
        return;
    case 3:
        *a = fromBlocks<3>(src + left, index);
        if (Pair)
            *b = fromBlocks<3>(src + left + 1, index);
        return;
    default:
        *a = _mm256_i32gather_epi32(reinterpret_cast<const int *>(src), first, 4);
        if (Pair) {
            *b = _mm256_i32gather_epi32(reinterpret_cast<const int *>(src),
                                        load(columns.second + x), 4);
        }
    }
}

PIXELROWS_AVX2 void filterColumns(std::uint32_t *dst, const std::uint32_t *src,
                                  const Columns &columns, std::uint32_t orMask)
{
    const __m256i alpha = _mm256_set1_epi32(int(orMask));
    const int end = columns.count / 8 * 8;
    for (int x = 0; x < end; x += 8) {
        __m256i a;
        __m256i b;
        sourcePixels<true>(src, columns, x, &a, &b);
        const __m256i weights = load(columns.weights + x);
        const __m256i out = blend8(a, b, _mm256_unpacklo_epi32(weights, weights),
                                   _mm256_unpackhi_epi32(weights, weights));
        store(dst + x, _mm256_or_si256(out, alpha));
    }
    for (int i = end; i < columns.count; ++i) {
        const std::uint32_t fraction = (columns.weights[i] >> 8) & 0xFF;
        dst[i] = blend(src[columns.first[i]], src[columns.second[i]], fraction) | orMask;
    }
}

PIXELROWS_AVX2 void pickColumns(std::uint32_t *dst, const std::uint32_t *src,
                                const Columns &columns, std::uint32_t orMask)
{
    const __m256i alpha = _mm256_set1_epi32(int(orMask));
    const int end = columns.count / 8 * 8;
    for (int x = 0; x < end; x += 8) {
        __m256i a;
        sourcePixels<false>(src, columns, x, &a, nullptr);
        store(dst + x, _mm256_or_si256(a, alpha));
    }
    for (int i = end; i < columns.count; ++i)
        dst[i] = src[columns.first[i]] | orMask;
}

// Four pixels' colour bytes as 16-bit lanes: the watermark formula rearranged so that every
// intermediate stays within 16 bits (the result is exact for all 2^24 inputs):
// (a * d * 255) >> 8 = a * d - ceil(a * d / 256), and n / 255 = (n * 0x8081) >> 23 for n < 2^16.
PIXELROWS_AVX2 inline __m256i stamp4(__m256i d, __m256i s, __m256i a)
{
    const __m256i c255 = _mm256_set1_epi16(255);
    const __m256i ad = _mm256_mullo_epi16(a, d);
    const __m256i t = _mm256_sub_epi16(ad, _mm256_srli_epi16(_mm256_add_epi16(ad, c255), 8));
    const __m256i n = _mm256_sub_epi16(
        _mm256_add_epi16(_mm256_mullo_epi16(s, a), _mm256_mullo_epi16(d, c255)), t);
    return _mm256_srli_epi16(_mm256_mulhi_epu16(n, _mm256_set1_epi16(short(0x8081))), 7);
}

PIXELROWS_AVX2 void stamp(std::uint32_t *dst, const std::uint32_t *mark, int width)
{
    const __m256i zero = _mm256_setzero_si256();
    const __m256i opaque = _mm256_set1_epi32(int(0xFF000000u));
    // Each pixel's alpha byte spread over its four 16-bit lanes.
    const __m256i alphaLo =
        _mm256_setr_epi8(3, -1, 3, -1, 3, -1, 3, -1, 7, -1, 7, -1, 7, -1, 7, -1, 3, -1, 3, -1, 3,
                         -1, 3, -1, 7, -1, 7, -1, 7, -1, 7, -1);
    const __m256i alphaHi =
        _mm256_setr_epi8(11, -1, 11, -1, 11, -1, 11, -1, 15, -1, 15, -1, 15, -1, 15, -1, 11, -1, 11,
                         -1, 11, -1, 11, -1, 15, -1, 15, -1, 15, -1, 15, -1);
    int i = 0;
    for (; i + 8 <= width; i += 8) {
        const __m256i d = load(dst + i);
        const __m256i s = load(mark + i);
        const __m256i lo = stamp4(_mm256_unpacklo_epi8(d, zero), _mm256_unpacklo_epi8(s, zero),
                                  _mm256_shuffle_epi8(s, alphaLo));
        const __m256i hi = stamp4(_mm256_unpackhi_epi8(d, zero), _mm256_unpackhi_epi8(s, zero),
                                  _mm256_shuffle_epi8(s, alphaHi));
        store(dst + i, _mm256_or_si256(_mm256_packus_epi16(lo, hi), opaque));
    }
    for (; i < width; ++i)
        dst[i] = stampPixel(dst[i], mark[i]);
}

bool processorHasAvx2()
{
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
}

} // namespace

const Kernels *avx2()
{
    static const Kernels kernels{interpolate, copy, filterColumns, pickColumns, stamp};
    static const bool supported = processorHasAvx2();
    return supported ? &kernels : nullptr;
}

#else

const Kernels *avx2()
{
    return nullptr;
}

#endif

} // namespace PixelRows
