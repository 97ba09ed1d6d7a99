#include "scan/ByteSearch.h"

#include <atomic>
#include <cstring>
#include <string_view>

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
        auto mask = static_cast<unsigned>(_mm256_movemask_epi8(
            _mm256_and_si256(_mm256_cmpeq_epi8(a, first), _mm256_cmpeq_epi8(b, final))));
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
        count += static_cast<size_t>(_mm256_extract_epi64(sums, 0)) +
                 static_cast<size_t>(_mm256_extract_epi64(sums, 1)) +
                 static_cast<size_t>(_mm256_extract_epi64(sums, 2)) +
                 static_cast<size_t>(_mm256_extract_epi64(sums, 3));
    }
    return count;
}

#endif

std::atomic<SearchWidth> g_width{SearchWidth::Widest};

bool wide() {
#ifdef TH_HAVE_AVX2_PATH
    static const bool avx2 = (__builtin_cpu_init(), __builtin_cpu_supports("avx2"));
    return avx2 && g_width.load(std::memory_order_relaxed) == SearchWidth::Widest;
#else
    return false;
#endif
}

bool sixteen() {
    return g_width.load(std::memory_order_relaxed) != SearchWidth::Bytewise;
}

// How often a byte turns up in server logs, roughly: higher is more common. Line ends,
// spaces, digits, lower-case letters and the punctuation of stamps, slots and addresses
// fill every line; the capitals of "PunkBuster Server", GUID and the connection lines
// come next; other capitals, control and 8-bit bytes are rare.
int commonness(unsigned char c) {
    static constexpr std::string_view kByOrder[] = {
        "\n ",                    // on every line
        "0123456789",             // stamps, slots, addresses, GUIDs
        "etaoinsrhdlcu:.[]()#-",  // words and the stamp's, slot's and address's marks
        "mwfgypbvkjxqz/,\"_'=|",  // the rest of the small letters
        "PSBCGUIDNLMRT",          // PunkBuster Server, GUID, New/Lost Connection
        "AKQEOHFWYJZXV",          // the other capitals, rarest last
    };
    int rank = 200;
    for (std::string_view group : kByOrder) {
        for (char x : group)
            if (static_cast<unsigned char>(x) == c) return rank;
        rank -= 20;
    }
    if (c >= 'A' && c <= 'Z') return 60;
    return c < 0x20 || c >= 0x7F ? 0 : 40;
}

// The two bytes a literal is looked for by, their places in it and its length.
struct Pair {
    const char* literal;
    size_t n;
    size_t offset0, offset1;
};

#ifdef TH_HAVE_AVX2_PATH
#define TH_AVX2 __attribute__((target("avx2,popcnt"), always_inline)) inline

TH_AVX2 __m256i load32(const char* at) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
}

// The 64 bits of two 32-byte comparisons.
TH_AVX2 uint64_t bits64(__m256i lo, __m256i hi) {
    return static_cast<uint64_t>(static_cast<uint32_t>(_mm256_movemask_epi8(lo))) |
           static_cast<uint64_t>(static_cast<uint32_t>(_mm256_movemask_epi8(hi))) << 32;
}

// 64 bytes a step while every load stays before end: a mask of the line ends is counted,
// a mask of the places where both rare bytes fit is tested in full. Returns the first
// occurrence, else nullptr with p left where it stopped.
__attribute__((target("avx2,popcnt"))) const char* findPairWide(const char*& p, const char* end,
                                                                const Pair& k, uint64_t& lineEnds) {
    const __m256i lf = _mm256_set1_epi8('\n');
    const __m256i a = _mm256_set1_epi8(k.literal[k.offset0]);
    const __m256i b = _mm256_set1_epi8(k.literal[k.offset1]);
    uint64_t count = 0;
    for (; static_cast<size_t>(end - p) >= 63 + k.n; p += 64) {
        const uint64_t lines =
            bits64(_mm256_cmpeq_epi8(load32(p), lf), _mm256_cmpeq_epi8(load32(p + 32), lf));
        const char* x = p + k.offset0;
        const char* y = p + k.offset1;
        uint64_t pair = bits64(
            _mm256_and_si256(_mm256_cmpeq_epi8(load32(x), a), _mm256_cmpeq_epi8(load32(y), b)),
            _mm256_and_si256(_mm256_cmpeq_epi8(load32(x + 32), a),
                             _mm256_cmpeq_epi8(load32(y + 32), b)));
        for (; pair; pair &= pair - 1) {
            const int i = __builtin_ctzll(pair);
            if (std::memcmp(p + i, k.literal, k.n) == 0) {
                lineEnds += count + static_cast<uint64_t>(
                                        __builtin_popcountll(lines & ((uint64_t{1} << i) - 1)));
                return p + i;
            }
        }
        count += static_cast<uint64_t>(__builtin_popcountll(lines));
    }
    lineEnds += count;
    return nullptr;
}
#endif

