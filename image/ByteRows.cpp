#include "ByteRows.h"

#include <algorithm>
#include <cstring>

#include "FilterRows.h"

#include "VectorTarget.h"

namespace velora::detail {

namespace {

// The bitwise operations with a pattern: p[i] op= pattern[i % period].
enum class PatternOp { Xor, And };

#if VELORA_X86
// 96 bytes (two periods of 48) per step; returns how many bytes it did, a multiple of 96.
template <PatternOp Op>
VELORA_AVX2 inline __m256i Apply(__m256i v, __m256i m) {
    if constexpr (Op == PatternOp::Xor) return _mm256_xor_si256(v, m);
    else return _mm256_and_si256(v, m);
}
template <PatternOp Op>
inline __m128i Apply(__m128i v, __m128i m) {
    if constexpr (Op == PatternOp::Xor) return _mm_xor_si128(v, m);
    else return _mm_and_si128(v, m);
}

template <PatternOp Op>
VELORA_AVX2 std::size_t PatternRowAvx2(std::uint8_t* p, std::size_t n, const std::uint8_t* pattern96) {
    const __m256i m0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(pattern96));
    const __m256i m1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(pattern96 + 32));
    const __m256i m2 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(pattern96 + 64));
    std::size_t i = 0;
    for (; i + 96 <= n; i += 96) {
        __m256i* q = reinterpret_cast<__m256i*>(p + i);
        _mm256_storeu_si256(q, Apply<Op>(_mm256_loadu_si256(q), m0));
        _mm256_storeu_si256(q + 1, Apply<Op>(_mm256_loadu_si256(q + 1), m1));
        _mm256_storeu_si256(q + 2, Apply<Op>(_mm256_loadu_si256(q + 2), m2));
    }
    return i;
}

// v >= t as all-ones bytes (there is no unsigned byte comparison: max(v, t) == v).
inline __m128i AtLeast(__m128i v, __m128i t) { return _mm_cmpeq_epi8(_mm_max_epu8(v, t), v); }
VELORA_AVX2 inline __m256i AtLeast(__m256i v, __m256i t) { return _mm256_cmpeq_epi8(_mm256_max_epu8(v, t), v); }

// low, or high where v >= t; the bytes that keep selects stay.
VELORA_AVX2 inline __m256i Thresholded(__m256i v, __m256i t, __m256i low, __m256i change, __m256i keep) {
    const __m256i chosen = _mm256_xor_si256(low, _mm256_and_si256(change, AtLeast(v, t)));
    return _mm256_or_si256(_mm256_and_si256(keep, v), _mm256_andnot_si256(keep, chosen));
}

// Returns how many bytes it did, a multiple of 32 (so the alpha bytes keep their places).
VELORA_AVX2 std::size_t ThresholdRowAvx2(std::uint8_t* p, std::size_t n, std::uint8_t t, std::uint8_t low,
                                         std::uint8_t high, bool keepAlpha) {
    const __m256i vt = _mm256_set1_epi8(char(t)), vlow = _mm256_set1_epi8(char(low));
    const __m256i change = _mm256_set1_epi8(char(low ^ high));
    const __m256i keep = keepAlpha ? _mm256_set1_epi32(int(0xFF000000u)) : _mm256_setzero_si256();
    std::size_t i = 0;
    for (; i + 64 <= n; i += 64) {
        __m256i* q = reinterpret_cast<__m256i*>(p + i);
        const __m256i a = _mm256_loadu_si256(q), b = _mm256_loadu_si256(q + 1);
        _mm256_storeu_si256(q, Thresholded(a, vt, vlow, change, keep));
        _mm256_storeu_si256(q + 1, Thresholded(b, vt, vlow, change, keep));
    }
    for (; i + 32 <= n; i += 32) {
        __m256i* q = reinterpret_cast<__m256i*>(p + i);
        _mm256_storeu_si256(q, Thresholded(_mm256_loadu_si256(q), vt, vlow, change, keep));
    }
    return i;
}

