// kestrilon-filter's allocation: the text's buffers and the character tables in huge pages.
//
// The tool holds a whole text, and the buffers it reads into and grows in are fresh memory, as
// are the tables it builds for its settings. The kernel maps fresh memory a page at a time on
// first touch, and on a virtual machine each such fault can cost more than the filter spends on
// the page's bytes. So memory comes in mappings aligned to 2 MB and marked for transparent huge
// pages, one fault per 2 MB instead of one per 4 KB:
// - a block of 2 MB or more gets a mapping of its own; its pages never touched still cost
//   nothing, so the room a buffer keeps for the text to grow stays free until it is used;
// - a block of 64 KB or more (a table, a block's working buffer) is cut from a shared 2 MB
//   mapping, in whole 4 KB pages; a freed one waits for the next block of its own size, which
//   a run's buffers ask for again and again;
// - smaller blocks go to malloc as before.
// Replacing the global allocation functions is the standard's own way to do this for every
// std::string and std::vector of the program at once.
#ifndef _WIN32

#include <sys/mman.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>

namespace {

constexpr std::size_t kHuge = std::size_t{2} << 20;
constexpr std::size_t kMedium = std::size_t{64} << 10;
constexpr std::size_t kPage = 4096;
// Each block starts with its header: the length of its own mapping (a multiple of 2 MB), the
// length of a block cut from a shared mapping plus kShared (odd), or 0 for a malloc'ed one. Its
// size keeps the block aligned as operator new promises.
constexpr std::size_t kHeader = __STDCPP_DEFAULT_NEW_ALIGNMENT__;
constexpr std::size_t kShared = 1;
static_assert(kHeader >= sizeof(std::size_t));

// A mapping of at least bytes, aligned to 2 MB, or nullptr.
void* MapHuge(std::size_t bytes) {
  // Mapping 2 MB more and cutting off both ends aligns it on any kernel.
  void* const raw =
      mmap(nullptr, bytes + kHuge, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (raw == MAP_FAILED) return nullptr;
  const auto begin = reinterpret_cast<std::uintptr_t>(raw);
  const std::uintptr_t aligned = (begin + kHuge - 1) & ~(kHuge - 1);
  if (aligned > begin) munmap(raw, aligned - begin);
  if (const std::size_t tail = begin + kHuge - aligned)
    munmap(reinterpret_cast<void*>(aligned + bytes), tail);
  madvise(reinterpret_cast<void*>(aligned), bytes, MADV_HUGEPAGE);  // a hint: small pages work too
  return reinterpret_cast<void*>(aligned);
}

// The shared mapping that medium blocks are cut from, and the freed blocks by their size in
// pages, each list linked through the blocks' own first words.
struct Shared {
  std::mutex lock;
  char* next = nullptr;
  char* end = nullptr;
  void* freed[kHuge / kPage + 1] = {};
};
Shared& TheShared() {
  static Shared shared;  // made on first use: allocation may come before other statics
  return shared;
}

// A block of pages * kPage bytes from the shared mappings, or nullptr.
void* Cut(std::size_t pages) {
  Shared& s = TheShared();
  const std::lock_guard<std::mutex> hold(s.lock);
  if (void* const block = s.freed[pages]) {
    std::memcpy(&s.freed[pages], block, sizeof(void*));
    return block;
  }
  const std::size_t bytes = pages * kPage;
  if (static_cast<std::size_t>(s.end - s.next) < bytes) {
    auto* const fresh = static_cast<char*>(MapHuge(kHuge));  // the rest of the old one is left
    if (!fresh) return nullptr;
    s.next = fresh;
    s.end = fresh + kHuge;
  }
  void* const block = s.next;
  s.next += bytes;
  return block;
}

void GiveBack(void* block, std::size_t pages) {
  Shared& s = TheShared();
  const std::lock_guard<std::mutex> hold(s.lock);
  std::memcpy(block, &s.freed[pages], sizeof(void*));
  s.freed[pages] = block;
}

void* Allocate(std::size_t n) {
  if (n > SIZE_MAX - kHeader - kHuge) return nullptr;
  if (n + kHeader >= kHuge) {
    const std::size_t length = (n + kHeader + kHuge - 1) & ~(kHuge - 1);
    if (void* block = MapHuge(length)) {
      *static_cast<std::size_t*>(block) = length;
      return static_cast<char*>(block) + kHeader;
    }
  }
  if (n + kHeader >= kMedium && n + kHeader < kHuge) {
    const std::size_t pages = (n + kHeader + kPage - 1) / kPage;
    if (void* block = Cut(pages)) {
      *static_cast<std::size_t*>(block) = pages * kPage + kShared;
      return static_cast<char*>(block) + kHeader;
    }
  }
  void* block = std::malloc(n + kHeader);
  if (!block) return nullptr;
  *static_cast<std::size_t*>(block) = 0;
  return static_cast<char*>(block) + kHeader;
}

void Release(void* p) noexcept {
  if (!p) return;
  void* const block = static_cast<char*>(p) - kHeader;
  const std::size_t length = *static_cast<std::size_t*>(block);
  if (length & kShared) GiveBack(block, length / kPage);
  else if (length) munmap(block, length);
  else std::free(block);
}

}  // namespace

void* operator new(std::size_t n) {
  for (;;) {
    if (void* p = Allocate(n)) return p;
    const std::new_handler handler = std::get_new_handler();
    if (!handler) throw std::bad_alloc();
    handler();
  }
}
void* operator new[](std::size_t n) { return operator new(n); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept { return Allocate(n); }
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept { return Allocate(n); }
void operator delete(void* p) noexcept { Release(p); }
void operator delete[](void* p) noexcept { Release(p); }
void operator delete(void* p, std::size_t) noexcept { Release(p); }
void operator delete[](void* p, std::size_t) noexcept { Release(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { Release(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { Release(p); }

#endif
