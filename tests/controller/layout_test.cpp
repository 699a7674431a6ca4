// The six layout and policy checks: the bit test and the exact list of
// offered words, bounded by the caller's buffer.
#include "ctrl_fixture.h"

namespace ctrltest {
namespace {

using Layout = ControllerTest;

using Check = int32_t (*)(const char*, const char*, char*, uint32_t);

void scriptMask(kwtest::TestAgent& agent, const char* element, const std::string& mask) {
    agent.on("getController", {"GlobalNo=9"}, reply({{{"GlobalNo", "9"}, {element, mask}}}));
}

// The offered words follow the mask in ascending bit order, bits without a
// word left out, appended to what the buffer holds.
TEST_F(Layout, ValueMeetsTheMaskOrTheOfferedWordsAreListed) {
    const struct {
        Check check;
        const char* element;
        std::string mask;
        const char* value;
        const char* initial;
        int32_t result;
        const char* list;
    } cases[] = {
        {IsUserRaidInputValueValidForController, "RAIDLevelsMask", bits(1 | 2 | 64 | 262144), "4", "", -1,
         "c, r0, r5, r60"},
        {IsUserRaidInputValueValidForController, "RAIDLevelsMask", bits(1 | 2 | 64 | 262144), "262144", "", 0, ""},
        {IsUserRaidInputValueValidForController, "RAIDLevelsMask", bits(8 | 16 | 64 | 1024), "2", "", -1, "r5"},
        {IsUserStripeSizeValidForController, "StripeSizesMask", "11", "4", "", -1, "512b, 1kb"},
        {IsUserWritePolicyValidForController, "WritePolicyMask", bits(16), "1", "", -1, "wea"},
        {IsUserCachePolicyValidForController, "CachePolicyMask", "101", "1", "", 0, ""},
        {IsUserCachePolicyValidForController, "CachePolicyMask", "101", "2", "", -1, "d"},  // bit 4 has no word
        {IsUserReadPolicyValidForController, "ReadPolicyMask", "1", "0", "", -1, "rc"},
        {IsUserReadPolicyValidForController, "ReadPolicyMask", "1", "", "", -1, "rc"},
        {IsUserReadPolicyValidForController, "ReadPolicyMask", "1", "abc", "", -1, "rc"},
        {IsUserReadPolicyValidForController, "ReadPolicyMask", "1", "-1x", "", 0, ""},  // -1: every bit set
        {IsUserReadPolicyValidForController, "ReadPolicyMask", "", "1", "", -1, ""},
        {IsUserReadPolicyValidForController, "ReadPolicyMask", "11", "4", "X", -1, "Xrc, nrc"},
    };
    for (const auto& c : cases) {
        scriptMask(agent, c.element, c.mask);
        char list[128] = {};
        snprintf(list, sizeof list, "%s", c.initial);
        EXPECT_EQ(c.check("9", c.value, list, sizeof list), c.result) << c.element << " " << c.mask << " " << c.value;
        EXPECT_STREQ(list, c.list) << c.element << " " << c.mask << " " << c.value;
    }
    EXPECT_EQ(agent.requests().front(), (Request{"vexcmd=getController", "GlobalNo=9", "CLI=true"}));
}

// A full mask lists every word of the member, in ascending bit order.
TEST_F(Layout, FullMasksListEveryWord) {
    const struct {
        Check check;
        const char* element;
        const char* words;
    } cases[] = {
        {IsUserRaidInputValueValidForController, "RAIDLevelsMask", "c, r0, r1, r5, r6, r10, r50, r1c, r60"},
        {IsUserReadPolicyValidForController, "ReadPolicyMask", "rc, nrc, ra, ara, nra"},
        {IsUserWritePolicyValidForController, "WritePolicyMask", "wc, nwc, wb, wt, wea, fwb"},
        {IsUserCachePolicyValidForController, "CachePolicyMask", "d, c"},
        {IsUserDiskCachePolicyValidForController, "DiskCachePolicyMask", "enabled, disabled"},
        {IsUserStripeSizeValidForController, "StripeSizesMask",
         "512b, 1kb, 2kb, 4kb, 8kb, 16kb, 32kb, 64kb, 128kb, 256kb, 512kb, 1mb, 2mb, 4mb, 8mb, 16mb"},
    };
    for (const auto& c : cases) {
        // Every bit but bit 31, which no member names, asked for.
        scriptMask(agent, c.element, std::string(31, '1'));
        char list[128] = {};
        EXPECT_EQ(c.check("9", "2147483648", list, sizeof list), -1) << c.element;
        EXPECT_STREQ(list, c.words) << c.element;
    }
}

TEST_F(Layout, ListsAreCutAtTheBufferAndNeverOverrun) {
    scriptMask(agent, "StripeSizesMask", std::string(16, '1'));
    char full[128] = {};
    EXPECT_EQ(IsUserStripeSizeValidForController("9", "0", full, sizeof full), -1);
    EXPECT_EQ(strlen(full), 89u);

    char guarded[32];
    memset(guarded, '#', sizeof guarded);
    guarded[0] = '\0';
    EXPECT_EQ(IsUserStripeSizeValidForController("9", "0", guarded, 20), -1);
    EXPECT_EQ(std::string(guarded), std::string(full).substr(0, 19));
    for (size_t i = 20; i < sizeof guarded; ++i) EXPECT_EQ(guarded[i], '#') << i;
}

TEST_F(Layout, NoReplyOffersNothingAndNoBufferIs272) {
    agent.silent("getController");
    char list[128] = {};
    EXPECT_EQ(IsUserStripeSizeValidForController("9", "64", list, sizeof list), -1);
    EXPECT_STREQ(list, "");

    scriptMask(agent, "RAIDLevelsMask", "1");
    char kept[128] = "kept";
    failAt("xbuf", 1);
    EXPECT_EQ(IsUserRaidInputValueValidForController("9", "2", kept, sizeof kept), 272);
    EXPECT_STREQ(kept, "kept");
}

TEST_F(Layout, ConvertersGiveTheEmptyWordForUnknownBits) {
    for (auto convert : {GetUserInputStringForRaidLayoutValue, GetUserInputStringForStripeSizeValue})
        for (uint32_t bit : {0u, 3u, 65536u, 0x80000000u}) {
            char word[16] = "x";
            EXPECT_EQ(convert(bit, word), 0);
            EXPECT_STREQ(word, "") << bit;
        }
    char word[16] = {};
    EXPECT_EQ(GetUserInputStringForDiskCachePolicyValue(2, word), 0);
    EXPECT_STREQ(word, "disabled");
    GetUserInputStringForWritePolicyValue(64, word);
    EXPECT_STREQ(word, "");
}

}  // namespace
}  // namespace ctrltest
