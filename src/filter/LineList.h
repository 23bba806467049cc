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

class LineList {
 public:
  // Clears the list and splits text into lines (see NormalizeLineBreaks).
  void Load(std::string_view text);
  // Every line followed by CR LF, the last included; an empty list gives the empty string.
  const std::string& Join() const { return joined_; }
  std::size_t Count() const;

  // Load for a step's result: takes the text over without a copy when it is already joined.
  void LoadResult(std::string&& text);

  // Replaces every line in one pass, the count taken before the first line: fn(out, line)
  // appends the new line to out. It gets a line without its line break and must not add a CR
  // or LF, since the line is put back without being split again.
  template <typename Fn>
  void TransformEachLine(Fn&& fn);

 private:
  std::string joined_;
};

template <typename Fn>
void LineList::TransformEachLine(Fn&& fn) {
  std::string out;
  out.reserve(joined_.size() + joined_.size() / 8);
  std::size_t start = 0;
  while (start < joined_.size()) {
    const std::size_t end = joined_.find("\r\n", start);  // always found: the list is joined
    fn(out, std::string_view(joined_).substr(start, end - start));
    out += "\r\n";
    start = end + 2;
  }
  joined_ = std::move(out);
}

}  // namespace kestrilon::filter
