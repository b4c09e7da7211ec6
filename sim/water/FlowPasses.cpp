#include "sim/water/FlowPasses.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

// GCC on x86-64: the AVX2 forms are compiled for that target alone and chosen at
// run time.
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__)
#define MARROWFIELD_FLOW_AVX2 1
#include <immintrin.h>
#endif

namespace physics {
namespace water {
namespace flow {

namespace {

// At or below this depth a cell counts as dry (compared as a double).
constexpr double dryDepth = 0.0001;

// ---- Portable passes: one cell at a time, statement by statement. ----

// The back-traced velocity of one cell for each advected quantity.
struct CellVelocity {
    float u, w;
};

inline CellVelocity cellVelocity(const Grids& g, Advected what, std::size_t i)
{
    const float* vx = g.velocityX;
    const float* vz = g.velocityZ;
    const std::size_t s = g.stride;
    switch (what) {
    case Advected::DEPTH:
        return {float(0.5 * (double(vx[i]) + vx[i + 1])), float(0.5 * (double(vz[i]) + vz[i + s]))};
    case Advected::VELOCITY_X:
        return {vx[i], float(0.25 * (double(vz[i]) + vz[i + 1] + vz[i + s] + vz[i + s + 1]))};
    case Advected::VELOCITY_Z:
    default:
        return {float(0.25 * (double(vx[i]) + vx[i + 1] + vx[i + s] + vx[i + s + 1])), vz[i]};
    }
}

inline void advectCell(const Grids& g, Advected what, double cellsPerTime, const Sampler& source, int x, int z)
{
    const std::size_t i = std::size_t(x) + std::size_t(z) * g.stride;
    const CellVelocity v = cellVelocity(g, what, i);
    const float bx = float(double(x) - cellsPerTime * v.u);
    const float bz = float(double(z) - cellsPerTime * v.w);
    g.scratch[i] = source(bx, bz);
}

inline void updateDepthCell(const Grids& g, double dt, double invDx, double deepest, std::size_t i, float& lowest,
                            float& highest)
{
    float depth = g.depth[i];
    if (depth <= dryDepth) depth = 0.0f;
    const float divergence = float((double(g.velocityX[i + 1]) - g.velocityX[i]) * invDx +
                                   (double(g.velocityZ[i + g.stride]) - g.velocityZ[i]) * invDx);
    depth = float(depth - divergence * (dt * std::min(double(depth), deepest)));
    if (depth <= dryDepth) {
        depth = 0.0f;
        g.wet[i] = 0;
    } else {
        g.wet[i] = 1;
    }
    g.depth[i] = depth;
    const float surface = float(double(depth) + g.ground[i]);
    g.surface[i] = surface;
    if (surface > highest) highest = surface;
    if (surface < lowest) lowest = surface;
}

// Face velocity v on the higher-index side of a cell pair whose surfaces are
// s (own cell) and sPrevious.
inline float acceleratedFace(unsigned char wet, float v, float s, float sPrevious, float k)
{
    return wet ? float(v + (double(s) - sPrevious) * k) : 0.0f;
}

void advectPortable(const Grids& g, Advected what, double cellsPerTime, const Sampler& source)
{
    for (int z = 1; z < g.nz - 1; ++z)
        for (int x = 1; x < g.nx - 1; ++x) advectCell(g, what, cellsPerTime, source, x, z);
}

void updateDepthPortable(const Grids& g, float dt, float invDx, double deepest, float& lowest, float& highest)
{
    for (int z = 1; z < g.nz - 1; ++z)
        for (int x = 1; x < g.nx - 1; ++x)
            updateDepthCell(g, dt, invDx, deepest, std::size_t(x) + std::size_t(z) * g.stride, lowest, highest);
}

void updateVelocitiesPortable(const Grids& g, float k)
{
    const std::size_t s = g.stride;
    for (int z = 1; z < g.nz - 1; ++z)
        for (int x = 2; x < g.nx - 1; ++x) {
            const std::size_t i = std::size_t(x) + std::size_t(z) * s;
            g.velocityX[i] = acceleratedFace(g.wet[i], g.velocityX[i], g.surface[i], g.surface[i - 1], k);
        }
    for (int z = 2; z < g.nz - 1; ++z)
        for (int x = 1; x < g.nx - 1; ++x) {
            const std::size_t i = std::size_t(x) + std::size_t(z) * s;
            g.velocityZ[i] = acceleratedFace(g.wet[i], g.velocityZ[i], g.surface[i], g.surface[i - s], k);
        }
}

#ifdef MARROWFIELD_FLOW_AVX2

// ---- Four cells at a time. ----
//
// Every double statement of the portable passes becomes the same operation on
// four lanes of doubles; every rounding to float is a conversion to four floats
// (and back where the value is used in double again). Comparisons use the ordered
// predicates, which are false for a value that is not a number, as the portable
// comparisons are. The compiler may not fuse or reorder any of it
// (-ffp-contract=off, no fast-math), and AVX2 brings no fused multiply-add.

#pragma GCC push_options
#pragma GCC target("avx2")

inline __m256d widen(__m128 v) { return _mm256_cvtps_pd(v); }
inline __m128 narrow(__m256d v) { return _mm256_cvtpd_ps(v); }
// A double statement stored in a float and read back as a double.
inline __m256d rounded(__m256d v) { return widen(narrow(v)); }
inline __m256d load4(const float* p) { return widen(_mm_loadu_ps(p)); }

// The corners and weights of four samples, lane by lane the portable Sampler.
// Callers make sure the grid has cells and that every index fits in 32 bits.
struct Corners4 {
    __m128i i01, i00, i10, i11;
    __m128 w01, w00, w10, w11;
};

inline Corners4 corners4(const Sampler& s, __m128 x, __m128 z)
{
    const __m128 zero = _mm_setzero_ps();
    const __m128 lastX = _mm_set1_ps(s.lastX), lastZ = _mm_set1_ps(s.lastZ);
    // !(x >= 0) gives +0, as the portable clamp does (a -0 passes unchanged).
    x = _mm_and_ps(x, _mm_cmp_ps(x, zero, _CMP_GE_OQ));
    x = _mm_blendv_ps(x, lastX, _mm_cmp_ps(x, lastX, _CMP_GT_OQ));
    z = _mm_and_ps(z, _mm_cmp_ps(z, zero, _CMP_GE_OQ));
    z = _mm_blendv_ps(z, lastZ, _mm_cmp_ps(z, lastZ, _CMP_GT_OQ));

    const __m128i x0 = _mm_cvttps_epi32(x);
    const __m128i z0 = _mm_cvttps_epi32(z);
    const __m128 x0f = _mm_cvtepi32_ps(x0), z0f = _mm_cvtepi32_ps(z0);
    // The comparison mask is -1 where the ceiling is one above the floor.
    const __m128i x1 = _mm_sub_epi32(x0, _mm_castps_si128(_mm_cmp_ps(x0f, x, _CMP_LT_OQ)));
    const __m128i z1 = _mm_sub_epi32(z0, _mm_castps_si128(_mm_cmp_ps(z0f, z, _CMP_LT_OQ)));
    // The fraction of a float of 0 or above is a float itself, so the double
    // difference rounded to float and the float difference are the same exact value.
    const __m128 fxf = _mm_sub_ps(x, x0f), fzf = _mm_sub_ps(z, z0f);
    const __m256d fx = widen(fxf), fz = widen(fzf);

    Corners4 c;
    const __m256d one = _mm256_set1_pd(1.0);
    c.w01 = narrow(_mm256_mul_pd(_mm256_sub_pd(one, fx), fz));
    c.w00 = narrow(_mm256_mul_pd(_mm256_sub_pd(one, fx), _mm256_sub_pd(one, fz)));
    c.w10 = narrow(_mm256_mul_pd(fx, _mm256_sub_pd(one, fz)));
    // A product of two floats is exact in double: one rounding either way.
    c.w11 = _mm_mul_ps(fxf, fzf);

    const __m128i stride = _mm_set1_epi32(int(s.stride));
    const __m128i row0 = _mm_mullo_epi32(z0, stride), row1 = _mm_mullo_epi32(z1, stride);
    c.i01 = _mm_add_epi32(x0, row1);
    c.i00 = _mm_add_epi32(x0, row0);
    c.i10 = _mm_add_epi32(x1, row0);
    c.i11 = _mm_add_epi32(x1, row1);
    return c;
}

inline __m128 blend4(const float* data, const Corners4& c)
{
    const __m256d g01 = widen(_mm_i32gather_ps(data, c.i01, 4));
    const __m256d g00 = widen(_mm_i32gather_ps(data, c.i00, 4));
    const __m256d g10 = widen(_mm_i32gather_ps(data, c.i10, 4));
    const __m256d g11 = widen(_mm_i32gather_ps(data, c.i11, 4));
    __m256d sum = _mm256_add_pd(_mm256_mul_pd(g01, widen(c.w01)), _mm256_mul_pd(g00, widen(c.w00)));
    sum = _mm256_add_pd(sum, _mm256_mul_pd(g10, widen(c.w10)));
    sum = _mm256_add_pd(sum, _mm256_mul_pd(g11, widen(c.w11)));
    return narrow(sum);
}

// The back-traced positions of four cells starting at column x; still is set
// when the traced velocity of all four is exactly zero.
inline void backTrace4(const Grids& g, Advected what, __m256d c, std::size_t row, int x, __m256d zd, __m128& bx,
                       __m128& bz, bool& still)
{
    const __m256d half = _mm256_set1_pd(0.5), quarter = _mm256_set1_pd(0.25);
    const std::size_t s = g.stride;
    const float* vx = g.velocityX + row + x;
    const float* vz = g.velocityZ + row + x;
    __m256d u, w;
    switch (what) {
    case Advected::DEPTH:
        u = rounded(_mm256_mul_pd(half, _mm256_add_pd(load4(vx), load4(vx + 1))));
        w = rounded(_mm256_mul_pd(half, _mm256_add_pd(load4(vz), load4(vz + s))));
        break;
    case Advected::VELOCITY_X:
        u = load4(vx);
        w = rounded(_mm256_mul_pd(
            quarter,
            _mm256_add_pd(_mm256_add_pd(_mm256_add_pd(load4(vz), load4(vz + 1)), load4(vz + s)), load4(vz + s + 1))));
        break;
    case Advected::VELOCITY_Z:
    default:
        u = rounded(_mm256_mul_pd(
            quarter,
            _mm256_add_pd(_mm256_add_pd(_mm256_add_pd(load4(vx), load4(vx + 1)), load4(vx + s)), load4(vx + s + 1))));
        w = load4(vz);
        break;
    }
    const __m256d xd = _mm256_add_pd(_mm256_set1_pd(double(x)), _mm256_set_pd(3.0, 2.0, 1.0, 0.0));
    bx = narrow(_mm256_sub_pd(xd, _mm256_mul_pd(c, u)));
    bz = narrow(_mm256_sub_pd(zd, _mm256_mul_pd(c, w)));
    const __m256d zero = _mm256_setzero_pd();
    still = _mm256_movemask_pd(_mm256_and_pd(_mm256_cmp_pd(u, zero, _CMP_EQ_OQ), _mm256_cmp_pd(w, zero, _CMP_EQ_OQ))) ==
            0xF;
}

// Whether four cells whose traced velocity is zero sample their own values,
// and then stores them. Such a cell traces back to itself exactly (a finite
// step times zero is zero), so its four corners are the cell itself with
// weights 0, 1, 0, 0, and the blend of a finite value v is v: v * 0 is a zero
// of v's sign, which added to v (or to a zero of the same sign) leaves v. A
// value that is not finite blends to NaN and takes the full path.
inline bool copyStill4(const Grids& g, const Sampler& source, std::size_t i)
{
    const __m128 v = _mm_loadu_ps(source.data + i);
    const __m128 magnitude = _mm_andnot_ps(_mm_set1_ps(-0.0f), v);
    if (_mm_movemask_ps(_mm_cmp_ps(magnitude, _mm_set1_ps(std::numeric_limits<float>::infinity()), _CMP_LT_OQ)) !=
        0xF)
        return false;
    _mm_storeu_ps(g.scratch + i, v);
    return true;
}

void advectAvx2(const Grids& g, Advected what, double cellsPerTime, const Sampler& source)
{
    // Each cell is a long chain of dependent operations; tracing a run of cells
    // back first and sampling them afterwards gives the processor independent
    // work to overlap.
    constexpr int run = 64;
    alignas(16) float bx[run], bz[run];
    Corners4 corners[run / 4];
    bool copied[run / 4];
    const __m256d c = _mm256_set1_pd(cellsPerTime);
    // Still cells copy their own values where the source is laid out like the
    // scratch grid and the step is finite (the interior lies within the clamp).
    const bool stillCopies = source.stride == g.stride && std::isfinite(cellsPerTime) &&
                             source.lastX >= float(g.nx - 2) && source.lastZ >= float(g.nz - 2);
    const int last = g.nx - 2;  // the last interior column
    if (last < 4) return advectPortable(g, what, cellsPerTime, source);  // fewer than four interior cells
    for (int z = 1; z < g.nz - 1; ++z) {
        const std::size_t row = std::size_t(z) * g.stride;
        const __m256d zd = _mm256_set1_pd(double(z));
        // Groups of four cells from column 1; a row whose length is not a multiple
        // of four ends with a group moved back to end at the last column, doing
        // a few cells twice (the same values: the sweep only writes the scratch).
        // A run may hold a single cell of the row: the group then reaches back.
        for (int first = 1; first <= last; first += run) {
            int n = 0;
            for (; n < run && first + n <= last; n += 4) {
                const int x = std::min(first + n, last - 3);
                __m128 px, pz;
                bool still;
                backTrace4(g, what, c, row, x, zd, px, pz, still);
                copied[n / 4] = still && stillCopies && copyStill4(g, source, row + std::size_t(x));
                _mm_store_ps(bx + n, px);
                _mm_store_ps(bz + n, pz);
            }
            for (int j = 0; j < n; j += 4)
                if (!copied[j / 4]) corners[j / 4] = corners4(source, _mm_load_ps(bx + j), _mm_load_ps(bz + j));
            for (int j = 0; j < n; j += 4)
                if (!copied[j / 4])
                    _mm_storeu_ps(g.scratch + row + std::min(first + j, last - 3),
                                  blend4(source.data, corners[j / 4]));
        }
    }
}

// The four 32-bit lanes of a four-lane double comparison, and the wet flags (1
// where the comparison said not dry) as four bytes.
inline __m128i lanesOf(__m256d mask)
{
    return _mm256_castsi256_si128(
        _mm256_permutevar8x32_epi32(_mm256_castpd_si256(mask), _mm256_setr_epi32(0, 2, 4, 6, 0, 2, 4, 6)));
}

inline std::uint32_t wetBytesOf(__m128i dryLanes)
{
    const __m128i wet = _mm_add_epi32(dryLanes, _mm_set1_epi32(1));
    const __m128i words = _mm_packus_epi32(wet, wet);
    return std::uint32_t(_mm_cvtsi128_si32(_mm_packus_epi16(words, words)));
}

void updateDepthAvx2(const Grids& g, float dt, float invDx, double deepest, float& lowest, float& highest)
{
    const __m256d dtd = _mm256_set1_pd(dt), inv = _mm256_set1_pd(invDx), dry = _mm256_set1_pd(dryDepth);
    const __m256d deepestd = _mm256_set1_pd(deepest);
    // Each lane keeps the extremes of its own cells. Only equal values can come
    // out differently from one pass in cell order, and equal surfaces have equal
    // bits: a surface is never -0 (a depth of +0 plus a ground of -0 is +0, and the
    // depth is +0 or above the dry threshold).
    __m128 low = _mm_set1_ps(lowest), high = _mm_set1_ps(highest);
    const std::size_t s = g.stride;
    for (int z = 1; z < g.nz - 1; ++z) {
        const std::size_t row = std::size_t(z) * s;
        int x = 1;
        for (; x + 4 <= g.nx - 1; x += 4) {
            const std::size_t i = row + std::size_t(x);
            __m256d depth = load4(g.depth + i);
            depth = _mm256_andnot_pd(_mm256_cmp_pd(depth, dry, _CMP_LE_OQ), depth);
            const __m256d divergence = rounded(
                _mm256_add_pd(_mm256_mul_pd(_mm256_sub_pd(load4(g.velocityX + i + 1), load4(g.velocityX + i)), inv),
                              _mm256_mul_pd(_mm256_sub_pd(load4(g.velocityZ + i + s), load4(g.velocityZ + i)), inv)));
            // min(deepest, depth) is deepest < depth ? deepest : depth, as std::min(depth, deepest).
            const __m256d carried = _mm256_min_pd(deepestd, depth);
            const __m128 updated =
                narrow(_mm256_sub_pd(depth, _mm256_mul_pd(divergence, _mm256_mul_pd(dtd, carried))));
            const __m128i dryLanes = lanesOf(_mm256_cmp_pd(widen(updated), dry, _CMP_LE_OQ));
            const __m128 kept = _mm_andnot_ps(_mm_castsi128_ps(dryLanes), updated);
            const std::uint32_t wetBytes = wetBytesOf(dryLanes);
            std::memcpy(g.wet + i, &wetBytes, 4);
            _mm_storeu_ps(g.depth + i, kept);
            const __m128 surface = narrow(_mm256_add_pd(widen(kept), load4(g.ground + i)));
            _mm_storeu_ps(g.surface + i, surface);
            high = _mm_blendv_ps(high, surface, _mm_cmp_ps(surface, high, _CMP_GT_OQ));
            low = _mm_blendv_ps(low, surface, _mm_cmp_ps(surface, low, _CMP_LT_OQ));
        }
        for (; x < g.nx - 1; ++x) updateDepthCell(g, dt, invDx, deepest, row + std::size_t(x), lowest, highest);
    }
    alignas(16) float lows[4], highs[4];
    _mm_store_ps(lows, low);
    _mm_store_ps(highs, high);
    for (int j = 0; j < 4; ++j) {
        if (highs[j] > highest) highest = highs[j];
        if (lows[j] < lowest) lowest = lows[j];
    }
}

// Four faces on the higher-index side of cells i..i+3, the lower cells'
// surfaces at i - back.
inline void accelerateFaces4(const Grids& g, float* v, std::size_t i, std::size_t back, __m256d k)
{
    std::int32_t wetBytes;
    std::memcpy(&wetBytes, g.wet + i, 4);
    const __m128i dryLanes = _mm_cmpeq_epi32(_mm_cvtepu8_epi32(_mm_cvtsi32_si128(wetBytes)), _mm_setzero_si128());
    const __m256d slope = _mm256_sub_pd(load4(g.surface + i), load4(g.surface + i - back));
    const __m128 faces = narrow(_mm256_add_pd(load4(v + i), _mm256_mul_pd(slope, k)));
    _mm_storeu_ps(v + i, _mm_andnot_ps(_mm_castsi128_ps(dryLanes), faces));
}

void updateVelocitiesAvx2(const Grids& g, float k)
{
    const __m256d kd = _mm256_set1_pd(k);
    const std::size_t s = g.stride;
    for (int z = 1; z < g.nz - 1; ++z) {
        const std::size_t row = std::size_t(z) * s;
        int x = 2;
        for (; x + 4 <= g.nx - 1; x += 4) accelerateFaces4(g, g.velocityX, row + std::size_t(x), 1, kd);
        for (; x < g.nx - 1; ++x) {
            const std::size_t i = row + std::size_t(x);
            g.velocityX[i] = acceleratedFace(g.wet[i], g.velocityX[i], g.surface[i], g.surface[i - 1], k);
        }
    }
    for (int z = 2; z < g.nz - 1; ++z) {
        const std::size_t row = std::size_t(z) * s;
        int x = 1;
        for (; x + 4 <= g.nx - 1; x += 4) accelerateFaces4(g, g.velocityZ, row + std::size_t(x), s, kd);
        for (; x < g.nx - 1; ++x) {
            const std::size_t i = row + std::size_t(x);
            g.velocityZ[i] = acceleratedFace(g.wet[i], g.velocityZ[i], g.surface[i], g.surface[i - s], k);
        }
    }
}

#pragma GCC pop_options

bool processorHasAvx2()
{
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}

#endif  // MARROWFIELD_FLOW_AVX2

// The four-cell forms gather with 32-bit indices.
bool fitsVectorPasses(Passes passes, const Grids& g)
{
#ifdef MARROWFIELD_FLOW_AVX2
    return passes == Passes::FOUR_CELL && processorHasAvx2() && g.nz >= 0 &&
           g.stride * std::size_t(g.nz) < std::size_t(INT_MAX);
#else
    (void)passes;
    (void)g;
    return false;
#endif
}

}  // namespace

Passes fastestPasses()
{
#ifdef MARROWFIELD_FLOW_AVX2
    if (processorHasAvx2()) return Passes::FOUR_CELL;
#endif
    return Passes::PORTABLE;
}

void advect(Passes passes, const Grids& g, Advected what, double cellsPerTime, const Sampler& source)
{
#ifdef MARROWFIELD_FLOW_AVX2
    if (fitsVectorPasses(passes, g) && !source.empty &&
        source.stride * (std::size_t(source.lastZ) + 1) < std::size_t(INT_MAX))
        advectAvx2(g, what, cellsPerTime, source);
    else
#endif
        advectPortable(g, what, cellsPerTime, source);
}

void updateDepth(Passes passes, const Grids& g, float dt, float invDx, double deepest, float& lowest,
                 float& highest)
{
#ifdef MARROWFIELD_FLOW_AVX2
    if (fitsVectorPasses(passes, g)) return updateDepthAvx2(g, dt, invDx, deepest, lowest, highest);
#endif
    updateDepthPortable(g, dt, invDx, deepest, lowest, highest);
}

void updateVelocities(Passes passes, const Grids& g, float k)
{
#ifdef MARROWFIELD_FLOW_AVX2
    if (fitsVectorPasses(passes, g)) return updateVelocitiesAvx2(g, k);
#endif
    updateVelocitiesPortable(g, k);
}

}  // namespace flow
}  // namespace water
}  // namespace physics
