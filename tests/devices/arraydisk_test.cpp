// rkconfig storage adisk / pdisk through their handlers.
#include "devices_fixture.h"

namespace devtest {
namespace {

using ArrayDisks = DevicesTest;

struct ActionCase {
    const char* action;
    const char* command;
    Strings extra;  // what follows GlobalNo and adisk in the request
};

const ActionCase kActions[] = {
    {"blink",                "vexcmd=setArrayDiskBlink",              {}},
    {"unblink",              "vexcmd=setArrayDiskUnBlink",            {}},
    {"remove",               "vexcmd=setArrayDiskPrepareToRemove",    {}},
    {"initialize",           "vexcmd=setArrayDiskInitialize",         {}},
    {"rebuild",              "vexcmd=setArrayDiskRebuild",            {}},
    {"cancelrebuild",        "vexcmd=setArrayDiskCancelRebuild",      {}},
    {"offline",              "vexcmd=setArrayDiskOffline",            {}},
    {"removedeadsegments",   "vexcmd=setArrayDiskRemoveDeadSegments", {}},
    {"online",               "vexcmd=setArrayDiskOnline",             {}},
    {"clear",                "vexcmd=setArrayDiskClear",              {"Property=13"}},
    {"cancelclear",          "vexcmd=setArrayDiskCancelClear",        {"Property=14"}},
};

TEST_F(ArrayDisks, EveryActionReachesTheAgentFromBothCommands) {
    const std::pair<Handler, std::string> commands[] = {{CmdConfigArrayDisks, "adisk"}, {CmdConfigPhysicalDisks, "pdisk"}};
    for (const auto& [handler, object] : commands) {
        for (const auto& c : kActions) {
            agent.clearRequests();
            Outcome out = run(handler, object, std::string("action=") + c.action + " controller=0 " + object + "=0:0:1");
            Strings expected = {c.command, "GlobalNo=0", "adisk=0:0:1"};
            expected.insert(expected.end(), c.extra.begin(), c.extra.end());
            EXPECT_EQ(out.status, 1000) << object << " " << c.action << " " << out.arg1;
            EXPECT_EQ(out.request, expected) << object << " " << c.action;
            EXPECT_EQ(agent.requestsFor(c.command + 7).size(), 1u) << c.action;
        }
    }
}

TEST_F(ArrayDisks, HotSpareAssignmentAndRelease) {
    script("getArrayDisksForController", {"GlobalNo=0"},
             reply({disk("0", "0", "0"), disk("0", "0", "1", 0x30, 0x10), disk("1", "", "4", 0x10, 0x00)}));
    Outcome out = run(CmdConfigArrayDisks, "adisk", "action=assignglobalhotspare controller=0 adisk=0:0:1 assign=yes");
    EXPECT_EQ(out.status, 1000);
    EXPECT_EQ(out.request, (Strings{"vexcmd=setArrayDiskGlobalHotSpare", "GlobalNo=0", "adisk=0:0:1", "set=yes"}));

    out = run(CmdConfigPhysicalDisks, "pdisk", "action=assignglobalhotspare controller=0 pdisk=0:0:1 assign=NO");
    EXPECT_EQ(out.status, 1615) << "release is bit 0x20, not allowed now";
    EXPECT_EQ(out.arg1, "assignglobalhotspare assign=no");

    out = run(CmdConfigArrayDisks, "adisk", "action=assignglobalhotspare controller=0 adisk=1:4 assign=no");
    EXPECT_EQ(out.status, 1614);
    EXPECT_EQ(out.arg1, "assignglobalhotspare assign=no");
    out = run(CmdConfigArrayDisks, "adisk", "action=assignglobalhotspare controller=0 adisk=1:4 assign=yes");
    EXPECT_EQ(out.status, 1615);
    EXPECT_EQ(out.arg1, "assignglobalhotspare assign=yes");
    EXPECT_TRUE(agent.requestsFor("setArrayDiskGlobalHotSpare").size() == 1) << "rejections send nothing";
}

TEST_F(ArrayDisks, Rejections) {
    script("getArrayDisksForController", {"GlobalNo=0"}, reply({disk("0", "0", "0", 0x1, 0x0), disk("0", "0", "1", 0x0, 0x0)}));
    const std::vector<Expected> cases = {
        {"action=blink controller=7 adisk=0:0:1", 1600, "7", "0, 1"},
        {"action=blink controller=0 adisk=0:1", 1602, "0:1", "0:0:0, 0:0:1, 1:4"},
        {"action=blink controller=1 adisk=0:1", 1602, "0:1", "None - There are no physical disks on this controller."},
        {"action=blink controller=0 adisk=0:0:1", 1614, "blink", ""},
        {"action=blink controller=0 adisk=0:0:0", 1615, "blink", ""},
        {"action=clear controller=0 adisk=0:0:0", 1614, "clear", ""},
    };
    expectAll(cases, [&](const char* params) {
        return run(CmdConfigArrayDisks, "adisk", params);
    });
    EXPECT_TRUE(agent.requestsFor("setArrayDiskBlink").empty());
}

TEST_F(ArrayDisks, CallbackTakesPdiskWhenAdiskIsAbsentAndAssignmentWithoutAssign) {
    Outcome out = call(CmdConfigArrayDisksValidateFunc, "action=assignglobalhotspare controller=0 pdisk=1:4",
                       {"GlobalNo=0", "adisk=1:4"});
    EXPECT_EQ(out.status, 1000);
    EXPECT_EQ(out.request, (Strings{"GlobalNo=0", "adisk=1:4"}));
    EXPECT_EQ(agent.requestsFor("getArrayDisksForChannel").back(),
              (Strings{"vexcmd=getArrayDisksForChannel", "GlobalNo=0", "Channel=1", "CLI=true"}));
}

}  // namespace
}  // namespace devtest
