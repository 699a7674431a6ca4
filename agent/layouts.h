// RAID layouts: their bits (as the Layout element carries them), the disk
// count each needs, how much of the disks' space holds data, and how many
// failed members each survives.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kwda {

namespace layout {
inline constexpr uint32_t Concat = 1;
inline constexpr uint32_t Raid0 = 2;
inline constexpr uint32_t Raid1 = 4;
inline constexpr uint32_t Raid5 = 64;
inline constexpr uint32_t Raid6 = 128;
inline constexpr uint32_t Raid10 = 512;
inline constexpr uint32_t Raid50 = 2048;
inline constexpr uint32_t Raid1Concat = 4096;
inline constexpr uint32_t Raid60 = 262144;
}  // namespace layout

// The smallest virtual disk the model creates: 100 MiB.
inline constexpr int64_t kMinimumVirtualDiskBytes = 100LL * 1024 * 1024;

struct LayoutRule {
    uint32_t bit;
    const char* word;        // as users type it: "r5"
    int minDisks;
    bool exactlyMinimum;     // r1: exactly two
    bool even;               // r10, r1c
    bool spanned;            // r50, r60: spans of SpanLength disks
    int minSpan;             // disks per span at least
    int paritySpan;          // disks per span (or per set) that hold redundancy
    bool redundant;          // survives a failed member
    bool resizable;          // the size can grow in a reconfiguration
};

// All layouts in ascending bit order.
const std::vector<LayoutRule>& layoutRules();
const LayoutRule* layoutRule(uint32_t bit);
// "r5", or the bit in decimal for an unknown one.
std::string layoutWord(uint32_t bit);

// Why n disks (and span, for spanned layouts) cannot form the layout, or
// nullopt when they can.
// How messages name a layout: "RAID-5 (r5)", "concatenation (c)".
std::string layoutTitle(const LayoutRule& rule);

std::optional<std::string> diskCountProblem(const LayoutRule& rule, int disks, int span);
// How many disks' worth of space holds data.
int64_t dataDisks(const LayoutRule& rule, int disks, int span);
// The bytes each member gives to a virtual disk of `length` bytes.
int64_t bytesPerMember(const LayoutRule& rule, int disks, int span, int64_t length);

// The health of a virtual disk from its members in order (true = working):
// "Ready", "Degraded" or "Failed".
const char* virtualDiskHealth(const LayoutRule& rule, int span, const std::vector<bool>& working);

// Words of stripe-size and policy bits (for messages): StripeSize 128 ->
// "64kb", ReadPolicy 4 -> "ra"; the bit in decimal when it has no word.
std::string stripeSizeWord(uint32_t bit);
std::string policyWord(const std::string& element, uint32_t bit);

}  // namespace kwda
