// Agent replies of a given size, as the data agent writes them, for the
// microbenchmarks.
#pragma once

#include <cstdint>
#include <string>

namespace rkbench {

// Sizes every benchmark runs at: the generated systems of bench/run.py.
inline constexpr int64_t kSmall = 16, kMedium = 256, kLarge = 2048;

// A getArrayDisksForChannel reply with n disks in enclosures of a
// protocol-8 connector, every element the agent answers for a disk.
std::string diskReply(int n);

// A getVirtualDisksForController reply with n virtual disks.
std::string virtualDiskReply(int n);

}  // namespace rkbench
