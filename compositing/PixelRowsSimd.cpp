// The row kernels of PixelRows.h, once for every instruction set: Highway compiles this file
// again for each target (foreach_target.h) and the best one the processor runs is chosen at
// first use.
//
// Bytes are worked on in 16-bit lanes: the even bytes of a pixel (blue, red) and the odd ones
// (green, alpha) each get a lane of their own, so every product of two bytes fits, and the
// results go back with one shift and one or.

#include "PixelRows.h"

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "PixelRowsSimd.cpp"
#include <hwy/foreach_target.h> // must come before highway.h

#include <hwy/cache_control.h>
#include <hwy/highway.h>

HWY_BEFORE_NAMESPACE();
namespace PixelRows {
namespace HWY_NAMESPACE {

// Highway's one-lane fallback (the baseline of x86-64 builds, for processors before SSSE3)
// cannot split a pixel into 16-bit lanes: there the plain C++ forms serve.
#if HWY_TARGET == HWY_SCALAR

const Kernels *targetKernels()
{
    return &reference();
}

#else

namespace {

namespace hn = hwy::HWY_NAMESPACE;

using D32 = hn::ScalableTag<std::uint32_t>;
using D16 = hn::Repartition<std::uint16_t, D32>;
using DI32 = hn::RebindToSigned<D32>;
using V32 = hn::Vec<D32>;
using V16 = hn::Vec<D16>;

HWY_INLINE V16 evenBytes(V32 v)
{
    const D16 d16;
    return hn::And(hn::BitCast(d16, v), hn::Set(d16, 0x00FF));
}

HWY_INLINE V16 oddBytes(V32 v)
{
    return hn::ShiftRight<8>(hn::BitCast(D16(), v));
}

// Back from two sets of lanes that each hold a value of 0..255.
HWY_INLINE V32 joinBytes(V16 even, V16 odd)
{
    return hn::BitCast(D32(), hn::Or(even, hn::ShiftLeft<8>(odd)));
}

// Each pixel's alpha in both of its 16-bit lanes.
HWY_INLINE V16 alphaLanes(V32 v)
{
    const V32 alpha = hn::ShiftRight<24>(v);
    return hn::BitCast(D16(), hn::Or(alpha, hn::ShiftLeft<16>(alpha)));
}

// t / 255 as Qt rounds it: (t + (t >> 8) + 0x80) >> 8, for t up to 255 * 255.
HWY_INLINE V16 divide255(V16 t)
{
    return hn::ShiftRight<8>(hn::Add(hn::Add(t, hn::ShiftRight<8>(t)), hn::Set(D16(), 0x80)));
}

HWY_INLINE V32 byteMul(V32 x, V16 a)
{
    return joinBytes(divide255(hn::Mul(evenBytes(x), a)), divide255(hn::Mul(oddBytes(x), a)));
}

// (a * (128 - f) + b * f + 64) >> 7 = a + (((b - a) * f + 64) >> 7), and with take = f << 8 the
// fixed-point product ((b - a) * take + 2^14) >> 15 is exactly that rounded term.
HWY_INLINE V16 lerpLanes(V16 a, V16 b, V16 take)
{
    const hn::RebindToSigned<D16> di16;
    const auto step =
        hn::MulFixedPoint15(hn::BitCast(di16, hn::Sub(b, a)), hn::BitCast(di16, take));
    return hn::Add(a, hn::BitCast(D16(), step));
}

HWY_INLINE V32 lerpPixels(V32 a, V32 b, V16 take)
{
    return joinBytes(lerpLanes(evenBytes(a), evenBytes(b), take),
                     lerpLanes(oddBytes(a), oddBytes(b), take));
}

// The game's scaling down is this kernel over almost every pixel of a frame. x86 has a
// multiply-add of byte pairs that does the whole weighted sum in one step: the two rows'
// bytes side by side, times (128 - f, f), then (sum + 64) >> 7 as a rounding high multiply
// by 256 and back to bytes. The sum stays below 2^15 (f is 1..127), so nothing saturates;
// unpacking and packing both work within 128-bit blocks, so the pixels come back in order.
#undef PIXELROWS_PAIRED_LERP // this file is compiled once per target
#if HWY_ARCH_X86 && HWY_TARGET <= HWY_SSSE3
#define PIXELROWS_PAIRED_LERP 1
HWY_INLINE V32 lerpRows(V32 a, V32 b, V32 weights)
{
#if HWY_TARGET <= HWY_AVX3
    const __m512i round = _mm512_set1_epi16(256);
    const __m512i lo = _mm512_maddubs_epi16(_mm512_unpacklo_epi8(a.raw, b.raw), weights.raw);
    const __m512i hi = _mm512_maddubs_epi16(_mm512_unpackhi_epi8(a.raw, b.raw), weights.raw);
    return V32{_mm512_packus_epi16(_mm512_mulhrs_epi16(lo, round), _mm512_mulhrs_epi16(hi, round))};
#elif HWY_TARGET == HWY_AVX2
    const __m256i round = _mm256_set1_epi16(256);
    const __m256i lo = _mm256_maddubs_epi16(_mm256_unpacklo_epi8(a.raw, b.raw), weights.raw);
    const __m256i hi = _mm256_maddubs_epi16(_mm256_unpackhi_epi8(a.raw, b.raw), weights.raw);
    return V32{_mm256_packus_epi16(_mm256_mulhrs_epi16(lo, round), _mm256_mulhrs_epi16(hi, round))};
#else
    const __m128i round = _mm_set1_epi16(256);
    const __m128i lo = _mm_maddubs_epi16(_mm_unpacklo_epi8(a.raw, b.raw), weights.raw);
    const __m128i hi = _mm_maddubs_epi16(_mm_unpackhi_epi8(a.raw, b.raw), weights.raw);
    return V32{_mm_packus_epi16(_mm_mulhrs_epi16(lo, round), _mm_mulhrs_epi16(hi, round))};
#endif
}
#endif

void interpolate(std::uint32_t *dst, const std::uint32_t *row0, const std::uint32_t *row1,
                 int width, int fraction, std::uint32_t orMask)
{
    const D32 d;
    const D16 d16;
    const int n = int(hn::Lanes(d));
#ifdef PIXELROWS_PAIRED_LERP
    const V32 weights =
        hn::BitCast(d, hn::Set(d16, std::uint16_t(fraction << 8 | (128 - fraction))));
#else
    const V16 take = hn::Set(d16, std::uint16_t(fraction << 8));
#endif
    const V32 alpha = hn::Set(d, orMask);
    int i = 0;
    for (; i < width && (reinterpret_cast<std::uintptr_t>(dst + i) % (std::uintptr_t(n) * 4)) != 0;
         ++i)
        dst[i] = lerp(row0[i], row1[i], std::uint32_t(fraction)) | orMask;
    for (; i + n <= width; i += n) {
#ifdef PIXELROWS_PAIRED_LERP
        const V32 out = lerpRows(hn::LoadU(d, row0 + i), hn::LoadU(d, row1 + i), weights);
#else
        const V32 out = lerpPixels(hn::LoadU(d, row0 + i), hn::LoadU(d, row1 + i), take);
#endif
        hn::StoreU(hn::Or(out, alpha), d, dst + i);
    }
    for (; i < width; ++i)
        dst[i] = lerp(row0[i], row1[i], std::uint32_t(fraction)) | orMask;
}

// The source pixels of output pixels x .. x + n - 1 (and of their right neighbours when Pair):
// where they lie within one or two vectors' worth of the source row, those are loaded and the
// pixels picked out of them; elsewhere they are gathered one by one. The right neighbour is read
// as the pixel after the left one; at the row's end the weight of that pixel is 0, and the
// windows are only used where the pixel after exists.
template<bool Pair>
HWY_INLINE void sourcePixels(const std::uint32_t *src, const Columns &columns, int x, V32 *a,
                             V32 *b)
{
    const D32 d;
    const DI32 di;
    const auto first = hn::LoadU(di, columns.first + x);
#if !HWY_HAVE_SCALABLE && HWY_TARGET != HWY_SCALAR
    const int n = int(hn::Lanes(d));
    const int left = columns.first[x];
    const int span = columns.first[x + n - 1] - left;
    const auto offsets = hn::Sub(first, hn::Set(di, left));
    if (span < n && left + n < columns.sourceWidth) {
        const auto index = hn::IndicesFromVec(d, offsets);
        *a = hn::TableLookupLanes(hn::LoadU(d, src + left), index);
        if (Pair)
            *b = hn::TableLookupLanes(hn::LoadU(d, src + left + 1), index);
        return;
    }
    if (span < 2 * n && left + 2 * n < columns.sourceWidth) {
        const auto index = hn::IndicesFromVec(d, hn::And(offsets, hn::Set(di, n - 1)));
        const auto inFirst = hn::RebindMask(d, hn::Lt(offsets, hn::Set(di, n)));
        *a = hn::IfThenElse(inFirst, hn::TableLookupLanes(hn::LoadU(d, src + left), index),
                            hn::TableLookupLanes(hn::LoadU(d, src + left + n), index));
        if (Pair) {
            *b = hn::IfThenElse(inFirst, hn::TableLookupLanes(hn::LoadU(d, src + left + 1), index),
                                hn::TableLookupLanes(hn::LoadU(d, src + left + 1 + n), index));
        }
        return;
    }
#endif
    *a = hn::GatherIndex(d, src, first);
    if (Pair)
        *b = hn::GatherIndex(d, src, hn::LoadU(di, columns.second + x));
}

void filterColumns(std::uint32_t *dst, const std::uint32_t *src, const Columns &columns,
                   std::uint32_t orMask)
{
    const D32 d;
    const D16 d16;
    const int n = int(hn::Lanes(d));
    const V32 alpha = hn::Set(d, orMask);
    int x = 0;
    for (; x + n <= columns.count; x += n) {
        V32 a;
        V32 b;
        sourcePixels<true>(src, columns, x, &a, &b);
        const V16 take = hn::ShiftLeft<8>(hn::BitCast(d16, hn::LoadU(d, columns.fractions + x)));
        const V32 out = lerpPixels(a, b, take);
        hn::StoreU(hn::Or(out, alpha), d, dst + x);
    }
    for (; x < columns.count; ++x) {
        const std::uint32_t fraction = columns.fractions[x] & 0xFF;
        dst[x] = lerp(src[columns.first[x]], src[columns.second[x]], fraction) | orMask;
    }
}

void pickColumns(std::uint32_t *dst, const std::uint32_t *src, const Columns &columns,
                 std::uint32_t orMask)
{
    const D32 d;
    const int n = int(hn::Lanes(d));
    const V32 alpha = hn::Set(d, orMask);
    int x = 0;
    for (; x + n <= columns.count; x += n) {
        V32 a;
        sourcePixels<false>(src, columns, x, &a, nullptr);
        hn::StoreU(hn::Or(a, alpha), d, dst + x);
    }
    for (; x < columns.count; ++x)
        dst[x] = src[columns.first[x]] | orMask;
}

void copy(std::uint32_t *dst, const std::uint32_t *src, int width, std::uint32_t orMask)
{
    const D32 d;
    const int n = int(hn::Lanes(d));
    const V32 alpha = hn::Set(d, orMask);
    int i = 0;
    for (; i + n <= width; i += n)
        hn::StoreU(hn::Or(hn::LoadU(d, src + i), alpha), d, dst + i);
    for (; i < width; ++i)
        dst[i] = src[i] | orMask;
}

void stream(std::uint32_t *dst, const std::uint32_t *src, int width)
{
    const D32 d;
    const int n = int(hn::Lanes(d));
    const std::uintptr_t vectorBytes = std::uintptr_t(n) * 4;
    // Streaming stores want whole aligned vectors.
    int i = 0;
    for (; i < width && (reinterpret_cast<std::uintptr_t>(dst + i) % vectorBytes) != 0; ++i)
        dst[i] = src[i];
    for (; i + n <= width; i += n)
        hn::Stream(hn::LoadU(d, src + i), d, dst + i);
    for (; i < width; ++i)
        dst[i] = src[i];
}

void fill(std::uint32_t *dst, int width, std::uint32_t value)
{
    const D32 d;
    const int n = int(hn::Lanes(d));
    const V32 v = hn::Set(d, value);
    int i = 0;
    for (; i + n <= width; i += n)
        hn::StoreU(v, d, dst + i);
    for (; i < width; ++i)
        dst[i] = value;
}

bool premultiply(std::uint32_t *dst, const std::uint32_t *src, int width)
{
    const D32 d;
    const int n = int(hn::Lanes(d));
    const V32 alphaByte = hn::Set(d, 0xFF000000u);
    V32 all = alphaByte; // the alpha bytes and-ed together
    int i = 0;
    for (; i + n <= width; i += n) {
        const V32 s = hn::LoadU(d, src + i);
        const V32 alpha = hn::And(s, alphaByte);
        all = hn::And(all, alpha);
        // A camera frame is mostly opaque: those pixels stay as they are.
        if (hn::AllTrue(d, hn::Eq(alpha, alphaByte))) {
            hn::StoreU(s, d, dst + i);
            continue;
        }
        const V32 colours = hn::AndNot(alphaByte, byteMul(s, alphaLanes(s)));
        hn::StoreU(hn::Or(colours, alpha), d, dst + i);
    }
    bool opaque = hn::AllTrue(d, hn::Eq(all, alphaByte));
    for (; i < width; ++i) {
        opaque = opaque && (src[i] >> 24) == 0xFF;
        dst[i] = premultiplyPixel(src[i]);
    }
    return opaque;
}

HWY_INLINE V32 over(V32 dst, V32 s)
{
    const V16 inverse = hn::Xor(alphaLanes(s), hn::Set(D16(), 0xFF));
    return hn::Add(s, byteMul(dst, inverse));
}

void blend(std::uint32_t *dst, const std::uint32_t *src, int width)
{
    const D32 d;
    const int n = int(hn::Lanes(d));
    const V32 alphaByte = hn::Set(d, 0xFF000000u);
    int i = 0;
    for (; i + n <= width; i += n) {
        const V32 s = hn::LoadU(d, src + i);
        // Whole vectors of clear or opaque pixels are common: nothing to do, or a copy.
        if (hn::AllTrue(d, hn::Eq(s, hn::Zero(d))))
            continue;
        if (hn::AllTrue(d, hn::Eq(hn::And(s, alphaByte), alphaByte)))
            hn::StoreU(s, d, dst + i);
        else
            hn::StoreU(over(hn::LoadU(d, dst + i), s), d, dst + i);
    }
    for (; i < width; ++i)
        dst[i] = blendPixel(dst[i], src[i]);
}

void blendAt(std::uint32_t *dst, const std::uint32_t *src, int width, int opacity)
{
    const D32 d;
    const int n = int(hn::Lanes(d));
    const V16 alpha = hn::Set(D16(), std::uint16_t(opacity));
    int i = 0;
    for (; i + n <= width; i += n) {
        const V32 s = hn::LoadU(d, src + i);
        if (hn::AllTrue(d, hn::Eq(s, hn::Zero(d))))
            continue;
        hn::StoreU(over(hn::LoadU(d, dst + i), byteMul(s, alpha)), d, dst + i);
    }
    for (; i < width; ++i)
        dst[i] = blendPixelAt(dst[i], src[i], std::uint32_t(opacity));
}

void mix(std::uint32_t *dst, const std::uint32_t *src, int width, int opacity)
{
    const D32 d;
    const D16 d16;
    const int n = int(hn::Lanes(d));
    const V16 take = hn::Set(d16, std::uint16_t(opacity));
    const V16 keep = hn::Set(d16, std::uint16_t(255 - opacity));
    int i = 0;
    for (; i + n <= width; i += n) {
        const V32 s = hn::LoadU(d, src + i);
        const V32 t = hn::LoadU(d, dst + i);
        const V16 even = hn::Add(hn::Mul(evenBytes(s), take), hn::Mul(evenBytes(t), keep));
        const V16 odd = hn::Add(hn::Mul(oddBytes(s), take), hn::Mul(oddBytes(t), keep));
        hn::StoreU(joinBytes(divide255(even), divide255(odd)), d, dst + i);
    }
    for (; i < width; ++i)
        dst[i] = mixPixel(dst[i], src[i], std::uint32_t(opacity));
}

// The watermark formula on 16-bit lanes. Rearranged so that every intermediate fits 16 bits
// (the result is exact for all 2^24 inputs): (a * d * 255) >> 8 = a * d - ceil(a * d / 256),
// the numerator stays below 2^16, and n / 255 = (n * 0x8081) >> 23 for n < 2^16.
HWY_INLINE V16 stampLanes(V16 dst, V16 mark, V16 alpha)
{
    const D16 d16;
    const V16 c255 = hn::Set(d16, 255);
    const V16 ad = hn::Mul(alpha, dst);
    const V16 dropped = hn::Sub(ad, hn::ShiftRight<8>(hn::Add(ad, c255)));
    const V16 numerator = hn::Sub(hn::Add(hn::Mul(mark, alpha), hn::Mul(dst, c255)), dropped);
    const V16 quotient = hn::ShiftRight<7>(hn::MulHigh(numerator, hn::Set(d16, 0x8081)));
    return hn::Min(quotient, c255);
}

void stamp(std::uint32_t *dst, const std::uint32_t *mark, int width)
{
    const D32 d;
    const int n = int(hn::Lanes(d));
    const V32 opaque = hn::Set(d, 0xFF000000u);
    int i = 0;
    for (; i + n <= width; i += n) {
        const V32 t = hn::LoadU(d, dst + i);
        const V32 s = hn::LoadU(d, mark + i);
        const V16 alpha = alphaLanes(s);
        const V32 out = joinBytes(stampLanes(evenBytes(t), evenBytes(s), alpha),
                                  stampLanes(oddBytes(t), oddBytes(s), alpha));
        hn::StoreU(hn::Or(out, opaque), d, dst + i);
    }
    for (; i < width; ++i)
        dst[i] = stampPixel(dst[i], mark[i]);
}

} // namespace

const Kernels *targetKernels()
{
    static const Kernels kernels{hwy::TargetName(HWY_TARGET),
                                 interpolate,
                                 filterColumns,
                                 pickColumns,
                                 copy,
                                 stream,
                                 fill,
                                 premultiply,
                                 blend,
                                 blendAt,
                                 mix,
                                 stamp};
    return &kernels;
}

#endif // HWY_TARGET == HWY_SCALAR

} // namespace HWY_NAMESPACE
} // namespace PixelRows
HWY_AFTER_NAMESPACE();

