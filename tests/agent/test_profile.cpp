// The profile parser and the seeding rules: what a profile may say, how each
// mistake is reported (file, line, what was expected), and what is derived
// when the profile leaves it out.
#include <algorithm>
#include <filesystem>
#include <map>
#include <set>

#include "agent_harness.h"

namespace kwda_test {
namespace {

class ProfileTest : public AgentTest {};

// Each profile with its lines apart by '|' (line numbers count from 1), and
// what the error holds after "<path>:".
const std::pair<const char*, const char*> kRejections[] = {
    {"<StorageProfile>|<Controller>|<Connector BusProtocol=\"8\">|<Enclosure>|<PhysicalDisk Lenght=\"1\"/>|</Enclosure>"
     "|</Connector>|</Controller>|</StorageProfile>",
     "5: unknown attribute 'Lenght' on PhysicalDisk; expected one of GlobalNo, Channel"},
    {"<StorageProfile>|<Controller>|<Connector>|<Disk/>|</Connector>|</Controller>|</StorageProfile>",
     "4: unknown element 'Disk' inside Connector; expected one of Enclosure, PhysicalDisk"},
    {"<StorageProfile>|<Controller>|<Connector>|<Fan/>|</Connector>|</Controller>|</StorageProfile>",
     "4: element 'Fan' inside Connector; expected one of Enclosure, PhysicalDisk"},
    {"<Storage/>", "1: root element is <Storage>; expected <StorageProfile>"},
    {"<StorageProfile>|<Controller>|</StorageProfile>",
     "3: Opening and ending tag mismatch: Controller line 2 and StorageProfile"},
    {"<StorageProfile>||  hello|</StorageProfile>", "3: unexpected text inside StorageProfile"},
    {"<StorageProfile>|<Controller>|<Connector/>|<Connector Channel=\"2\"/>|</Controller>|</StorageProfile>",
     "4: Connector Channel=\"2\" must equal its position 1"},
    {"<StorageProfile>|<Controller>|<Connector BusProtocol=\"8\">|<Enclosure>|<PhysicalDisk TargetID=\"3\"/>|"
     "<PhysicalDisk TargetID=\"3\"/>|</Enclosure>|</Connector>|</Controller>|</StorageProfile>",
     "6: disk 0:0:3 is already stated on line 5"},
    {"<StorageProfile>|<Controller>|<Connector BusProtocol=\"7\">|<Enclosure>|<PhysicalDisk TargetID=\"1\"/>|"
     "</Enclosure>|<Enclosure>|<PhysicalDisk TargetID=\"1\"/>|</Enclosure>|</Connector>|</Controller>|"
     "</StorageProfile>",
     "8: disk 0:1 is already stated on line 5"},
    {"<StorageProfile>|<Controller/>|<Controller GlobalNo=\"0\"/>|</StorageProfile>",
     "3: controller 0 is already stated on line 2"},
    {"<StorageProfile>|<Controller ObjID=\"7\"/>|<Controller ObjID=\"7\"/>|</StorageProfile>",
     "3: ObjID 7 is already used on line 2"},
    {"<StorageProfile>|<Controller>|<Connector>|<PhysicalDisk Length=\"12G\"/>|</Connector>|</Controller>|"
     "</StorageProfile>",
     "4: attribute Length=\"12G\" on PhysicalDisk: expected a whole number"},
    {"<StorageProfile>|<Controller RAIDLevelsMask=\"102\"/>|</StorageProfile>",
     "2: attribute RAIDLevelsMask=\"102\" on Controller: expected binary digits"},
    {"<StorageProfile>|<Controller>|<Connector>|<PhysicalDisk State=\"Sleepy\"/>|</Connector>|</Controller>|"
     "</StorageProfile>",
     "4: attribute State=\"Sleepy\" on PhysicalDisk: expected one of Ready, Online"},
    {"<StorageProfile>|<Controller ObjType=\"Controller\"/>|</StorageProfile>",
     "2: attribute 'ObjType' on Controller is computed by the agent and cannot be stated"},
    {"<StorageProfile>|<Controller>|<Connector>|<PhysicalDisk Length=\"1000000000\"/>|</Connector>|"
     "<VirtualDisk Disks=\"0:0\"/>|</Controller>|</StorageProfile>",
     "6: VirtualDisk needs a Layout"},
    {"<StorageProfile>|<Controller>|<Connector>|<PhysicalDisk Length=\"1000000000\"/>|</Connector>|"
     "<VirtualDisk Layout=\"2\" Disks=\"0:0,0:9\"/>|</Controller>|</StorageProfile>",
     "6: disk 0:9 named in Disks does not exist on controller 0"},
    {"<StorageProfile>|<Controller>|<Connector>|<PhysicalDisk Length=\"1000000000\"/>|"
     "<PhysicalDisk Length=\"1000000000\"/>|</Connector>|<VirtualDisk Layout=\"64\" "
     "Disks=\"0:0,0:1\"/>|</Controller>|</StorageProfile>",
     "7: RAID-5 (r5) needs at least 3 disks, 2 given"},
    {"<StorageProfile>|<Controller>|<Connector>|<PhysicalDisk Length=\"1000000000\"/>|"
     "<PhysicalDisk Length=\"1000000000\"/>|</Connector>|<VirtualDisk Layout=\"4\" Disks=\"0:0,0:1\" "
     "Length=\"1000000001\"/>|</Controller>|</StorageProfile>",
     "7: Length=\"1000000001\" is more than layout r1 can hold on its disks (1000000000 bytes)"},
    {"<StorageProfile>|<Controller>|<Connector>|<PhysicalDisk Length=\"1000000000\" HotSpareFor=\"global\"/>|"
     "<PhysicalDisk Length=\"1000000000\"/>|</Connector>|<VirtualDisk Layout=\"4\" Disks=\"0:0,0:1\"/>|</Controller>|"
     "</StorageProfile>",
     "4: disk 0:0 cannot be a hot spare: it is a member of a virtual disk"},
    {"<StorageProfile>|<Controller>|<Connector>|<PhysicalDisk HotSpareFor=\"3\"/>|</Connector>|</Controller>|"
     "</StorageProfile>",
     "4: HotSpareFor=\"3\": controller 0 has no virtual disk 3"},
};

TEST_F(ProfileTest, EachMistakeIsRefusedWithItsLineAndNothingIsCreated) {
    for (const auto& [lines, expected] : kRejections) {
        SCOPED_TRACE(expected);
        std::string xml = lines;
        std::replace(xml.begin(), xml.end(), '|', '\n');
        std::string path = useProfile(xml + "\n");
        Reply reply = run("getControllerList");
        EXPECT_EQ(reply.status, 3);
        EXPECT_NE(reply.error.find(path + ":" + expected), std::string::npos) << reply.error;
        EXPECT_FALSE(std::filesystem::exists(state)) << "a refused profile must not leave a state";
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), std::filesystem::directory_iterator()), 1)
            << "no temporary state may be left behind";
    }
}

