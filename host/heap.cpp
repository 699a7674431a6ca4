#include "heap.h"

#include <malloc.h>
#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>

namespace rkhost {
namespace {

constexpr uintptr_t kHugePage = uintptr_t{2} << 20;
constexpr uintptr_t kPage = 4096;
// glibc's chunk header: the size word before the user pointer, and the
// allocator's alignment.
constexpr uintptr_t kChunkHeader = 16;
constexpr size_t kSizeWord = 8;
// Setting any mmap threshold ends glibc's own adjustment of it, which
// raises it up to 32 MiB as large blocks are freed; fixed at that top, large
// buffers (a reply, a result document) are reused from the heap instead of
// being mapped and faulted in afresh every time they grow.
constexpr int kMmapThreshold = 32 << 20;
constexpr int kDefaultTopPad = 128 << 10;
// Above the heap one huge page can hold, so the top of the heap is never
// given back while the huge page is in use.
constexpr int kTrimThreshold = 8 << 20;

}  // namespace

bool prepareHeap() {
    // The filler below is larger than the usual threshold above which malloc
    // maps blocks of their own; it must come from the heap.
    if (mallopt(M_MMAP_THRESHOLD, kMmapThreshold) == 0) return false;
    mallopt(M_TRIM_THRESHOLD, kTrimThreshold);

    // Where the free top of the heap starts: a block taken from it and given
    // back (it merges with the top again).
    char* probe = static_cast<char*>(std::malloc(64 << 10));
    if (probe == nullptr) return false;
    const uintptr_t top = reinterpret_cast<uintptr_t>(probe) - kChunkHeader;
    std::free(probe);

    // A filler block, held for the life of the process and never touched,
    // covers the heap up to one page before the next 2 MiB boundary: malloc
    // writes the header of the remaining top there, so no page of the huge
    // range is touched before the advice is given (a range with one small
    // page already in it is never backed by a huge page).
    const uintptr_t huge = (top + (64 << 10) + kHugePage - 1) & ~(kHugePage - 1);
    mallopt(M_TOP_PAD, static_cast<int>(kHugePage + (64 << 10)));
    void* filler = std::malloc(huge - kPage - top - kSizeWord);
    mallopt(M_TOP_PAD, kDefaultTopPad);
    if (filler == nullptr) return false;
    if (reinterpret_cast<uintptr_t>(filler) - kChunkHeader != top) {
        std::free(filler);  // not the expected layout: leave the heap as it is
        return false;
    }
    static void* const held = filler;  // reachable, so leak checkers see no loss
    (void)held;
    return madvise(reinterpret_cast<void*>(huge), kHugePage, MADV_HUGEPAGE) == 0;
}

}  // namespace rkhost
