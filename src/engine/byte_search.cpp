#include "engine/byte_search.h"

#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace quennit {

namespace {

constexpr std::size_t npos = std::string_view::npos;

// The inner bytes of a short marker at p; first and last are already known
// to match. A loop: a call to memcmp costs more than two or three bytes.
bool InnerMatches(const char* p, std::string_view marker) {
    for (std::size_t k = 1; k + 1 < marker.size(); ++k) {
        if (p[k] != marker[k]) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::size_t FindBytes(const char* text, std::size_t size, std::size_t from,
                      std::string_view marker) {
    const std::size_t n = marker.size();
    if (n == 1) {
        const void* hit = std::memchr(text + from, marker[0], size - from);
        return hit == nullptr ? npos
                              : static_cast<std::size_t>(static_cast<const char*>(hit) - text);
    }
    // Long markers: glibc's memmem skips ahead by their length and is faster
    // than any byte-wise filter.
    if (n >= 8) {
        const void* hit = memmem(text + from, size - from, marker.data(), n);
        return hit == nullptr ? npos
                              : static_cast<std::size_t>(static_cast<const char*>(hit) - text);
    }
    std::size_t i = from;
#if defined(__SSE2__)
    if (n <= size) {
        const __m128i first = _mm_set1_epi8(marker[0]);
        const __m128i last = _mm_set1_epi8(marker[n - 1]);
        for (; i + n - 1 + 16 <= size; i += 16) {
            const __m128i blockFirst = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i));
            const __m128i blockLast =
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i + n - 1));
            auto mask = static_cast<unsigned>(_mm_movemask_epi8(
                _mm_and_si128(_mm_cmpeq_epi8(blockFirst, first), _mm_cmpeq_epi8(blockLast, last))));
            while (mask != 0) {
                const auto bit = static_cast<std::size_t>(__builtin_ctz(mask));
                if (InnerMatches(text + i + bit, marker)) {
                    return i + bit;
                }
                mask &= mask - 1;
            }
        }
    }
#endif
    // The last few positions, and everything without SSE2.
    for (; i + n <= size; ++i) {
        if (text[i] == marker[0] && text[i + n - 1] == marker[n - 1] &&
            InnerMatches(text + i, marker)) {
            return i;
        }
    }
    return npos;
}

}  // namespace quennit
