#include "layouts.h"

namespace kwda {

const std::vector<LayoutRule>& layoutRules() {
    //                        bit                   word   min exact even  span  minSpan parity redundant resizable
    static const std::vector<LayoutRule> rules = {
        {layout::Concat,      "c",   1, false, false, false, 0, 0, false, false},
        {layout::Raid0,       "r0",  1, false, false, false, 0, 0, false, true},
        {layout::Raid1,       "r1",  2, true,  false, false, 0, 1, true,  true},
        {layout::Raid5,       "r5",  3, false, false, false, 0, 1, true,  true},
        {layout::Raid6,       "r6",  4, false, false, false, 0, 2, true,  true},
        {layout::Raid10,      "r10", 4, false, true,  false, 0, 1, true,  false},
        {layout::Raid50,      "r50", 6, false, false, true,  3, 1, true,  false},
        {layout::Raid1Concat, "r1c", 4, false, true,  false, 0, 1, true,  false},
        {layout::Raid60,      "r60", 8, false, false, true,  4, 2, true,  false},
    };
    return rules;
}

const LayoutRule* layoutRule(uint32_t bit) {
    for (const auto& rule : layoutRules())
        if (rule.bit == bit) return &rule;
    return nullptr;
}

std::string layoutWord(uint32_t bit) {
    const LayoutRule* rule = layoutRule(bit);
    return rule ? rule->word : std::to_string(bit);
}

std::string layoutTitle(const LayoutRule& rule) {
    std::string word = rule.word;
    if (word == "c") return "concatenation (c)";
    if (word == "r1c") return "concatenated RAID-1 (r1c)";
    return "RAID-" + word.substr(1) + " (" + word + ")";
}

std::optional<std::string> diskCountProblem(const LayoutRule& rule, int disks, int span) {
    std::string name = layoutTitle(rule);
    std::string given = std::to_string(disks) + " given";
    if (rule.exactlyMinimum && disks != rule.minDisks)
        return name + " needs exactly " + std::to_string(rule.minDisks) + " disks, " + given;
    if (disks < rule.minDisks) return name + " needs at least " + std::to_string(rule.minDisks) + " disks, " + given;
    if (rule.even && disks % 2 != 0) return name + " needs an even number of disks, " + given;
    if (rule.spanned) {
        if (span <= 0) return name + " needs a span length";
        if (span < rule.minSpan)
            return name + " needs spans of at least " + std::to_string(rule.minSpan) + " disks, span length " +
                   std::to_string(span) + " given";
        if (disks % span != 0 || disks / span < 2)
            return name + " needs at least two spans of " + std::to_string(span) + " disks, " + given;
    }
    return std::nullopt;
}

int64_t dataDisks(const LayoutRule& rule, int disks, int span) {
    switch (rule.bit) {
        case layout::Raid1: return 1;
        case layout::Raid10:
        case layout::Raid1Concat: return disks / 2;
        case layout::Raid50:
        case layout::Raid60: return span > 0 ? static_cast<int64_t>(disks / span) * (span - rule.paritySpan) : 0;
        default: return disks - rule.paritySpan;
    }
}

int64_t bytesPerMember(const LayoutRule& rule, int disks, int span, int64_t length) {
    int64_t data = dataDisks(rule, disks, span);
    if (data <= 0) return length;
    return (length + data - 1) / data;
}

const char* virtualDiskHealth(const LayoutRule& rule, int span, const std::vector<bool>& working) {
    std::vector<int> failedPerSet;
    int setSize = static_cast<int>(working.size());
    int tolerated = rule.redundant ? rule.paritySpan : 0;
    if (rule.bit == layout::Raid1) tolerated = setSize - 1;
    if (rule.bit == layout::Raid10 || rule.bit == layout::Raid1Concat) setSize = 2;
    if (rule.spanned && span > 0) setSize = span;
    if (setSize <= 0) return "Failed";
    int anyFailed = 0;
    for (size_t i = 0; i < working.size(); ++i) {
        size_t set = i / static_cast<size_t>(setSize);
        if (failedPerSet.size() <= set) failedPerSet.resize(set + 1, 0);
        if (!working[i]) {
            ++failedPerSet[set];
            ++anyFailed;
        }
    }
    if (anyFailed == 0) return "Ready";
    for (int failed : failedPerSet)
        if (failed > tolerated) return "Failed";
    return "Degraded";
}

std::string stripeSizeWord(uint32_t bit) {
    static const char* const words[] = {"512b", "1kb",   "2kb",   "4kb",   "8kb", "16kb", "32kb", "64kb",
                                        "128kb", "256kb", "512kb", "1mb", "2mb",  "4mb",  "8mb",  "16mb"};
    for (int k = 0; k < 16; ++k)
        if (bit == (1u << k)) return words[k];
    return std::to_string(bit);
}

std::string policyWord(const std::string& element, uint32_t bit) {
    struct Word {
        const char* element;
        uint32_t bit;
        const char* word;
    };
    static const Word words[] = {
        {"ReadPolicy", 1, "rc"},       {"ReadPolicy", 2, "nrc"},      {"ReadPolicy", 4, "ra"},
        {"ReadPolicy", 8, "ara"},      {"ReadPolicy", 16, "nra"},     {"WritePolicy", 1, "wc"},
        {"WritePolicy", 2, "nwc"},     {"WritePolicy", 4, "wb"},      {"WritePolicy", 8, "wt"},
        {"WritePolicy", 16, "wea"},    {"WritePolicy", 32, "fwb"},    {"CachePolicy", 1, "d"},
        {"CachePolicy", 2, "c"},       {"DiskCachePolicy", 1, "enabled"}, {"DiskCachePolicy", 2, "disabled"},
    };
    if (element == "StripeSize") return stripeSizeWord(bit);
    if (element == "Layout") return layoutWord(bit);
    for (const auto& w : words)
        if (element == w.element && bit == w.bit) return w.word;
    return std::to_string(bit);
}

}  // namespace kwda
