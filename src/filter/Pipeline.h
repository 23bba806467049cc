// The filter pipeline: every step the settings switch on, in their fixed order, over one text.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "Settings.h"

namespace kestrilon::filter {

// The pipeline, with what it keeps from one run to the next: the character maps built for the
// last few settings (building one visits every character). Its caller decides how long that
// lives: the tray program keeps one filter for its life, kestrilon-filter one for its run. Not
// for two threads at once.
class Filter {
 public:
  Filter();
  ~Filter();
  Filter(Filter&&) noexcept;
  Filter& operator=(Filter&&) noexcept;

  // A code page 932 text in, the filtered text out: the text the write-back leaves on the
  // clipboard. A NUL byte ends the input, as it ends a clipboard text. Taken by value so that a
  // caller can move its buffer in: the steps write their result back into it, block by block,
  // so a buffer with room for the text's growth saves the last copy.
  std::string Run(std::string sjis, const FilterSettings& settings);

  // The kept character maps; only the pipeline knows them.
  struct Maps;

 private:
  std::unique_ptr<Maps> FMaps;
};

}  // namespace kestrilon::filter
