// Write commands change the model the way the hardware would, refuse what it
// cannot take with the offending value named, and log one event per change.
#include <set>

#include "agent_harness.h"

namespace kwda_test {
namespace {

class WriteTest : public AgentTest {
protected:
    void SetUp() override {
        AgentTest::SetUp();
        ::setenv("KWDA_TIME_SCALE", "0", 1);  // tasks finish at once unless a test says otherwise
    }
    Object disk(const std::string& id, const std::string& controller = "0") {
        return send({"vexcmd=getArrayDisk", "GlobalNo=" + controller, "adisk=" + id}).only();
    }
    Object vdisk(const std::string& number, const std::string& controller = "0") {
        return send({"vexcmd=getVirtualDisk", "GlobalNo=" + controller, "LogicalDriveNum=" + number}).only();
    }
    Reply ok(const std::vector<std::string>& request) {
        Reply reply = send(request);
        EXPECT_EQ(reply.status, 0) << request.front() << ": " << reply.error;
        return reply;
    }
    void refused(const std::vector<std::string>& request, const std::string& error, int status = 2) {
        Reply reply = send(request);
        EXPECT_EQ(reply.status, status) << request.front() << ": " << reply.raw;
        EXPECT_EQ(reply.error, error) << request.front();
    }
    size_t events() { return lines(readFile(alertLog())).size(); }
};

const std::string kGiB = "1073741824";

TEST_F(WriteTest, CreatingAVirtualDiskTakesSpaceAndDeletingGivesItBack) {
    std::string before = disk("0:0:7").at("FreeLength");
    Object created = ok({"vexcmd=setCntrlCreateVD", "GlobalNo=0", "adisk=0:0:7,0:0:8,0:0:9",
                         "Length=214748364800", "Layout=64", "Name=Scratch", "StripeSize=64", "CLI=true"})
                         .only();
    EXPECT_EQ(created.at("LogicalDriveNum"), "2") << "the lowest free number";
    EXPECT_EQ(created.at("Name"), "Scratch");
    EXPECT_EQ(created.at("Disks"), "0:0:7,0:0:8,0:0:9");
    EXPECT_EQ(created.at("StripeSize"), "64");
    EXPECT_EQ(created.at("ReadPolicy"), "4") << "the controller's usual default";
    Object member = disk("0:0:7");
    EXPECT_EQ(member.at("State"), "Online");
    EXPECT_EQ(member.at("UsedLength"), "107374182400") << "r5 on three disks: half the size on each";
    EXPECT_EQ(std::stoll(member.at("FreeLength")), std::stoll(before) - 107374182400LL);

    ok({"vexcmd=setVDdelete", "GlobalNo=0", "LogicalDriveNum=2", "Force=yes"});
    EXPECT_EQ(disk("0:0:7").at("FreeLength"), before);
    EXPECT_EQ(disk("0:0:7").at("State"), "Ready");
    refused({"vexcmd=getVirtualDisk", "GlobalNo=0", "LogicalDriveNum=2"}, "virtual disk 2 does not exist on controller 0");
}

TEST_F(WriteTest, CreationRefusalsNameTheValue) {
    const std::vector<std::string> base = {"vexcmd=setCntrlCreateVD", "GlobalNo=0"};
    auto create = [&](std::vector<std::string> extra) {
        std::vector<std::string> request = base;
        request.insert(request.end(), extra.begin(), extra.end());
        return request;
    };
    refused(create({"adisk=0:0:7,0:0:0,0:0:8", "Length=" + kGiB, "Layout=64"}),
            "disk 0:0:0 is a member of virtual disk 0 and has no free space left");
    refused(create({"adisk=0:0:7,0:0:6,0:0:8", "Length=" + kGiB, "Layout=64"}), "disk 0:0:6 is a hot spare of virtual disk 1; release it first, or choose another disk");
    refused(create({"adisk=0:0:7,0:0:8", "Length=" + kGiB, "Layout=64"}), "RAID-5 (r5) needs at least 3 disks, 2 given");
    refused(create({"adisk=0:0:7,0:0:8,0:0:9", "Length=" + kGiB, "Layout=1"}),
            "layout c is not supported by controller 0");
    refused(create({"adisk=0:0:7,0:0:8", "Length=" + kGiB, "Layout=4", "SpanLength=2"}),
            "a span length applies only to layouts r50 and r60, not to r1");
    refused(create({"adisk=0:0:7,0:0:8", "Length=1199638052865", "Layout=4"}),
            "size 1199638052865 bytes is more than RAID-1 (r1) can hold on 2 disks: at most 1199638052864 bytes, as "
            "disk 0:0:7 has 1199638052864 bytes free; give a smaller size or disks with more free space");
    refused(create({"adisk=0:0:7,0:0:8", "Length=1000", "Layout=4"}),
            "size 1000 bytes is below the smallest virtual disk of 104857600 bytes");
    refused(create({"adisk=0:0:7,0:0:7", "Length=" + kGiB, "Layout=4"}), "disk 0:0:7 is given twice");
    refused(create({"adisk=0:0:7,0:0:8", "Length=" + kGiB, "Layout=4", "Name=Far too long a name"}),
            "virtual disk name 'Far too long a name' is longer than the 15 characters controller 0 allows");
    refused(create({"adisk=0:0:7,0:0:8", "Length=" + kGiB, "Layout=4", "WritePolicy=1"}),
            "WritePolicy wc is not supported by controller 0");
    refused(create({"adisk=0:0:7,0:0:8", "Length=12x", "Layout=4"}), "Length='12x' is not a number of bytes", 1);
    refused(create({"adisk=0:0:7,0:0:8", "Layout=4"}), "missing argument Length", 1);
}

TEST_F(WriteTest, TheVirtualDiskLimitIsKept) {
    useProfile(smallProfile(4, "", "MaxVDAllowed=\"1\""));
    ok({"vexcmd=setCntrlCreateVD", "GlobalNo=0", "adisk=0:0:0", "Length=" + kGiB, "Layout=2"});
    Object controller = send({"vexcmd=getController", "GlobalNo=0"}).only();
    EXPECT_FALSE(hasBit(controller, "CurrentMethodMask", 0x40)) << "createvdisk no longer allowed";
    refused({"vexcmd=setCntrlCreateVD", "GlobalNo=0", "adisk=0:0:1", "Length=" + kGiB, "Layout=2"},
            "controller 0 already holds its maximum of 1 virtual disks; delete one first");
}

TEST_F(WriteTest, HotSparesChangeAttributesAndCannotBeAssignedTwice) {
    ok({"vexcmd=setArrayDiskGlobalHotSpare", "GlobalNo=0", "adisk=0:0:7", "set=yes"});
    Object spare = disk("0:0:7");
    EXPECT_EQ(spare.at("HotSpareFor"), "global");
    EXPECT_TRUE(hasBit(spare, "AttributesMask", 0x80));
    EXPECT_FALSE(hasBit(spare, "CurrentMethodMask", 0x10));
    EXPECT_TRUE(hasBit(spare, "CurrentMethodMask", 0x20));
    refused({"vexcmd=setArrayDiskGlobalHotSpare", "GlobalNo=0", "adisk=0:0:7", "set=yes"},
            "disk 0:0:7 is a global hot spare; it cannot be a hot spare (release it first)");
    refused({"vexcmd=setVDDedicatedHotSpare", "GlobalNo=0", "LogicalDriveNum=1", "adisk=0:0:7", "set=yes"},
            "disk 0:0:7 is already a global hot spare");
    refused({"vexcmd=setArrayDiskGlobalHotSpare", "GlobalNo=0", "adisk=0:0:2", "set=yes"},
            "disk 0:0:2 is a member of virtual disk 1; it cannot be a hot spare");
    ok({"vexcmd=setArrayDiskGlobalHotSpare", "GlobalNo=0", "adisk=0:0:7", "set=no"});
    EXPECT_EQ(disk("0:0:7").count("HotSpareFor"), 0u);

    // Dedicated spares: a second one on the SAS controller (VendorID set) ...
    ok({"vexcmd=setVDDedicatedHotSpare", "GlobalNo=0", "LogicalDriveNum=1", "adisk=0:0:8", "set=yes"});
    EXPECT_TRUE(hasBit(disk("0:0:8"), "AttributesMask", 0x100));
    EXPECT_EQ(send({"vexcmd=getArrayDisksForVirtualDisk", "GlobalNo=0", "LogicalDriveNum=1"}).objects.size(), 6u);
    refused({"vexcmd=setVDDedicatedHotSpare", "GlobalNo=0", "LogicalDriveNum=1", "adisk=0:0:10", "set=yes"},
            "disk 0:0:10 (479559942144 bytes) is smaller than the smallest member of virtual disk 1 (1199638052864 bytes)");
    refused({"vexcmd=setVDDedicatedHotSpare", "GlobalNo=0", "LogicalDriveNum=0", "adisk=0:0:8", "set=no"},
            "disk 0:0:8 is not a dedicated hot spare of virtual disk 0");
    ok({"vexcmd=setVDDedicatedHotSpare", "GlobalNo=0", "LogicalDriveNum=1", "adisk=0:0:8", "set=no"});
    // ... but only one on the SATA controller, whose VendorID is 0.
    ok({"vexcmd=setVDDedicatedHotSpare", "GlobalNo=1", "LogicalDriveNum=0", "adisk=2:0", "set=yes"});
    refused({"vexcmd=setVDDedicatedHotSpare", "GlobalNo=1", "LogicalDriveNum=0", "adisk=3:0", "set=yes"},
            "controller 1 allows one dedicated hot spare per virtual disk, and virtual disk 0 has one");
    // Deleting a virtual disk releases its dedicated spare.
    ok({"vexcmd=setVDdelete", "GlobalNo=1", "LogicalDriveNum=0"});
    EXPECT_EQ(disk("2:0", "1").count("HotSpareFor"), 0u);
}

TEST_F(WriteTest, AFailedMemberDegradesItsVirtualDiskUntilRebuilt) {
    ok({"vexcmd=setArrayDiskOffline", "GlobalNo=0", "adisk=0:0:3"});
    EXPECT_EQ(vdisk("1").at("State"), "Degraded");
    Object offline = disk("0:0:3");
    EXPECT_TRUE(hasBit(offline, "CurrentMethodMask", 0x400)) << "rebuild allowed";
    refused({"vexcmd=setArrayDiskOffline", "GlobalNo=0", "adisk=0:0:3"}, "disk 0:0:3 is Offline, not Online");
    refused({"vexcmd=setArrayDiskRebuild", "GlobalNo=0", "adisk=0:0:4"},
            "disk 0:0:4 is Online; only a failed or offline member is rebuilt");
    ok({"vexcmd=setArrayDiskRebuild", "GlobalNo=0", "adisk=0:0:3"});
    EXPECT_EQ(disk("0:0:3").at("State"), "Online");
    EXPECT_EQ(vdisk("1").at("State"), "Ready");

    ok({"vexcmd=setArrayDiskOffline", "GlobalNo=1", "adisk=0:0"});
    ok({"vexcmd=setArrayDiskOffline", "GlobalNo=1", "adisk=1:0"});
    EXPECT_EQ(vdisk("0", "1").at("State"), "Failed");
    refused({"vexcmd=setArrayDiskRebuild", "GlobalNo=1", "adisk=1:0"},
            "virtual disk 0 has failed; disk 1:0 cannot be rebuilt from it");
}

TEST_F(WriteTest, AMissingMemberIsReplacedByANewDisk) {
    ok({"vexcmd=setArrayDiskOffline", "GlobalNo=0", "adisk=0:0:4"});
    ok({"vexcmd=setArrayDiskPrepareToRemove", "GlobalNo=0", "adisk=0:0:4"});
    EXPECT_EQ(disk("0:0:4").at("State"), "Removed");
    ok({"vexcmd=setVDAddMissingDisk", "GlobalNo=0", "LogicalDriveNum=1", "newadisk=0:0:9", "oldadisk=0:0:4"});
    EXPECT_EQ(vdisk("1").at("Disks"), "0:0:2,0:0:3,0:0:9,0:0:5");
    EXPECT_EQ(vdisk("1").at("State"), "Ready");
    ok({"vexcmd=setCntrlRescan", "GlobalNo=0"});
    EXPECT_EQ(disk("0:0:4").at("State"), "Ready") << "found again, no longer a member";
}

TEST_F(WriteTest, ReconfigurationGrowsTheDiskSetAndKeepsMembers) {
    ok({"vexcmd=setCntrlCreateVD", "GlobalNo=0", "adisk=0:0:7,0:0:8,0:0:9", "Length=" + kGiB, "Layout=64"});
    refused({"vexcmd=setVDReconfigure", "GlobalNo=0", "LogicalDriveNum=2", "adisk=0:0:7,0:0:8", "Layout=4"},
            "disk 0:0:9 is a member of virtual disk 2 and must stay in it");
    refused({"vexcmd=setVDReconfigure", "GlobalNo=0", "LogicalDriveNum=2", "Length=1"},
            "virtual disk 2 cannot shrink (from 1073741824 to 1 bytes)");
    refused({"vexcmd=setVDReconfigure", "GlobalNo=0", "LogicalDriveNum=2", "adisk=0:0:7,0:0:8,0:0:9,0:0:6"},
            "disk 0:0:6 is a hot spare of virtual disk 1; release it first, or choose another disk");
    Object grown = ok({"vexcmd=setVDReconfigure", "GlobalNo=0", "LogicalDriveNum=2",
                       "adisk=0:0:7,0:0:8,0:0:9,0:0:10", "Layout=128", "Length=2147483648"})
                       .only();
    EXPECT_EQ(grown.at("Layout"), "128");
    EXPECT_EQ(grown.at("Disks"), "0:0:7,0:0:8,0:0:9,0:0:10");
    EXPECT_EQ(grown.at("Length"), "2147483648");
    EXPECT_EQ(disk("0:0:10").at("UsedLength"), kGiB) << "r6 on four disks: half the size on each";
    EXPECT_EQ(disk("0:0:10").at("State"), "Online");
    refused({"vexcmd=setVDReconfigure", "GlobalNo=0", "LogicalDriveNum=0", "Length=400000000000"},
            "size 400000000000 bytes is more than RAID-1 (r1) can hold on 2 disks: at most 299439751168 bytes, as "
            "disk 0:0:0 has 299439751168 bytes free; give a smaller size or disks with more free space");
}

TEST_F(WriteTest, PoliciesAndNamesChangeInPlace) {
    Object renamed = ok({"vexcmd=setVDReconfigure", "GlobalNo=0", "LogicalDriveNum=1", "Name=Archive"}).only();
    EXPECT_EQ(renamed.at("Name"), "Archive");
    Object changed = ok({"vexcmd=setVDReconfigure", "GlobalNo=0", "LogicalDriveNum=1", "ReadPolicy=16",
                         "WritePolicy=8", "DiskCachePolicy=1"})
                         .only();
    EXPECT_EQ(changed.at("ReadPolicy"), "16");
    EXPECT_EQ(changed.at("WritePolicy"), "8");
    EXPECT_EQ(changed.at("DiskCachePolicy"), "1");
    refused({"vexcmd=setVDReconfigure", "GlobalNo=0", "LogicalDriveNum=1", "ReadPolicy=1"},
            "ReadPolicy rc is not supported by controller 0");
    refused({"vexcmd=setVDReconfigure", "GlobalNo=0", "LogicalDriveNum=1", "Name= lead"},
            "virtual disk name ' lead' cannot start or end with a blank");
    // The SATA controller's service request: write policy "wea".
    EXPECT_EQ(ok({"vexcmd=setVDReconfigure", "GlobalNo=1", "LogicalDriveNum=0", "WritePolicy=16"}).only().at(
                  "WritePolicy"),
              "16");
}

TEST_F(WriteTest, AMirrorSplitsIntoTwoDisks) {
    Reply split = ok({"vexcmd=setVDSplitMirrorSet", "GlobalNo=0", "LogicalDriveNum=0"});
    ASSERT_EQ(split.objects.size(), 2u);
    EXPECT_EQ(split.objects[0].at("Layout"), "2");
    EXPECT_EQ(split.objects[0].at("Disks"), "0:0:0");
    EXPECT_EQ(split.objects[1].at("Disks"), "0:0:1");
    EXPECT_EQ(split.objects[1].at("Name"), "System-split");
    refused({"vexcmd=setVDSplitMirrorSet", "GlobalNo=0", "LogicalDriveNum=0"},
            "virtual disk 0 is not a mirror (r1); it cannot be split");
}

TEST_F(WriteTest, ControllerSettings) {
    EXPECT_EQ(ok({"vexcmd=setCntrlBGIRate", "GlobalNo=0", "Rate=55", "AttribType=1"}).only().at("BGIRate"), "55");
    EXPECT_EQ(ok({"vexcmd=setCntrlRebuildRate", "GlobalNo=0", "RebuildRate=70"}).only().at("RebuildRate"), "70");
    refused({"vexcmd=setCntrlRebuildRate", "GlobalNo=0", "RebuildRate=101"}, "RebuildRate=101 is outside 0 to 100", 1);
    refused({"vexcmd=setCntrlEnableAlarm", "GlobalNo=0"}, "the alarm of controller 0 is already enabled");
    refused({"vexcmd=setCntrlEnableAlarm", "GlobalNo=1"}, "controller 1 has no alarm");
    ok({"vexcmd=setCntrlDisableAlarm", "GlobalNo=0"});
    refused({"vexcmd=setCntrlQuietAlarm", "GlobalNo=0"}, "the alarm of controller 0 is disabled; it cannot be quieted (enable it first)");

    refused({"vexcmd=setCntrlPatrolReadStart", "GlobalNo=0", "Property=11"},
            "patrol read of controller 0 is in auto mode; it starts on request only in manual mode");
    refused({"vexcmd=setCntrlPatrolReadMode", "GlobalNo=1", "PatrolReadMode=2"},
            "patrol read mode manual is not supported by controller 1");
    ok({"vexcmd=setCntrlPatrolReadMode", "GlobalNo=0", "PatrolReadMode=2"});
    ::setenv("KWDA_TIME_SCALE", "0.000001", 1);  // keep the patrol read running
    Object running = ok({"vexcmd=setCntrlPatrolReadStart", "GlobalNo=0", "Property=11"}).only();
    EXPECT_EQ(running.at("PatrolReadState"), "Active");
    EXPECT_EQ(running.at("Task"), "Patrol Read");
    EXPECT_TRUE(hasBit(running, "CurrentMethodMask", 0x400000));
    ok({"vexcmd=setCntrlPatrolReadStop", "GlobalNo=0", "Property=12"});
    refused({"vexcmd=setCntrlPatrolReadStop", "GlobalNo=0"}, "no patrol read is running on controller 0");

    ok({"vexcmd=setCntrlResetConfig", "GlobalNo=0", "Force=yes"});
    EXPECT_TRUE(send({"vexcmd=getVirtualDisksForController", "GlobalNo=0"}).objects.empty());
    EXPECT_EQ(disk("0:0:6").count("HotSpareFor"), 0u);
    EXPECT_EQ(disk("0:0:0").at("State"), "Ready");
}

TEST_F(WriteTest, EnclosureTagsAndThresholds) {
    const std::vector<std::string> enclosure = {"GlobalNo=0", "Enclosure=0:0"};
    auto request = [&](const std::string& command, std::vector<std::string> extra) {
        std::vector<std::string> r = {"vexcmd=" + command};
        r.insert(r.end(), enclosure.begin(), enclosure.end());
        r.insert(r.end(), extra.begin(), extra.end());
        return r;
    };
    EXPECT_EQ(ok(request("setEnclosureAssetTag", {"AssetTag=RACK07"})).only().at("AssetTag"), "RACK07");
    refused(request("setEnclosureAssetTag", {"AssetTag=ELEVENCHARS"}),
            "asset tag 'ELEVENCHARS' is longer than the 10 characters enclosure 0:0 takes");
    refused(request("setEnclosureAssetName", {"AssetName=a/b"}),
            "asset name 'a/b' has the character '/'; use A-Z, a-z, 0-9, '-' and '_'");
    EXPECT_EQ(ok(request("setEnclosureEnableAlarm", {})).only().at("AlarmState"), "Enabled");

    // Probe 1 (Ambient): lower threshold within (1, 20), upper within (25, 44).
    Object probe = ok(request("setEnclosureTempProbes", {"Index=1", "MinWarning=10", "MaxWarning=30"})).only();
    EXPECT_EQ(probe.at("MinWarning"), "10");
    EXPECT_EQ(probe.at("MaxWarning"), "30");
    EXPECT_EQ(probe.at("State"), "Ready");
    probe = ok(request("setEnclosureTempProbes", {"Index=1", "", "MaxWarning=26"})).only();
    EXPECT_EQ(probe.at("MinWarning"), "10") << "a blanked threshold stays as it is";
    refused(request("setEnclosureTempProbes", {"Index=1", "MinWarning=21"}),
            "minimum warning threshold 21 of temperature probe 1 is outside (1, 20)");
    ok(request("setEnclosureTempProbes", {"Index=0", "MaxWarning=35"}));
    refused(request("setEnclosureTempProbes", {"Index=7", "MaxWarning=35"}),
            "temperature probe 7 does not exist in enclosure 0:0");
    Reply all = ok(request("setEnclosureResetTempProbes", {}));
    ASSERT_EQ(all.objects.size(), 2u);
    EXPECT_EQ(all.objects[1].at("MinWarning"), "5");
    EXPECT_EQ(all.objects[1].at("MaxWarning"), "40");
}

TEST_F(WriteTest, BatteryLearnDelayStaysWithinItsLimit) {
    Object battery = send({"vexcmd=getBattery", "GlobalNo=0", "BatteryID=0"}).only();
    refused({"vexcmd=setBatteryDelayLearn", "GlobalNo=0", "BatteryID=0", "Days=7", "Hours=1"},
            "a delay of 169 hours is more than the 168 hours battery 0 allows");
    refused({"vexcmd=setBatteryDelayLearn", "GlobalNo=0", "BatteryID=0", "Days=0", "Hours=0"},
            "a learn cycle delay of 0 hours changes nothing for battery 0");
    Object delayed = ok({"vexcmd=setBatteryDelayLearn", "GlobalNo=0", "BatteryID=0", "Days=1", "Hours=2"}).only();
    EXPECT_GT(delayed.at("NextLearnTime"), battery.at("NextLearnTime"));
}

TEST_F(WriteTest, AForeignConfigurationIsImportedOrCleared) {
    const std::string profile =
        "<StorageProfile><Controller RAIDLevelsMask=\"110\"><Connector BusProtocol=\"7\">"
        "<PhysicalDisk Length=\"10737418240\" State=\"Foreign\"/><PhysicalDisk Length=\"10737418240\" State=\"Foreign\"/>"
        "<PhysicalDisk Length=\"10737418240\" State=\"Foreign\"/><PhysicalDisk Length=\"10737418240\"/>"
        "</Connector>"
        "<VirtualDisk Layout=\"4\" Disks=\"0:0,0:1\" State=\"Foreign\" LogicalDriveNum=\"3\"/>"
        "</Controller></StorageProfile>";
    useProfile(profile);
    Object controller = send({"vexcmd=getController", "GlobalNo=0"}).only();
    EXPECT_EQ(controller.at("ForeignConfig"), "Present");
    EXPECT_TRUE(hasBit(controller, "CurrentMethodMask", 0x1000000));
    EXPECT_TRUE(send({"vexcmd=getVirtualDisksForController", "GlobalNo=0"}).objects.empty());
    const Reply reply = ok({"vexcmd=setCntrlImportForeignConfig", "GlobalNo=0", "Property=7"});
    EXPECT_EQ(reply.result, (Object{{"VirtualDisks", "3"}, {"Disks", "0:2"}}));
    Object imported = vdisk("3");
    EXPECT_EQ(imported.at("State"), "Ready");
    EXPECT_EQ(disk("0:0").at("State"), "Online");
    EXPECT_EQ(disk("0:2").at("State"), "Ready") << "a foreign disk outside any virtual disk";
    refused({"vexcmd=setCntrlClearForeignConfig", "GlobalNo=0"}, "controller 0 has no foreign configuration");
}

TEST_F(WriteTest, EveryWriteLogsOneEventAndRefusalsLogNone) {
    ok({"vexcmd=getGlobalInfo"});
    size_t start = events();
    EXPECT_EQ(start, 1u) << "the state's creation";
    ok({"vexcmd=setArrayDiskBlink", "GlobalNo=0", "adisk=0:0:4"});
    ok({"vexcmd=setEnclosureDisableSTS"});
    ok({"vexcmd=setChnlRescan", "GlobalNo=1", "Channel=4"});
    refused({"vexcmd=setArrayDiskBlink", "GlobalNo=0", "adisk=0:0:4"}, "disk 0:0:4 is already blinking");
    std::vector<std::string> log = lines(readFile(alertLog()));
    ASSERT_EQ(log.size(), start + 3);
    const std::string expected[] = {"Info\tPhysical Disk 0:0:4 on Controller 0\tblinking started",
                                    "Info\tStorage\tSMART thermal shutdown disabled",
                                    "Info\tConnector 4 on Controller 1\trescan completed"};
    for (size_t i = 0; i < 3; ++i) {
        const std::string& line = log[start + i];
        ASSERT_GT(line.size(), 21u);
        EXPECT_EQ(line[10], 'T');
        EXPECT_EQ(line[19], 'Z');
        EXPECT_EQ(line.substr(21), expected[i]);
    }
}

}  // namespace
}  // namespace kwda_test