TEST_F(ProfileTest, AMissingProfileFileIsNamed) {
    ::setenv("KWDA_PROFILE", (dir + "/absent.xml").c_str(), 1);
    Reply reply = run("getControllerList");
    EXPECT_EQ(reply.status, 3);
    EXPECT_NE(reply.error.find("cannot read profile " + dir + "/absent.xml"), std::string::npos) << reply.error;
}

TEST_F(ProfileTest, IdentifiersAreDerivedFromPosition) {
    useProfile(
        "<StorageProfile><Controller/><Controller>"
        "<Connector BusProtocol=\"7\"><PhysicalDisk/><PhysicalDisk/></Connector><Connector BusProtocol=\"8\">"
        "<Enclosure/><Enclosure><PhysicalDisk/><Fan/><Fan/><PhysicalDisk TargetID=\"9\"/></Enclosure>"
        "</Connector></Controller></StorageProfile>");
    Reply controllers = run("getControllerList");
    ASSERT_EQ(controllers.objects.size(), 2u);
    EXPECT_EQ(controllers.objects[0].at("GlobalNo"), "0");
    EXPECT_EQ(controllers.objects[1].at("GlobalNo"), "1");
    Reply disks = run("getArrayDisksForController GlobalNo=1 CLI=true");
    std::vector<std::string> ids;
    for (const auto& d : disks.objects)
        ids.push_back(d.at("Channel") + ":" + d.at("EnclosureID") + ":" + d.at("TargetID") + "/" + d.at("BusProtocol"));
    EXPECT_EQ(ids, (std::vector<std::string>{"0::0/7", "0::1/7", "1:1:0/8", "1:1:9/8"}));
    ASSERT_EQ(disks.objects.size(), 4u);
    expectFields(disks.objects[2], "AttributesMask&400");
    expectFields(disks.objects[0], "AttributesMask!400");
    Reply fans = run("getEnclosureFans GlobalNo=1 Enclosure=1:1 CLI=true");
    ASSERT_EQ(fans.objects.size(), 2u);
    expectFields(fans.objects[1], "Index=1|EnclosureID=1");
    std::set<std::string> objids;
    for (const auto& o : run("getStoreDump").objects) EXPECT_TRUE(objids.insert(o.at("ObjID")).second);
}

