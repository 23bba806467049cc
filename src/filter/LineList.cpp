#include "LineList.h"

#include <algorithm>
#include <bit>  // std::endian
#include <cstdint>
#include <cstring>

namespace kestrilon::filter {

namespace {

// Bytes equal to b in a word of eight: the top bit of each such byte, exactly (no carries
// between bytes).
constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Full;
constexpr std::uint64_t kOnes = 0x0101010101010101ull;
std::uint64_t BytesEqual(std::uint64_t word, unsigned char b) {
  const std::uint64_t x = word ^ (kOnes * b);
  return ~(((x & kLow7) + kLow7) | x | kLow7);
}

}  // namespace

bool IsNormalized(std::string_view text) {
  const std::size_t n = text.size();
  if (n == 0) return true;
  if (n < 2 || text[n - 2] != '\r' || text[n - 1] != '\n') return false;
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  // Normalized: no NUL, every LF right after a CR, and as many CRs as LFs (then the CRs before
  // the LFs are all the CRs there are: no CR stands alone). Eight bytes at a time.
  std::size_t i = 0;
  if constexpr (std::endian::native == std::endian::little) {
    std::uint64_t crs = 0, lfs = 0, bad = 0, cr_before = 0;  // cr_before: a CR ended the last word
    for (; i + 8 <= n; i += 8) {
      std::uint64_t word;
      std::memcpy(&word, p + i, 8);
      const std::uint64_t cr = BytesEqual(word, '\r'), lf = BytesEqual(word, '\n');
      bad |= BytesEqual(word, '\0') | (lf & ~(cr << 8 | cr_before));
      cr_before = cr >> 56;
      // The top bits moved down to one per byte and summed into the top byte by the multiply
      // (a plain popcount is a library call on the baseline instruction set).
      crs += ((cr >> 7) * kOnes) >> 56;
      lfs += ((lf >> 7) * kOnes) >> 56;
    }
    if (bad) return false;
    for (; i < n; ++i) {  // the last few bytes
      if (p[i] == '\0' || (p[i] == '\n' && (i == 0 || p[i - 1] != '\r'))) return false;
      crs += p[i] == '\r';
      lfs += p[i] == '\n';
    }
    return crs == lfs;
  } else {
    for (; i < n; ++i) {
      if (p[i] > '\r') continue;  // the common case, kept to one test
      if (p[i] == '\0' || p[i] == '\n') return false;
      if (p[i] == '\r') {
        if (p[i + 1] != '\n') return false;  // i + 1 < n: the text ends in CR LF
        ++i;
      }
    }
    return true;
  }
}

std::string NormalizeLineBreaks(std::string_view text) {
  if (IsNormalized(text)) return std::string(text);
  text = text.substr(0, std::min(text.find('\0'), text.size()));
  std::string out;
  out.reserve(text.size() + text.size() / 16 + 2);
  std::size_t i = 0;
  while (i < text.size()) {
    std::size_t end = i;
    while (end < text.size() && text[end] != '\r' && text[end] != '\n') ++end;
    out.append(text, i, end - i);
    out += "\r\n";
    i = end;
    if (i < text.size() && text[i] == '\r') ++i;
    if (i < text.size() && text[i] == '\n') ++i;
  }
  return out;
}

bool EndsInLineBreak(std::string_view text) {
  text = text.substr(0, std::min(text.find('\0'), text.size()));
  return !text.empty() && (text.back() == '\r' || text.back() == '\n');
}

void LineList::Load(std::string_view text) { joined_ = NormalizeLineBreaks(text); }

void LineList::LoadResult(std::string&& text) {
  if (IsNormalized(text))
    joined_ = std::move(text);
  else
    joined_ = NormalizeLineBreaks(text);
}

void LineList::PutBack(std::string_view text, std::size_t read) {
  // The new text keeps its order: while some waits, the rest goes after it.
  if (!waiting_.empty()) {
    waiting_.emplace_back(text);
  } else {
    const std::size_t fit = std::min(text.size(), read - written_);
    if (text.data() != joined_.data() + written_) std::memmove(joined_.data() + written_, text.data(), fit);
    written_ += fit;
    if (fit < text.size()) waiting_.emplace_back(text.substr(fit));
  }
  while (!waiting_.empty() && written_ < read) {
    const std::string& first = waiting_.front();
    const std::size_t fit = std::min(first.size() - waiting_head_, read - written_);
    std::memcpy(joined_.data() + written_, first.data() + waiting_head_, fit);
    written_ += fit;
    waiting_head_ += fit;
    if (waiting_head_ == first.size()) {
      waiting_.pop_front();
      waiting_head_ = 0;
    }
  }
}

void LineList::FinishInPlace() {
  joined_.resize(written_);
  // Block by block, each freed once placed: the waiting text is never held twice.
  for (; !waiting_.empty(); waiting_.pop_front(), waiting_head_ = 0)
    joined_.append(waiting_.front(), waiting_head_);
}

std::size_t LineList::Count() const {
  // Every line ends in CR LF and no line holds an LF, so the LFs count the lines.
  return static_cast<std::size_t>(std::count(joined_.begin(), joined_.end(), '\n'));
}

}  // namespace kestrilon::filter
