// The heap preparation must leave malloc fully usable, whatever it decided,
// and when it reports success the advised range must be a huge-page
// candidate that no small page was faulted into beforehand.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "heap.h"

namespace {

// The VmFlags line of the mapping of /proc/self/smaps that holds address.
std::string vmFlagsAt(uintptr_t address) {
    std::ifstream smaps("/proc/self/smaps");
    std::string line;
    bool inside = false;
    while (std::getline(smaps, line)) {
        unsigned long from = 0, to = 0;
        if (std::sscanf(line.c_str(), "%lx-%lx ", &from, &to) == 2 && line.find(':') > line.find(' ')) {
            inside = address >= from && address < to;
            continue;
        }
        if (inside && line.rfind("VmFlags:", 0) == 0) return line;
    }
    return "";
}

TEST(Heap, MallocStaysUsableAfterPreparation) {
    const bool prepared = rkhost::prepareHeap();
    std::vector<void*> blocks;
    for (size_t size : {1u, 24u, 1000u, 4096u, 100000u, 200000u, 5000000u}) {
        void* p = std::malloc(size);
        ASSERT_NE(p, nullptr) << size;
        std::memset(p, 0x5a, size);
        blocks.push_back(p);
    }
    for (void* p : blocks) std::free(p);
    // Preparing twice only costs another filler; it never breaks the heap.
    rkhost::prepareHeap();
    void* again = std::malloc(3000);
    ASSERT_NE(again, nullptr);
    std::free(again);
    SUCCEED() << (prepared ? "huge page requested" : "heap left as it was");
}

// In a fresh process (the heap of this one has been through every other
// test) the preparation takes effect under the C library's allocator, and
// the blocks that follow lie in the advised range.
TEST(Heap, AFreshProcessGetsTheAdvisedRange) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer's allocator is left alone";
#endif
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            if (!rkhost::prepareHeap()) std::_Exit(2);
            char* block = static_cast<char*>(std::malloc(64 << 10));
            const uintptr_t end = reinterpret_cast<uintptr_t>(block) + (64 << 10) - 1;
            const std::string flags = vmFlagsAt(end);
            std::free(block);
            std::_Exit(flags.find(" hg") != std::string::npos ? 0 : 3);
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace
