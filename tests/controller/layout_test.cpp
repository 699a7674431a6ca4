// The layout, policy and patrol read mode checks (the cases of checks.txt,
// never writing past the list's size) and the word converters.
#include <algorithm>

#include "ctrl_fixture.h"

namespace ctrltest {
namespace {

using Layout = ControllerTest;

using Check = int32_t (*)(const char* controller, const char* value, char* list, uint32_t size);

const struct {
    std::string name;
    const char* element;
    Check check;
} kChecks[] = {
    {"raid", "RAIDLevelsMask", IsUserRaidInputValueValidForController},
    {"stripe", "StripeSizesMask", IsUserStripeSizeValidForController},
    {"read", "ReadPolicyMask", IsUserReadPolicyValidForController},
    {"write", "WritePolicyMask", IsUserWritePolicyValidForController},
    {"cache", "CachePolicyMask", IsUserCachePolicyValidForController},
    {"diskcache", "DiskCachePolicyMask", IsUserDiskCachePolicyValidForController},
    {"patrol", "PatrolReadModeMask", [](const char* controller, const char* value, char* list, uint32_t size) {
         return IsUserPatrolReadModeValidForController(value, controller, list, size);
     }},
};

TEST_F(Layout, CasesOfTheCheckFile) {
    for (const CaseLine& c : readCases("checks.txt", 7)) {
        SCOPED_TRACE(c.where);
        const auto* check = std::find_if(std::begin(kChecks), std::end(kChecks),
                                         [&](const auto& k) { return k.name == c.fields[0]; });
        ASSERT_NE(check, std::end(kChecks));
        Object controller = {{"GlobalNo", "9"}};
        if (c.fields[1] != "none") controller.push_back({check->element, c.fields[1]});
        agent.on("getController", {"GlobalNo=9"}, reply({controller}));
        agent.unmute();
        if (c.fields[1] == "-") agent.mute("getController");
        const uint32_t size = std::stoul(c.fields[4]);
        std::string list = c.fields[3] + '\0';
        list.resize(size + 8, '#');
        EXPECT_EQ(check->check("9", c.fields[2].c_str(), list.data(), size), std::stoi(c.fields[5]));
        EXPECT_STREQ(list.c_str(), c.fields[6].c_str());
        EXPECT_EQ(list.substr(size), std::string(8, '#'));
    }
    EXPECT_EQ(agent.requests().front(), (Request{"vexcmd=getController", "GlobalNo=9", "CLI=true"}));
}

TEST_F(Layout, NoBufferIs272) {
    char kept[128] = "kept";
    failAt("xbuf", 1);
    EXPECT_EQ(IsUserRaidInputValueValidForController("0", "2", kept, sizeof kept), 272);
    EXPECT_STREQ(kept, "kept");
}

TEST_F(Layout, ConvertersGiveTheEmptyWordForUnknownBits) {
    for (auto convert : {GetUserInputStringForRaidLayoutValue, GetUserInputStringForStripeSizeValue})
        for (uint32_t bit : {0u, 3u, 65536u, 0x80000000u}) {
            char word[16] = "x";
            EXPECT_EQ(convert(bit, word), 0);
            EXPECT_STREQ(word, "") << bit;
        }
    const std::pair<uint32_t, const char*> modes[] = {{1, "auto"}, {2, "manual"}, {4, "disable"}, {3, ""}, {0, ""}};
    for (const auto& [value, mode] : modes) {
        char word[8] = "x";
        EXPECT_EQ(GetPatReadModeForIntValue(value, word), 0);
        EXPECT_STREQ(word, mode) << value;
    }
    char word[16] = {};
    EXPECT_EQ(GetUserInputStringForDiskCachePolicyValue(2, word), 0);
    EXPECT_STREQ(word, "disabled");
    GetUserInputStringForWritePolicyValue(64, word);
    EXPECT_STREQ(word, "");
}

}  // namespace
}  // namespace ctrltest
