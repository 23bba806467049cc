// kestrilon-filter's allocation: the text's buffers in huge pages.
//
// The tool holds a whole text, and the buffers it reads into and grows in are fresh memory. The
// kernel maps fresh memory a page at a time on first touch, and on a virtual machine each such
// fault can cost more than the filter spends on the page's bytes. A buffer of 2 MB or more
// therefore gets a mapping of its own, aligned to 2 MB and marked for transparent huge pages:
// one fault per 2 MB instead of one per 4 KB. Pages never touched still cost nothing, so the
// room a buffer keeps for the text to grow stays free until it is used. Smaller blocks go to
// malloc as before. Replacing the global allocation functions is the standard's own way to do
// this for every std::string and std::vector of the program at once.
#ifndef _WIN32

#include <sys/mman.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>

namespace {

constexpr std::size_t kHuge = std::size_t{2} << 20;
// Each block starts with its header: the length of its own mapping, or 0 for a malloc'ed one.
// Its size keeps the block aligned as operator new promises.
constexpr std::size_t kHeader = __STDCPP_DEFAULT_NEW_ALIGNMENT__;
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

void* Allocate(std::size_t n) {
  if (n > SIZE_MAX - kHeader - kHuge) return nullptr;
  if (n + kHeader >= kHuge) {
    const std::size_t length = (n + kHeader + kHuge - 1) & ~(kHuge - 1);
    if (void* block = MapHuge(length)) {
      *static_cast<std::size_t*>(block) = length;
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
  if (const std::size_t length = *static_cast<std::size_t*>(block)) munmap(block, length);
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
