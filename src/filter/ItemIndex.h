// The item a list of count items holds for an index it is given: below -1 is -1 (nothing
// selected), past the end the last item. The dialog's radio groups and kestrilon-filter both take
// a stored index through this, so that the tool filters exactly as the program does.
#pragma once

#include <algorithm>

namespace kestrilon::filter {

constexpr int ClampItemIndex(long long index, int count) {
  return static_cast<int>(std::clamp<long long>(index, -1, count - 1LL));
}

}  // namespace kestrilon::filter
