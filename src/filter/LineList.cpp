#include "LineList.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "ByteMask.h"

namespace kestrilon::filter {

bool IsNormalized(std::string_view text) {
  const std::size_t n = text.size();
  if (n == 0) return true;
  if (n < 2 || text[n - 2] != '\r' || text[n - 1] != '\n') return false;
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  // Normalized: no NUL, and a CR right before every LF and nowhere else. 64 bytes at a time.
  std::uint64_t bad = 0, cr_before = 0;  // cr_before: a CR ended the last 64
  std::size_t i = 0;
  for (; i + 64 <= n; i += 64) {
    const std::uint64_t cr = EqualMask64(p + i, '\r'), lf = EqualMask64(p + i, '\n');
    bad |= EqualMask64(p + i, '\0') | (lf ^ (cr << 1 | cr_before));
    cr_before = cr >> 63;
  }
  if (bad) return false;
  for (; i < n; ++i) {  // the last few bytes
    const bool after_cr = i > 0 && p[i - 1] == '\r';
    if (p[i] == '\0' || (p[i] == '\n') != after_cr) return false;
  }
  return true;
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
  if (IsNormalized(text)) joined_ = std::move(text);
  else joined_ = NormalizeLineBreaks(text);
}

void LineList::PutBack(std::string_view text, std::size_t read) {
  // The new text keeps its order: while some waits, the rest goes after it.
  if (!waiting_.empty()) {
    waiting_.emplace_back(text);
  } else {
    const std::size_t fit = std::min(text.size(), read - written_);
    if (text.data() != joined_.data() + written_)
      std::memmove(joined_.data() + written_, text.data(), fit);
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
