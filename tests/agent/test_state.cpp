// The state file: refused without being touched when it is not a usable
// state; shared by concurrent processes; its alert log bounded; its default
// location.
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <set>

#include "agent_harness.h"
#include "environment.h"

namespace kwda_test {
namespace {

class StateTest : public AgentTest {};

std::string withBigEndian(std::string bytes, size_t offset, uint32_t value) {
    for (int i = 3; i >= 0; --i, value >>= 8) bytes[offset + static_cast<size_t>(i)] = static_cast<char>(value & 0xff);
    return bytes;
}

TEST_F(StateTest, AnUnusableStateIsRefusedAndLeftAsItIs) {
    ASSERT_EQ(run("getControllerList").status, 0);
    const std::string valid = readFile(state);
    ASSERT_GT(valid.size(), 8192u);
    const std::pair<std::string, const char*> cases[] = {
        {"", "is empty (truncated?); it was left as it is"},
        {std::string(200, 'x'), "is not a kwda state (not an SQLite database); it was left as it is"},
        {withBigEndian(valid, 60, 9), "has schema version 9 but this agent reads version 1; it was left as it is"},
        {withBigEndian(valid, 68, 0x12345678),
         "is not a kwda state (SQLite application id 0x12345678, expected 0x4B574441)"},
        {valid.substr(0, valid.size() / 2), "is truncated"},
        {valid.substr(0, 4096) + std::string(valid.size() - 4096, '\xff'), "is corrupt"},
    };
    int n = 0;
    for (const auto& [bytes, reason] : cases) {
        SCOPED_TRACE(reason);
        const std::string path = dir + "/broken" + std::to_string(n++) + ".db";
        writeFile(path, bytes);
        ::setenv("KWDA_STATE", path.c_str(), 1);
        for (const char* command : {"getControllerList", "setEnclosureDisableSTS"}) {
            Reply reply = run(command);
            EXPECT_EQ(reply.status, 3) << reply.raw;
            EXPECT_NE(reply.error.find("state file " + path + " "), std::string::npos) << reply.error;
            EXPECT_NE(reply.error.find(reason), std::string::npos) << reply.error;
        }
        EXPECT_EQ(readFile(path), bytes) << "the file must not change";
    }
}

// Processes that all start before the state exists race to create it, then
// each makes virtual disks of its own: every write gets through once.
TEST_F(StateTest, ConcurrentWritersAllGetThrough) {
    constexpr int kProcesses = 8, kWrites = 25;
    std::string xml = "<StorageProfile><Controller RAIDLevelsMask=\"110\" MaxVDAllowed=\"1000\">"
                      "<Connector BusProtocol=\"7\">";
    for (int i = 0; i < kProcesses * kWrites; ++i) xml += "<PhysicalDisk Length=\"1073741824\"/>";
    useProfile(xml + "</Connector></Controller></StorageProfile>");
    std::vector<pid_t> children;
    for (int p = 0; p < kProcesses; ++p) {
        children.push_back(::fork());
        ASSERT_GE(children.back(), 0);
        if (children.back() > 0) continue;
        int failures = 0;
        for (int k = p * kWrites; k < (p + 1) * kWrites; ++k)
            failures += run("setCntrlCreateVD GlobalNo=0 Length=104857600 Layout=2 adisk=0:" + std::to_string(k))
                            .status;
        ::_exit(failures ? 1 : 0);
    }
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a writer was refused";
    }
    const Reply vds = run("getVirtualDisksForController GlobalNo=0");
    std::set<std::string> numbers, disks;
    for (const auto& vd : vds.objects) {
        numbers.insert(vd.at("LogicalDriveNum"));
        disks.insert(vd.at("Disks"));
    }
    const size_t all = kProcesses * kWrites;
    EXPECT_EQ(vds.objects.size(), all);
    EXPECT_EQ(numbers.size(), all) << "each number given once";
    EXPECT_EQ(disks.size(), all);
    EXPECT_EQ(lines(readFile(alertLog())).size(), all + 1);
}

TEST_F(StateTest, TheAlertLogKeepsItsNewestEventsWithinItsBound) {
    ::setenv("KWDA_ALERT_LOG_LIMIT", "4096", 1);
    for (int i = 0; i < 150; ++i) {
        steps("setVDBlink GlobalNo=0 LogicalDriveNum=1; setVDUnBlink GlobalNo=0 LogicalDriveNum=1");
        ASSERT_LE(std::filesystem::file_size(alertLog()), 4096u);
    }
    std::vector<std::string> events = lines(readFile(alertLog()));
    ASSERT_GT(events.size(), 10u);
    EXPECT_NE(events.front().find("older events were dropped"), std::string::npos) << events.front();
    // The newest events, in order: blink and unblink alternate, unblink last.
    EXPECT_NE(events.back().find("blinking stopped"), std::string::npos);
    for (size_t i = 1; i + 1 < events.size(); ++i) {
        bool started = events[i].find("blinking started") != std::string::npos;
        EXPECT_NE(events[i + 1].find(started ? "blinking stopped" : "blinking started"), std::string::npos)
            << events[i] << "\n" << events[i + 1];
    }
}

TEST_F(StateTest, TheSystemStateServesEveryUserWhileItExists) {
    const std::string system = dir + "/system.db";
    ::setenv("XDG_STATE_HOME", "/home/someone/.state", 1);
    EXPECT_EQ(kwda::defaultStatePath(true, system), system);
    EXPECT_EQ(kwda::defaultStatePath(false, system), "/home/someone/.state/kwda/state.db");
    writeFile(system, "");
    EXPECT_EQ(kwda::defaultStatePath(false, system), system);
    ::unsetenv("XDG_STATE_HOME");
}

}  // namespace
}  // namespace kwda_test
