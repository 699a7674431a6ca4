// The controller lookups and the availability mechanism, against exact
// agent replies.
#include "ctrl_fixture.h"
#include "kwsup/availability.h"

namespace ctrltest {
namespace {

using Lookups = ControllerTest;

TEST_F(Lookups, CasesOfTheFlagsFile) {
    for (const CaseLine& c : readCases("flags.txt", 5)) {
        SCOPED_TRACE(c.where);
        const std::string& list = c.fields[0];
        if (list == "-")
            agent.silent("getControllerList");
        else if (!list.empty())
            agent.on("getControllerList", list[0] == '!' ? list.substr(1) : replyOf(list));
        uint32_t supported = 0xDEAD, allowed = 0xDEAD;
        EXPECT_EQ(IsUserOperationValidForController(c.fields[1].c_str(), c.fields[2].c_str(), &supported, &allowed), 0);
        EXPECT_EQ(supported, std::stoul(c.fields[3]));
        EXPECT_EQ(allowed, std::stoul(c.fields[4]));
    }
    EXPECT_EQ(agent.requests().front(), Request{"vexcmd=getControllerList"});
    // Read directly, without a current mask, a long mask is not cut.
    const std::string longMask = "1" + std::string(70, '0') + "1";
    uint32_t s = 0, a = 0;
    kwsup::setAvailabilityFlags(longMask.c_str(), nullptr, 1, &s, &a);
    EXPECT_EQ(s, 1u);
    EXPECT_EQ(a, 0u);
}

// The mechanism as the other members use it: occurrence reading, buffer
// first, and a missing reply that fails instead of reading empty masks.
TEST_F(Lookups, OccurrenceReadingFindsTheObjectAtTheSameIndex) {
    agent.on("getBatteriesForController",
             reply({{{"BatteryID", "0"}, {"MasterMethodMask", "1"}, {"CurrentMethodMask", "0"}},
                    {{"BatteryID", "1"}, {"MasterMethodMask", "111"}, {"CurrentMethodMask", "10"}}}));
    const char* request[] = {"vexcmd=getBatteriesForController", "GlobalNo=0", "CLI=true"};
    kwsup::ElementMatch match = {"BatteryID", "1", 11};
    kwsup::AvailabilityQuery query = {"test", request, 3, kwsup::kReadOccurrences, kwsup::locateByElement, &match,
                                      101, kwsup::kAvailBufferFirst | kwsup::kAvailFailWithoutReply};
    uint32_t supported = 0, allowed = 0;
    EXPECT_EQ(kwsup::checkOperationAvailability(query, 0x2, &supported, &allowed), 0);
    EXPECT_EQ(supported + allowed, 4u);
    EXPECT_EQ(agent.requests().back(), (Request{"vexcmd=getBatteriesForController", "GlobalNo=0", "CLI=true"}));
    match.wanted = "7";  // not listed: both flags 0, result 0
    EXPECT_EQ(kwsup::checkOperationAvailability(query, 0x2, &supported, &allowed), 0);
    EXPECT_EQ(supported | allowed, 0u);

    agent.silent("getBatteriesForController");
    supported = allowed = 9;
    EXPECT_EQ(kwsup::checkOperationAvailability(query, 0x2, &supported, &allowed), 272);
    EXPECT_EQ(supported, 9u);
    failAt("xbuf", 1);  // no buffer: nothing is sent
    agent.clearRequests();
    EXPECT_EQ(kwsup::checkOperationAvailability(query, 0x2, &supported, &allowed), 272);
    EXPECT_TRUE(agent.requests().empty());
    query.options = 0;  // without the option a silent agent reads as empty masks
    EXPECT_EQ(kwsup::checkOperationAvailability(query, 0x2, &supported, &allowed), 0);
    EXPECT_EQ(supported, 0u);
}

TEST_F(Lookups, ValuesAreReadCutOrEmptiedAndNoBufferIs272) {
    char value[256] = "keep";
    EXPECT_EQ(GetTagValueForController("0", "BGIRate", value, 8), 0);
    EXPECT_STREQ(value, "30");
    EXPECT_EQ(agent.requests().back(), (Request{"vexcmd=getController", "GlobalNo=0", "CLI=true"}));
    EXPECT_EQ(GetTagValueForController("0", "Name", value, 3), 0);
    EXPECT_STREQ(value, "Ma");
    EXPECT_EQ(GetTagValueForController("1", "ReconstructRate", value, 8), -1);
    failAt("reply", 1);  // the agent gives no answer: the value is left
    EXPECT_EQ(GetTagValueForController("0", "BGIRate", value, 8), 0);
    EXPECT_STREQ(value, "Ma");

    // The rebuild rate is emptied first; its absence is no error.
    EXPECT_EQ(GetRebuildRateForControllerWithSize("0", value, 8), 0);
    EXPECT_STREQ(value, "30");
    EXPECT_EQ(GetRebuildRateForControllerWithSize("2", value, 8), 0);
    EXPECT_STREQ(value, "");
    strcpy(value, "stale");
    failAt("reply", 1);
    EXPECT_EQ(GetRebuildRateForController("0", value), 0);
    EXPECT_STREQ(value, "");

    EXPECT_EQ(GetControllerNameFromUserInput("0", value), 0);
    EXPECT_STREQ(value, "Main");
    EXPECT_EQ(GetControllerNameFromUserInput("2", value), 0);  // absent: still 0
    EXPECT_EQ(GetControllerNameFromUserInput(nullptr, value), -1);
    EXPECT_EQ(GetControllerNameFromUserInput("0", nullptr), -1);
    failAt("reply", 1);
    EXPECT_EQ(GetControllerNameFromUserInput("0", value), -1);

    failAt("xbuf", 1);
    EXPECT_EQ(GetRebuildRateForController("0", value), 272);
    failAt("xbuf", 1);
    EXPECT_EQ(GetControllerNameFromUserInput("0", value), 272);
}

TEST_F(Lookups, SupportedRaidValueIsTheWholeReply) {
    std::string text = reply({{{"Layout", "64"}}});
    agent.on("getSupportedRaidLevelsForController", text);
    std::vector<char> out(text.size() + 1);
    EXPECT_EQ(GetSupportedRaidValueForController("0", out.data()), 0);
    EXPECT_EQ(std::string(out.data()), text);
    EXPECT_EQ(agent.requests().back(),
              (Request{"vexcmd=getSupportedRaidLevelsForController", "GlobalNo=0", "CLI=true"}));
    agent.silent("getSupportedRaidLevelsForController");
    EXPECT_EQ(GetSupportedRaidValueForController("0", out.data()), -1);
}

}  // namespace
}  // namespace ctrltest
