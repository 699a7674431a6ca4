// The creation queries: the virtual disk limit, the size range of a layout
// on a set of disks (with the exact capability request), the name test.
#include "ctrl_fixture.h"

namespace ctrltest {
namespace {

using CreationQueries = ControllerTest;

TEST_F(CreationQueries, LimitCountsTheVirtualDisks) {
    char maximum[8] = "stale";
    EXPECT_EQ(isOverMaxVDAllowed("0", maximum, sizeof maximum), 0);  // 2 of 4
    EXPECT_STREQ(maximum, "4");
    EXPECT_EQ(agent.requests().back(), (Request{"vexcmd=getSingleControllerArrayInfo", "GlobalNo=0", "CLI=true"}));
    EXPECT_EQ(isOverMaxVDAllowed("1", maximum, sizeof maximum), 1);  // 2 of 2
    EXPECT_STREQ(maximum, "2");

    agent.on("getSingleControllerArrayInfo", {"GlobalNo=5"}, reply({{{"LogicalDriveNum", "0"}}}));
    EXPECT_EQ(isOverMaxVDAllowed("5", maximum, sizeof maximum), 1);  // no maximum: counts as 0
    EXPECT_STREQ(maximum, "");
    agent.on("getSingleControllerArrayInfo", {"GlobalNo=6"}, reply({{{"MaxVDAllowed", "1"}}}));
    EXPECT_EQ(isOverMaxVDAllowed("6", maximum, sizeof maximum), 0);  // 0 of 1

    failAt("reply", 1);
    EXPECT_EQ(isOverMaxVDAllowed("0", maximum, sizeof maximum), -1);
    failAt("xbuf", 1);
    EXPECT_EQ(isOverMaxVDAllowed("0", maximum, sizeof maximum), 272);
}

struct RangeCase {
    const char* layout;
    uint32_t span;
    std::vector<std::string> tail;  // the request after "param8="
};

TEST_F(CreationQueries, CapabilityRequestFollowsTheLayout) {
    const RangeCase cases[] = {
        {"64", 0, {"NumDCSIFArgs=9"}},
        {"512", 0, {"param9=Rules", "param10=2", "NumDCSIFArgs=11"}},
        {"2048", 3, {"param9=Rules", "param10=2", "param11=SpanLength", "param12=3", "NumDCSIFArgs=13"}},
        {"262144", 4, {"param9=Rules", "param10=2", "param11=SpanLength", "param12=4", "NumDCSIFArgs=13"}},
    };
    for (const RangeCase& c : cases) {
        agent.clearRequests();
        char minimum[16] = {}, maximum[16] = {};
        EXPECT_EQ(GetPossibleMinMaxVDSizeForLayout("0", "0:0:1,0:0:2,0:0:3", c.span, c.layout, minimum, 16, maximum, 16), 0);
        EXPECT_STREQ(minimum, kMinSize);
        EXPECT_STREQ(maximum, kMaxSize);
        ASSERT_EQ(agent.requests().size(), 3u);
        EXPECT_EQ(agent.requests()[0], Request{"vexcmd=getControllerList"});
        EXPECT_EQ(agent.requests()[1],
                  (Request{"vexcmd=getArrayDisk", "GlobalNo=0", "adisk=0:0:1,0:0:2,0:0:3", "CLI=true"}));
        Request expected = {"vexcmd=sendPassThruCmdToDCSIF", "param0=getcaps", "param1=make", "param2=vdisk",
                            "param3=ObjID", "param4=100", "param5=IDList", "param6=21:22:23", "param7=MinDrives",
                            "param8=3"};
        expected.insert(expected.end(), c.tail.begin(), c.tail.end());
        EXPECT_EQ(agent.requests()[2], expected) << c.layout;
    }
}

TEST_F(CreationQueries, UnknownControllerAndUnmatchedLayoutLeaveTheOutputs) {
    agent.on("sendPassThruCmdToDCSIF", reply({{{"Layout", "2"}, {"MinimumLength", "1"}, {"Length", "9"}}}));
    char minimum[16] = "lo", maximum[16] = "hi";
    EXPECT_EQ(GetPossibleMinMaxVDSizeForLayout("42", "0:0:1", 0, "64", minimum, 16, maximum, 16), 0);
    EXPECT_STREQ(minimum, "lo");
    EXPECT_STREQ(maximum, "hi");
    EXPECT_EQ(agent.requests().back()[5], "param4=");  // controller 42 has no ObjID
}

TEST_F(CreationQueries, LongTextsAreCutToTheirArguments) {
    agent.on("getControllerList", reply({{{"GlobalNo", "0"}, {"ObjID", std::string(40, 'C')}}}));
    std::vector<Object> many;
    for (int i = 0; i < 200; ++i) many.push_back({{"ObjID", "D" + std::to_string(1000 + i)}});
    agent.on("getArrayDisk", reply(many));
    std::string list(600, '1');
    char minimum[16] = {}, maximum[16] = {};
    GetPossibleMinMaxVDSizeForLayout("0", list.c_str(), 0, "64", minimum, 16, maximum, 16);
    const auto arrayDisk = agent.requestsFor("getArrayDisk").back();
    EXPECT_EQ(arrayDisk[2].size(), 511u);
    const auto caps = agent.requestsFor("sendPassThruCmdToDCSIF").back();
    EXPECT_EQ(caps[5], "param4=" + std::string(23, 'C'));  // 30 characters in all
    EXPECT_EQ(caps[7].size(), 1022u);                    // "param6=" and the joined text, cut
    EXPECT_EQ(caps[9], "param8=200");
}

TEST_F(CreationQueries, EveryMissingReplyIsMinusOne) {
    char minimum[16] = {}, maximum[16] = {};
    agent.silent("getControllerList");
    EXPECT_EQ(GetPossibleMinMaxVDSizeForLayout("0", "0:0:1", 0, "2", minimum, 16, maximum, 16), -1);
    scriptSystem(agent);
    agent.silent("getArrayDisk");
    EXPECT_EQ(GetPossibleMinMaxVDSizeForLayout("0", "0:0:1", 0, "2", minimum, 16, maximum, 16), -1);
    agent.on("getArrayDisk", reply({{{"ObjID", "21"}}}));
    agent.silent("sendPassThruCmdToDCSIF");
    agent.clearRequests();
    EXPECT_EQ(GetPossibleMinMaxVDSizeForLayout("0", "0:0:1", 0, "2", minimum, 16, maximum, 16), -1);
    EXPECT_EQ(agent.requests().size(), 3u);
    EXPECT_STREQ(minimum, "");

    agent.on("sendPassThruCmdToDCSIF", reply({}));
    for (int n = 1; n <= 3; ++n) {
        failAt("xbuf", n);
        EXPECT_EQ(GetPossibleMinMaxVDSizeForLayout("0", "0:0:1", 0, "2", minimum, 16, maximum, 16), 272) << n;
    }
}

TEST_F(CreationQueries, NameDuplicate) {
    EXPECT_EQ(IsCtrlVDNameDuplicate("Logs", "0"), 0);
    EXPECT_EQ(IsCtrlVDNameDuplicate("logs", "0"), -1);
    EXPECT_EQ(agent.requests().back(), (Request{"vexcmd=getVirtualDisk", "GlobalNo=0", "CLI=true"}));
    failAt("reply", 1);
    EXPECT_EQ(IsCtrlVDNameDuplicate("Logs", "0"), -1);
    failAt("xbuf", 1);
    EXPECT_EQ(IsCtrlVDNameDuplicate("Logs", "0"), 272);
}

}  // namespace
}  // namespace ctrltest
