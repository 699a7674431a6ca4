// A process that may only read the state gets its reports and a clear refusal
// for a write; leftovers of a creator that died are removed, a live one's
// never; the data bridge keeps the reason of an unusable state.
#include <fcntl.h>
#include <linux/capability.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <optional>
#include <set>

#include "agent_harness.h"
#include "vexdb32.h"

namespace kwda_test {
namespace {

namespace fs = std::filesystem;

// While it lives, this thread loses root's power to ignore file permissions.
class WithoutPermissionBypass {
public:
    WithoutPermissionBypass() {
        if (::syscall(SYS_capget, &header_, saved_) != 0) return;
        __user_cap_data_struct lowered[2] = {saved_[0], saved_[1]};
        for (int cap : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER})
            lowered[cap / 32].effective &= ~(1u << (cap % 32));
        active_ = ::syscall(SYS_capset, &header_, lowered) == 0;
    }
    ~WithoutPermissionBypass() {
        if (active_) ::syscall(SYS_capset, &header_, saved_);
    }

private:
    __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved_[2]{};
    bool active_ = false;
};

std::set<std::string> namesIn(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename().string());
    return names;
}

class StateAccessTest : public AgentTest {
protected:
    void TearDown() override {
        // Whatever a test left read-only must not stop the clean-up.
        std::error_code ignored;
        for (auto it = fs::recursive_directory_iterator(dir, ignored); it != fs::recursive_directory_iterator();
             it.increment(ignored))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
        AgentTest::TearDown();
    }

    // Whether a read-only folder really stops this process from creating a file in it.
    bool permissionsBind() {
        const std::string folder = dir + "/probe";
        fs::create_directory(folder);
        fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
        const int fd = ::open((folder + "/file").c_str(), O_WRONLY | O_CREAT, 0600);
        if (fd >= 0) ::close(fd);
        return fd < 0;
    }

    // A seeded state at path that the agent no longer holds open (no log beside it).
    void seedAndLetGo(const std::string& path) {
        fs::create_directories(fs::path(path).parent_path());
        ::setenv("KWDA_STATE", path.c_str(), 1);
        steps("getGlobalInfo; @KWDA_STATE=" + dir + "/elsewhere.db; getGlobalInfo");
        ::setenv("KWDA_STATE", path.c_str(), 1);
    }

    static constexpr auto kReadOnlyFolder = fs::perms::owner_read | fs::perms::owner_exec;
    static constexpr auto kReadOnlyFile = fs::perms::owner_read;
    static constexpr auto kReadWriteFile = fs::perms::owner_read | fs::perms::owner_write;
};

TEST_F(StateAccessTest, AStateThatCannotBeWrittenAnswersReadsAndRefusesWrites) {
    const std::pair<fs::perms, fs::perms> modes[] = {{kReadOnlyFolder, kReadOnlyFile},
                                                     {fs::perms::owner_all, kReadOnlyFile},
                                                     {kReadOnlyFolder, kReadWriteFile}};
    int n = 0;
    for (const auto& [folderMode, fileMode] : modes) {
        const std::string folder = dir + "/m" + std::to_string(n++);
        SCOPED_TRACE(folder);
        const std::string path = folder + "/state.db";
        seedAndLetGo(path);
        const std::string bytes = readFile(path);
        const std::set<std::string> names = namesIn(folder);
        {
            WithoutPermissionBypass guard;
            if (!permissionsBind()) GTEST_SKIP() << "file permissions do not bind this process";
            fs::permissions(path, fileMode);
            fs::permissions(folder, folderMode);
            EXPECT_EQ(run("getVirtualDisk GlobalNo=0 LogicalDriveNum=0").only().at("Name"), "System");
            Reply write = run("setCntrlRebuildRate GlobalNo=0 RebuildRate=55");
            EXPECT_EQ(write.status, 3) << write.raw;
            EXPECT_EQ(write.error.rfind("state file " + path + " is read-only for this process: ", 0), 0u)
                << write.error;
            EXPECT_EQ(run("getController GlobalNo=0").only().at("RebuildRate"), "30");
        }
        fs::permissions(folder, fs::perms::owner_all);
        EXPECT_TRUE(readFile(path) == bytes) << "the state file was changed";
        EXPECT_EQ(namesIn(folder), names) << "files were made beside the state";
        fs::permissions(path, kReadWriteFile);
        EXPECT_EQ(run("setCntrlRebuildRate GlobalNo=0 RebuildRate=56").status, 0)
            << "a state that became writable must take writes at once";
    }
}

