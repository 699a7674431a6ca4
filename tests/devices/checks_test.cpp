// The per-object availability members and the battery and enclosure helpers,
// each against exact agent replies.
#include <string.h>

#include "devices_fixture.h"

namespace devtest {
namespace {

using Checks = DevicesTest;

struct Flags {
    int32_t result;
    uint32_t supported;
    uint32_t allowed;
};

constexpr uint32_t kUntouched = 0xABCDu;

// A member called with flags preset to a marker, so untouched flags show.
template <typename Fn>
Flags flagsOf(Fn member) {
    Flags f{0, kUntouched, kUntouched};
    f.result = member(&f.supported, &f.allowed);
    return f;
}

TEST_F(Checks, ArrayDiskFormFollowsTheNumberOfParts) {
    script("getArrayDisksForController", {"GlobalNo=0"},
             reply({disk("1", "2", "15", 0x400, 0x000), disk("1", "0", "16", 0x400, 0x400),
                    disk("123", "45", "6", 0x400, 0x400)}));
    struct Case {
        const char* id;
        uint32_t supported;
        uint32_t allowed;
    } cases[] = {
        {"1:2:15", 0x400, 0},      // enclosure form
        {"1:15", 0x400, 0},        // connector form of the same disk
        {"1:0:16", 0x400, 0x400},
        {"1:2:16", 0, 0},          // no such disk
        {"123:45:6", 0, 0},        // third part past the seventh character: compared as connector form
        {"123:6", 0x400, 0x400},
    };
    for (const auto& c : cases) {
        Flags f = flagsOf([&](uint32_t* s, uint32_t* a) {
            return IsUserOperationValidForArrayDisk("rebuild", "0", c.id, s, a);
        });
        EXPECT_EQ(f.result, 0) << c.id;
        EXPECT_EQ(f.supported, c.supported) << c.id;
        EXPECT_EQ(f.allowed, c.allowed) << c.id;
    }
    EXPECT_EQ(agent.requestsFor("getArrayDisksForController")[0],
              (Strings{"vexcmd=getArrayDisksForController", "GlobalNo=0", "CLI=true"}));
}

TEST_F(Checks, ArrayDiskActionBits) {
    script("getArrayDisksForController", {"GlobalNo=0"}, reply({disk("0", "0", "1", 0x3FFFF, 0x3FFFF)}));
    struct Case {
        const char* action;
        uint32_t bit;
    } cases[] = {{"BLINK", 0x1}, {"unassignglobalhotspare", 0x20}, {"cancelclear", 0x20000}, {"spindown", 0}};
    for (const auto& c : cases) {
        Flags f = flagsOf([&](uint32_t* s, uint32_t* a) {
            return IsUserOperationValidForArrayDisk(c.action, "0", "0:0:1", s, a);
        });
        EXPECT_EQ(f.supported, c.bit) << c.action;
        EXPECT_EQ(f.allowed, c.bit) << c.action;
    }
}

TEST_F(Checks, ArrayDiskWithoutReplyIsUnsupportedAndWithoutBufferUntouched) {
    silence("getArrayDisksForController");
    Flags f = flagsOf([](uint32_t* s, uint32_t* a) { return IsUserOperationValidForArrayDisk("blink", "0", "0:0:1", s, a); });
    EXPECT_EQ(f.result, 0);
    EXPECT_EQ(f.supported, 0u);
    failAt("xbuf", 1);
    agent.clearRequests();
    f = flagsOf([](uint32_t* s, uint32_t* a) { return IsUserOperationValidForArrayDisk("blink", "0", "0:0:1", s, a); });
    EXPECT_EQ(f.result, 272);
    EXPECT_EQ(f.supported, kUntouched);
    EXPECT_TRUE(agent.requests().empty()) << "the buffer is had before anything is sent";
}

TEST_F(Checks, BatteryMember) {
    script("getBatteriesForController", {"GlobalNo=0"},
             reply({{{"BatteryID", "0"}, {"MasterMethodMask", "111"}, {"CurrentMethodMask", "001"}},
                    {{"BatteryID", "1"}, {"MasterMethodMask", "010"}, {"CurrentMethodMask", "010"}}}));
    auto check = [](const char* action, const char* battery) {
        return flagsOf([&](uint32_t* s, uint32_t* a) { return IsUserOperationValidForBattery(action, "0", battery, s, a); });
    };
    Flags f = check("DelayLearn", "0");
    EXPECT_EQ(f.supported, 0x4u);
    EXPECT_EQ(f.allowed, 0u);
    f = check("startlearn", "1");
    EXPECT_EQ(f.supported, 0x2u);
    EXPECT_EQ(f.allowed, 0x2u);
    EXPECT_EQ(check("recondition", "01").supported, 0u) << "identifiers are texts";
    silence("getBatteriesForController");
    f = check("recondition", "0");
    EXPECT_EQ(f.result, 272);
    EXPECT_EQ(f.supported, kUntouched);
}

TEST_F(Checks, LearnDelayLimit) {
    struct Case {
        const char* days;
        const char* hours;
        int32_t result;
    } cases[] = {{"7", "0", 0}, {"7", "1", -1}, {"0", "0", -1}, {nullptr, nullptr, -1},
                 {nullptr, "23", 0}, {"07", nullptr, 0}};
    for (const auto& c : cases) {
        char maximum[8] = {};
        EXPECT_EQ(IsDelayLearnWithinMaxLearnDelay("0", "0", c.days, c.hours, maximum, sizeof maximum), c.result)
            << str(c.days) << "/" << str(c.hours);
        EXPECT_STREQ(maximum, "168");
    }
    EXPECT_EQ(agent.requestsFor("getBattery")[0], (Strings{"vexcmd=getBattery", "GlobalNo=0", "BatteryID=0", "CLI=true"}));

    char maximum[8] = {};
    script("getBattery", reply({{{"BatteryID", "0"}}}));
    EXPECT_EQ(IsDelayLearnWithinMaxLearnDelay("0", "0", "1", "0", maximum, sizeof maximum), -1) << "no limit stated";
    failAt("xbuf", 1);
    EXPECT_EQ(IsDelayLearnWithinMaxLearnDelay("0", "0", "1", "0", maximum, sizeof maximum), 272);
    silence("getBattery");
    EXPECT_EQ(IsDelayLearnWithinMaxLearnDelay("0", "0", "1", "0", maximum, sizeof maximum), -1);
}

TEST_F(Checks, EnclosureMemberFormsIdentifiersByProtocol) {
    script("getEnclosuresForController", {"GlobalNo=0"},
             reply({{{"Channel", "0"}, {"BusProtocol", "8"}, {"EnclosureID", "2"}, {"MasterMethodMask", "101001100"},
                     {"CurrentMethodMask", "001000000"}},
                    {{"Channel", "1"}, {"BusProtocol", "7"}, {"EnclosureID", "0"}, {"MasterMethodMask", "1"},
                     {"CurrentMethodMask", "1"}}}));
    auto check = [](const char* action, const char* enclosure) {
        return flagsOf([&](uint32_t* s, uint32_t* a) { return IsUserOperationValidForEnclosure(action, "0", enclosure, s, a); });
    };
    Flags f = check("blink", "0:2");
    EXPECT_EQ(f.supported, 0x40u);
    EXPECT_EQ(f.allowed, 0x40u);
    f = check("unblink", "0:2");
    EXPECT_EQ(f.supported, 0x100u);
    EXPECT_EQ(f.allowed, 0u);
    EXPECT_EQ(check("setassetname", "0:2").supported, 0x4u);
    EXPECT_EQ(check("settempprobes", "0:2").supported, 0x8u);
    EXPECT_EQ(check("blink", "0").supported, 0u) << "protocol 8 needs the enclosure part";
    EXPECT_EQ(check("enablealarm", "1").supported, 0x1u);
    EXPECT_EQ(check("enablealarm", "1:0").supported, 0u) << "other protocols name the connector alone";
    EXPECT_EQ(check("reset", "1").supported, 0u);

    // Service-tag reporting is the storage object's.
    script("sendPassThruCmdToDCSIF", {"param0=report"}, reply({{{"MasterMethodMask", "110"}, {"CurrentMethodMask", "010"}}}));
    f = check("DisableSTS", "7");
    EXPECT_EQ(f.supported, 0x4u);
    EXPECT_EQ(f.allowed, 0u);

    const size_t enclosureQueries = agent.requestsFor("getEnclosuresForController").size();
    check("enablests", "0:2");
    EXPECT_EQ(agent.requestsFor("getEnclosuresForController").size(), enclosureQueries + 1)
        << "the enclosure is read for service-tag actions too";

    silence("getEnclosuresForController");
    EXPECT_EQ(check("blink", "0:2").result, 272);
    EXPECT_EQ(check("enablests", "0:2").result, 272);
}

TEST_F(Checks, TemperatureThresholds) {
    struct Case {
        const char* index;
        const char* minWarn;
        const char* maxWarn;
        int32_t result;
        const char* minOut;
        const char* maxOut;
    } cases[] = {
        {"0", "5", "60", 0, "10", "40"},          // both ends of both ranges
        {"0", "40", "30", 0, "10", "40"},         // lower above upper is not this check's concern
        {"0", "4", "45", -1, "(5, 40)", "(30, 60)"},
        {"0", "20", "61", -1, "(5, 40)", "(30, 60)"},
        {"1", "-1", "50", -1, "(0, 20)", "(40, 70)"},
        {"1", " +7", "50", 0, "8", "50"},
        {"2", "10", "50", -1, "", ""},            // no such probe
    };
    for (const auto& c : cases) {
        char minOut[256] = "x";
        char maxOut[256] = "x";
        EXPECT_EQ(IsUserTempProbesInputValid(c.index, c.minWarn, c.maxWarn, "0:0", "0", minOut, maxOut), c.result)
            << c.index << " " << c.minWarn << " " << c.maxWarn;
        EXPECT_STREQ(minOut, c.minOut);
        EXPECT_STREQ(maxOut, c.maxOut);
    }
    EXPECT_EQ(agent.requestsFor("getEnclosureTemperatureProbes")[0],
              (Strings{"vexcmd=getEnclosureTemperatureProbes", "GlobalNo=0", "Enclosure=0:0", "CLI=true"}));
}

TEST_F(Checks, AssetLengthAndDuplicate) {
    EXPECT_EQ(IsAssetLengthValid("0", "0:0", "MaxAssetTagLength", 10), 0);
    EXPECT_EQ(IsAssetLengthValid("0", "0:0", "MaxAssetTagLength", 11), 10) << "default for a tag";
    EXPECT_EQ(IsAssetLengthValid("0", "0:0", "MaxAssetNameLength", 33), 32) << "default for a name";
    EXPECT_EQ(IsAssetInfoDuplicate("0", "0:0", "AssetTag", "TAG1"), 1);
    EXPECT_EQ(IsAssetInfoDuplicate("0", "0:0", "AssetTag", "tag1"), 0);
    EXPECT_EQ(IsAssetInfoDuplicate("0", "0:0", "AssetName", "TAG1"), 0);
    EXPECT_EQ(agent.requestsFor("getEnclosure")[0], (Strings{"vexcmd=getEnclosure", "GlobalNo=0", "Enclosure=0:0", "CLI=true"}));

    script("getEnclosure", reply({{{"MaxAssetTagLength", "4"}, {"MaxAssetNameLength", "0"}}}));
    EXPECT_EQ(IsAssetLengthValid("0", "0:0", "MaxAssetTagLength", 5), 4);
    EXPECT_EQ(IsAssetLengthValid("0", "0:0", "MaxAssetNameLength", 500), 0) << "a maximum of 0 takes any length";
    EXPECT_EQ(IsAssetInfoDuplicate("0", "0:0", "AssetTag", ""), 1) << "an absent value is empty";

    silence("getEnclosure");
    EXPECT_EQ(IsAssetLengthValid("0", "0:0", "MaxAssetTagLength", 1), 272);
    EXPECT_EQ(IsAssetInfoDuplicate("0", "0:0", "AssetTag", "x"), 272);
}

TEST_F(Checks, ChannelMember) {
    auto check = [](const char* action, const char* connector) {
        return flagsOf([&](uint32_t* s, uint32_t* a) { return IsUserOperationValidForChannel(action, "0", connector, s, a); });
    };
    script("getChannelsForController", {"GlobalNo=0"},
             reply({{{"Channel", "0"}, {"MasterMethodMask", "11"}, {"CurrentMethodMask", "10"}},
                    {{"Channel", "1"}, {"MasterMethodMask", "0"}, {"CurrentMethodMask", "0"}}}));
    Flags f = check("RESCAN", "0");
    EXPECT_EQ(f.supported, 1u);
    EXPECT_EQ(f.allowed, 0u);
    EXPECT_EQ(check("rescan", "1").supported, 0u);
    EXPECT_EQ(check("flush", "0").supported, 0u) << "only rescan has a bit";
    EXPECT_EQ(check("rescan", "5").supported, 0u);
    silence("getChannelsForController");
    EXPECT_EQ(check("rescan", "0").result, 272);
}

TEST_F(Checks, StorageObjectMember) {
    script("sendPassThruCmdToDCSIF", {"param0=report"}, reply({{{"MasterMethodMask", "011"}, {"CurrentMethodMask", "001"}}}));
    auto check = [](const char* action) {
        return flagsOf([&](uint32_t* s, uint32_t* a) { return IsUserOperationValidForStorageObject(action, s, a); });
    };
    Flags f = check("GlobalRescan");
    EXPECT_EQ(f.supported, 1u);
    EXPECT_EQ(f.allowed, 1u);
    f = check("enablests");
    EXPECT_EQ(f.supported, 2u);
    EXPECT_EQ(f.allowed, 0u);
    EXPECT_EQ(check("disablests").supported, 0u);
    EXPECT_EQ(check("rescan").supported, 0u);
    EXPECT_EQ(agent.requestsFor("sendPassThruCmdToDCSIF")[0],
              (Strings{"vexcmd=sendPassThruCmdToDCSIF", "NumDCSIFArgs=2", "param0=report", "param1=storage"}));

    silence("sendPassThruCmdToDCSIF");
    f = check("globalrescan");
    EXPECT_EQ(f.result, 0);
    EXPECT_EQ(f.supported, 0u);
    f = check("debug");
    EXPECT_EQ(f.supported, 1u) << "debug whatever the masks";
    EXPECT_EQ(f.allowed, 1u);
}

}  // namespace
}  // namespace devtest