TEST_F(ProfileTest, StatedValuesWinOverDerivedOnes) {
    useProfile(
        "<StorageProfile><Controller GlobalNo=\"5\" ObjID=\"900\"><Connector BusProtocol=\"8\">"
        "<Enclosure EnclosureID=\"2\"><PhysicalDisk Length=\"107374182400\" CurrentMethodMask=\"101\" "
        "AttributesMask=\"1\"/><PhysicalDisk Length=\"107374182400\"/></Enclosure></Connector></Controller>"
        "</StorageProfile>");
    EXPECT_EQ(run("getController GlobalNo=5").only().at("ObjID"), "900");
    Reply disks = run("getArrayDisksForController GlobalNo=5");
    ASSERT_EQ(disks.objects.size(), 2u);
    expectFields(disks.objects[0], "CurrentMethodMask=101|AttributesMask=1");
    expectFields(disks.objects[1], "AttributesMask=10000000000");
    EXPECT_NE(disks.objects[1].at("CurrentMethodMask"), "101");
    // The pinned mask stays pinned after a write that would change it.
    steps("setArrayDiskBlink GlobalNo=5 adisk=0:2:0");
    EXPECT_EQ(run("getArrayDisk GlobalNo=5 adisk=0:2:0").only().at("CurrentMethodMask"), "101");
}

TEST_F(ProfileTest, ElementsTheProfileDoesNotStateAreAbsent) {
    useProfile(smallProfile(3, "    <Battery/>\n"));
    // The rate action stays supported: the plug-in answers a rate it cannot read.
    expectFields(run("getController GlobalNo=0").only(),
                 "-PatrolReadModeMask|-PatrolReadRate|-MaxVDAllowed|MasterMethodMask&8000");
    expectFields(run("getBattery GlobalNo=0 BatteryID=0").only(), "-MaxLearnDelay");
    expectFields(run("getEnclosure GlobalNo=0 Enclosure=0:0").only(), "-MaxAssetTagLength");
}

