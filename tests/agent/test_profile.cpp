// The profile parser and the seeding rules: what a profile may say, how each
// mistake is reported (file, line, what was expected), and what is derived
// when the profile leaves it out.
#include <filesystem>
#include <set>

#include "agent_harness.h"

namespace kwda_test {
namespace {

class ProfileTest : public AgentTest {};

struct Rejection {
    const char* name;
    const char* xml;
    const char* expected;  // expected in the error after "<path>:"
};

// Line numbers count from the first line of each text.
const Rejection kRejections[] = {
    {"unknown attribute",
     "<StorageProfile>\n<Controller>\n<Connector BusProtocol=\"8\">\n<Enclosure>\n"
     "<PhysicalDisk Lenght=\"1\"/>\n</Enclosure>\n</Connector>\n</Controller>\n</StorageProfile>\n",
     "5: unknown attribute 'Lenght' on PhysicalDisk; expected one of GlobalNo, Channel"},
    {"unknown element",
     "<StorageProfile>\n<Controller>\n<Connector>\n<Disk/>\n</Connector>\n</Controller>\n</StorageProfile>\n",
     "4: unknown element 'Disk' inside Connector; expected one of Enclosure, PhysicalDisk"},
    {"element in the wrong place",
     "<StorageProfile>\n<Controller>\n<Connector>\n<Fan/>\n</Connector>\n</Controller>\n</StorageProfile>\n",
     "4: element 'Fan' inside Connector; expected one of Enclosure, PhysicalDisk"},
    {"wrong root", "<Storage/>\n", "1: root element is <Storage>; expected <StorageProfile>"},
    {"not well formed", "<StorageProfile>\n<Controller>\n</StorageProfile>\n",
     "3: Opening and ending tag mismatch: Controller line 2 and StorageProfile"},
    {"text content", "<StorageProfile>\n\n  hello\n</StorageProfile>\n", "3: unexpected text inside StorageProfile"},
    {"connector channel not its position",
     "<StorageProfile>\n<Controller>\n<Connector/>\n<Connector Channel=\"2\"/>\n</Controller>\n</StorageProfile>\n",
     "4: Connector Channel=\"2\" must equal its position 1"},
    {"two disks with one identifier",
     "<StorageProfile>\n<Controller>\n<Connector BusProtocol=\"8\">\n<Enclosure>\n"
     "<PhysicalDisk TargetID=\"3\"/>\n<PhysicalDisk TargetID=\"3\"/>\n</Enclosure>\n</Connector>\n"
     "</Controller>\n</StorageProfile>\n",
     "6: disk 0:0:3 is already stated on line 5"},
    {"connector-form disks collide behind protocol 7",
     "<StorageProfile>\n<Controller>\n<Connector BusProtocol=\"7\">\n<Enclosure>\n<PhysicalDisk TargetID=\"1\"/>\n"
     "</Enclosure>\n<Enclosure>\n<PhysicalDisk TargetID=\"1\"/>\n</Enclosure>\n</Connector>\n</Controller>\n"
     "</StorageProfile>\n",
     "8: disk 0:1 is already stated on line 5"},
    {"two controllers 0",
     "<StorageProfile>\n<Controller/>\n<Controller GlobalNo=\"0\"/>\n</StorageProfile>\n",
     "3: controller 0 is already stated on line 2"},
    {"ObjID used twice",
     "<StorageProfile>\n<Controller ObjID=\"7\"/>\n<Controller ObjID=\"7\"/>\n</StorageProfile>\n",
     "3: ObjID 7 is already used on line 2"},
    {"number with a unit",
     "<StorageProfile>\n<Controller>\n<Connector>\n<PhysicalDisk Length=\"12G\"/>\n</Connector>\n</Controller>\n"
     "</StorageProfile>\n",
     "4: attribute Length=\"12G\" on PhysicalDisk: expected a whole number"},
    {"mask with other digits", "<StorageProfile>\n<Controller RAIDLevelsMask=\"102\"/>\n</StorageProfile>\n",
     "2: attribute RAIDLevelsMask=\"102\" on Controller: expected binary digits"},
    {"unknown state", "<StorageProfile>\n<Controller>\n<Connector>\n<PhysicalDisk State=\"Sleepy\"/>\n"
                      "</Connector>\n</Controller>\n</StorageProfile>\n",
     "4: attribute State=\"Sleepy\" on PhysicalDisk: expected one of Ready, Online"},
    {"derived element stated", "<StorageProfile>\n<Controller ObjType=\"Controller\"/>\n</StorageProfile>\n",
     "2: attribute 'ObjType' on Controller is computed by the agent and cannot be stated"},
    {"virtual disk without layout",
     "<StorageProfile>\n<Controller>\n<Connector>\n<PhysicalDisk Length=\"1000000000\"/>\n</Connector>\n"
     "<VirtualDisk Disks=\"0:0\"/>\n</Controller>\n</StorageProfile>\n",
     "6: VirtualDisk needs a Layout"},
    {"virtual disk on a missing disk",
     "<StorageProfile>\n<Controller>\n<Connector>\n<PhysicalDisk Length=\"1000000000\"/>\n</Connector>\n"
     "<VirtualDisk Layout=\"2\" Disks=\"0:0,0:9\"/>\n</Controller>\n</StorageProfile>\n",
     "6: disk 0:9 named in Disks does not exist on controller 0"},
    {"too few disks for the layout",
     "<StorageProfile>\n<Controller>\n<Connector>\n<PhysicalDisk Length=\"1000000000\"/>\n"
     "<PhysicalDisk Length=\"1000000000\"/>\n</Connector>\n<VirtualDisk Layout=\"64\" Disks=\"0:0,0:1\"/>\n"
     "</Controller>\n</StorageProfile>\n",
     "7: RAID-5 (r5) needs at least 3 disks, 2 given"},
    {"virtual disk larger than its disks",
     "<StorageProfile>\n<Controller>\n<Connector>\n<PhysicalDisk Length=\"1000000000\"/>\n"
     "<PhysicalDisk Length=\"1000000000\"/>\n</Connector>\n"
     "<VirtualDisk Layout=\"4\" Disks=\"0:0,0:1\" Length=\"1000000001\"/>\n</Controller>\n</StorageProfile>\n",
     "7: Length=\"1000000001\" is more than layout r1 can hold on its disks (1000000000 bytes)"},
    {"hot spare that is a member",
     "<StorageProfile>\n<Controller>\n<Connector>\n<PhysicalDisk Length=\"1000000000\" HotSpareFor=\"global\"/>\n"
     "<PhysicalDisk Length=\"1000000000\"/>\n</Connector>\n<VirtualDisk Layout=\"4\" Disks=\"0:0,0:1\"/>\n"
     "</Controller>\n</StorageProfile>\n",
     "4: disk 0:0 cannot be a hot spare: it is a member of a virtual disk"},
    {"dedicated hot spare of a missing virtual disk",
     "<StorageProfile>\n<Controller>\n<Connector>\n<PhysicalDisk HotSpareFor=\"3\"/>\n</Connector>\n"
     "</Controller>\n</StorageProfile>\n",
     "4: HotSpareFor=\"3\": controller 0 has no virtual disk 3"},
};

TEST_F(ProfileTest, EachMistakeIsRefusedWithItsLineAndNothingIsCreated) {
    for (const auto& rejection : kRejections) {
        SCOPED_TRACE(rejection.name);
        std::string path = useProfile(rejection.xml);
        Reply reply = send({"vexcmd=getControllerList"});
        EXPECT_EQ(reply.status, 3);
        EXPECT_NE(reply.error.find(path + ":" + rejection.expected), std::string::npos) << reply.error;
        EXPECT_FALSE(std::filesystem::exists(state)) << "a refused profile must not leave a state";
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), std::filesystem::directory_iterator()), 1)
            << "no temporary state may be left behind";
    }
}

