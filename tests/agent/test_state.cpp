// The state file: refused without being touched when it is not a usable
// kwda state; shared safely by concurrent processes (writers killed midway
// are the state suite's); its alert log bounded; its default location.
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <set>

#include "agent_harness.h"
#include "environment.h"

namespace kwda_test {
namespace {

class StateTest : public AgentTest {
protected:
    // A valid state's bytes (built in its own file, then read).
    std::string validStateBytes() {
        std::string path = dir + "/valid.db";
        ::setenv("KWDA_STATE", path.c_str(), 1);
        EXPECT_EQ(send({"vexcmd=getControllerList"}).status, 0);
        ::setenv("KWDA_STATE", state.c_str(), 1);
        return readFile(path);
    }
};

std::string withBigEndian(std::string bytes, size_t offset, uint32_t value) {
    for (int i = 3; i >= 0; --i, value >>= 8) bytes[offset + static_cast<size_t>(i)] = static_cast<char>(value & 0xff);
    return bytes;
}

TEST_F(StateTest, AnUnusableStateIsRefusedAndLeftAsItIs) {
    std::string valid = validStateBytes();
    ASSERT_GT(valid.size(), 8192u);
    std::string corrupt = valid.substr(0, 4096) + std::string(valid.size() - 4096, '\xff');
    struct Case {
        const char* name;
        std::string bytes;
        const char* reason;
    };
    const Case cases[] = {
        {"empty", "", "is empty (truncated?); it was left as it is"},
        {"not SQLite", std::string(200, 'x'), "is not a kwda state (not an SQLite database); it was left as it is"},
        {"another schema version", withBigEndian(valid, 60, 9),
         "has schema version 9 but this agent reads version 1; it was left as it is"},
        {"another program's database", withBigEndian(valid, 68, 0x12345678),
         "is not a kwda state (SQLite application id 0x12345678, expected 0x4B574441)"},
        {"truncated", valid.substr(0, valid.size() / 2), "is truncated"},
        {"corrupt", corrupt, "is corrupt"},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = dir + "/broken" + std::to_string(n++) + ".db";
        writeFile(path, c.bytes);
        ::setenv("KWDA_STATE", path.c_str(), 1);
        for (const char* command : {"vexcmd=getControllerList", "vexcmd=setEnclosureDisableSTS"}) {
            Reply reply = send({command});
            EXPECT_EQ(reply.status, 3) << reply.raw;
            EXPECT_NE(reply.error.find("state file " + path + " "), std::string::npos) << reply.error;
            EXPECT_NE(reply.error.find(c.reason), std::string::npos) << reply.error;
        }
        EXPECT_EQ(readFile(path), c.bytes) << "the file must not change";
    }
}

// One controller with `disks` directly attached disks "0:N".
std::string manyDisks(int disks) {
    std::string xml =
        "<StorageProfile><Controller RAIDLevelsMask=\"110\" MaxVDAllowed=\"1000\" MaxNameLength=\"15\">"
        "<Connector BusProtocol=\"7\">";
    for (int i = 0; i < disks; ++i) xml += "<PhysicalDisk Length=\"1073741824\"/>";
    return xml + "</Connector></Controller></StorageProfile>";
}

// Runs in a child: creates a one-disk virtual disk on 0:<disk>; true when
// the agent acknowledged it.
bool createOn(int disk) {
    std::string adisk = "adisk=0:" + std::to_string(disk);
    const char* request[] = {"vexcmd=setCntrlCreateVD", "GlobalNo=0", adisk.c_str(), "Length=104857600", "Layout=2"};
    char* reply = RKDBAgentSendCmd(5, request);
    bool done = reply && std::strstr(reply, "status=\"0\"") != nullptr;
    RKDBAgentFreeData(reply);
    return done;
}

TEST_F(StateTest, ConcurrentWritersAllGetThrough) {
    constexpr int kProcesses = 8, kWrites = 25;
    useProfile(manyDisks(kProcesses * kWrites));
    std::vector<pid_t> children;
    for (int p = 0; p < kProcesses; ++p) {
        pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            // Every child starts before the state exists: they also race to create it.
            int failures = 0;
            for (int k = 0; k < kWrites; ++k) failures += createOn(p * kWrites + k) ? 0 : 1;
            ::_exit(failures);
        }
        children.push_back(child);
    }
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a writer was refused " << WEXITSTATUS(status);
    }
    Reply vds = send({"vexcmd=getVirtualDisksForController", "GlobalNo=0"});
    ASSERT_EQ(vds.objects.size(), static_cast<size_t>(kProcesses * kWrites));
    std::set<std::string> numbers, disks;
    for (const auto& vd : vds.objects) {
        numbers.insert(vd.at("LogicalDriveNum"));
        disks.insert(vd.at("Disks"));
    }
    EXPECT_EQ(numbers.size(), static_cast<size_t>(kProcesses * kWrites)) << "each number given once";
    EXPECT_EQ(disks.size(), static_cast<size_t>(kProcesses * kWrites));
    EXPECT_EQ(lines(readFile(alertLog())).size(), static_cast<size_t>(kProcesses * kWrites + 1));
}

TEST_F(StateTest, TheAlertLogKeepsItsNewestEventsWithinItsBound) {
    const int limit = 4096;
    ::setenv("KWDA_ALERT_LOG_LIMIT", std::to_string(limit).c_str(), 1);
    for (int i = 0; i < 150; ++i) {
        steps("setVDBlink GlobalNo=0 LogicalDriveNum=1; setVDUnBlink GlobalNo=0 LogicalDriveNum=1");
        ASSERT_LE(std::filesystem::file_size(alertLog()), static_cast<uintmax_t>(limit));
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

TEST(StateLocation, TheSystemStateServesEveryUserWhileItExists) {
    std::string system = (std::filesystem::temp_directory_path() / ("kwda-system-" + std::to_string(::getpid()))).string();
    ::setenv("XDG_STATE_HOME", "/home/someone/.state", 1);
    EXPECT_EQ(kwda::defaultStatePath(true, system), system);
    EXPECT_EQ(kwda::defaultStatePath(false, system), "/home/someone/.state/kwda/state.db");
    writeFile(system, "");
    EXPECT_EQ(kwda::defaultStatePath(false, system), system);
    ::unlink(system.c_str());
    ::unsetenv("XDG_STATE_HOME");
}

}  // namespace
}  // namespace kwda_test