// A writer at work keeps its latest changes in its log: a reader that may not write still sees them.
TEST_F(StateAccessTest, AReaderWhoCannotWriteSeesWhatAWriterAtWorkCommitted) {
    const std::string folder = dir + "/shared";
    const std::string path = folder + "/state.db";
    seedAndLetGo(path);
    WithoutPermissionBypass guard;
    if (!permissionsBind()) GTEST_SKIP() << "file permissions do not bind this process";
    sqlite3* writer = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &writer), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(writer,
                           "PRAGMA wal_autocheckpoint=0; UPDATE object SET attrs = replace(attrs, 'RebuildRate=30', "
                           "'RebuildRate=71') WHERE kind = 'Controller'",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    ASSERT_TRUE(fs::exists(path + "-wal"));
    for (const char* file : {"", "-wal", "-shm"}) fs::permissions(path + file, kReadOnlyFile);
    fs::permissions(folder, kReadOnlyFolder);
    EXPECT_EQ(run("getController GlobalNo=0").only().at("RebuildRate"), "71");
    EXPECT_EQ(run("setCntrlRebuildRate GlobalNo=0 RebuildRate=55").status, 3);
    sqlite3_close(writer);
}

TEST_F(StateAccessTest, ANewStateInAFolderThatCannotBeWrittenIsRefused) {
    const std::string folder = dir + "/locked";
    fs::create_directory(folder);
    const std::string path = folder + "/state.db";
    ::setenv("KWDA_STATE", path.c_str(), 1);
    WithoutPermissionBypass guard;
    if (!permissionsBind()) GTEST_SKIP() << "file permissions do not bind this process";
    fs::permissions(folder, kReadOnlyFolder);
    Reply reply = run("getGlobalInfo");
    EXPECT_EQ(reply.status, 3);
    EXPECT_EQ(reply.error, "state file " + path + " cannot be created: its folder " + folder +
                               " cannot be written (Permission denied)");
    EXPECT_TRUE(namesIn(folder).empty());
}

// A pid that no longer belongs to any process: a child's, once reaped.
pid_t deadPid() {
    pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    int status = 0;
    ::waitpid(child, &status, 0);
    return child;
}

TEST_F(StateAccessTest, LeftoversOfACreatorThatDiedAreRemovedAndALiveOnesKept) {
    const std::string dead = std::to_string(deadPid());
    const std::string alive = std::to_string(::getpid());
    const std::set<std::string> gone = {"state.db.new-" + dead + "-17", "state.db.new-" + dead + "-17-journal",
                                        "state.db.new-" + dead + "-17-wal", "state.db.new-" + dead + "-4242-shm"};
    // Not names the agent makes, a live creator's, pid 0 (the whole process group), another state's.
    const std::set<std::string> kept = {"state.db.new-" + alive + "-18", "state.db.new-" + alive + "-18-wal",
                                        "state.db.new-" + dead, "state.db.new-" + dead + "-17.bak",
                                        "state.db.new-0-17", "state.db.new--1-17", "other.db.new-" + dead + "-17"};
    for (const auto& name : gone) writeFile(dir + "/" + name, "x");
    for (const auto& name : kept) writeFile(dir + "/" + name, "x");

    steps("getGlobalInfo");
    const std::set<std::string> left = namesIn(dir);
    for (const auto& name : gone) EXPECT_EQ(left.count(name), 0u) << name << " was left";
    for (const auto& name : kept) EXPECT_EQ(left.count(name), 1u) << name << " was removed";
}