TEST_F(ProfileTest, AMissingProfileFileIsNamed) {
    ::setenv("KWDA_PROFILE", (dir + "/absent.xml").c_str(), 1);
    Reply reply = send({"vexcmd=getControllerList"});
    EXPECT_EQ(reply.status, 3);
    EXPECT_NE(reply.error.find("cannot read profile " + dir + "/absent.xml"), std::string::npos) << reply.error;
}

TEST_F(ProfileTest, IdentifiersAreDerivedFromPosition) {
    useProfile(
        "<StorageProfile>\n"
        "<Controller/>\n"
        "<Controller>\n"
        "  <Connector BusProtocol=\"7\"><PhysicalDisk/><PhysicalDisk/></Connector>\n"
        "  <Connector BusProtocol=\"8\">\n"
        "    <Enclosure/>\n"
        "    <Enclosure><PhysicalDisk/><Fan/><Fan/><PhysicalDisk TargetID=\"9\"/></Enclosure>\n"
        "  </Connector>\n"
        "</Controller>\n"
        "</StorageProfile>\n");
    Reply controllers = send({"vexcmd=getControllerList"});
    ASSERT_EQ(controllers.objects.size(), 2u);
    EXPECT_EQ(controllers.objects[0].at("GlobalNo"), "0");
    EXPECT_EQ(controllers.objects[1].at("GlobalNo"), "1");

    Reply disks = send({"vexcmd=getArrayDisksForController", "GlobalNo=1", "CLI=true"});
    ASSERT_EQ(disks.objects.size(), 4u);
    std::vector<std::string> ids;
    for (const auto& d : disks.objects)
        ids.push_back(d.at("Channel") + ":" + d.at("EnclosureID") + ":" + d.at("TargetID") + "/" + d.at("BusProtocol"));
    EXPECT_EQ(ids, (std::vector<std::string>{"0::0/7", "0::1/7", "1:1:0/8", "1:1:9/8"}));
    EXPECT_TRUE(hasBit(disks.objects[2], "AttributesMask", 0x400));
    EXPECT_FALSE(hasBit(disks.objects[0], "AttributesMask", 0x400));

    Reply fans = send({"vexcmd=getEnclosureFans", "GlobalNo=1", "Enclosure=1:1", "CLI=true"});
    ASSERT_EQ(fans.objects.size(), 2u);
    EXPECT_EQ(fans.objects[1].at("Index"), "1");
    EXPECT_EQ(fans.objects[1].at("EnclosureID"), "1");

    std::set<std::string> objids;
    for (const auto& o : send({"vexcmd=getStoreDump"}).objects) EXPECT_TRUE(objids.insert(o.at("ObjID")).second);
}

