// Long-running tasks: visible with their progress while they run, finishing
// by themselves, and their effect applied when they finish. The tests steer
// speed with KWDA_TIME_SCALE and never assert a duration.
#include "agent_harness.h"

namespace kwda_test {
namespace {

class TaskTest : public AgentTest {
protected:
    void slow() { ::setenv("KWDA_TIME_SCALE", "0.000001", 1); }    // nothing finishes during a test
    void instant() { ::setenv("KWDA_TIME_SCALE", "0", 1); }        // everything running finishes
    void fast() { ::setenv("KWDA_TIME_SCALE", "1000000000000", 1); }  // due a moment after it starts
    Object vdisk(const std::string& number) {
        return send({"vexcmd=getVirtualDisk", "GlobalNo=0", "LogicalDriveNum=" + number}).only();
    }
    Object disk(const std::string& id) { return send({"vexcmd=getArrayDisk", "GlobalNo=0", "adisk=" + id}).only(); }
    static int progress(const Object& o) { return std::stoi(o.at("Progress")); }
};

TEST_F(TaskTest, ACheckConsistencyShowsProgressAndCanBePausedAndCancelled) {
    slow();
    Reply started = send({"vexcmd=setVDCheckConsistency", "GlobalNo=0", "LogicalDriveNum=1"});
    ASSERT_EQ(started.status, 0) << started.error;
    Object vd = vdisk("1");
    EXPECT_EQ(vd.at("Task"), "Check Consistency");
    EXPECT_EQ(vd.at("TaskStart").size(), 20u);
    EXPECT_GE(progress(vd), 0);
    EXPECT_LT(progress(vd), 100);
    EXPECT_TRUE(hasBit(vd, "CurrentMethodMask", 0x10000)) << "pause allowed";
    EXPECT_FALSE(hasBit(vd, "CurrentMethodMask", 0x20)) << "no second check while one runs";
    EXPECT_EQ(send({"vexcmd=setVDCheckConsistency", "GlobalNo=0", "LogicalDriveNum=1"}).error,
              "virtual disk 1 is busy with Check Consistency; wait for it to end or cancel it");

    ASSERT_EQ(send({"vexcmd=setVDPauseCheckConsistency", "GlobalNo=0", "LogicalDriveNum=1"}).status, 0);
    vd = vdisk("1");
    EXPECT_EQ(vd.at("Task"), "Check Consistency (paused)");
    EXPECT_TRUE(hasBit(vd, "CurrentMethodMask", 0x20000)) << "resume allowed";
    instant();
    EXPECT_EQ(vdisk("1").at("Task"), "Check Consistency (paused)") << "a paused task does not finish";
    slow();
    ASSERT_EQ(send({"vexcmd=setVDResumeCheckConsistency", "GlobalNo=0", "LogicalDriveNum=1"}).status, 0);
    ASSERT_EQ(send({"vexcmd=setVDCancelCheckConsistency", "GlobalNo=0", "LogicalDriveNum=1"}).status, 0);
    EXPECT_EQ(vdisk("1").count("Task"), 0u);
}

TEST_F(TaskTest, ATaskFinishesByItselfAndLogsIt) {
    fast();
    ASSERT_EQ(send({"vexcmd=setVDCheckConsistency", "GlobalNo=0", "LogicalDriveNum=1"}).status, 0);
    EXPECT_EQ(vdisk("1").count("Task"), 0u);
    std::string log = readFile(alertLog());
    EXPECT_NE(log.find("Virtual Disk 1 on Controller 0\tCheck Consistency completed"), std::string::npos) << log;
}

TEST_F(TaskTest, ARebuildRestoresTheVirtualDiskWhenItFinishes) {
    slow();
    ASSERT_EQ(send({"vexcmd=setArrayDiskOffline", "GlobalNo=0", "adisk=0:0:2"}).status, 0);
    ASSERT_EQ(send({"vexcmd=setArrayDiskRebuild", "GlobalNo=0", "adisk=0:0:2"}).status, 0);
    Object rebuilding = disk("0:0:2");
    EXPECT_EQ(rebuilding.at("State"), "Rebuilding");
    EXPECT_EQ(rebuilding.at("Task"), "Rebuild");
    EXPECT_TRUE(hasBit(rebuilding, "CurrentMethodMask", 0x800)) << "cancelrebuild allowed";
    EXPECT_EQ(vdisk("1").at("State"), "Degraded");
    instant();
    EXPECT_EQ(disk("0:0:2").at("State"), "Online");
    EXPECT_EQ(disk("0:0:2").count("Task"), 0u);
    EXPECT_EQ(vdisk("1").at("State"), "Ready");
}

TEST_F(TaskTest, NewParityVirtualDisksInitializeInTheBackground) {
    slow();
    Object created = send({"vexcmd=setCntrlCreateVD", "GlobalNo=0", "adisk=0:0:7,0:0:8,0:0:9", "Length=1073741824",
                           "Layout=64"})
                         .only();
    EXPECT_EQ(created.at("Task"), "Background Initialization");
    EXPECT_TRUE(hasBit(created, "CurrentMethodMask", 0x100000)) << "cancelbginitialize allowed";
    ASSERT_EQ(send({"vexcmd=setVDCancelBGInitialize", "GlobalNo=0", "LogicalDriveNum=2"}).status, 0);
    EXPECT_EQ(vdisk("2").count("Task"), 0u);
}

TEST_F(TaskTest, BatteryLearnCycleRunsAndReschedules) {
    slow();
    Object before = send({"vexcmd=getBattery", "GlobalNo=0", "BatteryID=0"}).only();
    ASSERT_EQ(send({"vexcmd=setBatteryStartLearn", "GlobalNo=0", "BatteryID=0"}).status, 0);
    Object learning = send({"vexcmd=getBattery", "GlobalNo=0", "BatteryID=0"}).only();
    EXPECT_EQ(learning.at("State"), "Learning");
    EXPECT_EQ(learning.at("LearnState"), "Learning");
    EXPECT_EQ(learning.at("CurrentMethodMask"), "0") << "nothing else while learning";
    instant();
    Object after = send({"vexcmd=getBattery", "GlobalNo=0", "BatteryID=0"}).only();
    EXPECT_EQ(after.at("State"), "Ready");
    EXPECT_EQ(after.at("LearnState"), "Idle");
    EXPECT_GT(after.at("NextLearnTime"), before.at("NextLearnTime"));
}

TEST_F(TaskTest, ClearAndInitializeRunOnFreeDisksOnly) {
    slow();
    EXPECT_EQ(send({"vexcmd=setArrayDiskClear", "GlobalNo=0", "adisk=0:0:2", "Property=13"}).error,
              "disk 0:0:2 is a member of virtual disk 1; it cannot be cleared");
    ASSERT_EQ(send({"vexcmd=setArrayDiskClear", "GlobalNo=0", "adisk=0:0:7", "Property=13"}).status, 0);
    EXPECT_EQ(disk("0:0:7").at("Task"), "Clear");
    EXPECT_EQ(send({"vexcmd=setArrayDiskInitialize", "GlobalNo=0", "adisk=0:0:7"}).error,
              "disk 0:0:7 is busy with Clear; wait for it to end or cancel it");
    ASSERT_EQ(send({"vexcmd=setArrayDiskCancelClear", "GlobalNo=0", "adisk=0:0:7", "Property=14"}).status, 0);
    EXPECT_EQ(disk("0:0:7").count("Task"), 0u);
}

}  // namespace
}  // namespace kwda_test
