// kestrilon-filter's allocation functions, linked into this program as into the tool: every
// block usable to its last byte, large ones in mappings of their own that the kernel may back
// with huge pages (its own account in /proc/self/smaps says so), failures reported as the
// standard says.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <new>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr std::uintptr_t kHuge = std::uintptr_t{2} << 20;

// The kernel's THPeligible for the mapping that holds p, or -1 when none is found.
int HugePageEligible(const void* p) {
  std::ifstream smaps("/proc/self/smaps");
  const auto at = reinterpret_cast<std::uintptr_t>(p);
  bool inside = false;
  for (std::string line; std::getline(smaps, line);) {
    std::uintptr_t from = 0, to = 0;
    char dash = 0;
    if (std::sscanf(line.c_str(), "%lx%c%lx", &from, &dash, &to) == 3 && dash == '-') {
      inside = from <= at && at < to;
    } else if (inside && line.rfind("THPeligible:", 0) == 0) {
      return std::stoi(line.substr(12));
    }
  }
  return -1;
}

bool HugePagesOnRequest() {
  std::ifstream mode("/sys/kernel/mm/transparent_hugepage/enabled");
  std::string text;
  std::getline(mode, text);
  return text.find("[never]") == std::string::npos && !text.empty();
}

TEST(LargeBlocks, EveryBlockHoldsItsBytesAndLargeOnesLieInHugePages) {
  enum Where { kMalloc, kShared, kOwn };
  struct Case {
    std::size_t bytes;
    Where where;
  };
  // clang-format off
  const Case cases[] = {
      {1, kMalloc},
      {4096, kMalloc},
      {(64 << 10) - 17, kMalloc},  // with its header, one byte short of 64 KB
      {(64 << 10) - 16, kShared},
      {300 << 10, kShared},
      {kHuge - 17, kShared},       // with its header, one byte short of a huge page
      {kHuge - 16, kOwn},
      {kHuge, kOwn},
      {3 * kHuge + 5, kOwn},
      {20 << 20, kOwn},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bytes);
    std::vector<unsigned char> block(c.bytes);
    for (std::size_t k = 0; k < c.bytes; ++k) block[k] = static_cast<unsigned char>(k * 7);
    for (std::size_t k = 0; k < c.bytes; k += 4093)
      ASSERT_EQ(block[k], static_cast<unsigned char>(k * 7));
    ASSERT_EQ(block.back(), static_cast<unsigned char>((c.bytes - 1) * 7));
    const auto at = reinterpret_cast<std::uintptr_t>(block.data());
    EXPECT_EQ(at % __STDCPP_DEFAULT_NEW_ALIGNMENT__, 0u);
    if (c.where == kOwn) {
      EXPECT_EQ(at & (kHuge - 1), __STDCPP_DEFAULT_NEW_ALIGNMENT__)
          << "a large block starts right after its header, at a 2 MB boundary";
    }
    if (c.where != kMalloc && HugePagesOnRequest()) {
      EXPECT_EQ(HugePageEligible(block.data()), 1);
    }
  }
}

TEST(LargeBlocks, SharedBlocksNeverOverlapAndAFreedOneIsTakenAgain) {
  // More than one shared mapping's worth, freed in the middle and at the end and taken again by
  // blocks of their size: each block keeps its own bytes throughout, and a run's buffers, made
  // and freed again and again, take no more memory.
  std::vector<std::vector<std::uint32_t>> blocks;
  for (std::uint32_t k = 0; k < 40; ++k) blocks.emplace_back(25'000, k);
  const void* const last = blocks.back().data();
  blocks.pop_back();
  blocks.emplace_back(25'000, 39);
  EXPECT_EQ(blocks.back().data(), last);
  blocks[5] = std::vector<std::uint32_t>(25'000, 5);  // the old one freed after the new one is cut
  blocks[20] = std::vector<std::uint32_t>();
  for (std::uint32_t k = 40; k < 45; ++k) blocks.emplace_back(25'000, k);
  for (std::uint32_t k = 0; k < 45; ++k)
    if (k != 20) {
      ASSERT_EQ(std::count(blocks[k].begin(), blocks[k].end(), k), 25'000) << k;
    }
  std::set<const void*> seen;
  for (int k = 0; k < 1000; ++k) {
    const std::vector<char> a(100'000), b(300'000);
    seen.insert(a.data());
    seen.insert(b.data());
  }
  EXPECT_EQ(seen.size(), 2u);
}

TEST(LargeBlocks, AGrowingStringKeepsItsText) {
  std::string text;
  for (std::size_t k = 0; text.size() < (9u << 20); ++k) text += "行" + std::to_string(k);
  std::string copy = text;
  copy.reserve(30u << 20);
  EXPECT_EQ(copy, text);
}

TEST(LargeBlocks, WhatCannotBeHadIsReportedAsTheStandardSays) {
  volatile std::size_t too_much = SIZE_MAX - 8;  // past any size, and past the header's room
  EXPECT_EQ(::operator new(too_much, std::nothrow), nullptr);
  EXPECT_THROW(static_cast<void>(::operator new(too_much)), std::bad_alloc);
  static int handled = 0;
  std::set_new_handler([] {
    ++handled;
    std::set_new_handler(nullptr);  // the next try throws
  });
  too_much = SIZE_MAX / 2;  // past the address space
  EXPECT_THROW(static_cast<void>(::operator new(too_much)), std::bad_alloc);
  EXPECT_EQ(handled, 1);
  ::operator delete(nullptr);
}

}  // namespace
