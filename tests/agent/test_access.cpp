// Who may use the state: a process that can only read it (a monitoring
// account) gets its reports and a clear refusal for a write; a new state is
// never half-made in a folder that cannot be written; temporary files of a
// creator that died are cleaned up, those of a live one never. And the data
// bridge keeps the reason of an unusable state for the caller to show.
#include <fcntl.h>
#include <linux/capability.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <set>

#include "agent_harness.h"
#include "vexdb32.h"

namespace kwda_test {
namespace {

namespace fs = std::filesystem;

// While it lives, this thread loses the capabilities that let root ignore
// file permissions, so that a chmod binds it as it binds other users.
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
    WithoutPermissionBypass(const WithoutPermissionBypass&) = delete;
    WithoutPermissionBypass& operator=(const WithoutPermissionBypass&) = delete;

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

    // Whether a read-only folder really stops this process from creating a
    // file in it (it does not for root with its capabilities).
    bool permissionsBind() {
        const std::string folder = dir + "/probe";
        fs::create_directory(folder);
        fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
        const int fd = ::open((folder + "/file").c_str(), O_WRONLY | O_CREAT, 0600);
        if (fd >= 0) ::close(fd);
        return fd < 0;
    }

    // A seeded state at path that the agent no longer holds open, so that no
    // log or shared memory lies beside it.
    void seedAndLetGo(const std::string& path) {
        fs::create_directories(fs::path(path).parent_path());
        ::setenv("KWDA_STATE", path.c_str(), 1);
        ASSERT_EQ(send({"vexcmd=getGlobalInfo"}).status, 0);
        ::setenv("KWDA_STATE", (dir + "/elsewhere.db").c_str(), 1);
        ASSERT_EQ(send({"vexcmd=getGlobalInfo"}).status, 0);
        ::setenv("KWDA_STATE", path.c_str(), 1);
    }

    static constexpr auto kReadOnlyFolder = fs::perms::owner_read | fs::perms::owner_exec;
    static constexpr auto kReadOnlyFile = fs::perms::owner_read;
};

TEST_F(StateAccessTest, AStateThatCannotBeWrittenAnswersReadsAndRefusesWrites) {
    struct Mode {
        const char* what;
        fs::perms folder, file;
    };
    const Mode modes[] = {
        {"folder and file read-only", kReadOnlyFolder, kReadOnlyFile},
        {"file read-only", fs::perms::owner_all, kReadOnlyFile},
        {"folder read-only", kReadOnlyFolder, fs::perms::owner_read | fs::perms::owner_write},
    };
    int n = 0;
    for (const Mode& mode : modes) {
        SCOPED_TRACE(mode.what);
        const std::string folder = dir + "/m" + std::to_string(n++);
        const std::string path = folder + "/state.db";
        seedAndLetGo(path);
        const std::string bytes = readFile(path);
        const std::set<std::string> names = namesIn(folder);
        {
            WithoutPermissionBypass guard;
            if (!permissionsBind()) GTEST_SKIP() << "file permissions do not bind this process";
            fs::permissions(path, mode.file);
            fs::permissions(folder, mode.folder);

            EXPECT_EQ(send({"vexcmd=getVirtualDisk", "GlobalNo=0", "LogicalDriveNum=0"}).only().at("Name"), "System");
            Reply write = send({"vexcmd=setCntrlRebuildRate", "GlobalNo=0", "RebuildRate=55"});
            EXPECT_EQ(write.status, 3) << write.raw;
            EXPECT_EQ(write.error.rfind("state file " + path + " is read-only for this process: ", 0), 0u)
                << write.error;
            EXPECT_EQ(send({"vexcmd=getController", "GlobalNo=0"}).only().at("RebuildRate"), "30");
        }
        fs::permissions(folder, fs::perms::owner_all);
        EXPECT_TRUE(readFile(path) == bytes) << "the state file was changed";
        EXPECT_EQ(namesIn(folder), names) << "files were made beside the state";
        fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write);
        EXPECT_EQ(send({"vexcmd=setCntrlRebuildRate", "GlobalNo=0", "RebuildRate=56"}).status, 0)
            << "a state that became writable must take writes at once";
    }
}

// A writer at work keeps its latest changes in its log: a reader that may
// not write still sees them.
TEST_F(StateAccessTest, AReaderWhoCannotWriteSeesWhatAWriterAtWorkCommitted) {
    const std::string folder = dir + "/shared";
    const std::string path = folder + "/state.db";
    seedAndLetGo(path);
    sqlite3* writer = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &writer), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(writer,
                           "PRAGMA wal_autocheckpoint=0; UPDATE object SET attrs = replace(attrs, 'RebuildRate=30', "
                           "'RebuildRate=71') WHERE kind = 'Controller'",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    ASSERT_TRUE(fs::exists(path + "-wal"));
    {
        WithoutPermissionBypass guard;
        if (!permissionsBind()) {
            sqlite3_close(writer);
            GTEST_SKIP() << "file permissions do not bind this process";
        }
        for (const char* file : {"", "-wal", "-shm"}) fs::permissions(path + file, kReadOnlyFile);
        fs::permissions(folder, kReadOnlyFolder);
        EXPECT_EQ(send({"vexcmd=getController", "GlobalNo=0"}).only().at("RebuildRate"), "71");
        EXPECT_EQ(send({"vexcmd=setCntrlRebuildRate", "GlobalNo=0", "RebuildRate=55"}).status, 3);
    }
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
    Reply reply = send({"vexcmd=getGlobalInfo"});
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
    const std::set<std::string> gone = {
        "state.db.new-" + dead + "-17",
        "state.db.new-" + dead + "-17-journal",
        "state.db.new-" + dead + "-17-wal",
        "state.db.new-" + dead + "-4242-shm",
    };
    const std::set<std::string> kept = {
        "state.db.new-" + alive + "-18",
        "state.db.new-" + alive + "-18-wal",
        "state.db.new-" + dead,           // not a name the agent makes
        "state.db.new-" + dead + "-17.bak",
        "state.db.new-0-17",              // pid 0 would mean the whole process group
        "state.db.new--1-17",
        "other.db.new-" + dead + "-17",   // another state's
    };
    for (const auto& name : gone) writeFile(dir + "/" + name, "x");
    for (const auto& name : kept) writeFile(dir + "/" + name, "x");

    ASSERT_EQ(send({"vexcmd=getGlobalInfo"}).status, 0);
    const std::set<std::string> left = namesIn(dir);
    for (const auto& name : gone) EXPECT_EQ(left.count(name), 0u) << name << " was left";
    for (const auto& name : kept) EXPECT_EQ(left.count(name), 1u) << name << " was removed";
}

// ---- the data bridge --------------------------------------------------------

// What the scripted agent answers.
std::string scriptedReply;

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
    const std::string reason = send({"vexcmd=getControllerList"}).error;
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
    struct Case {
        const char* reply;
        std::optional<std::string> reason;
    };
    const Case cases[] = {
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
    for (const auto& c : cases) {
        scriptedReply = c.reply;
        EXPECT_EQ(reasonAfter(id, {"vexcmd=x"}), c.reason) << c.reply;
    }
    RKDBPluginUnregister("kwdascripted");
}

}  // namespace
}  // namespace kwda_test
