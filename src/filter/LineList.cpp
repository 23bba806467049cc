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

void LineList::Load(std::string_view text) { FJoined = NormalizeLineBreaks(text); }

void LineList::LoadResult(std::string&& text) {
  if (IsNormalized(text)) FJoined = std::move(text);
  else FJoined = NormalizeLineBreaks(text);
}

void LineList::PutBack(std::string_view text, std::size_t read) {
  // The new text keeps its order: while some waits, the rest goes after it.
  if (!FWaiting.empty()) {
    FWaiting.emplace_back(text);
  } else {
    const std::size_t fit = std::min(text.size(), read - FWritten);
    if (text.data() != FJoined.data() + FWritten)
      std::memmove(FJoined.data() + FWritten, text.data(), fit);
    FWritten += fit;
    if (fit < text.size()) FWaiting.emplace_back(text.substr(fit));
  }
  while (!FWaiting.empty() && FWritten < read) {
    const std::string& first = FWaiting.front();
    const std::size_t fit = std::min(first.size() - FWaitingHead, read - FWritten);
    std::memcpy(FJoined.data() + FWritten, first.data() + FWaitingHead, fit);
    FWritten += fit;
    FWaitingHead += fit;
    if (FWaitingHead == first.size()) {
      FWaiting.pop_front();
      FWaitingHead = 0;
    }
  }
}

void LineList::FinishInPlace() {
  FJoined.resize(FWritten);
  // Block by block, each freed once placed: the waiting text is never held twice.
  for (; !FWaiting.empty(); FWaiting.pop_front(), FWaitingHead = 0)
    FJoined.append(FWaiting.front(), FWaitingHead);
}

std::size_t LineList::Count() const {
  // Every line ends in CR LF and no line holds an LF, so the LFs count the lines.
  return static_cast<std::size_t>(std::count(FJoined.begin(), FJoined.end(), '\n'));
}

}  // namespace kestrilon::filter
