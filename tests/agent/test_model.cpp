// Smaller rules of the model: how disk identifiers resolve, spanned layouts,
// derived probe states, disks set aside and found again, and the
// storage-wide switches.
#include "agent_harness.h"

namespace kwda_test {
namespace {

class ModelTest : public AgentTest {
protected:
    void SetUp() override {
        AgentTest::SetUp();
        ::setenv("KWDA_TIME_SCALE", "0", 1);
    }
};

TEST_F(ModelTest, ConnectorFormFindsAnEnclosureDiskOnlyWhenItIsUnambiguous) {
    useProfile(
        "<StorageProfile><Controller><Connector BusProtocol=\"8\">"
        "<Enclosure><PhysicalDisk TargetID=\"3\"/><PhysicalDisk TargetID=\"4\"/></Enclosure>"
        "<Enclosure><PhysicalDisk TargetID=\"4\"/></Enclosure>"
        "</Connector></Controller></StorageProfile>");
    EXPECT_EQ(send({"vexcmd=getArrayDisk", "GlobalNo=0", "adisk=0:3"}).only().at("EnclosureID"), "0");
    EXPECT_EQ(send({"vexcmd=getArrayDisk", "GlobalNo=0", "adisk=0:1:4"}).only().at("EnclosureID"), "1");
    Reply ambiguous = send({"vexcmd=getArrayDisk", "GlobalNo=0", "adisk=0:4"});
    EXPECT_EQ(ambiguous.status, 2);
    EXPECT_EQ(ambiguous.error, "disk 0:4 is ambiguous on controller 0; name it as 0:0:4 or 0:1:4");
}

TEST_F(ModelTest, SpannedLayoutsNeedASpanLength) {
    useProfile(smallProfile(6));
    Reply dump = send({"vexcmd=getArrayDisksForController", "GlobalNo=0"});
    std::string ids;
    for (const auto& d : dump.objects) ids += (ids.empty() ? "" : ":") + d.at("ObjID");
    std::string controller = send({"vexcmd=getController", "GlobalNo=0"}).only().at("ObjID");
    auto caps = [&](std::vector<std::string> extra) {
        std::vector<std::string> request = {"vexcmd=sendPassThruCmdToDCSIF", "param0=getcaps", "param1=make",
                                            "param2=vdisk", "param3=ObjID", "param4=" + controller,
                                            "param5=IDList", "param6=" + ids, "param7=MinDrives", "param8=6"};
        request.insert(request.end(), extra.begin(), extra.end());
        std::map<std::string, std::string> largest;
        for (const auto& o : send(request).objects) largest[o.at("Layout")] = o.at("Length");
        return largest;
    };
    EXPECT_EQ(caps({}).count("2048"), 0u);
    auto spanned = caps({"param9=Rules", "param10=2", "param11=SpanLength", "param12=3"});
    EXPECT_EQ(spanned.at("2048"), std::to_string(4 * 107374182400LL)) << "two r5 spans of three disks";
    EXPECT_EQ(spanned.at("1"), std::to_string(6 * 107374182400LL));

    Object vd = send({"vexcmd=setCntrlCreateVD", "GlobalNo=0", "adisk=0:0:0,0:0:1,0:0:2,0:0:3,0:0:4,0:0:5",
                      "Layout=2048", "SpanLength=3", "Length=429496729600"})
                    .only();
    EXPECT_EQ(vd.at("SpanLength"), "3");
    EXPECT_EQ(send({"vexcmd=setCntrlCreateVD", "GlobalNo=0", "adisk=0:0:0,0:0:1,0:0:2,0:0:3,0:0:4,0:0:5",
                    "Layout=2048", "Length=1073741824"})
                  .error,
              "disk 0:0:0 is a member of virtual disk 0 and has no free space left");
}

TEST_F(ModelTest, AProbeStateFollowsItsThresholds) {
    useProfile(
        "<StorageProfile><Controller><Connector BusProtocol=\"8\"><Enclosure>"
        "<TemperatureProbe Reading=\"50\" MinWarning=\"5\" MaxWarning=\"60\" MaxFailure=\"70\""
        " LowEndMaxWarning=\"30\" HighEndMaxWarning=\"69\"/>"
        "</Enclosure></Connector></Controller></StorageProfile>");
    auto probe = [&] {
        return send({"vexcmd=getEnclosureTemperatureProbes", "GlobalNo=0", "Enclosure=0:0"}).only();
    };
    EXPECT_EQ(probe().at("State"), "Ready");
    ASSERT_EQ(send({"vexcmd=setEnclosureTempProbes", "GlobalNo=0", "Enclosure=0:0", "MaxWarning=45"}).status, 0);
    EXPECT_EQ(probe().at("State"), "Warning");
    ASSERT_EQ(send({"vexcmd=setEnclosureResetTempProbes", "GlobalNo=0", "Enclosure=0:0"}).status, 0);
    EXPECT_EQ(probe().at("State"), "Ready");
    EXPECT_EQ(send({"vexcmd=setEnclosureTempProbes", "GlobalNo=0", "Enclosure=0:0", "MinWarning=60"}).error,
              "minimum warning threshold 60 of temperature probe 0 must lie below the maximum 60");
}

TEST_F(ModelTest, ADiskSetAsideComesBackOnARescan) {
    ASSERT_EQ(send({"vexcmd=setArrayDiskPrepareToRemove", "GlobalNo=1", "adisk=3:0"}).status, 0);
    Object removed = send({"vexcmd=getArrayDisk", "GlobalNo=1", "adisk=3:0"}).only();
    EXPECT_EQ(removed.at("State"), "Removed");
    EXPECT_FALSE(hasBit(removed, "CurrentMethodMask", 0x10)) << "no hot spare while set aside";
    EXPECT_EQ(send({"vexcmd=setArrayDiskPrepareToRemove", "GlobalNo=1", "adisk=0:0"}).error,
              "disk 0:0 is online in virtual disk 0; take it offline before removing it");
    ASSERT_EQ(send({"vexcmd=setChnlRescan", "GlobalNo=1", "Channel=2"}).status, 0);
    EXPECT_EQ(send({"vexcmd=getArrayDisk", "GlobalNo=1", "adisk=3:0"}).only().at("State"), "Removed")
        << "another connector";
    ASSERT_EQ(send({"vexcmd=setCntrlGlobalRescan"}).status, 0);
    EXPECT_EQ(send({"vexcmd=getArrayDisk", "GlobalNo=1", "adisk=3:0"}).only().at("State"), "Ready");
}

TEST_F(ModelTest, UnmirroringFreesTheSecondDisk) {
    Object single = send({"vexcmd=setVDUnMirror", "GlobalNo=1", "LogicalDriveNum=0"}).only();
    EXPECT_EQ(single.at("Layout"), "2");
    EXPECT_EQ(single.at("Disks"), "0:0");
    Object freed = send({"vexcmd=getArrayDisk", "GlobalNo=1", "adisk=1:0"}).only();
    EXPECT_EQ(freed.at("State"), "Ready");
    EXPECT_EQ(freed.at("FreeLength"), freed.at("Length"));
    EXPECT_FALSE(hasBit(single, "MasterMethodMask", 0x80)) << "an r0 cannot take a hot spare";
}

TEST_F(ModelTest, StorageWideSwitches) {
    Object storage = send({"vexcmd=setEnclosureDisableSTS"}).only();
    EXPECT_EQ(storage.at("SMARTThermalShutdown"), "Disabled");
    EXPECT_EQ(storage.at("CurrentMethodMask"), "11") << "rescan and enablests";
    EXPECT_EQ(send({"vexcmd=setEnclosureDisableSTS"}).error, "SMART thermal shutdown is already disabled");
    EXPECT_EQ(send({"vexcmd=sendPassThruCmdToDCSIF", "NumDCSIFArgs=1", "param0=debug"}).only().at("Debug"),
              "Enabled");
    EXPECT_EQ(send({"vexcmd=setDebugMode", "state=on", "queue=3", "hel=2"}).only().at("DebugMode"),
              "state=on queue=3 hel=2");
    EXPECT_EQ(send({"vexcmd=setDebugMode", "queue=x"}).error, "queue='x' is not a debug level");
}

TEST_F(ModelTest, TheControllerLogExportHoldsItsOwnEvents) {
    ASSERT_EQ(send({"vexcmd=setArrayDiskBlink", "GlobalNo=1", "adisk=2:0"}).status, 0);
    ASSERT_EQ(send({"vexcmd=setArrayDiskBlink", "GlobalNo=0", "adisk=0:0:2"}).status, 0);
    ASSERT_EQ(send({"vexcmd=setCntrlExportLog", "GlobalNo=1"}).status, 0);
    std::vector<std::string> exported = lines(readFile(dir + "/controller1-log.txt"));
    ASSERT_EQ(exported.size(), 1u);
    EXPECT_NE(exported[0].find("Physical Disk 2:0 on Controller 1\tblinking started"), std::string::npos);
}

TEST_F(ModelTest, ADiskStatedRebuildingIsBeingRebuilt) {
    ::setenv("KWDA_TIME_SCALE", "0.000001", 1);
    useProfile(
        "<StorageProfile><Controller RebuildRate=\"50\"><Connector BusProtocol=\"7\">"
        "<PhysicalDisk Length=\"1073741824\"/><PhysicalDisk Length=\"1073741824\" State=\"Rebuilding\"/>"
        "</Connector><VirtualDisk Layout=\"4\" Disks=\"0:0,0:1\"/></Controller></StorageProfile>");
    Object disk = send({"vexcmd=getArrayDisk", "GlobalNo=0", "adisk=0:1"}).only();
    EXPECT_EQ(disk.at("Task"), "Rebuild");
    EXPECT_EQ(send({"vexcmd=getVirtualDisk", "GlobalNo=0", "LogicalDriveNum=0"}).only().at("State"), "Degraded");
    ::setenv("KWDA_TIME_SCALE", "0", 1);
    EXPECT_EQ(send({"vexcmd=getVirtualDisk", "GlobalNo=0", "LogicalDriveNum=0"}).only().at("State"), "Ready");
}

TEST_F(ModelTest, ResettingTheConfigurationLeavesNothingToReset) {
    ASSERT_EQ(send({"vexcmd=setCntrlResetConfig", "GlobalNo=1", "Force=yes"}).status, 0);
    Object controller = send({"vexcmd=getController", "GlobalNo=1"}).only();
    EXPECT_FALSE(hasBit(controller, "CurrentMethodMask", 0x80));
    EXPECT_TRUE(hasBit(controller, "CurrentMethodMask", 0x40)) << "disks are free for new virtual disks";
    EXPECT_EQ(send({"vexcmd=getSingleControllerArrayInfo", "GlobalNo=1"}).objects.size(), 1u);
}

}  // namespace
}  // namespace kwda_test