// Byte shuffles that gather channel c (0 blue, 1 green, 2 red) of 16 pixels from the three
// 16-byte blocks of 48 bytes of a 24-bit row; -1 leaves a zero.
struct ChannelMasks {
    alignas(16) signed char mask[3][3][16];  // [channel][block][byte]
    constexpr ChannelMasks() : mask{} {
        for (int c = 0; c < 3; ++c)
            for (int block = 0; block < 3; ++block)
                for (int k = 0; k < 16; ++k) {
                    const int source = 3 * k + c - 16 * block;
                    mask[c][block][k] = static_cast<signed char>(source >= 0 && source < 16 ? source : -1);
                }
    }
};
constexpr ChannelMasks kChannelMasks;

VELORA_AVX2 inline __m128i Channel24(__m128i a, __m128i b, __m128i c, int channel) {
    const auto* m = kChannelMasks.mask[channel];
    const __m128i m0 = _mm_load_si128(reinterpret_cast<const __m128i*>(m[0]));
    const __m128i m1 = _mm_load_si128(reinterpret_cast<const __m128i*>(m[1]));
    const __m128i m2 = _mm_load_si128(reinterpret_cast<const __m128i*>(m[2]));
    return _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(a, m0), _mm_shuffle_epi8(b, m1)), _mm_shuffle_epi8(c, m2));
}

// 48 bytes: each of 16 values three times.
VELORA_AVX2 inline void StoreTripled(std::uint8_t* out, __m128i v) {
    const __m128i m0 = _mm_setr_epi8(0, 0, 0, 1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4, 5);
    const __m128i m1 = _mm_setr_epi8(5, 5, 6, 6, 6, 7, 7, 7, 8, 8, 8, 9, 9, 9, 10, 10);
    const __m128i m2 = _mm_setr_epi8(10, 11, 11, 11, 12, 12, 12, 13, 13, 13, 14, 14, 14, 15, 15, 15);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_shuffle_epi8(v, m0));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16), _mm_shuffle_epi8(v, m1));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 32), _mm_shuffle_epi8(v, m2));
}

// The gray level of eight pixels from their channels as 32-bit lanes: the products rounded
// one by one and added red, green, blue, as the scalar formula does (no fused multiply-add:
// the target enables AVX2 only).
VELORA_AVX2 inline __m256i GrayOf(__m256i red, __m256i green, __m256i blue, __m256 wr, __m256 wg, __m256 wb) {
    const __m256 sum = _mm256_add_ps(_mm256_add_ps(_mm256_mul_ps(_mm256_cvtepi32_ps(red), wr),
                                                   _mm256_mul_ps(_mm256_cvtepi32_ps(green), wg)),
                                     _mm256_mul_ps(_mm256_cvtepi32_ps(blue), wb));
    return _mm256_cvttps_epi32(sum);
}

