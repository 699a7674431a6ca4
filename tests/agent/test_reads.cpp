// Reading the embedded default system through the agent's replies: every
// read command answers, identifiers and masks are derived the way the
// plug-in's checks need them, and malformed requests are named.
#include <filesystem>
#include <set>

#include "agent_harness.h"

namespace kwda_test {
namespace {

class ReadTest : public AgentTest {
protected:
    Object disk(const std::string& controller, const std::string& id) {
        Reply reply = send({"vexcmd=getArrayDisk", "GlobalNo=" + controller, "adisk=" + id, "CLI=true"});
        EXPECT_EQ(reply.status, 0) << reply.error;
        return reply.only();
    }
    Object vdisk(const std::string& controller, const std::string& number) {
        Reply reply = send({"vexcmd=getVirtualDisk", "GlobalNo=" + controller, "LogicalDriveNum=" + number, "CLI=true"});
        EXPECT_EQ(reply.status, 0) << reply.error;
        return reply.only();
    }
    Object controller(const std::string& number) {
        return send({"vexcmd=getController", "GlobalNo=" + number, "CLI=true"}).only();
    }
    static bool allowed(const Object& o, uint32_t bit) { return hasBit(o, "CurrentMethodMask", bit); }
    static bool supported(const Object& o, uint32_t bit) { return hasBit(o, "MasterMethodMask", bit); }
};

// Action bits the plug-in's availability checks test.
constexpr uint32_t kCtrlCreateVD = 0x40, kCtrlEnableAlarm = 0x4, kCtrlDisableAlarm = 0x8, kCtrlStartPatrol = 0x200000,
                   kCtrlStopPatrol = 0x400000, kCtrlImportForeign = 0x1000000, kCtrlResetConfig = 0x80;
constexpr uint32_t kVdCheckConsistency = 0x20, kVdAssignSpare = 0x80, kVdBlink = 0x100, kVdUnblink = 0x200,
                   kVdSplitMirror = 0x2000, kVdCancelCC = 0x800, kVdReconfigure = 0x1;
constexpr uint32_t kPdAssignGlobal = 0x10, kPdUnassignGlobal = 0x20, kPdOffline = 0x80, kPdRebuild = 0x400,
                   kPdClear = 0x10000, kPdRemove = 0x100;

TEST_F(ReadTest, EveryReadCommandAnswersTheDefaultSystem) {
    struct Case {
        std::vector<std::string> request;
        size_t objects;
    };
    const Case cases[] = {
        {{"vexcmd=getControllerList"}, 2},
        {{"vexcmd=getController", "GlobalNo=1", "CLI=true"}, 1},
        {{"vexcmd=getSupportedRaidLevelsForController", "GlobalNo=0", "CLI=true"}, 7},
        {{"vexcmd=getSingleControllerArrayInfo", "GlobalNo=0", "CLI=true"}, 3},
        {{"vexcmd=getControllerListArrayInfo", "dump=all", "CLI=true"}, 39},
        {{"vexcmd=getStoreDump", "dump=store", "CLI=true"}, 40},
        {{"vexcmd=getGlobalInfo"}, 1},
        {{"vexcmd=getAlertLog"}, 1},
        {{"vexcmd=getChannelsForController", "GlobalNo=1", "CLI=true"}, 6},
        {{"vexcmd=getChannel", "GlobalNo=1", "Channel=5", "CLI=true"}, 1},
        {{"vexcmd=getEnclosureList"}, 1},
        {{"vexcmd=getEnclosureList", "includeComponents=TRUE", "ProductID=RKNT"}, 13},
        {{"vexcmd=getEnclosuresForController", "GlobalNo=0", "CLI=true"}, 1},
        {{"vexcmd=getEnclosuresForChannel", "GlobalNo=0", "Channel=1", "CLI=true"}, 0},
        {{"vexcmd=getEnclosure", "GlobalNo=0", "Enclosure=0:0", "CLI=true"}, 1},
        {{"vexcmd=getSingleEnclosureForController", "GlobalNo=0", "Enclosure=0", "CLI=true"}, 1},
        {{"vexcmd=getEnclosureFans", "GlobalNo=0", "Enclosure=0:0", "CLI=true"}, 2},
        {{"vexcmd=getEnclosurePowerSupplies", "GlobalNo=0", "Enclosure=0:0", "info=pwrsupplies"}, 2},
        {{"vexcmd=getEnclosureEMMs", "GlobalNo=0", "Enclosure=0:0", "CLI=true"}, 2},
        {{"vexcmd=getEnclosureTemperatureProbes", "GlobalNo=0", "Enclosure=0:0", "Index=1"}, 1},
        {{"vexcmd=getArrayDisksForController", "GlobalNo=0", "CLI=true"}, 12},
        {{"vexcmd=getArrayDisksForChannel", "GlobalNo=1", "Channel=2", "CLI=true"}, 1},
        {{"vexcmd=getArrayDisksForVirtualDisk", "GlobalNo=0", "LogicalDriveNum=1", "CLI=true"}, 5},
        {{"vexcmd=getArrayDisk", "GlobalNo=0", "adisk=0:0:7, 0:0:2", "CLI=true"}, 2},
        {{"vexcmd=getAllVirtualDisks"}, 3},
        {{"vexcmd=getVirtualDisksForController", "GlobalNo=1", "CLI=true"}, 1},
        {{"vexcmd=getVirtualDisk", "GlobalNo=0", "CLI=true"}, 2},
        {{"vexcmd=getCapsForDHS", "GlobalNo=0", "LogicalDriveNum=1", "CLI=true"}, 3},
        {{"vexcmd=getBatteryList"}, 1},
        {{"vexcmd=getBatteriesForController", "GlobalNo=1", "CLI=true"}, 0},
        {{"vexcmd=getBattery", "GlobalNo=0", "BatteryID=0", "CLI=true"}, 1},
        {{"vexcmd=sendPassThruCmdToDCSIF", "NumDCSIFArgs=2", "param0=report", "param1=storage"}, 1},
        {{"vexcmd=sendPassThruCmdToDCSIF", "NumDCSIFArgs=1", "param0=dump2"}, 40},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.request.front());
        Reply reply = send(c.request);
        EXPECT_EQ(reply.status, 0) << reply.error;
        EXPECT_EQ(reply.command, c.request.front().substr(7));
        EXPECT_EQ(reply.objects.size(), c.objects) << reply.raw;
    }
}

TEST_F(ReadTest, MalformedRequestsAndMissingObjectsAreNamed) {
    struct Case {
        std::vector<std::string> request;
        int status;
        const char* error;
    };
    const Case cases[] = {
        {{"vexcmd=getFoo"}, 1, "unknown command getFoo"},
        {{"GlobalNo=0"}, 1, "the first element must be vexcmd=<command>"},
        {{"vexcmd=getController", "CLI=true"}, 1, "missing argument GlobalNo"},
        {{"vexcmd=getController", "GlobalNo"}, 1, "malformed element 'GlobalNo'"},
        {{"vexcmd=getController", "GlobalNo=7"}, 2, "controller 7 does not exist"},
        {{"vexcmd=getController", "GlobalNo=01"}, 2, "controller 01 does not exist"},
        {{"vexcmd=getArrayDisk", "GlobalNo=0", "adisk=0:0:99"}, 2, "disk 0:0:99 does not exist on controller 0"},
        {{"vexcmd=getArrayDisk", "GlobalNo=0", "adisk=abc"}, 1, "'abc' is not a disk identifier"},
        {{"vexcmd=getVirtualDisk", "GlobalNo=1", "LogicalDriveNum=4"}, 2, "virtual disk 4 does not exist"},
        {{"vexcmd=getEnclosure", "GlobalNo=1", "Enclosure=0"}, 2, "enclosure 0 does not exist on controller 1"},
        {{"vexcmd=getChannel", "GlobalNo=0", "Channel=2"}, 2, "connector 2 does not exist on controller 0"},
        {{"vexcmd=sendPassThruCmdToDCSIF", "NumDCSIFArgs=2", "param0=report"}, 1, "NumDCSIFArgs=2 but 1"},
        {{"vexcmd=sendPassThruCmdToDCSIF", "param0=frobnicate"}, 1, "unknown pass-through operation frobnicate"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.request.front());
        Reply reply = send(c.request);
        EXPECT_EQ(reply.status, c.status) << reply.raw;
        EXPECT_NE(reply.error.find(c.error), std::string::npos) << reply.error;
        EXPECT_TRUE(reply.objects.empty());
    }
}

TEST_F(ReadTest, DisksCarryTheirRolesInAttributesAndMasks) {
    Object member = disk("0", "0:0:2");
    EXPECT_EQ(member.at("State"), "Online");
    EXPECT_TRUE(hasBit(member, "AttributesMask", 0x400));
    EXPECT_TRUE(allowed(member, kPdOffline));
    EXPECT_FALSE(allowed(member, kPdRebuild)) << "an online member has nothing to rebuild";
    EXPECT_FALSE(allowed(member, kPdAssignGlobal));

    Object spare = disk("0", "0:0:6");
    EXPECT_EQ(spare.at("HotSpareFor"), "1");
    EXPECT_TRUE(hasBit(spare, "AttributesMask", 0x100));
    EXPECT_FALSE(allowed(spare, kPdAssignGlobal)) << "a hot spare cannot be assigned again";
    EXPECT_FALSE(allowed(spare, kPdUnassignGlobal)) << "it is a dedicated, not a global, spare";
    EXPECT_TRUE(supported(spare, kPdAssignGlobal));

    Object ready = disk("0", "0:0:7");
    EXPECT_EQ(ready.at("State"), "Ready");
    EXPECT_EQ(ready.at("FreeLength"), ready.at("Length"));
    EXPECT_TRUE(allowed(ready, kPdAssignGlobal));
    EXPECT_TRUE(allowed(ready, kPdClear));
    EXPECT_TRUE(allowed(ready, kPdRemove));
    EXPECT_FALSE(allowed(ready, kPdOffline));

    Object sata = disk("1", "2:0");
    EXPECT_FALSE(hasBit(sata, "AttributesMask", 0x400)) << "directly attached";
    EXPECT_EQ(sata.at("EnclosureID"), "");
    EXPECT_EQ(sata.at("BusProtocol"), "7");
}

TEST_F(ReadTest, VirtualDisksAllowWhatTheirLayoutAndStateAllow) {
    Object mirror = vdisk("0", "0");
    Object parity = vdisk("0", "1");
    EXPECT_EQ(mirror.at("Disks"), "0:0:0,0:0:1");
    EXPECT_EQ(parity.at("State"), "Ready");
    EXPECT_TRUE(allowed(mirror, kVdSplitMirror));
    EXPECT_FALSE(supported(parity, kVdSplitMirror));
    EXPECT_TRUE(allowed(parity, kVdCheckConsistency));
    EXPECT_FALSE(allowed(parity, kVdCancelCC)) << "nothing to cancel";
    EXPECT_TRUE(allowed(parity, kVdAssignSpare));
    EXPECT_TRUE(allowed(parity, kVdReconfigure));
    EXPECT_TRUE(allowed(parity, kVdBlink));
    EXPECT_FALSE(allowed(parity, kVdUnblink));
    EXPECT_TRUE(hasBit(parity, "AttributesMask", 0x8000)) << "an r5 can grow";

    ASSERT_EQ(send({"vexcmd=setVDBlink", "GlobalNo=0", "LogicalDriveNum=1"}).status, 0);
    parity = vdisk("0", "1");
    EXPECT_TRUE(allowed(parity, kVdUnblink)) << "a blinking virtual disk allows unblink";
    EXPECT_FALSE(allowed(parity, kVdBlink));
}

TEST_F(ReadTest, ControllersAllowWhatTheyHave) {
    Object sas = controller("0");
    Object sata = controller("1");
    EXPECT_TRUE(allowed(sas, kCtrlCreateVD));
    EXPECT_TRUE(allowed(sas, kCtrlDisableAlarm));
    EXPECT_FALSE(allowed(sas, kCtrlEnableAlarm)) << "its alarm is already enabled";
    EXPECT_FALSE(supported(sata, kCtrlEnableAlarm)) << "the SATA controller has no alarm";
    EXPECT_TRUE(supported(sas, kCtrlStartPatrol));
    EXPECT_FALSE(allowed(sas, kCtrlStartPatrol)) << "patrol read is in auto mode";
    EXPECT_FALSE(allowed(sas, kCtrlStopPatrol)) << "no patrol read is running";
    EXPECT_FALSE(supported(sata, kCtrlStartPatrol)) << "patrol read can only be disabled there";
    EXPECT_FALSE(allowed(sas, kCtrlImportForeign)) << "no foreign configuration";
    EXPECT_TRUE(allowed(sas, kCtrlResetConfig));
    EXPECT_EQ(sas.at("ForeignConfig"), "None");

    Reply info = send({"vexcmd=getSingleControllerArrayInfo", "GlobalNo=0", "CLI=true"});
    EXPECT_EQ(info.objects[0].at("MaxVDAllowed"), "64");
    EXPECT_EQ(info.ofType("VirtualDisk").size(), 2u);

    Object storage = send({"vexcmd=getGlobalInfo"}).only();
    EXPECT_EQ(storage.at("CurrentMethodMask"), "101") << "rescan and disablests while STS is enabled";
}

TEST_F(ReadTest, CreationCapabilitiesFollowTheChosenDisks) {
    auto objid = [&](const std::string& id) { return disk("0", id).at("ObjID"); };
    std::string controllerId = controller("0").at("ObjID");
    std::string ids = objid("0:0:7") + ":" + objid("0:0:8") + ":" + objid("0:0:9") + ":" + objid("0:0:10");
    Reply caps = send({"vexcmd=sendPassThruCmdToDCSIF", "param0=getcaps", "param1=make", "param2=vdisk",
                       "param3=ObjID", "param4=" + controllerId, "param5=IDList", "param6=" + ids,
                       "param7=MinDrives", "param8=4", "param9=Rules", "param10=2", "NumDCSIFArgs=11"});
    ASSERT_EQ(caps.status, 0) << caps.error;
    std::map<std::string, std::string> largest;
    for (const auto& o : caps.objects) largest[o.at("Layout")] = o.at("Length");
    // Four disks, the smallest an SSD of 479559942144 bytes.
    const long long ssd = 479559942144LL;
    EXPECT_EQ(largest.at("2"), std::to_string(4 * ssd));
    EXPECT_EQ(largest.at("64"), std::to_string(3 * ssd));
    EXPECT_EQ(largest.at("128"), std::to_string(2 * ssd));
    EXPECT_EQ(largest.at("512"), std::to_string(2 * ssd));
    EXPECT_EQ(largest.count("4"), 0u) << "r1 takes exactly two disks";
    EXPECT_EQ(largest.count("2048"), 0u) << "r50 needs six disks and a span";
    EXPECT_EQ(largest.count("1"), 0u) << "the controller does not offer concatenation";

    Reply spare = send({"vexcmd=sendPassThruCmdToDCSIF", "param0=getcaps", "param1=make", "param2=vdisk",
                        "param3=ObjID", "param4=" + controllerId, "param5=IDList", "param6=" + objid("0:0:6"),
                        "param7=MinDrives", "param8=1", "NumDCSIFArgs=9"});
    EXPECT_EQ(spare.status, 2);
    EXPECT_EQ(spare.error, "disk 0:0:6 is a hot spare of virtual disk 1; release it first, or choose another disk");
}

TEST_F(ReadTest, HotSpareCandidatesAndAssociations) {
    Reply candidates = send({"vexcmd=getCapsForDHS", "GlobalNo=0", "LogicalDriveNum=1", "CLI=true"});
    std::vector<std::string> targets;
    for (const auto& o : candidates.objects) targets.push_back(o.at("TargetID"));
    // Ready disks at least as large as the members; the SSDs are smaller.
    EXPECT_EQ(targets, (std::vector<std::string>{"7", "8", "9"}));

    std::string vdObjId = vdisk("0", "1").at("ObjID");
    Reply assoc = send({"vexcmd=sendPassThruCmdToDCSIF", "NumDCSIFArgs=3", "param0=getassoc", "param1=adisks",
                        "param2=" + vdObjId});
    targets.clear();
    for (const auto& o : assoc.objects) targets.push_back(o.at("TargetID"));
    EXPECT_EQ(targets, (std::vector<std::string>{"2", "3", "4", "5", "6"}));
    EXPECT_TRUE(hasBit(assoc.objects.back(), "AttributesMask", 0x100));

    Reply mirrorCandidates = send({"vexcmd=getCapsForDHS", "GlobalNo=1", "LogicalDriveNum=0", "CLI=true"});
    EXPECT_EQ(mirrorCandidates.objects.size(), 2u);
}

TEST_F(ReadTest, TheAlertLogPathAndTheRequestLog) {
    std::string requests = dir + "/requests.log";
    ::setenv("KWDA_LOG", requests.c_str(), 1);
    Object log = send({"vexcmd=getAlertLog"}).only();
    EXPECT_EQ(log.at("Path"), alertLog());
    EXPECT_TRUE(std::filesystem::exists(alertLog()));
    send({"vexcmd=getController", "GlobalNo=0", "", "CLI=true"});
    EXPECT_EQ(lines(readFile(requests)),
              (std::vector<std::string>{"vexcmd=getAlertLog", "vexcmd=getController\tGlobalNo=0\t\tCLI=true"}));
}

TEST_F(ReadTest, ARelativeAlertLogPathIsTakenFromTheStateFolder) {
    useProfile("<StorageProfile><AlertLog Path=\"logs/events.log\"/><Controller/></StorageProfile>");
    EXPECT_EQ(send({"vexcmd=getAlertLog"}).only().at("Path"), dir + "/logs/events.log");
    EXPECT_TRUE(std::filesystem::exists(dir + "/logs/events.log"));
}

}  // namespace
}  // namespace kwda_test