#ifdef __SSE2__
inline __m128i load16(const char* at) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
}

// The same 16 bytes at a time, for processors without AVX2.
const char* findPairNarrow(const char*& p, const char* end, const Pair& k, uint64_t& lineEnds) {
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i a = _mm_set1_epi8(k.literal[k.offset0]);
    const __m128i b = _mm_set1_epi8(k.literal[k.offset1]);
    const __m128i zero = _mm_setzero_si128();
    // Line ends are summed in byte counters, folded into the total before any overflows.
    __m128i counters = zero;
    int steps = 0;
    auto fold = [&] {
        const __m128i sums = _mm_sad_epu8(counters, zero);
        lineEnds += static_cast<uint64_t>(_mm_cvtsi128_si32(sums)) +
                    static_cast<uint64_t>(_mm_cvtsi128_si32(_mm_srli_si128(sums, 8)));
        counters = zero;
        steps = 0;
    };
    for (; static_cast<size_t>(end - p) >= 15 + k.n; p += 16) {
        const __m128i ends = _mm_cmpeq_epi8(load16(p), lf);
        auto pair = static_cast<uint32_t>(_mm_movemask_epi8(_mm_and_si128(
            _mm_cmpeq_epi8(load16(p + k.offset0), a), _mm_cmpeq_epi8(load16(p + k.offset1), b))));
        for (; pair; pair &= pair - 1) {
            const int i = __builtin_ctz(pair);
            if (std::memcmp(p + i, k.literal, k.n) == 0) {
                fold();
                const auto lines = static_cast<uint32_t>(_mm_movemask_epi8(ends));
                lineEnds +=
                    static_cast<uint64_t>(__builtin_popcount(lines & ((uint32_t{1} << i) - 1)));
                return p + i;
            }
        }
        counters = _mm_sub_epi8(counters, ends);
        if (++steps == 255) fold();
    }
    fold();
    return nullptr;
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
    if (n > 1 && sixteen()) {
        // Candidates are places where both the first and the last byte of the needle fit;
        // only those are compared in full.
        const __m128i first = _mm_set1_epi8(needle.front());
        const __m128i final = _mm_set1_epi8(needle.back());
        for (; last - p >= 15; p += 16) {
            __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + n - 1));
            auto mask = static_cast<unsigned>(_mm_movemask_epi8(
                _mm_and_si128(_mm_cmpeq_epi8(a, first), _mm_cmpeq_epi8(b, final))));
            while (mask) {
                int bit = __builtin_ctz(mask);
                if (std::memcmp(p + bit + 1, needle.data() + 1, n - 2) == 0) return p + bit;
                mask &= mask - 1;
            }
        }
    }
#endif
    for (; p <= last; ++p) {
        p = static_cast<const char*>(
            std::memchr(p, needle.front(), static_cast<size_t>(last - p) + 1));
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
    while (sixteen() && end - p >= 16) {
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

LiteralSearch::LiteralSearch(std::string_view literal) : literal_(literal) {
    auto rarer = [&](size_t i, size_t j) {
        return commonness(static_cast<unsigned char>(literal_[i])) <
               commonness(static_cast<unsigned char>(literal_[j]));
    };
    for (size_t i = 1; i < literal_.size(); ++i)
        if (rarer(i, rare0_)) rare0_ = i;
    // The second byte is the rarest of the others, the one farthest away among equals, so
    // that the two tell as much as possible.
    rare1_ = rare0_;
    auto distance = [&](size_t i) { return i > rare0_ ? i - rare0_ : rare0_ - i; };
    for (size_t i = 0; i < literal_.size(); ++i) {
        if (i == rare0_ || literal_[i] == literal_[rare0_]) continue;
        if (rare1_ == rare0_ || rarer(i, rare1_) ||
            (!rarer(rare1_, i) && distance(i) > distance(rare1_)))
            rare1_ = i;
    }
}

const char* LiteralSearch::find(const char* p, const char* end, uint64_t& lineEnds) const {
    if (literal_.empty()) return p;
    [[maybe_unused]] const Pair pair{literal_.data(), literal_.size(), rare0_, rare1_};
#ifdef TH_HAVE_AVX2_PATH
    if (wide()) {
        if (const char* hit = findPairWide(p, end, pair, lineEnds)) return hit;
    }
#endif
#ifdef __SSE2__
    if (sixteen()) {
        if (const char* hit = findPairNarrow(p, end, pair, lineEnds)) return hit;
    }
#endif
    // The last bytes, fewer than a step's loads need.
    const char* hit = findLiteral(p, end, literal_);
    lineEnds += countByte(p, hit ? hit : end, '\n');
    return hit;
}

void setSearchWidth(SearchWidth width) {
    g_width.store(width, std::memory_order_relaxed);
}

}  // namespace th