TEST_F(ProfileTest, TheEmbeddedSystemHoldsEveryObjectItDescribes) {
    Reply dump = run("getStoreDump");
    ASSERT_EQ(dump.status, 0) << dump.error;
    const std::pair<const char*, size_t> counts[] = {
        {"StorageObject", 1}, {"Controller", 2}, {"Connector", 8}, {"Enclosure", 1}, {"PhysicalDisk", 16},
        {"VirtualDisk", 3},   {"Battery", 1},    {"Fan", 2},       {"PowerSupply", 2}, {"EMM", 2},
        {"TemperatureProbe", 2}};
    for (const auto& [type, count] : counts) EXPECT_EQ(dump.ofType(type).size(), count) << type;
    EXPECT_EQ(dump.ofType("Controller")[1].at("Name"), "TOLV SATA 1.5/6ch");
    for (const auto& connector : dump.ofType("Connector"))
        EXPECT_EQ(connector.at("BusProtocol"), connector.at("GlobalNo") == "0" ? "8" : "7");
    // Everything the plug-in's checks read is stated on both controllers.
    for (const auto& controller : dump.ofType("Controller"))
        expectFields(controller, "RAIDLevelsMask~|StripeSizesMask~|ReadPolicyMask~|WritePolicyMask~|CachePolicyMask~|"
                                 "DiskCachePolicyMask~|PatrolReadModeMask~|RebuildRate~|BGIRate~|CheckConsistencyRate~|"
                                 "ReconstructRate~|PatrolReadRate~|MaxVDAllowed~|MaxNameLength~|VendorID~|Name~");
}

TEST_F(ProfileTest, ConnectorFormFindsAnEnclosureDiskOnlyWhenItIsUnambiguous) {
    useProfile(
        "<StorageProfile><Controller><Connector BusProtocol=\"8\">"
        "<Enclosure><PhysicalDisk TargetID=\"3\"/><PhysicalDisk TargetID=\"4\"/></Enclosure>"
        "<Enclosure><PhysicalDisk TargetID=\"4\"/></Enclosure></Connector></Controller></StorageProfile>");
    EXPECT_EQ(run("getArrayDisk GlobalNo=0 adisk=0:3").only().at("EnclosureID"), "0");
    EXPECT_EQ(run("getArrayDisk GlobalNo=0 adisk=0:1:4").only().at("EnclosureID"), "1");
    Reply ambiguous = run("getArrayDisk GlobalNo=0 adisk=0:4");
    EXPECT_EQ(ambiguous.status, 2);
    EXPECT_EQ(ambiguous.error, "disk 0:4 is ambiguous on controller 0; name it as 0:0:4 or 0:1:4");
}

TEST_F(ProfileTest, SpannedLayoutsNeedASpanLength) {
    ::setenv("KWDA_TIME_SCALE", "0", 1);
    useProfile(smallProfile(6));
    std::string ids;
    for (const auto& d : run("getArrayDisksForController GlobalNo=0").objects)
        ids += (ids.empty() ? "" : ":") + d.at("ObjID");
    const std::string caps = "sendPassThruCmdToDCSIF param0=getcaps param1=make param2=vdisk param3=ObjID param4=" +
                             run("getController GlobalNo=0").only().at("ObjID") + " param5=IDList param6=" + ids +
                             " param7=MinDrives param8=6";
    auto largest = [](const Reply& reply) {
        std::map<std::string, std::string> out;
        for (const auto& o : reply.objects) out[o.at("Layout")] = o.at("Length");
        return out;
    };
    EXPECT_EQ(largest(run(caps)).count("2048"), 0u);
    auto spanned = largest(run(caps + " param9=Rules param10=2 param11=SpanLength param12=3"));
    EXPECT_EQ(spanned.at("2048"), std::to_string(4 * 107374182400LL)) << "two r5 spans of three disks";
    EXPECT_EQ(spanned.at("1"), std::to_string(6 * 107374182400LL));
    const std::string all = "setCntrlCreateVD GlobalNo=0 adisk=0:0:0,0:0:1,0:0:2,0:0:3,0:0:4,0:0:5 Layout=2048";
    EXPECT_EQ(run(all + " SpanLength=3 Length=429496729600").only().at("SpanLength"), "3");
    EXPECT_EQ(run(all + " Length=1073741824").error,
              "disk 0:0:0 is a member of virtual disk 0 and has no free space left");
}

