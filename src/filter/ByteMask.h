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

// Which of 64 bytes are any of up to eight bytes: one mask for all of them, each byte compared
// once for the lot.
class AnyOfMask64 {
 public:
  AnyOfMask64(const unsigned char* bytes, std::size_t count) : FCount(count < 8 ? count : 8) {
    for (std::size_t c = 0; c < FCount; ++c) {
      FBytes[c] = bytes[c];
#ifdef KESTRILON_BYTE_MASK_SSE2
      FWant[c] = _mm_set1_epi8(static_cast<char>(bytes[c]));
#endif
    }
  }
  std::uint64_t operator()(const unsigned char* p) const {
    std::uint64_t mask = 0;
#ifdef KESTRILON_BYTE_MASK_SSE2
    for (int k = 0; k < 4; ++k) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * k));
      __m128i any = _mm_setzero_si128();
      for (std::size_t c = 0; c < FCount; ++c) any = _mm_or_si128(any, _mm_cmpeq_epi8(v, FWant[c]));
      mask |= static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(any))) << (16 * k);
    }
#else
    for (int k = 0; k < 64; ++k)
      for (std::size_t c = 0; c < FCount; ++c)
        mask |= static_cast<std::uint64_t>(p[k] == FBytes[c]) << k;
#endif
    return mask;
  }

 private:
  std::size_t FCount;
  unsigned char FBytes[8] = {};
#ifdef KESTRILON_BYTE_MASK_SSE2
  __m128i FWant[8];
#endif
};

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
