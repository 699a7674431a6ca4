// The machine's own storage: the agent's model of the test machine's sysfs
// tree (tests/sysfs/make-machine.sh), and the writes that reach its files.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "agent_harness.h"
#include "machine.h"

namespace kwda_test {
namespace {

class LocalTest : public AgentTest {
protected:
    static void SetUpTestSuite() {
        root_ = (std::filesystem::temp_directory_path() / ("kwda-machine-" + std::to_string(::getpid()))).string();
        ASSERT_TRUE(kwtest::makeMachine(root_));
    }
    static void TearDownTestSuite() {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }
    void SetUp() override {
        AgentTest::SetUp();
        for (const auto& [name, value] : kwtest::machineEnvironment(root_)) ::setenv(name.c_str(), value.c_str(), 1);
    }
    static std::string locate(int slot) { return kwtest::machineSlot(root_, slot) + "/locate"; }
    static std::string scan(const std::string& file) { return readFile(root_ + "/sys/" + file); }

    static Object disk(const std::string& id) { return run("getArrayDisk GlobalNo=2 adisk=" + id).only(); }

    static inline std::string root_;
};

// Controllers in PCI address order (the SAS adapter sits behind a bridge);
// whole disks only: no optical drive, loop or zram device.
TEST_F(LocalTest, ControllersAndDisksFollowTheKernelsOrder) {
    const struct {
        const char* controller;
        const char* slot;
        std::vector<std::string> disks;
        const char* protocol;
    } cases[] = {
        {"0", "PCI 0000:00:11.0", {"sda", "sdb"}, "7"},
        {"1", "PCI 0000:00:1e.0", {"vda"}, "10"},
        {"2", "PCI 0000:03:00.0", {"sdc", "sdd", "sde", "sdf", "sdg", "sdh"}, "8"},
        {"3", "PCI 0000:04:00.0", {"nvme0n1"}, "9"},
        {"4", "PCI 0000:05:00.0", {"nvme1n1"}, "9"},
    };
    Reply controllers = send({"vexcmd=getControllerList"});
    ASSERT_EQ(controllers.objects.size(), std::size(cases));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.controller);
        EXPECT_EQ(controllers.objects[std::stoi(c.controller)].at("SlotID"), c.slot);
        Reply disks = send({"vexcmd=getArrayDisksForController", std::string("GlobalNo=") + c.controller});
        std::vector<std::string> names;
        for (const auto& d : disks.objects) {
            names.push_back(d.at("Name"));
            EXPECT_EQ(d.at("BusProtocol"), c.protocol);
        }
        EXPECT_EQ(names, c.disks);
    }
}