// Returns how many pixels it did.
VELORA_AVX2 std::int32_t GrayRowAvx2(std::uint8_t* p, std::int32_t width, std::size_t step, float wRed, float wGreen,
                                     float wBlue) {
    const __m256 wr = _mm256_set1_ps(wRed), wg = _mm256_set1_ps(wGreen), wb = _mm256_set1_ps(wBlue);
    std::int32_t x = 0;
    if (step == 3) {
        for (; x + 16 <= width; x += 16, p += 48) {
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16));
            const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 32));
            const __m128i blue = Channel24(a, b, c, 0), green = Channel24(a, b, c, 1), red = Channel24(a, b, c, 2);
            const __m256i low = GrayOf(_mm256_cvtepu8_epi32(red), _mm256_cvtepu8_epi32(green),
                                       _mm256_cvtepu8_epi32(blue), wr, wg, wb);
            const __m256i high = GrayOf(_mm256_cvtepu8_epi32(_mm_srli_si128(red, 8)),
                                        _mm256_cvtepu8_epi32(_mm_srli_si128(green, 8)),
                                        _mm256_cvtepu8_epi32(_mm_srli_si128(blue, 8)), wr, wg, wb);
            // packus interleaves the 128-bit lanes; the permutation puts the words back in order.
            const __m256i words = _mm256_permute4x64_epi64(_mm256_packus_epi32(low, high), 0xD8);
            const __m128i grays = _mm_packus_epi16(_mm256_castsi256_si128(words), _mm256_extracti128_si256(words, 1));
            StoreTripled(p, grays);
        }
    } else {
        const __m256i byte = _mm256_set1_epi32(0xFF), alpha = _mm256_set1_epi32(int(0xFF000000u));
        for (; x + 8 <= width; x += 8, p += 32) {
            const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
            const __m256i gray = GrayOf(_mm256_and_si256(_mm256_srli_epi32(v, 16), byte),
                                        _mm256_and_si256(_mm256_srli_epi32(v, 8), byte), _mm256_and_si256(v, byte), wr,
                                        wg, wb);
            const __m256i tripled = _mm256_or_si256(_mm256_or_si256(gray, _mm256_slli_epi32(gray, 8)), _mm256_slli_epi32(gray, 16));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), _mm256_or_si256(_mm256_and_si256(v, alpha), tripled));
        }
    }
    return x;
}

// Returns how many pixels it did; differ collects the bits in which blue, green and red differ.
VELORA_AVX2 std::int32_t RedsOfGrayRowAvx2(const std::uint8_t* p, std::int32_t width, std::size_t step,
                                           std::uint8_t* out, bool& gray) {
    std::int32_t x = 0;
    if (step == 3) {
        __m128i differ = _mm_setzero_si128();
        for (; x + 16 <= width; x += 16, p += 48) {
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16));
            const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 32));
            const __m128i blue = Channel24(a, b, c, 0), green = Channel24(a, b, c, 1), red = Channel24(a, b, c, 2);
            differ = _mm_or_si128(differ, _mm_or_si128(_mm_xor_si128(blue, green), _mm_xor_si128(green, red)));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), red);
        }
        gray = _mm_testz_si128(differ, differ);
    }
    return x;
}
#endif

}  // namespace

namespace {

template <PatternOp Op>
void PatternRow(std::uint8_t* p, std::size_t n, const std::uint8_t (&pattern)[48]) {
    std::size_t i = 0;
#if VELORA_X86
    if (HasSse2()) {
        // Twice the period: a run of 16 bytes from any phase of the pattern is contiguous in it.
        std::uint8_t twice[96];
        std::memcpy(twice, pattern, 48);
        std::memcpy(twice + 48, pattern, 48);
        if (HasAvx2()) i = PatternRowAvx2<Op>(p, n, twice);  // a whole number of periods
        const __m128i m0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(twice));
        const __m128i m1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(twice + 16));
        const __m128i m2 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(twice + 32));
        for (; i + 48 <= n; i += 48) {
            __m128i* q = reinterpret_cast<__m128i*>(p + i);
            _mm_storeu_si128(q, Apply<Op>(_mm_loadu_si128(q), m0));
            _mm_storeu_si128(q + 1, Apply<Op>(_mm_loadu_si128(q + 1), m1));
            _mm_storeu_si128(q + 2, Apply<Op>(_mm_loadu_si128(q + 2), m2));
        }
        for (; i + 16 <= n; i += 16) {
            __m128i* q = reinterpret_cast<__m128i*>(p + i);
            const __m128i m = _mm_loadu_si128(reinterpret_cast<const __m128i*>(twice + i % 48));
            _mm_storeu_si128(q, Apply<Op>(_mm_loadu_si128(q), m));
        }
    }
#endif
    for (; i < n; ++i) {
        if constexpr (Op == PatternOp::Xor) p[i] ^= pattern[i % 48];
        else p[i] &= pattern[i % 48];
    }
}

}  // namespace

