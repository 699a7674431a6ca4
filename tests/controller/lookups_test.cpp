// The controller lookups, the availability mechanism and the patrol read
// mode check, against exact agent replies.
#include "ctrl_fixture.h"
#include "kwsup/availability.h"

namespace ctrltest {
namespace {

using Lookups = ControllerTest;

struct Flags {
    uint32_t supported = 0xDEAD;
    uint32_t allowed = 0xDEAD;
};

Flags availability(const char* action, const char* controller) {
    Flags f;
    EXPECT_EQ(IsUserOperationValidForController(action, controller, &f.supported, &f.allowed), 0);
    return f;
}

void scriptList(kwtest::TestAgent& agent, const std::string& list) {
    if (!list.empty()) agent.on("getControllerList", list);
}

// Each row scripts the controller list (the scripted system when empty, no
// reply when null) and reads one action's flags.
TEST_F(Lookups, FlagsCarryTheActionsBitOfEachMask) {
    const std::string five = reply({{{"GlobalNo", "5"}, {"MasterMethodMask", "10000000"}, {"CurrentMethodMask", "0"}}});
    const std::string seven = reply({{{"MasterMethodMask", "1"}, {"CurrentMethodMask", "1"}},  // no GlobalNo
                                     {{"GlobalNo", "12345678"}, {"MasterMethodMask", "1"}, {"CurrentMethodMask", "1"}},
                                     {{"GlobalNo", "1"}, {"MasterMethodMask", "11"}}});
    // 33 digits: only the last 32 count (bit 32 and bit 0).
    const std::string wide = reply({{{"GlobalNo", "0"}, {"MasterMethodMask", "1" + std::string(32, '0')},
                                     {"CurrentMethodMask", "1" + std::string(31, '0') + "1"}}});
    // Cut to 63 characters the final "1" is lost and the mask is 0.
    const std::string longMask = "1" + std::string(70, '0') + "1";
    const std::string cut = reply({{{"GlobalNo", "0"}, {"MasterMethodMask", longMask}, {"CurrentMethodMask", longMask}}});
    const struct {
        const std::string* list;
        const char* action;
        const char* controller;
        uint32_t supported;
        uint32_t allowed;
    } cases[] = {
        {&five, "resetconfig", "5", 0x80, 0},
        {&five, "rescan", "5", 0, 0},
        {nullptr, "rescan", "0", 0, 0},
        {&seven, "rescan", "1234567", 1, 1},  // found by its first seven characters
        {&seven, "rescan", "12345678", 0, 0},
        {&seven, "flush", "1", 2, 0},  // an absent mask reads as 0
        {&seven, "rescan", "01", 0, 0},
        {&wide, "rescan", "0", 0, 1},
        {&cut, "rescan", "0", 0, 0},
    };
    for (const auto& c : cases) {
        if (c.list)
            scriptList(agent, *c.list);
        else
            agent.silent("getControllerList");
        Flags f = availability(c.action, c.controller);
        EXPECT_EQ(f.supported, c.supported) << c.action << " on " << c.controller;
        EXPECT_EQ(f.allowed, c.allowed) << c.action << " on " << c.controller;
    }
    EXPECT_EQ(agent.requests().front(), Request{"vexcmd=getControllerList"});
    agent.on("getControllerList", "<not xml");
    Flags broken = availability("rescan", "0");
    EXPECT_EQ(broken.supported | broken.allowed, 0u);
    uint32_t s = 0, a = 0;
    kwsup::setAvailabilityFlags(longMask.c_str(), nullptr, 1, &s, &a);
    EXPECT_EQ(s, 1u);
    EXPECT_EQ(a, 0u);
}

TEST_F(Lookups, ActionWordsIgnoreCaseAndUnknownWordsGetNothing) {
    EXPECT_EQ(availability("CreateVDisk", "0").supported, 0x40u);
    EXPECT_EQ(availability("IMPORTRECOVERFOREIGNCONFIG", "0").allowed, 0x2000000u);
    for (const char* word : {"debug", static_cast<const char*>(nullptr)}) {
        Flags none = availability(word, "0");
        EXPECT_EQ(none.supported | none.allowed, 0u);
    }
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
    EXPECT_EQ(supported, 2u);
    EXPECT_EQ(allowed, 2u);
    EXPECT_EQ(agent.requests().back(), (Request{"vexcmd=getBatteriesForController", "GlobalNo=0", "CLI=true"}));

    match.wanted = "7";  // not listed: both flags 0, result 0
    EXPECT_EQ(kwsup::checkOperationAvailability(query, 0x2, &supported, &allowed), 0);
    EXPECT_EQ(supported | allowed, 0u);

    agent.silent("getBatteriesForController");
    supported = allowed = 9;
    EXPECT_EQ(kwsup::checkOperationAvailability(query, 0x2, &supported, &allowed), 272);
    EXPECT_EQ(supported, 9u);
    query.options = 0;  // without the option a silent agent reads as empty masks
    EXPECT_EQ(kwsup::checkOperationAvailability(query, 0x2, &supported, &allowed), 0);
    EXPECT_EQ(supported, 0u);
}

TEST_F(Lookups, BufferFirstFailsBeforeAnythingIsSent) {
    const char* request[] = {"vexcmd=getBatteriesForController", "GlobalNo=0", "CLI=true"};
    kwsup::ElementMatch match = {"BatteryID", "0", 11};
    kwsup::AvailabilityQuery query = {"test", request, 3, kwsup::kReadOccurrences, kwsup::locateByElement, &match,
                                      101, kwsup::kAvailBufferFirst};
    failAt("xbuf", 1);
    uint32_t supported = 5, allowed = 5;
    EXPECT_EQ(kwsup::checkOperationAvailability(query, 1, &supported, &allowed), 272);
    EXPECT_EQ(supported, 5u);
    EXPECT_TRUE(agent.requests().empty());
}

TEST_F(Lookups, TagValueIsReadCutOrReportedMissing) {
    char value[8] = "keep";
    EXPECT_EQ(GetTagValueForController("0", "BGIRate", value, sizeof value), 0);
    EXPECT_STREQ(value, "30");
    EXPECT_EQ(agent.requests().back(), (Request{"vexcmd=getController", "GlobalNo=0", "CLI=true"}));
    char small[3] = {};
    EXPECT_EQ(GetTagValueForController("0", "Name", small, sizeof small), 0);
    EXPECT_STREQ(small, "Ma");
    EXPECT_EQ(GetTagValueForController("1", "ReconstructRate", value, sizeof value), -1);

    failAt("reply", 1);  // the agent gives no answer
    strcpy(value, "keep");
    EXPECT_EQ(GetTagValueForController("0", "BGIRate", value, sizeof value), 0);
    EXPECT_STREQ(value, "keep");
}

TEST_F(Lookups, NoReplyBufferIs272ForEveryLookup) {
    char value[256] = {};
    failAt("xbuf", 1);
    EXPECT_EQ(GetTagValueForController("0", "BGIRate", value, 8), 272);
    failAt("xbuf", 1);
    EXPECT_EQ(GetRebuildRateForControllerWithSize("0", value, 8), 272);
    failAt("xbuf", 1);
    EXPECT_EQ(GetRebuildRateForController("0", value), 272);
    failAt("xbuf", 1);
    EXPECT_EQ(GetControllerNameFromUserInput("0", value), 272);
}

TEST_F(Lookups, RebuildRateIsEmptiedFirstAndAbsenceIsNoError) {
    char rate[8] = "stale";
    EXPECT_EQ(GetRebuildRateForControllerWithSize("0", rate, sizeof rate), 0);
    EXPECT_STREQ(rate, "30");
    strcpy(rate, "stale");
    EXPECT_EQ(GetRebuildRateForControllerWithSize("2", rate, sizeof rate), 0);
    EXPECT_STREQ(rate, "");
    char whole[256] = "stale";
    failAt("reply", 1);
    EXPECT_EQ(GetRebuildRateForController("0", whole), 0);
    EXPECT_STREQ(whole, "");
}

TEST_F(Lookups, ControllerName) {
    char name[256] = {};
    EXPECT_EQ(GetControllerNameFromUserInput("0", name), 0);
    EXPECT_STREQ(name, "Main");
    EXPECT_EQ(GetControllerNameFromUserInput("2", name), 0);  // absent: still 0
    EXPECT_EQ(GetControllerNameFromUserInput(nullptr, name), -1);
    EXPECT_EQ(GetControllerNameFromUserInput("0", nullptr), -1);
    failAt("reply", 1);
    EXPECT_EQ(GetControllerNameFromUserInput("0", name), -1);
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

TEST_F(Lookups, PatrolReadModeWords) {
    const std::pair<uint32_t, const char*> cases[] = {{1, "auto"}, {2, "manual"}, {4, "disable"}, {3, ""}, {8, ""}, {0, ""}};
    for (const auto& [value, word] : cases) {
        char out[8] = "x";
        EXPECT_EQ(GetPatReadModeForIntValue(value, out), 0);
        EXPECT_STREQ(out, word) << value;
    }
}

TEST_F(Lookups, PatrolReadModeCheckListsTheOfferedModes) {
    char list[256] = {};
    EXPECT_EQ(IsUserPatrolReadModeValidForController("2", "0", list, sizeof list), 0);
    EXPECT_EQ(IsUserPatrolReadModeValidForController("4", "0", list, sizeof list), -1);
    EXPECT_STREQ(list, "auto, manual");

    char untouched[256] = "prior";
    EXPECT_EQ(IsUserPatrolReadModeValidForController("1", "1", untouched, sizeof untouched), -1);  // no mask
    EXPECT_STREQ(untouched, "prior");

    agent.on("getController", {"GlobalNo=0"}, reply({{{"PatrolReadModeMask", "111"}}}));
    char tight[8] = {};
    EXPECT_EQ(IsUserPatrolReadModeValidForController("8", "0", tight, sizeof tight), -1);
    EXPECT_STREQ(tight, "auto, m");

    failAt("reply", 1);  // no reply: the mask is empty, nothing is offered
    char empty[256] = {};
    EXPECT_EQ(IsUserPatrolReadModeValidForController("1", "0", empty, sizeof empty), -1);
    EXPECT_STREQ(empty, "");
}

}  // namespace
}  // namespace ctrltest
