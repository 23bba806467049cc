// Which of 64 bytes are equal to a byte or lie in a range, as the bits of one word (bit k for
// p[k]): the kernels that look at many bytes at once ask this. SSE2 where the compiler has it
// (every x86-64 target), byte by byte elsewhere.
#pragma once

#include <bit>
#include <cstdint>
#include <string_view>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define KESTRILON_BYTE_MASK_SSE2 1
#endif

namespace kestrilon::filter {

// Bytes lo <= (p[k] ^ flip) <= hi, for lo <= hi: flip turns two ranges that differ in one bit
// into one.
inline std::uint64_t RangeMask64(const unsigned char* p, unsigned char lo, unsigned char hi,
                                 unsigned char flip = 0) {
  std::uint64_t mask = 0;
#ifdef KESTRILON_BYTE_MASK_SSE2
  if (hi - lo == 0xFF) return ~std::uint64_t{0};
  // Shifted by 0x80 - lo, a byte of the range becomes a signed byte below hi - lo - 127, and no
  // other byte does: one addition and one comparison for 16 bytes.
  const __m128i flips = _mm_set1_epi8(static_cast<char>(flip)),
                shift = _mm_set1_epi8(static_cast<char>(0x80 - lo)),
                bound = _mm_set1_epi8(static_cast<char>(hi - lo - 127));
  for (int k = 0; k < 4; ++k) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * k));
    const __m128i in = _mm_cmplt_epi8(_mm_add_epi8(_mm_xor_si128(v, flips), shift), bound);
    mask |= static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(in))) << (16 * k);
  }
#else
  for (int k = 0; k < 64; ++k) {
    const unsigned b = p[k] ^ flip;
    mask |= static_cast<std::uint64_t>(b >= lo && b <= hi) << k;
  }
#endif
  return mask;
}

// Bytes p[k] == b.
inline std::uint64_t EqualMask64(const unsigned char* p, unsigned char b) {
  std::uint64_t mask = 0;
#ifdef KESTRILON_BYTE_MASK_SSE2
  const __m128i want = _mm_set1_epi8(static_cast<char>(b));
  for (int k = 0; k < 4; ++k) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * k));
    mask |= static_cast<std::uint64_t>(
                static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, want))))
            << (16 * k);
  }
#else
  for (int k = 0; k < 64; ++k) mask |= static_cast<std::uint64_t>(p[k] == b) << k;
#endif
  return mask;
}

// hit(pos) for each position of text that holds the byte b, in order.
template <typename Hit>
void ForEachByte(std::string_view text, unsigned char b, Hit&& hit) {
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  std::size_t i = 0;
  for (; i + 64 <= text.size(); i += 64)
    for (std::uint64_t m = EqualMask64(p + i, b); m; m &= m - 1)
      hit(i + static_cast<std::size_t>(std::countr_zero(m)));
  for (; i < text.size(); ++i)
    if (p[i] == b) hit(i);
}

}  // namespace kestrilon::filter
