// The whole pipeline with random settings: the first bytes choose the settings and the mode, the
// rest is the text. Checks what must hold for every input, and in code page 932 mode that the
// result is byte for byte the literal step-by-step pipeline's.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <string>
#include <string_view>

#include "Pipeline.h"
#include "Settings.h"
#include "FuzzCheck.h"
#include "ReferencePipeline.h"
#include "UnicodeBridge.h"

namespace {

using kestrilon::filter::FilterSettings;
using kestrilon::filter::SettingKind;

// One byte per setting. Radio groups get -2 to 4 now and then (out-of-range values must leave
// the text alone) but mostly their meaningful values; check boxes take the low bit.
FilterSettings SettingsFrom(const std::uint8_t* bytes) {
  FilterSettings s;
  std::size_t k = 0;
  for (const auto& info : kestrilon::filter::AllSettings()) {
    const std::uint8_t b = bytes[k++];
    if (info.kind == SettingKind::RadioGroup)
      info.SetValue(
          s, b & 0x80 ? static_cast<int>(b % 7) - 2 : static_cast<int>(b % info.items.size()));
    else info.SetValue(s, b & 1);
  }
  return s;
}

// Line breaks as the result of the pipeline has them; added_break: whether the pipeline adds
// one after the last line.
void CheckLineBreaks(std::string_view out, bool joined_lines, bool added_break) {
  for (std::size_t i = 0; i < out.size(); ++i) {
    if (out[i] == '\r') CHECK(i + 1 < out.size() && out[i + 1] == '\n');
    if (out[i] == '\n') {
      CHECK(i > 0 && out[i - 1] == '\r');
      // Joining keeps a break only after the bytes of "。".
      if (joined_lines) CHECK(i >= 3 && out.substr(i - 3, 2) == "\x81\x42");
    }
  }
  // Joined lines end without a break unless empty lines follow a "。" (their breaks vanish, the
  // one after the "。" stays); otherwise every line ends in CR LF, the last one too unless the
  // pipeline leaves out the break it would add there.
  if (!joined_lines && added_break) CHECK(out.empty() || out.substr(out.size() - 2) == "\r\n");
}

// Unicode text with line breaks made CR LF and one added at the end, as loading does.
std::string NormalizedUtf8(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' || text[i] == '\n') {
      out += "\r\n";
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      out += text[i];
    }
  }
  if (!out.empty() && out.back() != '\n') out += "\r\n";
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::size_t settings_size = kestrilon::filter::AllSettings().size();
  if (size < settings_size + 1) return 0;
  const FilterSettings s = SettingsFrom(data);
  const bool utf8_mode = data[settings_size] & 1;
  std::string_view text(reinterpret_cast<const char*>(data) + settings_size + 1,
                        size - settings_size - 1);
  text = text.substr(0, text.find('\0'));  // the clipboard's text ends at a NUL
  const bool joined = s.EnterDeleteMode == kestrilon::filter::Joining::JoinLines;
  const bool added_break =
      !s.KeepLastLineBreak || text.empty() || text.back() == '\r' || text.back() == '\n';

  if (!utf8_mode) {
    const std::string out = kestrilon::filter::Filter().Run(std::string(text), s);
    CHECK(out == kestrilon::filter::reference::ReferenceFilter(text, s));
    CHECK(out.find('\0') == std::string::npos);
    CheckLineBreaks(out, joined, added_break);
    if (!joined && added_break) CHECK(out.empty() == text.empty());
    return 0;
  }

  const auto in = kestrilon::unicode::Utf8ToCp932(text);
  if (in.error != kestrilon::unicode::BridgeError::None) return 0;
  const std::string out = kestrilon::filter::Filter().Run(in.bytes, s);
  CHECK(out.find('\0') == std::string::npos);
  CheckLineBreaks(out, joined, added_break);
  // Whatever the steps did, their result turns back into Unicode with every placeholder found.
  const auto back = kestrilon::unicode::Cp932ToUtf8(out, in.placeholders);
  CHECK(back.error == kestrilon::unicode::BridgeError::None);
  if (s == FilterSettings{}) CHECK(back.text == NormalizedUtf8(text));
  return 0;
}