TEST_F(ProfileTest, TheVirtualDiskLimitIsKept) {
    useProfile(smallProfile(4, "", "MaxVDAllowed=\"1\""));
    steps("setCntrlCreateVD GlobalNo=0 adisk=0:0:0 Length=1073741824 Layout=2");
    expectFields(run("getController GlobalNo=0").only(), "CurrentMethodMask!40");
    EXPECT_EQ(run("setCntrlCreateVD GlobalNo=0 adisk=0:0:1 Length=1073741824 Layout=2").error,
              "controller 0 already holds its maximum of 1 virtual disks; delete one first");
}

TEST_F(ProfileTest, AProbeStateFollowsItsThresholds) {
    useProfile(
        "<StorageProfile><Controller><Connector BusProtocol=\"8\"><Enclosure>"
        "<TemperatureProbe Reading=\"50\" MinWarning=\"5\" MaxWarning=\"60\" MaxFailure=\"70\""
        " LowEndMaxWarning=\"30\" HighEndMaxWarning=\"69\"/></Enclosure></Connector></Controller></StorageProfile>");
    const std::string probe = "getEnclosureTemperatureProbes GlobalNo=0 Enclosure=0:0";
    EXPECT_EQ(run(probe).only().at("State"), "Ready");
    steps("setEnclosureTempProbes GlobalNo=0 Enclosure=0:0 MaxWarning=50");
    EXPECT_EQ(run(probe).only().at("State"), "Ready") << "a reading at its threshold is not past it";
    steps("setEnclosureTempProbes GlobalNo=0 Enclosure=0:0 MaxWarning=45");
    EXPECT_EQ(run(probe).only().at("State"), "Warning");
    steps("setEnclosureResetTempProbes GlobalNo=0 Enclosure=0:0");
    EXPECT_EQ(run(probe).only().at("State"), "Ready");
    EXPECT_EQ(run("setEnclosureTempProbes GlobalNo=0 Enclosure=0:0 MinWarning=60").error,
              "minimum warning threshold 60 of temperature probe 0 must lie below the maximum 60");
}

TEST_F(ProfileTest, AProbePastItsThresholdCountsAndMembershipsShow) {
    useProfile(
        "<StorageProfile><Controller><Connector BusProtocol=\"8\"><Enclosure>"
        "<PhysicalDisk Length=\"107374182400\"/><PhysicalDisk Length=\"107374182400\"/>"
        "<TemperatureProbe Reading=\"47\" MaxWarning=\"45\" MaxFailure=\"50\"/>"
        "</Enclosure></Connector><VirtualDisk Layout=\"2\" Disks=\"0:0:0\"/></Controller></StorageProfile>");
    EXPECT_EQ(run("getArrayDisk GlobalNo=0 adisk=0:0:0").only().at("MemberOf"), "0");
    expectFields(run("getArrayDisk GlobalNo=0 adisk=0:0:1").only(), "-MemberOf");
    expectFields(run("getController GlobalNo=0").only(),
                 "RollupStatus=Non-Critical|Attention=Temperature Probe 0 of Enclosure 0:0 on Controller 0: Warning");
}

TEST_F(ProfileTest, ADiskStatedRebuildingIsBeingRebuilt) {
    ::setenv("KWDA_TIME_SCALE", "0.000001", 1);
    useProfile(
        "<StorageProfile><Controller RebuildRate=\"50\"><Connector BusProtocol=\"7\">"
        "<PhysicalDisk Length=\"1073741824\"/><PhysicalDisk Length=\"1073741824\" State=\"Rebuilding\"/>"
        "</Connector><VirtualDisk Layout=\"4\" Disks=\"0:0,0:1\"/></Controller></StorageProfile>");
    EXPECT_EQ(run("getArrayDisk GlobalNo=0 adisk=0:1").only().at("Task"), "Rebuild");
    EXPECT_EQ(run("getVirtualDisk GlobalNo=0 LogicalDriveNum=0").only().at("State"), "Degraded");
    ::setenv("KWDA_TIME_SCALE", "0", 1);
    EXPECT_EQ(run("getVirtualDisk GlobalNo=0 LogicalDriveNum=0").only().at("State"), "Ready");
}