#if VELORA_X86
namespace {
// ShiftLevelsRow 96 bytes a step; returns how many bytes it did, a multiple of 96.
VELORA_AVX2 std::size_t ShiftLevelsRowAvx2(std::uint8_t* p, std::size_t n, const std::uint8_t* up96, const std::uint8_t* down96) {
    __m256i up[3], down[3];
    for (int k = 0; k < 3; ++k) {
        up[k] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(up96 + 32 * k));
        down[k] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(down96 + 32 * k));
    }
    std::size_t i = 0;
    for (; i + 96 <= n; i += 96)
        for (int k = 0; k < 3; ++k) {
            __m256i* q = reinterpret_cast<__m256i*>(p + i) + k;
            _mm256_storeu_si256(q, _mm256_subs_epu8(_mm256_adds_epu8(_mm256_loadu_si256(q), up[k]), down[k]));
        }
    return i;
}
}  // namespace
#endif

void ShiftLevelsRow(std::uint8_t* p, std::size_t n, const std::uint8_t (&up)[48], const std::uint8_t (&down)[48]) {
    std::size_t i = 0;
#if VELORA_X86
    if (HasSse2()) {
        std::uint8_t up96[96], down96[96];
        std::memcpy(up96, up, 48), std::memcpy(up96 + 48, up, 48);
        std::memcpy(down96, down, 48), std::memcpy(down96 + 48, down, 48);
        if (HasAvx2()) i = ShiftLevelsRowAvx2(p, n, up96, down96);
        for (; i + 16 <= n; i += 16) {
            __m128i* q = reinterpret_cast<__m128i*>(p + i);
            const __m128i u = _mm_loadu_si128(reinterpret_cast<const __m128i*>(up96 + i % 48));
            const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(down96 + i % 48));
            _mm_storeu_si128(q, _mm_subs_epu8(_mm_adds_epu8(_mm_loadu_si128(q), u), d));
        }
    }
#endif
    for (; i < n; ++i) {
        const int v = p[i] + up[i % 48] - down[i % 48];
        p[i] = std::uint8_t(std::clamp(v, 0, 255));
    }
}

void TableRow(std::uint8_t* p, std::size_t n, const std::uint8_t* table) {
    // Plain lookups: AVX2's gather is slower than three loads a cycle on the processors we
    // measured (2.4 ms against 6.7 ms for 12 MB).
    std::size_t i = 0;
    // Eight lookups go to a local buffer and out in one store: a store into p between lookups
    // would make each next table read wait on it (p may alias the table).
    for (; i + 8 <= n; i += 8) {
        std::uint8_t out[8];
        for (unsigned k = 0; k < 8; ++k) out[k] = table[p[i + k]];
        std::memcpy(p + i, out, 8);
    }
    for (; i < n; ++i) p[i] = table[p[i]];
}

void XorRow(std::uint8_t* p, std::size_t n, const std::uint8_t (&pattern)[48]) { PatternRow<PatternOp::Xor>(p, n, pattern); }

void AndRow(std::uint8_t* p, std::size_t n, const std::uint8_t (&pattern)[48]) { PatternRow<PatternOp::And>(p, n, pattern); }

void ThresholdRow(std::uint8_t* p, std::size_t n, std::uint8_t t, std::uint8_t low, std::uint8_t high, bool keepAlpha) {
    std::size_t i = 0;
#if VELORA_X86
    if (HasSse2()) {
        if (HasAvx2()) i = ThresholdRowAvx2(p, n, t, low, high, keepAlpha);
        const __m128i vt = _mm_set1_epi8(char(t)), vlow = _mm_set1_epi8(char(low));
        const __m128i change = _mm_set1_epi8(char(low ^ high));
        const __m128i keep = keepAlpha ? _mm_set1_epi32(int(0xFF000000u)) : _mm_setzero_si128();
        for (; i + 16 <= n; i += 16) {
            __m128i* q = reinterpret_cast<__m128i*>(p + i);
            const __m128i v = _mm_loadu_si128(q);
            const __m128i chosen = _mm_xor_si128(vlow, _mm_and_si128(change, AtLeast(v, vt)));
            _mm_storeu_si128(q, _mm_or_si128(_mm_and_si128(keep, v), _mm_andnot_si128(keep, chosen)));
        }
    }
#endif
    for (; i < n; ++i)
        if (!keepAlpha || (i & 3) != 3) p[i] = p[i] < t ? low : high;
}

