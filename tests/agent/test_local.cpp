// The writes that reach the test machine's sysfs files (its model is in
// cases/local.txt).
#include <unistd.h>

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

}  // namespace
}  // namespace kwda_test
