// Storage for the large matrices of a data set.
//
// A fresh page of memory costs a fault when it is first written, and on
// virtual machines a fault can cost microseconds: the matrices of a long
// site would spend more time being mapped than being computed. Buffers of a
// megabyte and more are therefore asked to be backed by huge pages
// (where the kernel offers transparent huge pages), which cuts the faults
// by a factor of 512. Buffers under a megabyte come from the ordinary
// allocator.
#pragma once

#include <cstddef>
#include <new>

namespace qb {

// Allocates at least `bytes` bytes, aligned for huge pages when large.
void* allocate_large_buffer(std::size_t bytes);
void free_large_buffer(void* buffer, std::size_t bytes);

// Hands the memory that finished work freed back to the system. Work spread
// over threads frees its storage into each thread's own pool, where it
// would otherwise stay resident, with every thread's share, through the
// stages after it.
void release_free_memory();

template <class T>
struct LargeBufferAllocator {
  using value_type = T;
  LargeBufferAllocator() = default;
  template <class U>
  LargeBufferAllocator(const LargeBufferAllocator<U>&) {}
  T* allocate(std::size_t n) { return static_cast<T*>(allocate_large_buffer(n * sizeof(T))); }
  void deallocate(T* p, std::size_t n) { free_large_buffer(p, n * sizeof(T)); }
  template <class U>
  bool operator==(const LargeBufferAllocator<U>&) const {
    return true;
  }
};

}  // namespace qb
