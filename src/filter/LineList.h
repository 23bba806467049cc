// The working form of a text during one filter run: an ordered list of lines, none holding CR or
// LF. The list is kept joined (every line followed by CR LF), which is the form every step starts
// from, so a run never splits the text into millions of small strings.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <span>
#include <string>
#include <string_view>

namespace kestrilon::filter {

// The text with CR LF, a lone CR and a lone LF each ending one line and becoming CR LF; a NUL
// byte ends the text; a non-empty text without a final line break gets one; an empty text stays
// empty.
std::string NormalizeLineBreaks(std::string_view text);

// True when NormalizeLineBreaks would return text unchanged.
bool IsNormalized(std::string_view text);

// True when the text, up to a NUL byte, ends in a line break of its own (CR or LF), so that
// NormalizeLineBreaks adds none.
bool EndsInLineBreak(std::string_view text);

class LineList {
 public:
  // Takes the text over (see NormalizeLineBreaks), without a copy when it is already joined.
  // Returns EndsInLineBreak(text), which a joined text tells without a look of its own.
  bool LoadResult(std::string&& text);
  // Every line followed by CR LF, the last included; an empty list gives the empty string.
  std::string_view Join() const { return {FJoined.data(), FLength}; }
  // The joined text, moved out; the list is left empty.
  std::string TakeJoined();

  // Rewrites the text in blocks of whole lines of about kBlock bytes, each in one go:
  // step(block) returns the block's new text, a view of a buffer of the step's or of the block
  // itself. That text goes back into the list's own buffer, behind what has been read, so that
  // a run needs no second buffer the size of the text and each block's passes stay in the
  // cache; where a growing text catches up with what is still to be read, the rest moves on
  // into the buffer's room past the text. For steps that keep the joined form: they neither
  // make nor take apart a line break, or split their result afresh themselves.
  template <typename Step>
  void RewriteInPlace(Step&& step);
  static constexpr std::size_t kBlock = std::size_t{1} << 16;

  // Rewrites the whole text at once within its buffer, for a step that keeps the joined form
  // and never lengthens the text: step(text) gives the new length.
  template <typename Step>
  void ShortenInPlace(Step&& step) {
    FLength = step(std::span<char>(FJoined.data(), FLength));
  }

 private:
  // Room for need more bytes before end, the start of what is still to be read: the text from
  // end to text_end moves on, and both move with it. consumed and produced: how much the
  // rewrite has read and written so far, to judge how much room the rest will want.
  void MakeRoom(std::size_t need, std::size_t& end, std::size_t& text_end, std::size_t consumed,
                std::size_t produced);

  // The text is the first FLength bytes; the rest of the string is room it has touched
  // already, which a growing rewrite uses before asking for more.
  std::string FJoined;
  std::size_t FLength = 0;
};

template <typename Step>
void LineList::RewriteInPlace(Step&& step) {
  std::size_t written = 0, consumed = 0, read = 0, text_end = FLength;
  while (read < text_end) {
    // Up to the line break at or after kBlock bytes on; the text ends in one.
    std::size_t end = text_end;
    if (text_end - read > kBlock) {
      const std::size_t from = read + kBlock - 1;
      end = static_cast<std::size_t>(static_cast<const char*>(std::memchr(FJoined.data() + from,
                                                                          '\n', text_end - from)) -
                                     FJoined.data()) +
            1;
    }
    const std::string_view out = step(std::string_view(FJoined.data() + read, end - read));
    consumed += end - read;
    if (written + out.size() > end)
      MakeRoom(written + out.size() - end, end, text_end, consumed, written + out.size());
    // out may be the block itself, which lies at or after written.
    if (out.data() != FJoined.data() + written)
      std::memmove(FJoined.data() + written, out.data(), out.size());
    written += out.size();
    read = end;
  }
  FLength = written;
}

}  // namespace kestrilon::filter
