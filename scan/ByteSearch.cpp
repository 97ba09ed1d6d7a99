#include "scan/ByteSearch.h"

#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace th {

const char* findLiteral(const char* p, const char* end, std::string_view needle) {
    const size_t n = needle.size();
    if (n == 0) return p;
    if (static_cast<size_t>(end - p) < n) return nullptr;
    const char* last = end - n;  // the last place an occurrence can start
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
