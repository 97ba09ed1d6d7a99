#include "scan/ByteSearch.h"

#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif
#if defined(__GNUC__) && defined(__x86_64__)
#include <immintrin.h>
#define TH_HAVE_AVX2_PATH 1
#endif

namespace th {

namespace {

#ifdef TH_HAVE_AVX2_PATH
// The same two searches 32 bytes a step, for processors that have AVX2; the callers
// finish the last bytes with the 16-byte versions.
// Returns the first occurrence starting before the point it stops at, else nullptr;
// p is left where it stopped.
__attribute__((target("avx2"))) const char* findLiteralWide(const char*& p, const char* last,
                                                            std::string_view needle) {
    const size_t n = needle.size();
    const __m256i first = _mm256_set1_epi8(needle.front());
    const __m256i final = _mm256_set1_epi8(needle.back());
    for (; last - p >= 31; p += 32) {
        __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
        __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + n - 1));
        auto mask = static_cast<unsigned>(
            _mm256_movemask_epi8(_mm256_and_si256(_mm256_cmpeq_epi8(a, first), _mm256_cmpeq_epi8(b, final))));
        while (mask) {
            int bit = __builtin_ctz(mask);
            if (std::memcmp(p + bit + 1, needle.data() + 1, n - 2) == 0) return p + bit;
            mask &= mask - 1;
        }
    }
    return nullptr;
}

__attribute__((target("avx2"))) size_t countByteWide(const char*& p, const char* end, char c) {
    size_t count = 0;
    const __m256i wanted = _mm256_set1_epi8(c);
    while (end - p >= 32) {
        __m256i counters = _mm256_setzero_si256();
        for (int i = 0; i < 255 && end - p >= 32; ++i, p += 32) {
            __m256i chunk = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
            counters = _mm256_sub_epi8(counters, _mm256_cmpeq_epi8(chunk, wanted));
        }
        __m256i sums = _mm256_sad_epu8(counters, _mm256_setzero_si256());
        count += static_cast<size_t>(_mm256_extract_epi64(sums, 0)) + static_cast<size_t>(_mm256_extract_epi64(sums, 1)) +
                 static_cast<size_t>(_mm256_extract_epi64(sums, 2)) + static_cast<size_t>(_mm256_extract_epi64(sums, 3));
    }
    return count;
}

bool wide() {
    static const bool avx2 = (__builtin_cpu_init(), __builtin_cpu_supports("avx2"));
    return avx2;
}
#endif

}  // namespace

const char* findLiteral(const char* p, const char* end, std::string_view needle) {
    const size_t n = needle.size();
    if (n == 0) return p;
    if (static_cast<size_t>(end - p) < n) return nullptr;
    const char* last = end - n;  // the last place an occurrence can start
#ifdef TH_HAVE_AVX2_PATH
    if (n > 1 && wide()) {
        if (const char* hit = findLiteralWide(p, last, needle)) return hit;
    }
#endif
#ifdef __SSE2__
    if (n > 1) {
        // Candidates are places where both the first and the last byte of the needle fit;
        // only those are compared in full.
        const __m128i first = _mm_set1_epi8(needle.front());
        const __m128i final = _mm_set1_epi8(needle.back());
        for (; last - p >= 15; p += 16) {
            __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + n - 1));
            auto mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(a, first),
                                                                              _mm_cmpeq_epi8(b, final))));
            while (mask) {
                int bit = __builtin_ctz(mask);
                if (std::memcmp(p + bit + 1, needle.data() + 1, n - 2) == 0) return p + bit;
                mask &= mask - 1;
            }
        }
    }
#endif
    for (; p <= last; ++p) {
        p = static_cast<const char*>(std::memchr(p, needle.front(), static_cast<size_t>(last - p) + 1));
        if (!p) return nullptr;
        if (std::memcmp(p, needle.data(), n) == 0) return p;
    }
    return nullptr;
}

size_t countByte(const char* p, const char* end, char c) {
    size_t count = 0;
#ifdef TH_HAVE_AVX2_PATH
    if (wide()) count += countByteWide(p, end, c);
#endif
#ifdef __SSE2__
    const __m128i wanted = _mm_set1_epi8(c);
    while (end - p >= 16) {
        // Byte counters in one register, folded into the total before any can overflow.
        __m128i counters = _mm_setzero_si128();
        for (int i = 0; i < 255 && end - p >= 16; ++i, p += 16) {
            __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            counters = _mm_sub_epi8(counters, _mm_cmpeq_epi8(chunk, wanted));
        }
        __m128i sums = _mm_sad_epu8(counters, _mm_setzero_si128());
        count += static_cast<size_t>(_mm_cvtsi128_si32(sums)) +
                 static_cast<size_t>(_mm_cvtsi128_si32(_mm_srli_si128(sums, 8)));
    }
#endif
    for (; p < end; ++p) count += *p == c;
    return count;
}

}  // namespace th
