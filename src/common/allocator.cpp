#include "common/allocator.h"

#include <cstdlib>  // defines __GLIBC__ on the GNU C library

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace corvex {

void keepFreedMemoryForReuse() {
#if defined(__GLIBC__)
    constexpr int kMiB = 1024 * 1024;
    // Blocks below 32 MiB come from the heap, which is trimmed only when
    // 64 MiB lie free at its top, and grows 16 MiB at a time.
    mallopt(M_MMAP_THRESHOLD, 32 * kMiB);
    mallopt(M_TRIM_THRESHOLD, 64 * kMiB);
    mallopt(M_TOP_PAD, 16 * kMiB);
#endif
}

}  // namespace corvex
