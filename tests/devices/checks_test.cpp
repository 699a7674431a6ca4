// The per-object availability members and the enclosure helpers, each against
// exact agent replies.
#include "devices_fixture.h"

namespace devtest {
namespace {

using Checks = DevicesTest;

constexpr uint32_t kUntouched = 0xABCDu;  // flags a member left alone keep it

// Every member reads the bits of the object it names, each object found by
// its own identifier form. Rows run in order against one scripted system.
using Member = int32_t (*)(const char*, const char*, const char*, uint32_t*, uint32_t*);
int32_t storageObject(const char* action, const char*, const char*, uint32_t* s, uint32_t* a) {
    return IsUserOperationValidForStorageObject(action, s, a);
}

struct MemberCase {
    Member member;
    const char* action;
    const char* id;
    int32_t result;
    uint32_t supported;
    uint32_t allowed;
};

void expectMembers(const std::vector<MemberCase>& cases) {
    for (const auto& c : cases) {
        uint32_t supported = kUntouched, allowed = kUntouched;
        EXPECT_EQ(c.member(c.action, "0", c.id, &supported, &allowed), c.result) << c.action << " " << c.id;
        EXPECT_EQ(supported, c.supported) << c.action << " " << c.id;
        EXPECT_EQ(allowed, c.allowed) << c.action << " " << c.id;
    }
}

TEST_F(Checks, MembersReadTheBitsOfTheNamedObject) {
    script("getArrayDisksForController", {"GlobalNo=0"},
           reply({disk("1", "2", "15", 0x400, 0x000), disk("1", "0", "16", 0x400, 0x400),
                  disk("123", "45", "6", 0x400, 0x400), disk("0", "0", "1", 0x3FFFF, 0x3FFFF)}));
    script("getBatteriesForController", {"GlobalNo=0"},
           reply({{{"BatteryID", "0"}, {"MasterMethodMask", "111"}, {"CurrentMethodMask", "001"}},
                  {{"BatteryID", "1"}, {"MasterMethodMask", "010"}, {"CurrentMethodMask", "010"}}}));
    script("getEnclosuresForController", {"GlobalNo=0"},
           reply({{{"Channel", "0"}, {"BusProtocol", "8"}, {"EnclosureID", "2"}, {"MasterMethodMask", "101001100"},
                   {"CurrentMethodMask", "001000000"}},
                  {{"Channel", "1"}, {"BusProtocol", "7"}, {"EnclosureID", "0"}, {"MasterMethodMask", "1"},
                   {"CurrentMethodMask", "1"}}}));
    script("getChannelsForController", {"GlobalNo=0"},
           reply({{{"Channel", "0"}, {"MasterMethodMask", "11"}, {"CurrentMethodMask", "10"}},
                  {{"Channel", "1"}, {"MasterMethodMask", "0"}, {"CurrentMethodMask", "0"}}}));
    script("sendPassThruCmdToDCSIF", {"param0=report"},
           reply({{{"MasterMethodMask", "111"}, {"CurrentMethodMask", "001"}}}));
    const Member adisk = IsUserOperationValidForArrayDisk, battery = IsUserOperationValidForBattery,
                 enclosure = IsUserOperationValidForEnclosure, channel = IsUserOperationValidForChannel;
    expectMembers({
        {adisk, "rebuild", "1:2:15", 0, 0x400, 0},  // enclosure form
        {adisk, "rebuild", "1:15", 0, 0x400, 0},    // connector form of the same disk
        {adisk, "rebuild", "1:0:16", 0, 0x400, 0x400},
        {adisk, "rebuild", "1:2:16", 0, 0, 0},
        {adisk, "rebuild", "123:45:6", 0, 0, 0},  // third part past the seventh character: connector form
        {adisk, "rebuild", "123:6", 0, 0x400, 0x400},
        {adisk, "BLINK", "0:0:1", 0, 0x1, 0x1},
        {adisk, "unassignglobalhotspare", "0:0:1", 0, 0x20, 0x20},
        {adisk, "cancelclear", "0:0:1", 0, 0x20000, 0x20000},
        {adisk, "spindown", "0:0:1", 0, 0, 0},
        {battery, "DelayLearn", "0", 0, 0x4, 0},
        {battery, "startlearn", "1", 0, 0x2, 0x2},
        {battery, "recondition", "01", 0, 0, 0},  // identifiers are texts
        {enclosure, "blink", "0:2", 0, 0x40, 0x40},
        {enclosure, "unblink", "0:2", 0, 0x100, 0},
        {enclosure, "setassetname", "0:2", 0, 0x4, 0},
        {enclosure, "settempprobes", "0:2", 0, 0x8, 0},
        {enclosure, "blink", "0", 0, 0, 0},  // protocol 8 needs the enclosure part
        {enclosure, "enablealarm", "1", 0, 0x1, 0x1},
        {enclosure, "enablealarm", "1:0", 0, 0, 0},  // other protocols name the connector alone
        {enclosure, "reset", "1", 0, 0, 0},
        {enclosure, "DisableSTS", "7", 0, 0x4, 0},  // service-tag reporting is the storage object's
        {channel, "RESCAN", "0", 0, 1, 0},
        {channel, "rescan", "1", 0, 0, 0},
        {channel, "flush", "0", 0, 0, 0},  // only rescan has a bit
        {channel, "rescan", "5", 0, 0, 0},
        {storageObject, "GlobalRescan", "", 0, 1, 1},
        {storageObject, "enablests", "", 0, 2, 0},
        {storageObject, "disablests", "", 0, 4, 0},
        {storageObject, "rescan", "", 0, 0, 0},
    });
    EXPECT_EQ(agent.requestsFor("getArrayDisksForController")[0],
              (Strings{"vexcmd=getArrayDisksForController", "GlobalNo=0", "CLI=true"}));
    EXPECT_EQ(agent.requestsFor("sendPassThruCmdToDCSIF")[0],
              (Strings{"vexcmd=sendPassThruCmdToDCSIF", "NumDCSIFArgs=2", "param0=report", "param1=storage"}));
    const size_t enclosureQueries = agent.requestsFor("getEnclosuresForController").size();
    expectMembers({{enclosure, "enablests", "0:2", 0, 0x2, 0}});
    EXPECT_EQ(agent.requestsFor("getEnclosuresForController").size(), enclosureQueries + 1)
        << "the enclosure is read for service-tag actions too";

    for (const char* command : {"getBatteriesForController", "getEnclosuresForController", "getChannelsForController",
                                "sendPassThruCmdToDCSIF", "getArrayDisksForController"})
        silence(command);
    expectMembers({
        {adisk, "blink", "0:0:1", 0, 0, 0},  // a disk without a reply is unsupported
        {battery, "recondition", "0", 272, kUntouched, kUntouched},
        {enclosure, "blink", "0:2", 272, kUntouched, kUntouched},
        {enclosure, "enablests", "0:2", 272, kUntouched, kUntouched},
        {channel, "rescan", "0", 272, kUntouched, kUntouched},
        {storageObject, "globalrescan", "", 0, 0, 0},
        {storageObject, "debug", "", 0, 1, 1},  // debug whatever the masks
    });
    failAt("xbuf", 1);
    expectMembers({{adisk, "blink", "0:0:1", 272, kUntouched, kUntouched}});
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
}

TEST_F(Checks, AssetLengthAndDuplicate) {
    EXPECT_EQ(IsAssetLengthValid("0", "0:0", "MaxAssetNameLength", 33), 32) << "default for a name";
    EXPECT_EQ(IsAssetInfoDuplicate("0", "0:0", "AssetTag", "tag1"), 0) << "compared with case";
    EXPECT_EQ(IsAssetInfoDuplicate("0", "0:0", "AssetName", "TAG1"), 0) << "each field against its own";
    script("getEnclosure", reply({{{"MaxAssetNameLength", "0"}}}));
    EXPECT_EQ(IsAssetLengthValid("0", "0:0", "MaxAssetNameLength", 500), 0) << "a maximum of 0 takes any length";
    EXPECT_EQ(IsAssetInfoDuplicate("0", "0:0", "AssetTag", ""), 1) << "an absent value is empty";
    silence("getEnclosure");
    EXPECT_EQ(IsAssetLengthValid("0", "0:0", "MaxAssetTagLength", 1), 272);
    EXPECT_EQ(IsAssetInfoDuplicate("0", "0:0", "AssetTag", "x"), 272);
}

}  // namespace
}  // namespace devtest
