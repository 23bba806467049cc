// The Unicode bridge alone: any bytes as UTF-8, as UTF-16 and as code page 932.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "UnicodeBridge.h"

namespace {

using namespace kestrilon::unicode;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  // UTF-8: valid text comes back byte for byte; invalid text is refused at a point before
  // which everything is valid.
  const Cp932Text sjis = Utf8ToCp932(bytes);
  if (sjis.error == BridgeError::None) {
    const auto back = Cp932ToUtf8(sjis.bytes, sjis.placeholders);
    CHECK(back.error == BridgeError::None);
    CHECK(back.text == bytes);
  } else {
    CHECK(sjis.error == BridgeError::InvalidUtf8);
    CHECK(sjis.offset < size);
    CHECK(sjis.bytes.empty());
    CHECK(Utf8ToCp932(bytes.substr(0, sjis.offset)).error == BridgeError::None);
  }

  // UTF-16, lone surrogates included: always converts and comes back unit for unit.
  std::u16string utf16;
  for (std::size_t i = 0; i + 1 < size; i += 2)
    utf16 += static_cast<char16_t>(data[i] | data[i + 1] << 8);
  const Cp932Text from16 = Utf16ToCp932(utf16);
  CHECK(from16.error == BridgeError::None);
  const auto back16 = Cp932ToUtf16(from16.bytes, from16.placeholders);
  CHECK(back16.error == BridgeError::None);
  CHECK(back16.text == utf16);

  // Code page 932 with no placeholders: what decodes encodes again to the same characters.
  const auto decoded = Cp932ToUtf8(bytes, Placeholders{});
  if (decoded.error == BridgeError::None) {
    const Cp932Text again = Utf8ToCp932(decoded.text);
    CHECK(again.error == BridgeError::None);
    CHECK(again.placeholders.Count() == 0);
    CHECK(Cp932ToUtf8(again.bytes, again.placeholders).text == decoded.text);
  } else {
    CHECK(decoded.offset < size);
  }
  return 0;
}