std::string scriptedReply;  // what the scripted agent answers

char* scriptedSend(uint32_t, const char* const*) { return ::strdup(scriptedReply.c_str()); }
void scriptedFree(char* reply) { ::free(reply); }

std::optional<std::string> lastReason() {
    const char* reason = RKDBLastUnavailableReason();
    return reason ? std::optional<std::string>(reason) : std::nullopt;
}

std::optional<std::string> reasonAfter(uint32_t id, const std::vector<std::string>& request) {
    std::vector<const char*> vector;
    for (const auto& element : request) vector.push_back(element.c_str());
    char* reply = RKDBPluginSendCmd(id, static_cast<uint32_t>(vector.size()), vector.data());
    std::optional<std::string> reason = lastReason();
    RKDBPluginFreeData(id, reply);
    return reason;
}

TEST_F(StateAccessTest, TheBridgeKeepsTheReasonOfAnUnusableStateUntilTheNextRequest) {
    const uint32_t id = RKDBPluginRegister("kwdaaccess", RKDBAgentSendCmd, RKDBAgentFreeData);
    ASSERT_NE(id, 0u);
    // Markup characters in the path come back as typed.
    const std::string folder = dir + "/a&b<c>";
    fs::create_directory(folder);
    const std::string broken = folder + "/state.db";
    writeFile(broken, "not a database\n");
    ::setenv("KWDA_STATE", broken.c_str(), 1);
    const std::string reason = run("getControllerList").error;
    ASSERT_NE(reason.find(broken), std::string::npos) << reason;

    EXPECT_EQ(reasonAfter(id, {"vexcmd=getControllerList"}), reason);
    EXPECT_EQ(lastReason(), reason) << "the reason stays until the next request";
    ::setenv("KWDA_STATE", state.c_str(), 1);
    EXPECT_EQ(reasonAfter(id, {"vexcmd=getControllerList"}), std::nullopt) << "an answer forgets it";
    EXPECT_EQ(reasonAfter(id, {"vexcmd=getController", "GlobalNo=9"}), std::nullopt) << "a status-2 refusal";
    RKDBPluginUnregister("kwdaaccess");
}

TEST(BridgeReason, OnlyAStatusThreeReplyGivesAReason) {
    const uint32_t id = RKDBPluginRegister("kwdascripted", scriptedSend, scriptedFree);
    ASSERT_NE(id, 0u);
    const std::pair<const char*, std::optional<std::string>> cases[] = {
        {"<Reply command=\"x\" status=\"3\"><Error>a &amp; b &lt;c&gt; &#233;&#x20AC;</Error></Reply>",
         "a & b <c> \xC3\xA9\xE2\x82\xAC"},
        {"<?xml version=\"1.0\"?>\n<Reply status='3' command='x'>\n<Error>gone</Error></Reply>", "gone"},
        {"<Reply command=\"x\" status=\"3\"></Reply>", "the agent gave no reason"},
        {"<Reply command=\"x\" status=\"2\"><Error>no</Error></Reply>", std::nullopt},
        {"<Reply command=\"x\" status=\"30\"><Error>no</Error></Reply>", std::nullopt},
        {"<Reply command=\"x\" xstatus=\"3\" status=\"0\"></Reply>", std::nullopt},
        {"<Reply command=\"status=3\" status=\"0\"></Reply>", std::nullopt},
        {"not a reply", std::nullopt},
    };
    for (const auto& [reply, reason] : cases) {
        scriptedReply = reply;
        EXPECT_EQ(reasonAfter(id, {"vexcmd=x"}), reason) << reply;
    }
    RKDBPluginUnregister("kwdascripted");
}

}  // namespace
}  // namespace kwda_test
