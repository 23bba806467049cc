// Code page 932's own facts: the case fold, checked over every code against the C library's
// Unicode case tables.
#include <gtest/gtest.h>

#include <clocale>
#include <cwctype>

#include "CodePage932.h"
#include "StepForms.h"
#include "TestText.h"

namespace kestrilon::filter {
namespace {

using test::AssignedCodes;
using test::Bytes;
using test::Encode;

TEST(CodePage932, CaseMappingFollowsUnicodeForLatinGreekCyrillic) {
  ASSERT_NE(std::setlocale(LC_CTYPE, "C.UTF-8"), nullptr);
  for (const auto& [code, u] : AssignedCodes()) {
    const bool letter = (u >= 0xFF21 && u <= 0xFF5A) || (u >= 0x0391 && u <= 0x03C9) ||
                        (u >= 0x0401 && u <= 0x0451);
    auto mapped = [&](wint_t (*f)(wint_t)) {
      if (!letter) return Bytes(code);
      auto e = Encode(static_cast<char32_t>(f(static_cast<wint_t>(u))));
      return e ? *e : Bytes(code);
    };
    ASSERT_EQ(CharUpperSjis(Bytes(code)), mapped(std::towupper)) << std::hex << code;
    ASSERT_EQ(CharLowerSjis(Bytes(code)), mapped(std::towlower)) << std::hex << code;
  }
  for (unsigned b = 0; b < 256; ++b) {
    if (IsLeadByte(static_cast<unsigned char>(b))) continue;
    const std::string one(1, static_cast<char>(b));
    const bool ascii_letter = (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z');
    ASSERT_EQ(CharUpperSjis(one),
              ascii_letter ? std::string(1, static_cast<char>(std::toupper(b))) : one);
    ASSERT_EQ(CharLowerSjis(one),
              ascii_letter ? std::string(1, static_cast<char>(std::tolower(b))) : one);
  }
}

}  // namespace
}  // namespace kestrilon::filter
