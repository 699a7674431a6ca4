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

    static Object disk(const std::string& controller, const std::string& id) {
        return send({"vexcmd=getArrayDisk", "GlobalNo=" + controller, "adisk=" + id}).only();
    }

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

TEST_F(LocalTest, DisksCarryWhatTheKernelKnowsOfThem) {
    const struct {
        const char* controller;
        const char* id;
        const char* element;
        const char* value;
    } cases[] = {
        {"0", "0:0", "Vendor", "Orvik"},  // the first word of an ATA model
        {"0", "0:0", "ProductID", "OR1000-SATA"},
        {"0", "0:0", "SerialNumber", "ORV5521001"},  // from the serial number page
        {"0", "0:0", "InUse", "mounted on / (sda1); swap (sda2)"},
        {"0", "1:0", "Length", "1000204886016"},
        {"2", "0:0:5", "Vendor", "HALDEN"},
        {"2", "0:0:5", "FirmwareVersion", "KT07"},
        {"3", "0:0", "MediaType", "SSD"},
        {"3", "0:0", "Vendor", "Velari"},
        {"3", "0:0", "SerialNumber", "VLR9600001"},
        {"1", "0:0", "SerialNumber", "VD0003"},
        {"1", "0:0", "Length", "42949672960"},
    };
    for (const auto& c : cases) {
        Object d = disk(c.controller, c.id);
        EXPECT_EQ(d[c.element], c.value) << c.controller << " " << c.id << " " << c.element;
    }
    EXPECT_EQ(send({"vexcmd=getController", "GlobalNo=2"}).only().at("Name"), "Kestrel Storage KS8 SAS HBA");
    EXPECT_EQ(send({"vexcmd=getController", "GlobalNo=3"}).only().at("Name"),
              "Non-Volatile memory controller 1f77:0a01");  // not in the ID database: named by class
}

// md0: RAID-5 of four slots, sdf (0:0:3) failed, sdg (0:0:4) recovering at 37 %.
TEST_F(LocalTest, AnMdArrayIsAVirtualDiskWithItsMembersStatesAndTask) {
    Object vd = send({"vexcmd=getVirtualDisk", "GlobalNo=2", "LogicalDriveNum=0"}).only();
    EXPECT_EQ(vd["State"], "Degraded");
    EXPECT_EQ(vd["Layout"], "64");
    EXPECT_EQ(vd["Disks"], "0:0:0,0:0:1,0:0:2,0:0:3");
    EXPECT_EQ(vd["Progress"], "37");
    EXPECT_EQ(vd["StripeSize"], "1024");
    EXPECT_EQ(vd["InUse"], "mounted on /srv");
    EXPECT_EQ(disk("2", "0:0:0")["State"], "Online");
    EXPECT_EQ(disk("2", "0:0:3")["State"], "Failed");
    Object recovering = disk("2", "0:0:4");
    EXPECT_EQ(recovering["State"], "Rebuilding");
    EXPECT_EQ(recovering["Progress"], "37");
    EXPECT_EQ(recovering["HotSpareFor"], "0");
    EXPECT_EQ(disk("2", "0:0:5")["State"], "Ready");
}

// Only what the machine can do is offered; everything else is left to the
// plug-in's ordinary refusal.
TEST_F(LocalTest, MasksOfferOnlyLocateAndRescan) {
    const struct {
        std::vector<std::string> request;
        uint32_t master;
    } cases[] = {
        {{"vexcmd=getArrayDisk", "GlobalNo=2", "adisk=0:0:1"}, 0x1 | 0x2},
        {{"vexcmd=getArrayDisk", "GlobalNo=0", "adisk=0:0"}, 0},
        {{"vexcmd=getVirtualDisk", "GlobalNo=2", "LogicalDriveNum=0"}, 0},
        {{"vexcmd=getEnclosure", "GlobalNo=2", "Enclosure=0:0"}, 0x40 | 0x100},
        {{"vexcmd=getController", "GlobalNo=2"}, 0x1},
        {{"vexcmd=getController", "GlobalNo=1"}, 0},  // a virtio disk has nothing to rescan
        {{"vexcmd=getChannel", "GlobalNo=3", "Channel=0"}, 0x1},
        {{"vexcmd=getGlobalInfo"}, 0x1},
    };
    for (const auto& c : cases) {
        Object o = send(c.request).only();
        EXPECT_EQ(mask(o.at("MasterMethodMask")), c.master) << c.request[0] << " " << c.request[1];
        EXPECT_EQ(mask(o.at("CurrentMethodMask")) & ~c.master, 0u) << c.request[0];
    }
}

