// rkconfig storage controller run through its handler against the scripted
// system: every action goes through with its exact request, and every
// rejection carries its status code and both message arguments, with
// nothing written.
#include <set>

#include "ctrl_fixture.h"

namespace ctrltest {
namespace {

using Command = ControllerTest;

struct Accepted {
    std::vector<std::string> line;
    Request request;
};

TEST_F(Command, EveryActionOfTheTableSendsItsRequest) {
    const Accepted cases[] = {
        {{"action=rescan", "controller=0"}, {"vexcmd=setCntrlRescan", "GlobalNo=0"}},
        {{"action=resetconfig", "controller=0", "force=yes"}, {"vexcmd=setCntrlResetConfig", "GlobalNo=0", "Force=yes"}},
        {{"action=enablealarm", "controller=0"}, {"vexcmd=setCntrlEnableAlarm", "GlobalNo=0"}},
        {{"action=disablealarm", "controller=0"}, {"vexcmd=setCntrlDisableAlarm", "GlobalNo=0"}},
        {{"action=quietalarm", "controller=0"}, {"vexcmd=setCntrlQuietAlarm", "GlobalNo=0"}},
        {{"action=TestAlarm", "controller=0"}, {"vexcmd=setCntrlTestAlarm", "GlobalNo=0"}},
        {{"action=exportlog", "controller=0"}, {"vexcmd=setCntrlExportLog", "GlobalNo=0"}},
        {{"action=setrebuildrate", "controller=0", "rate=40"}, {"vexcmd=setCntrlRebuildRate", "GlobalNo=0", "RebuildRate=40"}},
        {{"action=setbgirate", "controller=0", "rate=030"}, {"vexcmd=setCntrlBGIRate", "GlobalNo=0", "Rate=030", "AttribType=1"}},
        {{"action=setcheckconsistencyrate", "controller=0", "rate=0"}, {"vexcmd=setCntrlCheckConsistencyRate", "GlobalNo=0", "Rate=0", "AttribType=4"}},
        {{"action=setreconstructrate", "controller=0", "rate=100"}, {"vexcmd=setCntrlReconstructRate", "GlobalNo=0", "Rate=100", "AttribType=3"}},
        {{"action=clearforeignconfig", "controller=0"}, {"vexcmd=setCntrlClearForeignConfig", "GlobalNo=0", "Property=6"}},
        {{"action=importforeignconfig", "controller=0"}, {"vexcmd=setCntrlImportForeignConfig", "GlobalNo=0", "Property=7"}},
        {{"action=importrecoverforeignconfig", "controller=0"}, {"vexcmd=setCntrlForcedImportForeignConfig", "GlobalNo=0", "Property=15"}},
        {{"action=stoppatrolread", "controller=0"}, {"vexcmd=setCntrlPatrolReadStop", "GlobalNo=0", "Property=12"}},
        {{"action=startpatrolread", "controller=0"}, {"vexcmd=setCntrlPatrolReadStart", "GlobalNo=0", "Property=11"}},
        {{"action=setpatrolreadmode", "controller=0", "mode=Manual"}, {"vexcmd=setCntrlPatrolReadMode", "GlobalNo=0", "PatrolReadMode=2"}},
        {{"action=createvdisk", "controller=0", "raid=r5", "size=100", "adisk=0:0:1,0:0:2,0:0:3"},
         {"vexcmd=setCntrlCreateVD", "GlobalNo=0", "adisk=0:0:1,0:0:2,0:0:3", "Length=107374182400", "Layout=64"}},
        {{"action=debug"}, {"vexcmd=sendPassThruCmdToDCSIF", "NumDCSIFArgs=1", "param0=debug"}},
    };
    std::set<std::string> covered;
    for (const Accepted& c : cases) {
        agent.clearRequests();
        Outcome out = runCommand(c.line);
        EXPECT_EQ(out.status, 1000) << c.line[0] << " " << out.arg1;
        EXPECT_EQ(out.request, c.request) << c.line[0];
        ASSERT_EQ(writes().size(), 1u) << c.line[0];
        EXPECT_EQ(writes()[0], c.request) << c.line[0];
        std::string action = c.line[0].substr(7);
        for (auto& ch : action) ch = static_cast<char>(tolower(static_cast<unsigned char>(ch)));
        covered.insert(action);
    }
    for (const NVCmdRow& row : NVCmdConfigController) EXPECT_TRUE(covered.count(row.selectorValue)) << row.selectorValue;
}

TEST_F(Command, DebugAsksTheAgentNothingBeforeItsRequest) {
    Outcome out = runCommand({"action=debug"});
    EXPECT_EQ(out.status, 1000);
    EXPECT_EQ(agent.requests().size(), 1u);
}

// A line for the row built from the table itself: its required parameters
// with a value each row accepts.
std::vector<std::string> minimalLine(const NVCmdRow& row, const char* controller) {
    std::vector<std::string> line = {std::string("action=") + row.selectorValue};
    std::set<std::string> named;
    for (uint32_t i = 0; i < row.paramCount; ++i) {
        const NVLstRow& p = row.params[i];
        if ((p.kind != NVP_VALUE && p.kind != NVP_CHOICE_REQUIRED) || named.count(p.userParam)) continue;
        named.insert(p.userParam);
        std::string name = p.userParam;
        std::string value = name == "controller" ? controller : name == "size" ? "1g" : "50";
        if (p.kind == NVP_CHOICE_REQUIRED) value = p.extraText;
        line.push_back(name + "=" + value);
    }
    return line;
}

TEST_F(Command, EveryActionAsksTheControllersMasks) {
    for (const NVCmdRow& row : NVCmdConfigController) {
        std::string action = row.selectorValue;
        if (action == "debug") continue;
        agent.clearRequests();
        Outcome none = runCommand(minimalLine(row, "3"));  // supports nothing
        EXPECT_EQ(none.status, 1614) << action;
        EXPECT_EQ(none.arg1, action);
        // Controller 2 supports resetconfig and createvdisk, allows neither.
        Outcome some = runCommand(minimalLine(row, "2"));
        bool supported = action == "resetconfig" || action == "createvdisk";
        EXPECT_EQ(some.status, supported ? 1615 : 1614) << action;
        EXPECT_EQ(some.arg1, action);
        EXPECT_EQ(some.arg2, "");
        EXPECT_TRUE(writes().empty()) << action;
    }
}

struct Refused {
    std::vector<std::string> line;
    int32_t status;
    std::string arg1;
    std::string arg2;
};

TEST_F(Command, ControllerActionsAreRefusedWithTheirCodes) {
    const Refused cases[] = {
        {{"action=rescan", "controller=7"}, 1600, "7", "0, 1, 2, 3"},
        {{"action=rescan", "controller=00"}, 1600, "00", "0, 1, 2, 3"},
        {{"action=testalarm", "controller=1"}, 1615, "testalarm", ""},
        {{"action=resetconfig", "controller=2"}, 1615, "resetconfig", ""},
        {{"action=rescan", "controller=3"}, 1614, "rescan", ""},
        {{"action=createvdisk", "controller=1", "raid=r5", "size=1g", "adisk=0:0:1,0:0:2,0:0:3"}, 1642, "2", ""},
        {{"action=createvdisk", "controller=2", "raid=r5", "size=1g", "adisk=0:0:1,0:0:2,0:0:3"}, 1615, "createvdisk", ""},
        {{"action=setrebuildrate", "controller=0", "rate=30"}, 1648, "", ""},
        {{"action=setbgirate", "controller=0", "rate=30"}, 1656, "", ""},
        {{"action=setreconstructrate", "controller=0", "rate=30"}, 1658, "", ""},
        {{"action=setcheckconsistencyrate", "controller=0", "rate=30"}, 1659, "", ""},
        {{"action=setreconstructrate", "controller=1", "rate=30"}, 1655, "", ""},
        {{"action=setpatrolreadmode", "controller=0", "mode=disable"}, 1660, "disable", "auto, manual"},
        {{"action=setpatrolreadmode", "controller=1", "mode=AUTO"}, 1660, "AUTO", ""},
    };
    for (const Refused& c : cases) {
        agent.clearRequests();
        Outcome out = runCommand(c.line);
        EXPECT_EQ(out.status, c.status) << c.line[0] << " " << c.line[1];
        EXPECT_EQ(out.arg1, c.arg1) << c.line[0];
        EXPECT_EQ(out.arg2, c.arg2) << c.line[0];
        EXPECT_TRUE(writes().empty()) << c.line[0];
    }
}

std::vector<std::string> create(std::initializer_list<std::string> extra) {
    std::vector<std::string> line = {"action=createvdisk", "controller=0"};
    line.insert(line.end(), extra);
    return line;
}

const char kValidDisks[] = "0:0:0, 0:0:1, 0:0:2, 0:0:3, 0:0:4, 0:0:5, 0:0:6, 0:0:7, 0:0:8, 0:0:9, 0:0:10, 0:0:11";
const char kThree[] = "adisk=0:0:1,0:0:2,0:0:3";
const char kSix[] = "adisk=0:0:0,0:0:1,0:0:2,0:0:3,0:0:4,0:0:5";
const char kEight[] = "adisk=0:0:0,0:0:1,0:0:2,0:0:3,0:0:4,0:0:5,0:0:6,0:0:7";

TEST_F(Command, CreationChecksRefuseInTheirOrder) {
    const std::string tooLong(16, 'n');
    const Refused cases[] = {
        {create({"raid=c", "size=1g", kThree}), 1609, "c", "r0, r1, r5, r6, r10, r50, r60"},
        {create({"raid=r5", "size=1g", "adisk=0:0:1,0:0:99,0:0:3"}), 1602, "0:0:99", kValidDisks},
        {create({"raid=r5", "size=1g", "adisk=0:0:1, 0:0:2,0:0:3"}), 1602, " 0:0:2", kValidDisks},
        {create({"raid=r5", "size=1g", "adisk=0:0:1,0:0:2,0:0:1000"}), 1602, "0:0:100", kValidDisks},
        {create({"raid=r5", "size=1g"}), 1667, "", ""},
        {create({"raid=r5", "size=1g", kThree, "pdisk=0:0:4"}), 1668, "", ""},
        {create({"raid=r5", "size=1g", kThree, "name=a.b"}), 1621, "a.b",
         "[A-Z,a-z,0-9,-, ,_] and cannot start/end with spaces."},
        {create({"raid=r5", "size=1g", kThree, "name=" + tooLong}), 1621, tooLong,
         "Names with minimum name length of 1, maximum name length of 15"},
        {create({"raid=r5", "size=1g", kThree, "readpolicy=ara"}), 1610, "ara", "rc, nrc, ra"},
        {create({"raid=r5", "size=1g", kThree, "writepolicy=WC"}), 1611, "WC", "wb, wt"},
        {create({"raid=r5", "size=1g", kThree, "cachepolicy=c"}), 1612, "c", "d"},
        {create({"raid=r5", "size=1g", kThree, "stripesize=2kb"}), 1613, "2kb", "64kb, 128kb"},
        {create({"raid=r1", "size=1g", kThree}), 1635, "", ""},
        {create({"raid=r5", "size=1g", "adisk=0:0:1,0:0:2"}), 1636, "", ""},
        {create({"raid=r10", "size=1g", "adisk=0:0:1,0:0:2,0:0:3,0:0:4,0:0:5"}), 1637, "", ""},
        {create({"raid=r50", "size=1g", "adisk=0:0:1,0:0:2,0:0:3,0:0:4,0:0:5"}), 1638, "", ""},
        {create({"raid=r6", "size=1g", kThree}), 1672, "", ""},
        {create({"raid=r60", "size=1g", "adisk=0:0:0,0:0:1,0:0:2,0:0:3,0:0:4,0:0:5,0:0:6"}), 1673, "", ""},
        {create({"raid=r5", "size=1g", kThree, "spanlength=3"}), 1651, "", ""},
        {create({"raid=r50", "size=1g", kSix}), 1631, "", ""},
        {create({"raid=r60", "size=1g", kEight}), 1671, "", ""},
        {create({"raid=r50", "size=1g", kSix, "spanlength=2"}), 1632, "2", ""},
        {create({"raid=r50", "size=1g", kSix, "spanlength=4"}), 1670, "4", ""},
        {create({"raid=r50", "size=1g", kSix, "spanlength=6"}), 1670, "6", ""},
        {create({"raid=r50", "size=1g", kSix, "spanlength=-3"}), 1670, "-3", ""},
        // Beyond 32 bits a text saturates instead of wrapping into a small span.
        {create({"raid=r50", "size=1g", kSix, "spanlength=-4294967293"}), 1670, "-4294967293", ""},
        {create({"raid=r50", "size=1g", kSix, "spanlength=-4294967294"}), 1670, "-4294967294", ""},
        {create({"raid=r50", "size=1g", kSix, "spanlength=4294967299"}), 1670, "4294967299", ""},
        {create({"raid=r60", "size=1g", kEight, "spanlength=8"}), 1670, "8", ""},
        {create({"raid=r5", "size=1m", kThree}), 1646, kMinSize, kMaxSize},
        {create({"raid=r5", "size=", kThree}), 1646, kMinSize, kMaxSize},
        {create({"raid=r5", "size=3000g", kThree}), 1646, kMinSize, kMaxSize},
        {create({"raid=r5", "size=10gb", kThree}), 1606, "", ""},
        {create({"raid=r5", "size=1..5g", kThree}), 1606, "", ""},
        {create({"raid=r5", "size=-1g", kThree}), 1606, "", ""},
        {create({"raid=r5", "size=10x", kThree}), 1607, "", ""},
        {create({"raid=r5", "size=3t", kThree}), 1607, "", ""},
    };
    for (const Refused& c : cases) {
        agent.clearRequests();
        Outcome out = runCommand(c.line);
        std::string where = c.line[2] + " " + c.line[3] + " " + (c.line.size() > 4 ? c.line[4] : "") + " " +
                            (c.line.size() > 5 ? c.line[5] : "");
        EXPECT_EQ(out.status, c.status) << where;
        EXPECT_EQ(out.arg1, c.arg1) << where;
        EXPECT_EQ(out.arg2, c.arg2) << where;
        EXPECT_TRUE(writes().empty()) << where;
    }
}

TEST_F(Command, PoliciesNobodyOffersSayNone) {
    agent.on("getController", {"GlobalNo=0"},
             reply({{{"MaxNameLength", "15"}, {"RAIDLevelsMask", bits(64)}}}));
    const Refused cases[] = {
        {create({"raid=r5", "size=1g", kThree, "readpolicy=rc"}), 1610, "rc", "None - No valid read policies found"},
        {create({"raid=r5", "size=1g", kThree, "writepolicy=wb"}), 1611, "wb", "None - No valid write policies found"},
        {create({"raid=r5", "size=1g", kThree, "cachepolicy=d"}), 1612, "d", "None - No valid cache policies found"},
        {create({"raid=r5", "size=1g", kThree, "stripesize=64kb"}), 1613, "64kb", "None - No valid stripe size values found"},
    };
    for (const Refused& c : cases) {
        Outcome out = runCommand(c.line);
        EXPECT_EQ(out.status, c.status);
        EXPECT_EQ(out.arg1, c.arg1);
        EXPECT_EQ(out.arg2, c.arg2);
    }
    agent.on("getChannelsForController", {"GlobalNo=0"}, reply({}));  // no disks at all
    Outcome none = runCommand(create({"raid=r5", "size=1g", kThree}));
    EXPECT_EQ(none.status, 1602);
    EXPECT_EQ(none.arg2, "None - no valid adisks found");
    EXPECT_TRUE(writes().empty());
}

TEST_F(Command, NoSizeRangeForTheLayout) {
    agent.on("sendPassThruCmdToDCSIF", reply({{{"Layout", "2"}, {"MinimumLength", "1"}, {"Length", "9"}},
                                              {{"Layout", "64"}, {"Length", "9"}}}));
    Outcome out = runCommand(create({"raid=r5", "size=1g", kThree}));
    EXPECT_EQ(out.status, 1623);
    EXPECT_EQ(out.arg1, "");
    agent.on("sendPassThruCmdToDCSIF", reply({{{"Layout", "2"}, {"MinimumLength", "1"}, {"Length", "9"}}}));
    EXPECT_EQ(runCommand(create({"raid=r5", "size=1g", kThree})).status, 1623);
    EXPECT_TRUE(writes().empty());
}

TEST_F(Command, SizesBecomeBytes) {
    struct Size {
        std::string raid;
        std::string size;
        std::string length;
    };
    const Size cases[] = {
        {"r5", "100", "Length=107374182400"},
        {"r5", "1.5g", "Length=1610612736"},
        {"r5", "1.5G", "Length=1610612736"},
        {"r5", "150.5M", "Length=157810688"},
        {"r5", "209715200b", "Length=209715200"},
        {"r5", "max", "Length=2199023255552"},
        {"r5", "MAX", "Length=2199023255552"},
        {"r5", "Min", "Length=104857600"},
        {"r5", "2048", "Length=2199023255552"},  // exactly the maximum
        {"r0", "1.5b", "Length=1.5"},
        {"r0", "1.5m", "Length=1572864"},
        {"r0", ".5m", "Length=524288"},
    };
    for (const Size& c : cases) {
        Outcome out = runCommand(create({"raid=" + c.raid, "size=" + c.size, kThree}));
        EXPECT_EQ(out.status, 1000) << c.size;
        ASSERT_EQ(out.request.size(), 5u) << c.size;
        EXPECT_EQ(out.request[3], c.length) << c.size;
    }
}

TEST_F(Command, CreationOptionsTravelInRowOrder) {
    const std::string name15(15, 'v');
    Outcome out = runCommand(create({"cachepolicy=d", "writepolicy=wt", "readpolicy=ra", "stripesize=128kb",
                                     "name=" + name15, "raid=r50", "size=1g", "spanlength=3",
                                     "pdisk=0:0:0,0:0:1,0:0:2,0:0:3,0:0:4,0:0:5"}));
    EXPECT_EQ(out.status, 1000) << out.arg1;
    EXPECT_EQ(out.request, (Request{"vexcmd=setCntrlCreateVD", "GlobalNo=0", "adisk=0:0:0,0:0:1,0:0:2,0:0:3,0:0:4,0:0:5",
                                    "Length=1073741824", "Layout=2048", "Name=" + name15, "StripeSize=256",
                                    "ReadPolicy=4", "WritePolicy=8", "CachePolicy=1", "SpanLength=3"}));
    const auto caps = agent.requestsFor("sendPassThruCmdToDCSIF");
    ASSERT_EQ(caps.size(), 1u);
    EXPECT_EQ(caps[0].size(), 15u);
    EXPECT_EQ(caps[0][7], "param6=20:21:22:23:24:25");
    EXPECT_EQ(caps[0][13], "param12=3");

    const Accepted layouts[] = {
        {create({"raid=r1", "size=1g", "adisk=0:0:1,0:0:2"}), {}},
        {create({"raid=r6", "size=1g", "adisk=0:0:1,0:0:2,0:0:3,0:0:4"}), {}},
        {create({"raid=r10", "size=1g", kSix}), {}},
        {create({"raid=r60", "size=1g", kEight, "spanlength=4"}), {}},
        {create({"raid=r0", "size=1g", "adisk=0:0:11"}), {}},
    };
    for (const Accepted& c : layouts) EXPECT_EQ(runCommand(c.line).status, 1000) << c.line[2];
}

}  // namespace
}  // namespace ctrltest
