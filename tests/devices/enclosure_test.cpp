// rkconfig storage enclosure through its handler.
#include "devices_fixture.h"

namespace devtest {
namespace {

using Enclosure = DevicesTest;

TEST_F(Enclosure, EveryActionReachesTheAgent) {
    const Strings common = {"GlobalNo=0", "Enclosure=0:0"};
    struct Case {
        const char* params;
        const char* command;
        Strings extra;
    } cases[] = {
        {"action=enablealarm", "vexcmd=setEnclosureEnableAlarm", {}},
        {"action=disablealarm", "vexcmd=setEnclosureDisableAlarm", {}},
        {"action=setservicetag servicetag=ABC123", "vexcmd=setEnclosureServiceTag", {"ServiceTag=ABC123"}},
        {"action=setassettag assettag=TAG2", "vexcmd=setEnclosureAssetTag", {"AssetTag=TAG2"}},
        {"action=setassetname assetname=Rack_B-2", "vexcmd=setEnclosureAssetName", {"AssetName=Rack_B-2"}},
        {"action=settempprobes index=0 minwarn=6 maxwarn=45", "vexcmd=setEnclosureTempProbes",
         {"Index=0", "MinWarning=6", "MaxWarning=45"}},
        {"action=resettempprobes index=1", "vexcmd=setEnclosureResetTempProbes", {"Index=1"}},
        {"action=blink", "vexcmd=setEnclosureBlink", {}},
        {"action=unblink", "vexcmd=setEnclosureUnBlink", {}},
        {"action=setalltempprobes minwarn=6 maxwarn=45", "vexcmd=setEnclosureTempProbes",
         {"MinWarning=6", "MaxWarning=45"}},
        {"action=resetalltempprobes", "vexcmd=setEnclosureResetTempProbes", {}},
    };
    for (const auto& c : cases) {
        Outcome out = run(CmdConfigEnclosure, "enclosure", std::string(c.params) + " controller=0 enclosure=0:0");
        Strings expected = {c.command};
        expected.insert(expected.end(), common.begin(), common.end());
        expected.insert(expected.end(), c.extra.begin(), c.extra.end());
        EXPECT_EQ(out.status, 1000) << c.params << " " << out.arg1 << " " << out.arg2;
        EXPECT_EQ(out.request, expected) << c.params;
    }
}

TEST_F(Enclosure, UnchangedThresholdIsBlanked) {
    Outcome out = run(CmdConfigEnclosure, "enclosure", "action=settempprobes controller=0 enclosure=0:0 index=0 minwarn=10 maxwarn=45");
    EXPECT_EQ(out.status, 1000);
    EXPECT_EQ(out.request, (Strings{"vexcmd=setEnclosureTempProbes", "GlobalNo=0", "Enclosure=0:0", "Index=0", "",
                                    "MaxWarning=45"}));
    out = run(CmdConfigEnclosure, "enclosure", "action=settempprobes controller=0 enclosure=0:0 index=0 minwarn=6 maxwarn=40");
    EXPECT_EQ(out.request, (Strings{"vexcmd=setEnclosureTempProbes", "GlobalNo=0", "Enclosure=0:0", "Index=0",
                                    "MinWarning=6", ""}));
    out = run(CmdConfigEnclosure, "enclosure", "action=settempprobes controller=0 enclosure=0:0 index=0 minwarn=10 maxwarn=40");
    EXPECT_EQ(out.status, 1647);
    EXPECT_EQ(out.arg1, "10");
    EXPECT_EQ(out.arg2, "40");
}

TEST_F(Enclosure, Rejections) {
    script("getEnclosuresForController", {"GlobalNo=0"},
             reply({{{"Channel", "0"}, {"BusProtocol", "8"}, {"EnclosureID", "0"}, {"MasterMethodMask", "1000001"},
                     {"CurrentMethodMask", "0000001"}}}));
    const std::vector<Expected> cases = {
        {"action=blink controller=4 enclosure=0:0", 1600, "4", "0, 1"},
        {"action=blink controller=0 enclosure=0", 1605, "0", "0:0"},
        {"action=blink controller=1 enclosure=0", 1605, "0", "None - There are no enclosures on this controller."},
        {"action=resettempprobes controller=0 enclosure=0:0 index=3", 1617, "3", "0, 1"},
        {"action=blink controller=0 enclosure=0:0", 1615, "blink", ""},
        {"action=disablealarm controller=0 enclosure=0:0", 1614, "disablealarm", ""},
    };
    expectAll(cases, [&](const char* params) {
        return run(CmdConfigEnclosure, "enclosure", params);
    });
    script("getEnclosureTemperatureProbes", reply({}));
    Outcome out = run(CmdConfigEnclosure, "enclosure", "action=resettempprobes controller=0 enclosure=0:0 index=0");
    EXPECT_EQ(out.status, 1634);
    EXPECT_EQ(out.arg1, "0:0");
    silence("getEnclosuresForController");
    out = run(CmdConfigEnclosure, "enclosure", "action=enablealarm controller=0 enclosure=0:0");
    EXPECT_EQ(out.status, 1655) << "the availability check could not be made";
    EXPECT_TRUE(agent.requestsFor("setEnclosureBlink").empty());
}

TEST_F(Enclosure, AssetTextRules) {
    script("getEnclosure", reply({{{"AssetTag", "TAG1"}, {"AssetName", "RackA"}, {"MaxAssetNameLength", "6"}}}));
    const std::vector<Expected> cases = {
        {"action=setassettag assettag=", 1625, "", "[A-Z,a-z,0-9,-,_]"},
        {"action=setassettag assettag=a.b", 1625, "a.b", "[A-Z,a-z,0-9,-,_]"},
        {"action=setassettag assettag=ABCDEFGHIJK", 1663, "ABCDEFGHIJK", "10"},
        {"action=setassettag assettag=TAG1", 1640, "TAG1", ""},
        {"action=setassetname assetname=R*", 1626, "R*", "[A-Z,a-z,0-9,-,_]"},
        {"action=setassetname assetname=RackAB1", 1664, "RackAB1", "6"},
        {"action=setassetname assetname=RackA", 1641, "RackA", ""},
    };
    expectAll(cases, [&](const char* params) {
        return run(CmdConfigEnclosure, "enclosure", std::string(params) + " controller=0 enclosure=0:0");
    });
    // A space is refused, as the listed characters say.
    Outcome out = call(CmdConfigEnclosureValidateFunc,
                       Strings{"action=setassettag", "controller=0", "enclosure=0:0", "assettag=A B"});
    EXPECT_EQ(out.status, 1625);
    EXPECT_EQ(out.arg1, "A B");
    // An enclosure that states a maximum of 0 takes any length.
    script("getEnclosure", reply({{{"AssetTag", "TAG1"}, {"MaxAssetTagLength", "0"}}}));
    EXPECT_EQ(run(CmdConfigEnclosure, "enclosure", "action=setassettag assettag=ABCDEFGHIJKLMNOP controller=0 enclosure=0:0").status, 1000);
    // An enclosure record that cannot be read is a check that could not be made.
    silence("getEnclosure");
    out = run(CmdConfigEnclosure, "enclosure", "action=setassetname assetname=New controller=0 enclosure=0:0");
    EXPECT_EQ(out.status, 1655);
    EXPECT_EQ(agent.requestsFor("setEnclosureAssetTag").size(), 1u) << "only the accepted tag was sent";
}

TEST_F(Enclosure, ThresholdsOutsideTheirRanges) {
    Outcome out = run(CmdConfigEnclosure, "enclosure", "action=settempprobes controller=0 enclosure=0:0 index=0 minwarn=4 maxwarn=45");
    EXPECT_EQ(out.status, 1624);
    EXPECT_EQ(out.arg1, "(5, 40)");
    EXPECT_EQ(out.arg2, "(30, 60)");
}

TEST_F(Enclosure, ServiceTagReportingIsTheStorageObjects) {
    script("sendPassThruCmdToDCSIF", {"param0=report"}, reply({{{"MasterMethodMask", "010"}, {"CurrentMethodMask", "000"}}}));
    EXPECT_EQ(call(CmdConfigEnclosureValidateFunc, "action=EnableSTS").status, 1615);
    Outcome out = call(CmdConfigEnclosureValidateFunc, "action=disablests controller=9");
    EXPECT_EQ(out.status, 1614) << "no identifier is checked";
    EXPECT_EQ(out.arg1, "disablests");
    script("sendPassThruCmdToDCSIF", {"param0=report"}, reply({{{"MasterMethodMask", "110"}, {"CurrentMethodMask", "110"}}}));
    EXPECT_EQ(call(CmdConfigEnclosureValidateFunc, "action=enablests").status, 1000);
}

}  // namespace
}  // namespace devtest