#if HWY_ONCE

#include <hwy/targets.h>

#include <atomic>

namespace PixelRows {

HWY_EXPORT(targetKernels);

namespace {

// Asks Highway's dispatch for each target in turn (they come best first). Done once, before any
// kernel runs, and the processor's own choice is restored afterwards.
std::vector<const Kernels *> collectKernels()
{
    std::vector<const Kernels *> sets;
    const std::vector<std::int64_t> targets = hwy::SupportedAndGeneratedTargets();
    for (const std::int64_t target : targets) {
        hwy::SetSupportedTargetsForTest(target);
        hwy::GetChosenTarget().Update(hwy::SupportedTargets());
        sets.push_back(HWY_DYNAMIC_DISPATCH(targetKernels)());
    }
    hwy::SetSupportedTargetsForTest(0);
    hwy::GetChosenTarget().Update(hwy::SupportedTargets());
    if (sets.empty())
        sets.push_back(HWY_DYNAMIC_DISPATCH(targetKernels)());
    return sets;
}

} // namespace

const std::vector<const Kernels *> &available()
{
    static const std::vector<const Kernels *> s_sets = collectKernels();
    return s_sets;
}

const Kernels &best()
{
    static const Kernels *const s_best = available().front();
    return *s_best;
}

namespace {

std::atomic<const Kernels *> &chosen()
{
    static std::atomic<const Kernels *> s_chosen{&best()};
    return s_chosen;
}

} // namespace

const Kernels &inUse()
{
    return *chosen().load(std::memory_order_relaxed);
}

void use(const Kernels *kernels)
{
    chosen().store(kernels ? kernels : &best(), std::memory_order_relaxed);
}

void finishStreaming()
{
    hwy::FlushStream();
}

} // namespace PixelRows

#endif // HWY_ONCE
