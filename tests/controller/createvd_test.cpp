// The creation queries: the virtual disk limit, the size range of a layout
// on a set of disks (with the exact capability request), the name test.
#include "ctrl_fixture.h"

namespace ctrltest {
namespace {

using CreationQueries = ControllerTest;

TEST_F(CreationQueries, LimitCountsTheVirtualDisks) {
    agent.on("getSingleControllerArrayInfo", {"GlobalNo=5"}, reply({{{"LogicalDriveNum", "0"}}}));
    agent.on("getSingleControllerArrayInfo", {"GlobalNo=6"}, reply({{{"MaxVDAllowed", "1"}}}));
    // 2 of 4, 2 of 2, no maximum (counts as 0), 0 of 1.
    const std::tuple<const char*, int32_t, const char*> cases[] = {
        {"0", 0, "4"}, {"1", 1, "2"}, {"5", 1, ""}, {"6", 0, "1"}};
    for (const auto& [controller, over, limit] : cases) {
        char maximum[8] = "stale";
        EXPECT_EQ(isOverMaxVDAllowed(controller, maximum, sizeof maximum), over) << controller;
        EXPECT_STREQ(maximum, limit) << controller;
    }
    EXPECT_EQ(agent.requests().front(), (Request{"vexcmd=getSingleControllerArrayInfo", "GlobalNo=0", "CLI=true"}));
    char maximum[8];
    failAt("reply", 1);
    EXPECT_EQ(isOverMaxVDAllowed("0", maximum, sizeof maximum), -1);
    failAt("xbuf", 1);
    EXPECT_EQ(isOverMaxVDAllowed("0", maximum, sizeof maximum), 272);
}

TEST_F(CreationQueries, CapabilityRequestFollowsTheLayout) {
    const std::string rules = "param9=Rules;param10=2;";
    const std::tuple<const char*, uint32_t, std::string> cases[] = {
        {"64", 0, "NumDCSIFArgs=9"},
        {"512", 0, rules + "NumDCSIFArgs=11"},
        {"2048", 3, rules + "param11=SpanLength;param12=3;NumDCSIFArgs=13"},
        {"262144", 4, rules + "param11=SpanLength;param12=4;NumDCSIFArgs=13"},
    };
    for (const auto& [layout, span, tail] : cases) {
        agent.clearRequests();
        char minimum[16] = {}, maximum[16] = {};
        const char* disks = "0:0:1,0:0:2,0:0:3";
        EXPECT_EQ(GetPossibleMinMaxVDSizeForLayout("0", disks, span, layout, minimum, 16, maximum, 16), 0);
        EXPECT_STREQ(minimum, kMinSize);
        EXPECT_STREQ(maximum, kMaxSize);
        EXPECT_EQ(agent.requests(), (std::vector<Request>{
            {"vexcmd=getControllerList"}, {"vexcmd=getArrayDisk", "GlobalNo=0", "adisk=0:0:1,0:0:2,0:0:3", "CLI=true"},
            split("vexcmd=sendPassThruCmdToDCSIF;param0=getcaps;param1=make;param2=vdisk;param3=ObjID;param4=100;"
                  "param5=IDList;param6=21:22:23;param7=MinDrives;param8=3;" + tail, ';')})) << layout;
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
    char minimum[16] = {}, maximum[16] = {};
    GetPossibleMinMaxVDSizeForLayout("0", std::string(600, '1').c_str(), 0, "64", minimum, 16, maximum, 16);
    EXPECT_EQ(agent.requestsFor("getArrayDisk").back()[2].size(), 511u);
    const auto caps = agent.requestsFor("sendPassThruCmdToDCSIF").back();
    EXPECT_EQ(caps[5], "param4=" + std::string(23, 'C'));  // 30 characters in all
    EXPECT_EQ(caps[7].size(), 1022u);                    // "param6=" and the joined text, cut
    EXPECT_EQ(caps[9], "param8=200");
}

TEST_F(CreationQueries, EveryMissingReplyIsMinusOneAndNoBuffer272) {
    char minimum[16] = {}, maximum[16] = {};
    // The capability query last: silent ones stay silent.
    for (const char* silent : {"getControllerList", "sendPassThruCmdToDCSIF", "getArrayDisk"}) {
        scriptSystem(agent);
        agent.silent(silent);
        EXPECT_EQ(GetPossibleMinMaxVDSizeForLayout("0", "0:0:1", 0, "2", minimum, 16, maximum, 16), -1) << silent;
    }
    agent.on("getArrayDisk", reply({{{"ObjID", "21"}}}));
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
