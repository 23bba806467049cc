// The working form of a text during one filter run: an ordered list of lines, none holding CR or
// LF. The list is kept joined (every line followed by CR LF), which is the form every step starts
// from, so a run never splits the text into millions of small strings.
#pragma once

#include <cstddef>
#include <deque>
#include <string>
#include <string_view>

namespace kestrilon::filter {

// Join(Load(text)) in one pass: CR LF, a lone CR and a lone LF each end one line and become CR LF;
// a NUL byte ends the text; a non-empty text without a final line break gets one; an empty text
// stays empty.
std::string NormalizeLineBreaks(std::string_view text);

// True when NormalizeLineBreaks would return text unchanged.
bool IsNormalized(std::string_view text);

// True when the text, up to a NUL byte, ends in a line break of its own (CR or LF), so that
// NormalizeLineBreaks adds none.
bool EndsInLineBreak(std::string_view text);

class LineList {
 public:
  // Clears the list and splits text into lines (see NormalizeLineBreaks).
  void Load(std::string_view text);
  // Every line followed by CR LF, the last included; an empty list gives the empty string.
  const std::string& Join() const { return FJoined; }
  // The joined text, moved out; the list is left empty.
  std::string TakeJoined() { return std::move(FJoined); }
  std::size_t Count() const;

  // Load for a step's result: takes the text over without a copy when it is already joined.
  void LoadResult(std::string&& text);

  // Rewrites the text in blocks of whole lines of about kBlock bytes, each in one go:
  // step(block) returns the block's new text, a view of a buffer of the step's or of the block
  // itself. That text goes back into the list's own buffer, behind what has been read, so that
  // a run needs no second buffer the size of the text and each block's passes stay in the
  // cache; what a growing text cannot yet place there waits in blocks of its own. For steps
  // that keep the joined form: they neither make nor take apart a line break, or split their
  // result afresh themselves.
  template <typename Step>
  void RewriteInPlace(Step&& step);
  static constexpr std::size_t kBlock = std::size_t{1} << 16;

  // Rewrites the whole text at once within its buffer, for a step that keeps the joined form
  // and never lengthens the text.
  template <typename Step>
  void ShortenInPlace(Step&& step) {
    step(FJoined);
  }

  // Replaces every line in one pass, the count taken before the first line: fn(out, line)
  // appends the new line to out. It gets a line without its line break and must not add a CR
  // or LF, since the line is put back without being split again.
  template <typename Fn>
  void TransformEachLine(Fn&& fn);

 private:
  // Empties the spare buffer. The two buffers take turns for the whole run, so it keeps its room
  // unless it is too small for the text: every fresh buffer of a large text costs a page fault
  // per page.
  void PrepareSpare() {
    FSpare.clear();
    // Room to double: only the pages a step writes are ever touched, and a step that outgrows
    // its buffer copies what it wrote into a fresh one.
    if (FSpare.capacity() < FJoined.size() + FJoined.size() / 32 + 16)
      FSpare.reserve(2 * FJoined.size() + 16);
  }

  // Writes a block's new text at the front of the buffer: read is where reading has got to.
  void PutBack(std::string_view text, std::size_t read);
  void FinishInPlace();

  std::string FJoined;
  std::string FSpare;  // TransformEachLine's
  // RewriteInPlace: the new text before FWritten in FJoined is final; the rest waits in
  // FWaiting, from FWaitingHead in its first block on.
  std::size_t FWritten = 0;
  std::deque<std::string> FWaiting;
  std::size_t FWaitingHead = 0;
};

template <typename Step>
void LineList::RewriteInPlace(Step&& step) {
  FWritten = 0;
  const std::size_t n = FJoined.size();
  std::size_t read = 0;
  while (read < n) {
    // Up to the line break at or after kBlock bytes on; the text ends in one.
    std::size_t end = n;
    if (n - read > kBlock) end = std::min(n, FJoined.find('\n', read + kBlock - 1) + 1);
    const std::string_view out = step(std::string_view(FJoined).substr(read, end - read));
    PutBack(out, end);
    read = end;
  }
  FinishInPlace();
}

template <typename Fn>
void LineList::TransformEachLine(Fn&& fn) {
  PrepareSpare();
  std::string& out = FSpare;
  const std::string_view text = FJoined;
  std::size_t start = 0;
  while (start < text.size()) {
    // Always found, and preceded by the line's CR: the list is joined.
    const std::size_t lf = text.find('\n', start);
    fn(out, text.substr(start, lf - 1 - start));
    out += "\r\n";
    start = lf + 1;
  }
  FJoined.swap(out);
}

}  // namespace kestrilon::filter
