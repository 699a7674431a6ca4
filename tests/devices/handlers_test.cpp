// rkconfig storage adisk, pdisk, battery, enclosure, connector and globalinfo:
// the request each accepted line sends, and each refusal with both arguments.
#include "devices_fixture.h"

namespace devtest {
namespace {

using Handlers = DevicesTest;

TEST_F(Handlers, EveryDiskActionReachesTheAgentFromBothCommands) {
    const std::pair<const char*, const char*> actions[] = {
        {"blink", "setArrayDiskBlink"},         {"unblink", "setArrayDiskUnBlink"},
        {"remove", "setArrayDiskPrepareToRemove"}, {"initialize", "setArrayDiskInitialize"},
        {"rebuild", "setArrayDiskRebuild"},     {"cancelrebuild", "setArrayDiskCancelRebuild"},
        {"offline", "setArrayDiskOffline"},     {"removedeadsegments", "setArrayDiskRemoveDeadSegments"},
        {"online", "setArrayDiskOnline"},       {"clear", "setArrayDiskClear"},
        {"cancelclear", "setArrayDiskCancelClear"},
    };
    for (const char* object : {"adisk", "pdisk"}) {
        for (const auto& [action, command] : actions) {
            Outcome out = run(object, std::string("action=") + action + " controller=0 " + object + "=0:0:1");
            Strings expected = {std::string("vexcmd=") + command, "GlobalNo=0", "adisk=0:0:1"};
            if (std::string(action).find("clear") != std::string::npos)
                expected.push_back(action[0] == 'c' && action[1] == 'a' ? "Property=14" : "Property=13");
            EXPECT_EQ(out.status, 1000) << object << " " << action << " " << out.arg1;
            EXPECT_EQ(out.request, expected) << object << " " << action;
        }
    }
}

TEST_F(Handlers, AcceptedLinesSendTheirRequest) {
    const Strings bat = {"GlobalNo=0", "BatteryID=0"};
    const Strings enc = {"GlobalNo=0", "Enclosure=0:0"};
    const char* const kEnc = " controller=0 enclosure=0:0";
    const struct {
        const char* target;
        std::string params;
        Strings request;
    } cases[] = {
        {"adisk", "action=assignglobalhotspare controller=0 adisk=0:0:1 assign=yes",
         {"vexcmd=setArrayDiskGlobalHotSpare", "GlobalNo=0", "adisk=0:0:1", "set=yes"}},
        {"adisk?", "action=assignglobalhotspare controller=0 pdisk=1:4", {}},  // no assign: an assignment
        {"battery", "action=recondition controller=0 battery=0", {"vexcmd=setBatteryRecondition", bat[0], bat[1]}},
        {"battery", "action=startlearn controller=0 battery=0", {"vexcmd=setBatteryStartLearn", bat[0], bat[1]}},
        {"battery", "action=delaylearn controller=0 battery=0 days=7 hours=0",
         {"vexcmd=setBatteryDelayLearn", bat[0], bat[1], "Days=7", "Hours=0"}},
        {"battery", "action=delaylearn controller=0 battery=0 hours=5",
         {"vexcmd=setBatteryDelayLearn", bat[0], bat[1], "Hours=5"}},
        {"enclosure", std::string("action=enablealarm") + kEnc, {"vexcmd=setEnclosureEnableAlarm", enc[0], enc[1]}},
        {"enclosure", std::string("action=disablealarm") + kEnc, {"vexcmd=setEnclosureDisableAlarm", enc[0], enc[1]}},
        {"enclosure", std::string("action=blink") + kEnc, {"vexcmd=setEnclosureBlink", enc[0], enc[1]}},
        {"enclosure", std::string("action=unblink") + kEnc, {"vexcmd=setEnclosureUnBlink", enc[0], enc[1]}},
        {"enclosure", std::string("action=setservicetag servicetag=ABC123") + kEnc,
         {"vexcmd=setEnclosureServiceTag", enc[0], enc[1], "ServiceTag=ABC123"}},
        {"enclosure", std::string("action=setassettag assettag=TAG2") + kEnc,
         {"vexcmd=setEnclosureAssetTag", enc[0], enc[1], "AssetTag=TAG2"}},
        {"enclosure", std::string("action=setassetname assetname=Rack_B-2") + kEnc,
         {"vexcmd=setEnclosureAssetName", enc[0], enc[1], "AssetName=Rack_B-2"}},
        {"enclosure", std::string("action=settempprobes index=0 minwarn=6 maxwarn=45") + kEnc,
         {"vexcmd=setEnclosureTempProbes", enc[0], enc[1], "Index=0", "MinWarning=6", "MaxWarning=45"}},
        // A threshold left as it is goes out blank.
        {"enclosure", std::string("action=settempprobes index=0 minwarn=10 maxwarn=45") + kEnc,
         {"vexcmd=setEnclosureTempProbes", enc[0], enc[1], "Index=0", "", "MaxWarning=45"}},
        {"enclosure", std::string("action=settempprobes index=0 minwarn=6 maxwarn=40") + kEnc,
         {"vexcmd=setEnclosureTempProbes", enc[0], enc[1], "Index=0", "MinWarning=6", ""}},
        {"enclosure", std::string("action=resettempprobes index=1") + kEnc,
         {"vexcmd=setEnclosureResetTempProbes", enc[0], enc[1], "Index=1"}},
        {"enclosure", std::string("action=setalltempprobes minwarn=6 maxwarn=45") + kEnc,
         {"vexcmd=setEnclosureTempProbes", enc[0], enc[1], "MinWarning=6", "MaxWarning=45"}},
        {"enclosure", std::string("action=resetalltempprobes") + kEnc,
         {"vexcmd=setEnclosureResetTempProbes", enc[0], enc[1]}},
        {"enclosure?", "action=enablests controller=9", {}},
        {"connector", "action=rescan controller=0 connector=1", {"vexcmd=setChnlRescan", "GlobalNo=0", "Channel=1"}},
        {"globalinfo", "action=GlobalRescan", {"vexcmd=setCntrlGlobalRescan"}},
        {"globalinfo", "action=debug state=on queue=2 hel=3", {"vexcmd=setDebugMode", "state=on", "queue=2", "hel=3"}},
        {"globalinfo", "action=servicerequest controller=0 vdisk=1 writepolicy=wea",
         {"vexcmd=setVDReconfigure", "GlobalNo=0", "LogicalDriveNum=1", "WritePolicy=16"}},
        // The disk to be replaced is not checked.
        {"globalinfo", "action=service_replacemissingpdisk controller=0 vdisk=0 newpdisk=1:4 oldpdisk=9:9",
         {"vexcmd=setVDAddMissingDisk", "GlobalNo=0", "LogicalDriveNum=0", "newadisk=1:4", "oldadisk=9:9"}},
        {"missingdisk?", "controller=9", {}},  // no new disk, no checks
        {"globalinfo", "action=service_patrolreadrate controller=0 rate=40",
         {"vexcmd=setCntrlPatrolReadRate", "GlobalNo=0", "Rate=40", "AttribType=2"}},
        {"globalinfo", "action=Service_DumpStore", {"vexcmd=sendPassThruCmdToDCSIF", "NumDCSIFArgs=1", "param0=dump2"}},
    };
    for (const auto& c : cases) {
        Outcome out = run(c.target, c.params);
        EXPECT_EQ(out.status, 1000) << c.params << ": " << out.arg1 << " / " << out.arg2;
        EXPECT_EQ(out.request, c.request) << c.params;
    }
    // Without a rate there is nothing to compare; the request still says what it sets.
    EXPECT_EQ(run("patrolreadrate?", "controller=0", {"GlobalNo=0"}).request, (Strings{"GlobalNo=0", "AttribType=2"}));
}

TEST_F(Handlers, RefusalsOnTheSystemAsScripted) {
    const char* const noDisks = "None - There are no physical disks on this controller.";
    const std::string missing = "action=service_replacemissingpdisk oldpdisk=0:1 ";
    expectLines({
        {"adisk", "action=blink controller=7 adisk=0:0:1", 1600, "7", "0, 1"},
        {"adisk", "action=blink controller=0 adisk=0:1", 1602, "0:1", "0:0:0, 0:0:1, 1:4"},
        {"adisk", "action=blink controller=1 adisk=0:1", 1602, "0:1", noDisks},
        {"battery", "action=recondition controller=3 battery=0", 1600, "3", "0, 1"},
        {"battery", "action=recondition controller=1 battery=0", 1620, "0",
         "None - There are no batteries in this controller."},
        {"enclosure", "action=blink controller=4 enclosure=0:0", 1600, "4", "0, 1"},
        {"enclosure", "action=blink controller=0 enclosure=0", 1605, "0", "0:0"},
        {"enclosure", "action=blink controller=1 enclosure=0", 1605, "0",
         "None - There are no enclosures on this controller."},
        {"enclosure", "action=resettempprobes controller=0 enclosure=0:0 index=3", 1617, "3", "0, 1"},
        {"enclosure", "action=settempprobes controller=0 enclosure=0:0 index=0 minwarn=10 maxwarn=40", 1647, "10",
         "40"},
        {"enclosure", "action=settempprobes controller=0 enclosure=0:0 index=0 minwarn=4 maxwarn=45", 1624, "(5, 40)",
         "(30, 60)"},
        {"enclosure", "action=setassettag controller=0 enclosure=0:0 assettag=", 1625, "", "[A-Z,a-z,0-9,-,_]"},
        {"enclosure", "action=setassettag controller=0 enclosure=0:0 assettag=a.b", 1625, "a.b", "[A-Z,a-z,0-9,-,_]"},
        {"enclosure", "action=setassettag controller=0 enclosure=0:0 assettag=ABCDEFGHIJK", 1663, "ABCDEFGHIJK", "10"},
        {"enclosure", "action=setassettag controller=0 enclosure=0:0 assettag=TAG1", 1640, "TAG1", ""},
        {"enclosure", "action=setassetname controller=0 enclosure=0:0 assetname=R*", 1626, "R*", "[A-Z,a-z,0-9,-,_]"},
        {"enclosure", "action=setassetname controller=0 enclosure=0:0 assetname=RackA", 1641, "RackA", ""},
        {"connector", "action=rescan controller=2 connector=0", 1600, "2", "0, 1"},
        {"connector", "action=rescan controller=0 connector=2", 1601, "2", "0, 1"},
        {"servicerequest?", "controller=5 vdisk=1 writepolicy=wc", 1600, "5", "0, 1"},
        {"servicerequest?", "controller=0 vdisk=4 writepolicy=wc", 1604, "4", "0, 1"},
        {"servicerequest?", "controller=1 vdisk=0 writepolicy=wc", 1622, "0", "1"},
        {"servicerequest?", "vdisk=1 writepolicy=nwc", 1600, "", ""},  // no controller given, no list
        {"servicerequest?", "controller=1 vdisk=0", 1650, "", ""},      // no write policy, nothing checked
        {"globalinfo", missing + "controller=9 vdisk=0 newpdisk=1:4", 1600, "9", "0, 1"},
        {"globalinfo", missing + "controller=0 vdisk=3 newpdisk=1:4", 1604, "3", "0, 1"},
        {"globalinfo", missing + "controller=0 vdisk=0 newpdisk=1:5", 1602, "1:5", "0:0:0, 0:0:1, 1:4"},
        {"globalinfo", "action=service_patrolreadrate controller=0 rate=30", 1657, "", ""},
        {"globalinfo", "action=service_patrolreadrate controller=3 rate=30", 1600, "3", "0, 1"},
        {"globalinfo", "action=service_patrolreadrate controller=1 rate=30", 1661, "", ""},
        {"battery?", "action=delaylearn controller=0 battery=0", 1662, "0 hours", "7 days"},  // a delay of nothing
    });
    // A controller without disks names none.
    script("getVirtualDisksForController", {"GlobalNo=1"}, reply({{{"LogicalDriveNum", "0"}}}));
    expectLines({{"missingdisk?", "controller=1 vdisk=0 newpdisk=0:1", 1602, "0:1",
                  "None - There are no array disks on this controller."}});
    // The model name is compared ignoring case.
    script("getController", {"GlobalNo=0"}, reply({{{"GlobalNo", "0"}, {"Name", "tolv sata 1.5/6CH"}}}));
    expectLines({{"servicerequest?", "controller=0 vdisk=1 writepolicy=nwc", 1000, "", ""}});
    script("getController", {"GlobalNo=0"}, reply({{{"GlobalNo", "0"}, {"Name", "RK SAS 8"}}}));
    expectLines({{"servicerequest?", "controller=0 vdisk=1 writepolicy=nwc", 1650, "", ""}});
    for (const char* command : {"setArrayDiskBlink", "setBatteryRecondition", "setEnclosureBlink", "setChnlRescan",
                                "setEnclosureAssetTag", "setEnclosureAssetName"})
        EXPECT_TRUE(agent.requestsFor(command).empty()) << "a refusal sends nothing: " << command;
}

// Each action is checked against its own bit of the object's masks.
TEST_F(Handlers, RefusalsByTheObjectsMasks) {
    script("getArrayDisksForController", {"GlobalNo=0"},
           reply({disk("0", "0", "0", 0x1, 0x0), disk("0", "0", "1", 0x30, 0x10), disk("1", "", "4", 0x10, 0x00)}));
    script("getBatteriesForController", {"GlobalNo=0"},
           reply({{{"BatteryID", "0"}, {"MasterMethodMask", "011"}, {"CurrentMethodMask", "001"}},
                  {{"BatteryID", "1"}}}));
    script("getEnclosuresForController", {"GlobalNo=0"},
           reply({{{"Channel", "0"}, {"BusProtocol", "8"}, {"EnclosureID", "0"}, {"MasterMethodMask", "1000001"},
                   {"CurrentMethodMask", "0000001"}}}));
    channels("0", "0", "1", "0");
    storageMasks("011", "001");
    const char* const release = "assignglobalhotspare assign=no";
    expectLines({
        {"adisk", "action=blink controller=0 adisk=0:0:1", 1614, "blink", ""},
        {"adisk", "action=blink controller=0 adisk=0:0:0", 1615, "blink", ""},
        {"adisk", "action=clear controller=0 adisk=0:0:0", 1614, "clear", ""},
        {"pdisk", "action=assignglobalhotspare controller=0 pdisk=0:0:1 assign=NO", 1615, release, ""},
        {"adisk", "action=assignglobalhotspare controller=0 adisk=1:4 assign=no", 1614, release, ""},
        {"adisk", "action=assignglobalhotspare controller=0 adisk=1:4 assign=yes", 1615,
         "assignglobalhotspare assign=yes", ""},
        {"battery", "action=recondition controller=0 battery=2", 1620, "2", "0, 1"},
        {"battery", "action=delaylearn controller=0 battery=0 days=1", 1614, "delaylearn", ""},
        {"battery", "action=startlearn controller=0 battery=0", 1615, "startlearn", ""},
        {"battery", "action=recondition controller=0 battery=1", 1614, "recondition", ""},
        {"enclosure", "action=blink controller=0 enclosure=0:0", 1615, "blink", ""},
        {"enclosure", "action=disablealarm controller=0 enclosure=0:0", 1614, "disablealarm", ""},
        {"enclosure?", "action=EnableSTS", 1615, "EnableSTS", ""},
        {"enclosure?", "action=disablests controller=9", 1614, "disablests", ""},  // no identifier is checked
        {"connector", "action=rescan controller=0 connector=0", 1614, "rescan", ""},
        {"connector", "action=rescan controller=0 connector=1", 1615, "rescan", ""},
        {"globalinfo", "action=globalrescan", 1000, "", ""},
        {"globalinfo", "action=enablests", 1615, "enablests", ""},
        {"globalinfo", "action=disablests", 1614, "disablests", ""},
    });
    storageMasks("0", "0");
    expectLines({{"globalinfo", "action=debug state=on", 1000, "", ""}});  // debug whatever the masks
}

// Records that cannot be read are checks that could not be made.
TEST_F(Handlers, UnreadableRecordsRefuse) {
    script("getEnclosure", reply({{{"AssetTag", "TAG1"}, {"MaxAssetTagLength", "0"}, {"MaxAssetNameLength", "6"}}}));
    script("getBattery", reply({{{"BatteryID", "0"}}}));
    script("getEnclosureTemperatureProbes", reply({}));
    expectLines({
        {"enclosure", "action=setassettag controller=0 enclosure=0:0 assettag=ABCDEFGHIJKLMNOP", 1000, "", ""},
        {"enclosure", "action=setassetname controller=0 enclosure=0:0 assetname=RackAB1", 1664, "RackAB1", "6"},
        {"enclosure?", "action=setassettag controller=0 enclosure=0:0 assettag=A\tB", 1625, "A\tB",
         "[A-Z,a-z,0-9,-,_]"},
        {"enclosure", "action=resettempprobes controller=0 enclosure=0:0 index=0", 1634, "0:0", ""},
        {"battery", "action=delaylearn controller=0 battery=0 days=1", 1662, "1 days", "0 hours"},
    });
    for (const char* command : {"getEnclosure", "getEnclosuresForController", "sendPassThruCmdToDCSIF"})
        silence(command);
    expectLines({
        {"enclosure", "action=setassetname assetname=New controller=0 enclosure=0:0", 1655, "", ""},
        {"enclosure", "action=enablealarm controller=0 enclosure=0:0", 1655, "", ""},
        {"globalinfo", "action=globalrescan", 1614, "globalrescan", ""},  // no masks support nothing
    });
}

TEST_F(Handlers, LearnDelayRefusalsSayWhatWasAskedAndWhatIsAllowed) {
    const struct {
        const char* maximum;
        const char* delay;
        const char* requested;
        const char* allowed;
    } cases[] = {
        {"168", "days=7 hours=1", "7 days 1 hours", "7 days"},
        {"30", "days=2", "2 days", "1 days 6 hours"},
        {"20", "hours=21", "21 hours", "20 hours"},
        {"168", "days=0 hours=0", "0 days 0 hours", "7 days"},
        {"168", "days=07 hours=23", "07 days 23 hours", "7 days"},
    };
    for (const auto& c : cases) {
        script("getBattery", reply({{{"BatteryID", "0"}, {"MaxLearnDelay", c.maximum}}}));
        Outcome out = run("battery", std::string("action=delaylearn controller=0 battery=0 ") + c.delay);
        EXPECT_EQ(out.status, 1662) << c.delay;
        EXPECT_EQ(out.arg1, c.requested) << c.delay;
        EXPECT_EQ(out.arg2, c.allowed) << c.delay;
    }
    EXPECT_TRUE(agent.requestsFor("setBatteryDelayLearn").empty());
}

// A failing reply buffer stops the checks one after the other, in order.
TEST_F(Handlers, BufferFailuresStopTheChecksInOrder) {
    std::vector<int32_t> outcomes;
    for (int n = 1; n < 50; ++n) {
        failAt("xbuf", n);
        Outcome out = run("battery", "action=delaylearn controller=0 battery=0 days=1");
        if (outcomes.empty() || outcomes.back() != out.status) outcomes.push_back(out.status);
        if (KWTestCallCount(KWTEST_XBUF) < n) break;
    }
    EXPECT_EQ(outcomes, (std::vector<int32_t>{1600, 1620, 1614, 1662, 1000}));
}

}  // namespace
}  // namespace devtest