TEST_F(ProfileTest, StatedValuesWinOverDerivedOnes) {
    useProfile(
        "<StorageProfile>\n"
        "<Controller GlobalNo=\"5\" ObjID=\"900\">\n"
        "  <Connector BusProtocol=\"8\"><Enclosure EnclosureID=\"2\">\n"
        "    <PhysicalDisk Length=\"107374182400\" CurrentMethodMask=\"101\" AttributesMask=\"1\"/>\n"
        "    <PhysicalDisk Length=\"107374182400\"/>\n"
        "  </Enclosure></Connector>\n"
        "</Controller>\n"
        "</StorageProfile>\n");
    Object controller = send({"vexcmd=getController", "GlobalNo=5", "CLI=true"}).only();
    EXPECT_EQ(controller.at("ObjID"), "900");
    Reply disks = send({"vexcmd=getArrayDisksForController", "GlobalNo=5", "CLI=true"});
    ASSERT_EQ(disks.objects.size(), 2u);
    EXPECT_EQ(disks.objects[0].at("CurrentMethodMask"), "101");
    EXPECT_EQ(disks.objects[0].at("AttributesMask"), "1");
    EXPECT_NE(disks.objects[1].at("CurrentMethodMask"), "101");
    EXPECT_EQ(disks.objects[1].at("AttributesMask"), "10000000000");
    // The pinned mask stays pinned after a write that would change it.
    ASSERT_EQ(send({"vexcmd=setArrayDiskBlink", "GlobalNo=5", "adisk=0:2:0"}).status, 0);
    EXPECT_EQ(send({"vexcmd=getArrayDisk", "GlobalNo=5", "adisk=0:2:0"}).only().at("CurrentMethodMask"), "101");
}

