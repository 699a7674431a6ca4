// A write to the test machine's sysfs that the kernel refuses names the file
// (the machine's model and the writes it takes are in cases/local.txt).
#include <filesystem>

#include "agent_harness.h"
#include "machine.h"

namespace kwda_test {
namespace {

class LocalTest : public AgentTest {};

TEST_F(LocalTest, AWriteTheKernelRefusesNamesTheFile) {
    const std::string root = dir + "/machine";
    ASSERT_TRUE(kwtest::makeMachine(root));
    for (const auto& [name, value] : kwtest::machineEnvironment(root)) ::setenv(name.c_str(), value.c_str(), 1);
    const std::string file = kwtest::machineSlot(root, 1) + "/locate";
    std::filesystem::remove(file);
    std::filesystem::create_directory(file);  // present, but takes no write
    Reply r = run("setArrayDiskBlink GlobalNo=2 adisk=0:0:1");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.error.find("/enclosure/4:0:8:0/Slot 01/locate"), std::string::npos) << r.error;
}

}  // namespace
}  // namespace kwda_test
