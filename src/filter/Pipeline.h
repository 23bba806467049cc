// The filter pipeline: every step the settings switch on, in their fixed order, over one text.
#pragma once

#include <string>
#include <string_view>

#include "LineList.h"
#include "Settings.h"

namespace kestrilon::filter {

// Every step but the final join, in their fixed order, each as its setting asks; the list holds
// the result.
void ApplySteps(LineList& lines, const FilterSettings& settings);

// The text the write-back leaves on the clipboard: the joined list, or when joining lines
// (Joining::JoinLines) the lines joined with a line break kept only after a line ending in the bytes of "。".
std::string FinalText(LineList&& lines, const FilterSettings& settings);

// Load, ApplySteps, FinalText: a code page 932 text in, the filtered text out. A NUL byte ends
// the input, as it ends a clipboard text. Taken by value so that a caller can move its buffer in;
// the steps take turns between that buffer and a second one, which the caller may lend too
// (its contents are dropped). Buffers with room for some growth save allocations on the way.
// The spare buffer of a run is kept (on this thread) for the next one; a caller that filters
// seldom, like the tray program between two copies, gives it back here.
std::string FilterText(std::string sjis, const FilterSettings& settings, std::string spare = {});
void ReleaseKeptBuffer() noexcept;

}  // namespace kestrilon::filter
