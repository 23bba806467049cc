// The working form of a text during one filter run: an ordered list of lines, none holding CR or
// LF. The list is kept joined (every line followed by CR LF), which is the form every step starts
// from, so a run never splits the text into millions of small strings.
#pragma once

#include <cstddef>
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
  const std::string& Join() const { return joined_; }
  // The joined text, moved out; the list is left empty.
  std::string TakeJoined() { return std::move(joined_); }
  std::size_t Count() const;

  // Load for a step's result: takes the text over without a copy when it is already joined.
  void LoadResult(std::string&& text);

  // Replaces the text by what step(out, text) appends to an empty out, in the list's spare
  // buffer, so that a run of steps allocates once. For steps that keep the joined form: they
  // neither make nor take apart a line break.
  template <typename Step>
  void Rewrite(Step&& step) {
    PrepareSpare();
    step(spare_, std::string_view(joined_));
    joined_.swap(spare_);
  }

  // The last step of a run, which need not keep the joined form: its result, moved out.
  template <typename Step>
  std::string TakeRewritten(Step&& step) {
    Rewrite(step);
    return TakeJoined();
  }

  // The second buffer, moved out (empty, with whatever room it has).
  std::string TakeSpare() {
    spare_.clear();
    return std::move(spare_);
  }

  // Lends the list a second buffer for its steps to write into; it is used if it is larger than
  // the one the list has (a caller that made room for the whole run saves an allocation).
  void LendSpare(std::string&& spare) {
    if (spare.capacity() > spare_.capacity()) spare_ = std::move(spare);
  }

  // The same as Rewrite for a step that may leave a lone CR or LF: its result is split afresh.
  template <typename Step>
  void RewriteAndSplit(Step&& step) {
    Rewrite(step);
    if (!IsNormalized(joined_)) joined_ = NormalizeLineBreaks(joined_);
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
    spare_.clear();
    // Room to double: only the pages a step writes are ever touched, and a step that outgrows
    // its buffer copies what it wrote into a fresh one.
    if (spare_.capacity() < joined_.size() + joined_.size() / 32 + 16) spare_.reserve(2 * joined_.size() + 16);
  }

  std::string joined_;
  std::string spare_;
};

template <typename Fn>
void LineList::TransformEachLine(Fn&& fn) {
  PrepareSpare();
  std::string& out = spare_;
  const std::string_view text = joined_;
  std::size_t start = 0;
  while (start < text.size()) {
    // Always found, and preceded by the line's CR: the list is joined.
    const std::size_t lf = text.find('\n', start);
    fn(out, text.substr(start, lf - 1 - start));
    out += "\r\n";
    start = lf + 1;
  }
  joined_.swap(out);
}

}  // namespace kestrilon::filter
