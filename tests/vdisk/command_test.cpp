// rkconfig storage vdisk run through its handler against the scripted
// system: every action goes through with the exact request, and every
// rejection of the command carries its status code and both message
// arguments, with nothing sent.
#include "vdisk_fixture.h"

namespace vdtest {
namespace {

using Command = VdiskTest;

struct Accepted {
    std::vector<std::string> line;
    std::vector<std::string> request;
};

TEST_F(Command, EveryActionSendsItsRequest) {
    const Accepted cases[] = {
        {{"action=checkconsistency", "controller=0", "vdisk=0"}, {"vexcmd=setVDCheckConsistency", "GlobalNo=0", "LogicalDriveNum=0"}},
        {{"action=cancelcheckconsistency", "controller=0", "vdisk=0"}, {"vexcmd=setVDCancelCheckConsistency", "GlobalNo=0", "LogicalDriveNum=0"}},
        {{"action=pausecheckconsistency", "controller=0", "vdisk=0"}, {"vexcmd=setVDPauseCheckConsistency", "GlobalNo=0", "LogicalDriveNum=0"}},
        {{"action=resumecheckconsistency", "controller=0", "vdisk=0"}, {"vexcmd=setVDResumeCheckConsistency", "GlobalNo=0", "LogicalDriveNum=0"}},
        {{"action=blink", "controller=0", "vdisk=0"}, {"vexcmd=setVDBlink", "GlobalNo=0", "LogicalDriveNum=0"}},
        {{"action=unblink", "controller=0", "vdisk=3"}, {"vexcmd=setVDUnBlink", "GlobalNo=0", "LogicalDriveNum=3"}},
        {{"action=initialize", "controller=0", "vdisk=0"}, {"vexcmd=setVDInitialize", "GlobalNo=0", "LogicalDriveNum=0"}},
        {{"action=fastinit", "controller=0", "vdisk=0", "force=yes"}, {"vexcmd=setVDFastInitialize", "GlobalNo=0", "LogicalDriveNum=0", "Force=yes"}},
        {{"action=slowinit", "controller=0", "vdisk=0"}, {"vexcmd=setVDSlowInitialize", "GlobalNo=0", "LogicalDriveNum=0"}},
        {{"action=cancelinitialize", "controller=0", "vdisk=0"}, {"vexcmd=setVDCancelInitialize", "GlobalNo=0", "LogicalDriveNum=0"}},
        {{"action=restoresegments", "controller=0", "vdisk=0"}, {"vexcmd=setVDRecover", "GlobalNo=0", "LogicalDriveNum=0"}},
        {{"action=splitmirror", "controller=0", "vdisk=0"}, {"vexcmd=setVDSplitMirrorSet", "GlobalNo=0", "LogicalDriveNum=0"}},
        {{"action=unmirror", "controller=0", "vdisk=0"}, {"vexcmd=setVDUnMirror", "GlobalNo=0", "LogicalDriveNum=0"}},
        {{"action=cancelbginitialize", "controller=0", "vdisk=0"}, {"vexcmd=setVDCancelBGInitialize", "GlobalNo=0", "LogicalDriveNum=0"}},
        {{"action=assigndedicatedhotspare", "controller=0", "vdisk=0", "adisk=0:0:5", "assign=yes"},
         {"vexcmd=setVDDedicatedHotSpare", "GlobalNo=0", "LogicalDriveNum=0", "adisk=0:0:5", "set=yes"}},
        {{"action=assigndedicatedhotspare", "controller=0", "vdisk=0", "pdisk=0:0:6", "assign=YES"},
         {"vexcmd=setVDDedicatedHotSpare", "GlobalNo=0", "LogicalDriveNum=0", "adisk=0:0:6", "set=yes"}},
        {{"action=assigndedicatedhotspare", "controller=0", "vdisk=0", "pdisk=0:0:3", "assign=no"},
         {"vexcmd=setVDDedicatedHotSpare", "GlobalNo=0", "LogicalDriveNum=0", "adisk=0:0:3", "set=no"}},
        {{"action=deletevdisk", "controller=0", "vdisk=0", "force=yes"}, {"vexcmd=setVDdelete", "GlobalNo=0", "LogicalDriveNum=0", "Force=yes"}},
        {{"action=format", "controller=0", "vdisk=0"}, {"vexcmd=setVDFormat", "GlobalNo=0", "LogicalDriveNum=0"}},
        {{"action=reconfigure", "controller=0", "vdisk=0", "raid=r5", "adisk=0:0:5,0:0:6", "stripesize=64kb", "size=20"},
         {"vexcmd=setVDReconfigure", "GlobalNo=0", "LogicalDriveNum=0", "Layout=64", "Length=21474836480", "StripeSize=128", "adisk=0:0:5,0:0:6"}},
        {{"action=reconfigure", "controller=0", "vdisk=0", "raid=r10", "pdisk=0:0:0,0:0:1"},
         {"vexcmd=setVDReconfigure", "GlobalNo=0", "LogicalDriveNum=0", "Layout=512", "adisk=0:0:0,0:0:1"}},
        {{"action=changepolicy", "controller=0", "vdisk=0", "readpolicy=nrc", "writepolicy=wt"},
         {"vexcmd=setVDReconfigure", "GlobalNo=0", "LogicalDriveNum=0", "ReadPolicy=2", "WritePolicy=8"}},
        {{"action=changepolicy", "controller=0", "vdisk=0"}, {"vexcmd=setVDReconfigure", "GlobalNo=0", "LogicalDriveNum=0"}},
        {{"action=rename", "controller=0", "vdisk=0", "name=Data 2_b-c"},
         {"vexcmd=setVDReconfigure", "GlobalNo=0", "LogicalDriveNum=0", "Name=Data 2_b-c"}},
    };
    for (const auto& c : cases) {
        agent.clearRequests();
        Outcome out = runCommand(c.line);
        ASSERT_TRUE(out.answered);
        EXPECT_EQ(out.status, 1000) << c.line[0] << " " << out.arg1 << " / " << out.arg2;
        EXPECT_EQ(out.kind, static_cast<uint32_t>(CLPS_RESP_REPLY)) << c.line[0];
        EXPECT_EQ(out.request, c.request) << c.line[0];
        ASSERT_EQ(writes().size(), 1u) << c.line[0];
        EXPECT_EQ(writes()[0], c.request) << c.line[0];
    }
}

TEST_F(Command, ReconfigureSendsTheSizeInBytes) {
    const struct {
        const char* size;
        const char* length;
    } cases[] = {
        {"20", "21474836480"},      // no unit: gigabytes
        {"1.5", "1610612736"},
        {"512m", "536870912"},
        {"512M", "536870912"},      // units ignore case
        {"2.5g", "2684354560"},
        {"0.001m", "1048"},         // the integer part, not rounded
        {"100b", "100"},            // bytes: the number as typed
        {"100.5b", "100.5"},
        {"g", "0"},                 // a unit alone is the number 0
    };
    for (const auto& c : cases) {
        agent.clearRequests();
        Outcome out = runCommand({"action=reconfigure", "controller=0", "vdisk=0", "raid=r1", "adisk=0:0:5",
                                  std::string("size=") + c.size});
        EXPECT_EQ(out.status, 1000) << c.size;
        EXPECT_EQ(out.request, (std::vector<std::string>{"vexcmd=setVDReconfigure", "GlobalNo=0", "LogicalDriveNum=0",
                                                         "Layout=4", std::string("Length=") + c.length, "adisk=0:0:5"}))
            << c.size;
    }
}

struct Rejected {
    std::vector<std::string> line;
    int32_t status;
    std::string arg1;
    std::string arg2;
};

TEST_F(Command, EveryRejectionNamesTheOffendingValue) {
    const std::string rc = "action=reconfigure", cp = "action=changepolicy", dhs = "action=assigndedicatedhotspare";
    const Rejected cases[] = {
        {{"action=blink", "controller=7", "vdisk=0"}, 1600, "7", "0, 1, 2"},
        {{"action=blink", "controller=01", "vdisk=0"}, 1600, "01", "0, 1, 2"},
        {{"action=blink", "controller=0", "vdisk=2"}, 1604, "2", "0, 1, 3"},
        {{"action=blink", "controller=1", "vdisk=0"}, 1622, "0", "1"},
        {{"action=format", "controller=0", "vdisk=1"}, 1614, "format", ""},
        {{"action=initialize", "controller=0", "vdisk=1"}, 1615, "initialize", ""},
        // Dedicated hot spares.
        {{dhs, "controller=0", "vdisk=0", "assign=yes"}, 1667, "", ""},
        {{dhs, "controller=0", "vdisk=0", "adisk=0:0:5", "pdisk=0:0:5", "assign=yes"}, 1668, "", ""},
        {{dhs, "controller=0", "vdisk=0", "adisk=0:0:0", "assign=yes"}, 1629, "0:0:0", "0:0:5, 0:0:6"},
        {{dhs, "controller=0", "vdisk=3", "adisk=0:0:5", "assign=yes"}, 1629, "0:0:5", "None"},
        {{dhs, "controller=2", "vdisk=0", "adisk=0:0:5", "assign=yes"}, 1615, "assigndedicatedhotspare assign=yes", ""},
        {{dhs, "controller=0", "vdisk=0", "adisk=0:0:2", "assign=no"}, 1602, "0:0:2", "0:0:3"},
        {{dhs, "controller=0", "vdisk=3", "pdisk=0:0:3", "assign=no"}, 1602, "0:0:3", "0:0:2"},
        // Policy changes: read, disk cache, cache, write are checked in that order.
        {{cp, "controller=0", "vdisk=0", "readpolicy=ara", "writepolicy=wc"}, 1610, "ara", "rc, nrc, ra"},
        {{cp, "controller=0", "vdisk=0", "writepolicy=wc", "diskcachepolicy=disabled"}, 1674, "disabled", "enabled"},
        {{cp, "controller=0", "vdisk=0", "writepolicy=wc", "cachepolicy=c"}, 1612, "c", "d"},
        {{cp, "controller=0", "vdisk=0", "writepolicy=fwb"}, 1611, "fwb", "wb, wt"},
        {{cp, "controller=2", "vdisk=0", "readpolicy=ra"}, 1610, "ra", "None - No valid read policies found"},
        {{cp, "controller=2", "vdisk=0", "diskcachepolicy=enabled"}, 1674, "enabled", "None - No valid Disk Cahe policies found"},
        {{cp, "controller=2", "vdisk=0", "cachepolicy=d"}, 1612, "d", "None - No valid cache policies found"},
        {{cp, "controller=2", "vdisk=0", "writepolicy=wb"}, 1611, "wb", "None - No valid write policies found"},
        // Unchanged policies: read, write, cache, disk cache.
        {{cp, "controller=0", "vdisk=0", "readpolicy=ra", "writepolicy=wb"}, 1652, "ra", ""},
        {{cp, "controller=0", "vdisk=0", "readpolicy=rc", "writepolicy=wb", "cachepolicy=d"}, 1653, "wb", ""},
        {{cp, "controller=0", "vdisk=0", "readpolicy=rc", "cachepolicy=d", "diskcachepolicy=enabled"}, 1654, "d", ""},
        {{cp, "controller=0", "vdisk=0", "diskcachepolicy=enabled"}, 1675, "enabled", ""},
        // Rename.
        {{"action=rename", "controller=0", "vdisk=0", "name= Data"}, 1621, " Data", "[A-Z,a-z,0-9,-, ,_] and cannot start/end with spaces."},
        {{"action=rename", "controller=0", "vdisk=0", "name=Data "}, 1621, "Data ", "[A-Z,a-z,0-9,-, ,_] and cannot start/end with spaces."},
        {{"action=rename", "controller=0", "vdisk=0", "name=a.b"}, 1621, "a.b", "[A-Z,a-z,0-9,-, ,_] and cannot start/end with spaces."},
        {{"action=rename", "controller=0", "vdisk=0", "name="}, 1630, "", "15"},
        {{"action=rename", "controller=0", "vdisk=0", "name=ABCDEFGHIJKLMNOP"}, 1630, "ABCDEFGHIJKLMNOP", "15"},
        {{"action=rename", "controller=2", "vdisk=0", "name=NineChars"}, 1630, "NineChars", "8"},
        {{"action=rename", "controller=0", "vdisk=0", "name=Data"}, 1639, "Data", ""},
        {{"action=rename", "controller=0", "vdisk=1", "name=Fresh"}, 1639, "Fresh", ""},
        // Reconfigure.
        {{rc, "controller=0", "vdisk=0", "raid=r6", "adisk=0:0:5"}, 1609, "r6", "r0, r1, r5, r10"},
        {{rc, "controller=2", "vdisk=0", "raid=r1", "adisk=0:0:5"}, 1609, "r1", ""},
        {{rc, "controller=0", "vdisk=0", "raid=r1", "size=5"}, 1667, "", ""},
        {{rc, "controller=0", "vdisk=0", "raid=r1", "adisk=0:0:5", "pdisk=0:0:6"}, 1668, "", ""},
        {{rc, "controller=0", "vdisk=0", "raid=r1", "adisk=0:0:5,0:0:9"}, 1602, "0:0:9",
         "0:0:0, 0:0:1, 0:0:2, 0:0:3, 0:0:4, 0:0:5, 0:0:6"},
        {{rc, "controller=0", "vdisk=0", "raid=r1", "adisk=0:5"}, 1602, "0:5", "0:0:0, 0:0:1, 0:0:2, 0:0:3, 0:0:4, 0:0:5, 0:0:6"},
        {{rc, "controller=0", "vdisk=0", "raid=r1", "adisk=0:0:5,0:0:4"}, 1627, "0:0:4", ""},  // global hot spare
        {{rc, "controller=0", "vdisk=0", "raid=r1", "adisk=0:0:3"}, 1627, "0:0:3", ""},        // dedicated hot spare
        {{rc, "controller=0", "vdisk=0", "raid=r1", "adisk=0:0:5", "stripesize=2kb"}, 1613, "2kb", "64kb, 128kb"},
        {{rc, "controller=0", "vdisk=1", "raid=r1", "adisk=0:0:5", "size=5"}, 1665, "", ""},
        {{rc, "controller=0", "vdisk=0", "raid=r1", "adisk=0:0:5", "size=abcg"}, 1606, "", ""},
        {{rc, "controller=0", "vdisk=0", "raid=r1", "adisk=0:0:5", "size=max"}, 1606, "", ""},
        {{rc, "controller=0", "vdisk=0", "raid=r1", "adisk=0:0:5", "size=1.2.3"}, 1606, "", ""},
        {{rc, "controller=0", "vdisk=0", "raid=r1", "adisk=0:0:5", "size=20t"}, 1607, "", ""},
    };
    for (const auto& c : cases) {
        agent.clearRequests();
        Outcome out = runCommand(c.line);
        std::string line;
        for (const auto& w : c.line) line += w + " ";
        ASSERT_TRUE(out.answered) << line;
        EXPECT_EQ(out.status, c.status) << line;
        EXPECT_EQ(out.kind, static_cast<uint32_t>(CLPS_RESP_MESSAGE)) << line;
        EXPECT_EQ(out.arg1, c.arg1) << line;
        EXPECT_EQ(out.arg2, c.arg2) << line;
        EXPECT_TRUE(writes().empty()) << line;
    }
}

TEST_F(Command, ControllerWithoutArrayDisksNamesTheWholeList) {
    // Controller 2 has no connectors, so no disk exists: the whole list is named.
    agent.on("getController", {"GlobalNo=2"},
             reply({{{"GlobalNo", "2"}, {"RAIDLevelsMask", bits(4)}}}));
    Outcome out = runCommand({"action=reconfigure", "controller=2", "vdisk=0", "raid=r1", "adisk=0:0:5,0:0:6"});
    EXPECT_EQ(out.status, 1602);
    EXPECT_EQ(out.arg1, "0:0:5,0:0:6");
    EXPECT_EQ(out.arg2, "None - There are no array disks on this controller.");
}

TEST_F(Command, ChecksRunInOrderAndStopAtTheFirstRejection) {
    // The controller check fails first: nothing else is asked.
    runCommand({"action=blink", "controller=9", "vdisk=0"});
    ASSERT_EQ(agent.requests().size(), 1u);
    EXPECT_EQ(agent.requests()[0], (Request{"vexcmd=getControllerList"}));

    // A rename that fails on characters asks for nothing beyond the common checks.
    agent.clearRequests();
    runCommand({"action=rename", "controller=0", "vdisk=0", "name=a.b"});
    std::vector<std::string> asked;
    for (const auto& r : agent.requests()) asked.push_back(r[0]);
    EXPECT_EQ(asked, (std::vector<std::string>{"vexcmd=getControllerList", "vexcmd=getVirtualDisksForController",
                                               "vexcmd=getVirtualDisksForController"}));

    // A reconfigure with a size asks about the size change last, after the disks.
    agent.clearRequests();
    runCommand({"action=reconfigure", "controller=0", "vdisk=1", "raid=r1", "adisk=0:0:5", "size=5"});
    asked.clear();
    for (const auto& r : agent.requests()) asked.push_back(r[0]);
    ASSERT_GE(asked.size(), 2u);
    EXPECT_EQ(asked.back(), "vexcmd=getVirtualDisksForController");
    EXPECT_EQ(asked[asked.size() - 2], "vexcmd=getArrayDisksForChannel");
}

TEST_F(Command, ActionWordsIgnoreCase) {
    Outcome out = runCommand({"action=BLINK", "controller=0", "vdisk=0"});
    EXPECT_EQ(out.status, 1000);
    out = runCommand({"action=ReName", "controller=0", "vdisk=0", "name=Data"});
    EXPECT_EQ(out.status, 1639);  // the rename branch ran
}

}  // namespace
}  // namespace vdtest