// md0: RAID-5 of four slots, sdf (0:0:3) failed, sdg (0:0:4) recovering at 37 %. Only what the machine can do
// is offered (locate and rescan); everything else is left to the plug-in's ordinary refusal.
TEST_F(LocalTest, ObjectsCarryWhatTheKernelKnowsOfThem) {
    const struct {
        const char* request;
        const char* fields;
    } cases[] = {
        {"getArrayDisk GlobalNo=0 adisk=0:0",  // vendor: the first word of an ATA model; serial: its own page
         "Vendor=Orvik|ProductID=OR1000-SATA|SerialNumber=ORV5521001|InUse=mounted on / (sda1); swap (sda2)|"
         "MasterMethodMask#0"},
        {"getArrayDisk GlobalNo=0 adisk=1:0", "Length=1000204886016"},
        {"getArrayDisk GlobalNo=2 adisk=0:0:5", "Vendor=HALDEN|FirmwareVersion=KT07|State=Ready"},
        {"getArrayDisk GlobalNo=3 adisk=0:0", "MediaType=SSD|Vendor=Velari|SerialNumber=VLR9600001"},
        {"getArrayDisk GlobalNo=1 adisk=0:0", "SerialNumber=VD0003|Length=42949672960"},
        {"getController GlobalNo=2", "Name=Kestrel Storage KS8 SAS HBA|MasterMethodMask#1"},
        {"getController GlobalNo=3", "Name=Non-Volatile memory controller 1f77:0a01"},  // named by class
        {"getController GlobalNo=1", "MasterMethodMask#0"},  // a virtio disk has nothing to rescan
        {"getVirtualDisk GlobalNo=2 LogicalDriveNum=0",
         "State=Degraded|Layout=64|Disks=0:0:0,0:0:1,0:0:2,0:0:3|Progress=37|StripeSize=1024|InUse=mounted on /srv|"
         "MasterMethodMask#0"},
        {"getArrayDisk GlobalNo=2 adisk=0:0:0", "State=Online"},
        {"getArrayDisk GlobalNo=2 adisk=0:0:3", "State=Failed"},
        {"getArrayDisk GlobalNo=2 adisk=0:0:4", "State=Rebuilding|Progress=37|HotSpareFor=0"},
        {"getArrayDisk GlobalNo=2 adisk=0:0:1", "MasterMethodMask#3"},
        {"getEnclosure GlobalNo=2 Enclosure=0:0", "MasterMethodMask#140"},
        {"getChannel GlobalNo=3 Channel=0", "MasterMethodMask#1"},
        {"getGlobalInfo", "MasterMethodMask#1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.request);
        const Object o = run(c.request).only();
        expectFields(o, c.fields);
        EXPECT_EQ(mask(o.at("CurrentMethodMask")) & ~mask(o.at("MasterMethodMask")), 0u);
    }
}

TEST_F(LocalTest, BlinkWritesTheSlotsLocateFileAndReadsItBack) {
    steps("setArrayDiskBlink GlobalNo=2 adisk=0:0:3");
    EXPECT_EQ(readFile(locate(3)), "1\n");
    EXPECT_EQ(readFile(locate(2)), "0\n");
    EXPECT_EQ(disk("0:0:3")["Blink"], "On");
    steps("setArrayDiskUnBlink GlobalNo=2 adisk=0:0:3");
    EXPECT_EQ(readFile(locate(3)), "0\n");
    // The kernel's word counts, whoever lit the slot.
    writeFile(locate(5), "1\n");
    EXPECT_EQ(disk("0:0:5")["Blink"], "On");
    writeFile(locate(5), "0\n");
    EXPECT_NE(readFile(dir + "/local.alert.log").find("blinking stopped"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(state)) << "the machine's model is never stored";
}

TEST_F(LocalTest, BlinkingTheEnclosureLightsEverySlot) {
    steps("setEnclosureBlink GlobalNo=2 Enclosure=0:0");
    for (int slot = 0; slot < 8; ++slot) EXPECT_EQ(readFile(locate(slot)), "1\n") << slot;
    EXPECT_EQ(run("getEnclosure GlobalNo=2 Enclosure=0:0").only().at("Blink"), "On");
    steps("setEnclosureUnBlink GlobalNo=2 Enclosure=0:0");
    for (int slot = 0; slot < 8; ++slot) EXPECT_EQ(readFile(locate(slot)), "0\n") << slot;
}

TEST_F(LocalTest, RescansWriteTheHostsScanFiles) {
    const std::string sas = "class/scsi_host/host4/scan", sata = "class/scsi_host/host0/scan",
                      nvme = "class/nvme/nvme0/rescan_controller";
    const struct {
        const char* request;
        std::vector<std::pair<std::string, std::string>> files;  // file, what it holds afterwards
    } cases[] = {
        {"setCntrlRescan GlobalNo=2", {{sas, "- - -\n"}, {sata, "\n"}}},
        {"setChnlRescan GlobalNo=0 Channel=0", {{sata, "- - -\n"}, {"class/scsi_host/host1/scan", "\n"}}},
        {"setCntrlRescan GlobalNo=3", {{nvme, "1\n"}, {"class/nvme/nvme1/rescan_controller", "\n"}}},
        {"setCntrlGlobalRescan", {{sas, "- - -\n"}, {sata, "- - -\n"}, {nvme, "1\n"}}},
    };
    for (const auto& c : cases) {
        for (const auto& file : {sas, sata, nvme, std::string("class/scsi_host/host1/scan"),
                                 std::string("class/nvme/nvme1/rescan_controller")})
            writeFile(root_ + "/sys/" + file, "\n");
        steps(c.request);
        for (const auto& [file, content] : c.files) EXPECT_EQ(scan(file), content) << c.request << " " << file;
    }
}

TEST_F(LocalTest, AWriteTheKernelRefusesNamesTheFile) {
    std::string file = locate(1);
    std::filesystem::remove(file);
    std::filesystem::create_directory(file);  // present, but takes no write
    Reply r = send({"vexcmd=setArrayDiskBlink", "GlobalNo=2", "adisk=0:0:1"});
    std::filesystem::remove(file);
    writeFile(file, "0\n");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.error.find("/enclosure/4:0:8:0/Slot 01/locate"), std::string::npos) << r.error;
}

TEST_F(LocalTest, AWrongSystemOrRootIsNamed) {
    const struct {
        const char* variable;
        std::string value;
        int status;
        std::string named;
    } cases[] = {
        {"KWDA_SYSTEM", "elsewhere", 1, "KWDA_SYSTEM='elsewhere'"},
        {"KWDA_SYSFS", root_ + "/proc", 3, root_ + "/proc/block"},
        {"KWDA_PROC", root_ + "/sys", 3, root_ + "/sys/self/mountinfo"},
    };
    for (const auto& c : cases) {
        std::string kept = std::getenv(c.variable);
        ::setenv(c.variable, c.value.c_str(), 1);
        Reply r = send({"vexcmd=getControllerList"});
        ::setenv(c.variable, kept.c_str(), 1);
        EXPECT_EQ(r.status, c.status) << c.variable;
        EXPECT_NE(r.error.find(c.named), std::string::npos) << r.error;
    }
}

}  // namespace
}  // namespace kwda_test
