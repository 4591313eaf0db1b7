#include "platform/large_buffer.hpp"

#include <cstdlib>

#if defined(__linux__)
#include <sys/mman.h>
#endif
#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace qb {
namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;
constexpr std::size_t kLargeBuffer = std::size_t{1} << 20;
constexpr std::size_t kPage = 4096;
// Up to this size a buffer is padded to whole huge pages; above it the tail
// that fills no whole huge page takes ordinary pages, so that the padding
// of the largest matrices does not add to the peak.
constexpr std::size_t kPaddedBuffer = std::size_t{16} << 20;

std::size_t rounded_up(std::size_t bytes, std::size_t unit) { return (bytes + unit - 1) / unit * unit; }

}  // namespace

void* allocate_large_buffer(std::size_t bytes) {
  if (bytes < kLargeBuffer) return ::operator new(bytes);
  const std::size_t size = rounded_up(bytes, bytes <= kPaddedBuffer ? kHugePage : kPage);
  // posix_memalign, unlike aligned_alloc, takes a size that is no multiple
  // of the alignment.
  void* buffer = nullptr;
  if (posix_memalign(&buffer, kHugePage, size) != 0) throw std::bad_alloc();
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  // Only advice: without huge pages the buffer is an ordinary one.
  madvise(buffer, size, MADV_HUGEPAGE);
#endif
  return buffer;
}

void free_large_buffer(void* buffer, std::size_t bytes) {
  if (bytes < kLargeBuffer) {
    ::operator delete(buffer);
    return;
  }
  std::free(buffer);
}

void release_free_memory() {
#if defined(__GLIBC__) && (__GLIBC__ > 2 || __GLIBC_MINOR__ >= 33)
  // Memory handed back is faulted in again when it is used again: only a
  // large amount is worth it.
  constexpr std::size_t kWorthReleasing = std::size_t{16} << 20;
  if (mallinfo2().fordblks >= kWorthReleasing) malloc_trim(0);
#endif
}

}  // namespace qb