TEST_F(ProfileTest, ElementsTheProfileDoesNotStateAreAbsent) {
    useProfile(smallProfile(3, "    <Battery/>\n"));
    Object controller = send({"vexcmd=getController", "GlobalNo=0", "CLI=true"}).only();
    EXPECT_EQ(controller.count("PatrolReadModeMask"), 0u);
    EXPECT_EQ(controller.count("PatrolReadRate"), 0u);
    EXPECT_EQ(controller.count("MaxVDAllowed"), 0u);
    // The action stays supported: the plug-in answers a rate it cannot read.
    EXPECT_TRUE(hasBit(controller, "MasterMethodMask", 0x8000));
    Object battery = send({"vexcmd=getBattery", "GlobalNo=0", "BatteryID=0", "CLI=true"}).only();
    EXPECT_EQ(battery.count("MaxLearnDelay"), 0u);
    Object enclosure = send({"vexcmd=getEnclosure", "GlobalNo=0", "Enclosure=0:0", "CLI=true"}).only();
    EXPECT_EQ(enclosure.count("MaxAssetTagLength"), 0u);
}

TEST_F(ProfileTest, TheEmbeddedSystemHoldsEveryObjectItDescribes) {
    Reply dump = send({"vexcmd=getStoreDump"});
    ASSERT_EQ(dump.status, 0) << dump.error;
    EXPECT_EQ(dump.ofType("StorageObject").size(), 1u);
    EXPECT_EQ(dump.ofType("Controller").size(), 2u);
    EXPECT_EQ(dump.ofType("Connector").size(), 8u);
    EXPECT_EQ(dump.ofType("Enclosure").size(), 1u);
    EXPECT_EQ(dump.ofType("PhysicalDisk").size(), 16u);
    EXPECT_EQ(dump.ofType("VirtualDisk").size(), 3u);
    EXPECT_EQ(dump.ofType("Battery").size(), 1u);
    EXPECT_EQ(dump.ofType("Fan").size(), 2u);
    EXPECT_EQ(dump.ofType("PowerSupply").size(), 2u);
    EXPECT_EQ(dump.ofType("EMM").size(), 2u);
    EXPECT_EQ(dump.ofType("TemperatureProbe").size(), 2u);
    Object sata = dump.ofType("Controller")[1];
    EXPECT_EQ(sata.at("Name"), "TOLV SATA 1.5/6ch");
    for (const auto& connector : dump.ofType("Connector"))
        EXPECT_EQ(connector.at("BusProtocol"), connector.at("GlobalNo") == "0" ? "8" : "7");
    // Everything the plug-in's checks read is stated on both controllers.
    for (const auto& controller : dump.ofType("Controller"))
        for (const char* element : {"RAIDLevelsMask", "StripeSizesMask", "ReadPolicyMask", "WritePolicyMask",
                                    "CachePolicyMask", "DiskCachePolicyMask", "PatrolReadModeMask", "RebuildRate",
                                    "BGIRate", "CheckConsistencyRate", "ReconstructRate", "PatrolReadRate",
                                    "MaxVDAllowed", "MaxNameLength", "VendorID", "Name"})
            EXPECT_EQ(controller.count(element), 1u) << element << " on controller " << controller.at("GlobalNo");
}

}  // namespace
}  // namespace kwda_test