TEST_F(LocalTest, BlinkWritesTheSlotsLocateFileAndReadsItBack) {
    Reply on = send({"vexcmd=setArrayDiskBlink", "GlobalNo=2", "adisk=0:0:3"});
    ASSERT_EQ(on.status, 0) << on.error;
    EXPECT_EQ(readFile(locate(3)), "1\n");
    EXPECT_EQ(readFile(locate(2)), "0\n");
    EXPECT_EQ(disk("2", "0:0:3")["Blink"], "On");
    ASSERT_EQ(send({"vexcmd=setArrayDiskUnBlink", "GlobalNo=2", "adisk=0:0:3"}).status, 0);
    EXPECT_EQ(readFile(locate(3)), "0\n");
    // The kernel's word counts, whoever lit the slot.
    writeFile(locate(5), "1\n");
    EXPECT_EQ(disk("2", "0:0:5")["Blink"], "On");
    writeFile(locate(5), "0\n");
    EXPECT_NE(readFile(dir + "/local.alert.log").find("blinking stopped"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(state)) << "the machine's model is never stored";
}

TEST_F(LocalTest, BlinkingTheEnclosureLightsEverySlot) {
    ASSERT_EQ(send({"vexcmd=setEnclosureBlink", "GlobalNo=2", "Enclosure=0:0"}).status, 0);
    for (int slot = 0; slot < 8; ++slot) EXPECT_EQ(readFile(locate(slot)), "1\n") << slot;
    EXPECT_EQ(send({"vexcmd=getEnclosure", "GlobalNo=2", "Enclosure=0:0"}).only().at("Blink"), "On");
    ASSERT_EQ(send({"vexcmd=setEnclosureUnBlink", "GlobalNo=2", "Enclosure=0:0"}).status, 0);
    for (int slot = 0; slot < 8; ++slot) EXPECT_EQ(readFile(locate(slot)), "0\n") << slot;
}

TEST_F(LocalTest, RescansWriteTheHostsScanFiles) {
    const std::string sas = "class/scsi_host/host4/scan", sata = "class/scsi_host/host0/scan",
                      nvme = "class/nvme/nvme0/rescan_controller";
    const struct {
        std::vector<std::string> request;
        std::vector<std::pair<std::string, std::string>> files;  // file, what it holds afterwards
    } cases[] = {
        {{"vexcmd=setCntrlRescan", "GlobalNo=2"}, {{sas, "- - -\n"}, {sata, "\n"}}},
        {{"vexcmd=setChnlRescan", "GlobalNo=0", "Channel=0"}, {{sata, "- - -\n"}, {"class/scsi_host/host1/scan", "\n"}}},
        {{"vexcmd=setCntrlRescan", "GlobalNo=3"}, {{nvme, "1\n"}, {"class/nvme/nvme1/rescan_controller", "\n"}}},
        {{"vexcmd=setCntrlGlobalRescan"}, {{sas, "- - -\n"}, {sata, "- - -\n"}, {nvme, "1\n"}}},
    };
    for (const auto& c : cases) {
        for (const auto& file : {sas, sata, nvme, std::string("class/scsi_host/host1/scan"),
                                 std::string("class/nvme/nvme1/rescan_controller")})
            writeFile(root_ + "/sys/" + file, "\n");
        Reply r = send(c.request);
        ASSERT_EQ(r.status, 0) << c.request[0] << ": " << r.error;
        for (const auto& [file, content] : c.files) EXPECT_EQ(scan(file), content) << c.request[0] << " " << file;
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