void GrayPixelRow(std::uint8_t* p, std::int32_t width, std::size_t step, float wRed, float wGreen, float wBlue) {
    std::int32_t x = 0;
#if VELORA_X86
    if (HasAvx2()) {
        x = GrayRowAvx2(p, width, step, wRed, wGreen, wBlue);
        p += step * std::size_t(x);
    }
#endif
    for (; x < width; ++x, p += step) {
        const float sum = wRed * float(p[2]) + wGreen * float(p[1]) + wBlue * float(p[0]);
        p[0] = p[1] = p[2] = std::uint8_t(int(sum));
    }
}

bool RedsOfGrayRow(const std::uint8_t* p, std::int32_t width, std::size_t step, std::uint8_t* out) {
    std::int32_t x = 0;
    bool gray = true;
#if VELORA_X86
    if (HasAvx2()) {
        x = RedsOfGrayRowAvx2(p, width, step, out, gray);
        p += step * std::size_t(x);
    }
#endif
    unsigned differ = 0;
    for (; x < width; ++x, p += step) {
        differ |= unsigned(p[0] ^ p[1]) | unsigned(p[1] ^ p[2]);
        out[x] = p[2];
    }
    return gray && differ == 0;
}

#if VELORA_X86
namespace {

// 96 bytes a step, each of 32 values three times: each 32-byte store takes its values from
// one 16-byte window (values 0, 10 and 16 on), copied into both halves of a register, since
// the byte shuffle works within halves. Returns how many values it did.
VELORA_AVX2 inline __m256i Window16(const std::uint8_t* at) {
    return _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at)));
}
VELORA_AVX2 std::int32_t TripleBytesAvx2(const std::uint8_t* levels, std::int32_t width, std::uint8_t* out) {
    const __m256i m0 = _mm256_setr_epi8(0, 0, 0, 1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4, 5,  //
                                        5, 5, 6, 6, 6, 7, 7, 7, 8, 8, 8, 9, 9, 9, 10, 10);
    const __m256i m1 = _mm256_setr_epi8(0, 1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4, 5, 5, 5,  //
                                        6, 6, 6, 7, 7, 7, 8, 8, 8, 9, 9, 9, 10, 10, 10, 11);
    const __m256i m2 = _mm256_setr_epi8(5, 5, 6, 6, 6, 7, 7, 7, 8, 8, 8, 9, 9, 9, 10, 10,  //
                                        10, 11, 11, 11, 12, 12, 12, 13, 13, 13, 14, 14, 14, 15, 15, 15);
    std::int32_t x = 0;
    for (; x + 32 <= width; x += 32, out += 96) {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), _mm256_shuffle_epi8(Window16(levels + x), m0));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 32), _mm256_shuffle_epi8(Window16(levels + x + 10), m1));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 64), _mm256_shuffle_epi8(Window16(levels + x + 16), m2));
    }
    return x;
}

}  // namespace
#endif

void TripleBytes(const std::uint8_t* levels, std::int32_t width, std::uint8_t* out) {
    std::int32_t x = 0;
#if VELORA_X86
    if (HasAvx2()) {
        x = TripleBytesAvx2(levels, width, out);
        levels += x;
        out += 3 * std::size_t(x);
        width -= x;
        x = 0;
    }
    if (HasSsse3()) x = WriteGrays24(out, width, levels);
#endif
    for (; x < width; ++x) out[3 * x] = out[3 * x + 1] = out[3 * x + 2] = levels[x];
}

}  // namespace velora::detail
