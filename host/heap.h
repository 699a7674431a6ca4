// Start-up preparation of the process heap.
#pragma once

namespace rkhost {

// Every command touches roughly a megabyte of heap: the agent's reply, its
// DOM, the compiled style sheet and SQLite's working memory. On virtual
// machines each first touch of a 4 KiB page is a costly fault (about 10 us,
// measured), so a command spends more time faulting heap pages in than
// working. This backs the next 2 MiB of the heap with one transparent huge
// page where the kernel offers them (one fault instead of hundreds).
//
// Call it once, before the work that fills the heap. It only ever asks
// malloc for memory and gives advice to the kernel: where the allocator is
// not the C library's own (sanitizers, valgrind) or the heap is not laid out
// as expected, it changes nothing. Returns true when the huge page was
// requested.
bool prepareHeap();

}  // namespace rkhost
