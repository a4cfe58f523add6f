// Large texts and the cost of touching them for the first time.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace vantrel {

// Asks the system to back the reserved storage [data, data + size) with huge pages where it
// can. A recording of 100 MB becomes a bit string of that size and a debug report about as
// large; the system hands out fresh memory one 4 KB page at a time, and on a virtual machine
// each of those 50,000 first touches costs about as much as all the decoding together. With
// 2 MB pages they are a few dozen.
//
// Only a hint, given before anything is written: it never changes the contents, is ignored
// where huge pages are off or the range holds no whole huge page, and is a no-op on systems
// without such advice.
inline void AdviseHugePages(const char* data, std::size_t size) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    constexpr std::uintptr_t HugePage = std::uintptr_t{1} << 21;
    const auto start = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t first = (start + HugePage - 1) & ~(HugePage - 1);
    const std::uintptr_t end = (start + size) & ~(HugePage - 1);
    if (end > first) {
        // NOLINTNEXTLINE(performance-no-int-to-ptr): the range lies inside our own buffer
        ::madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
    }
#else
    (void)data;
    (void)size;
#endif
}

} // namespace vantrel