TEST_F(ProfileTest, AVirtualDiskWithoutDisksIsFailedWithNoMembers) {
    for (const char* disks : {" Disks=\"\"", ""}) {
        SCOPED_TRACE(disks);
        ::setenv("KWDA_STATE", (dir + (*disks ? "/a.db" : "/b.db")).c_str(), 1);
        useProfile(smallProfile(2, std::string("<VirtualDisk Layout=\"4\"") + disks + " Name=\"Gone\"/>"));
        expectFields(run("getVirtualDisk GlobalNo=0 LogicalDriveNum=0").only(), "State=Failed|Disks=");
        EXPECT_TRUE(run("getArrayDisksForVirtualDisk GlobalNo=0 LogicalDriveNum=0").objects.empty());
        EXPECT_EQ(run("getGlobalInfo").only().at("RollupStatus"), "Critical");
    }
}

TEST_F(ProfileTest, AForeignConfigurationIsImported) {
    ::setenv("KWDA_TIME_SCALE", "0", 1);
    useProfile(
        "<StorageProfile><Controller RAIDLevelsMask=\"110\"><Connector BusProtocol=\"7\">"
        "<PhysicalDisk Length=\"10737418240\" State=\"Foreign\"/>"
        "<PhysicalDisk Length=\"10737418240\" State=\"Foreign\"/>"
        "<PhysicalDisk Length=\"10737418240\" State=\"Foreign\"/><PhysicalDisk Length=\"10737418240\"/></Connector>"
        "<VirtualDisk Layout=\"4\" Disks=\"0:0,0:1\" State=\"Foreign\" LogicalDriveNum=\"3\"/>"
        "</Controller></StorageProfile>");
    expectFields(run("getController GlobalNo=0").only(), "ForeignConfig=Present|CurrentMethodMask&1000000");
    EXPECT_TRUE(run("getVirtualDisksForController GlobalNo=0").objects.empty());
    EXPECT_EQ(run("setCntrlImportForeignConfig GlobalNo=0 Property=7").result,
              (Object{{"VirtualDisks", "3"}, {"Disks", "0:2"}}));
    EXPECT_EQ(run("getVirtualDisk GlobalNo=0 LogicalDriveNum=3").only().at("State"), "Ready");
    EXPECT_EQ(run("getArrayDisk GlobalNo=0 adisk=0:0").only().at("State"), "Online");
    EXPECT_EQ(run("getArrayDisk GlobalNo=0 adisk=0:2").only().at("State"), "Ready") << "outside any virtual disk";
    EXPECT_EQ(run("setCntrlClearForeignConfig GlobalNo=0").error, "controller 0 has no foreign configuration");
}

TEST_F(ProfileTest, AProfileForAStateAnotherProfileSeededIsRefused) {
    std::string first = useProfile(smallProfile(2), "first.xml");
    ASSERT_EQ(run("getControllerList").status, 0);
    useProfile(smallProfile(2), "copy.xml");
    EXPECT_EQ(run("getControllerList").status, 0) << "the same text elsewhere is the same profile";
    std::string other = useProfile(smallProfile(3), "other.xml");
    Reply refused = run("getControllerList");
    EXPECT_EQ(refused.status, 4);
    for (const std::string& part : {state, first, other})
        EXPECT_NE(refused.error.find(part), std::string::npos) << refused.error;
    ::unsetenv("KWDA_PROFILE");
    EXPECT_EQ(run("getControllerList").status, 0) << "without a profile the state is used as it is";
    ::setenv("KWDA_STATE", (dir + "/builtin.db").c_str(), 1);
    ASSERT_EQ(run("getControllerList").status, 0);
    ::setenv("KWDA_PROFILE", other.c_str(), 1);
    Reply builtIn = run("getControllerList");
    EXPECT_EQ(builtIn.status, 4);
    EXPECT_NE(builtIn.error.find("built-in system"), std::string::npos) << builtIn.error;
}

}  // namespace
}  // namespace kwda_test
