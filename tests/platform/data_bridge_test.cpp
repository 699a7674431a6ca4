#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "platform_fixture.h"
#include "testagent.h"
#include "vexdb32.h"
#include "xdoc32.h"

namespace {

namespace fs = std::filesystem;
using platformtest::PlatformTest;
using platformtest::ScopedEnv;

// In-process agents that tag their replies and count what they release.
int g_released = 0;
char* replyA(uint32_t, const char* const*) { return strdup("<A/>"); }
char* replyB(uint32_t, const char* const*) { return strdup("<B/>"); }
char* replyNone(uint32_t, const char* const*) { return nullptr; }
void releaseCounting(char* reply) {
    ++g_released;
    std::free(reply);
}
void releasePlain(char* reply) { std::free(reply); }

std::string send(uint32_t id, const char* command = "vexcmd=ping") {
    const char* vector[] = {command};
    char* reply = RKDBPluginSendCmd(id, 1, vector);
    std::string text = reply ? reply : "<none>";
    RKDBPluginFreeData(id, reply);
    return text;
}

// The <From> element of an echo-agent reply: the file that answered.
std::string answeringFile(uint32_t id) {
    std::string reply = send(id);
    char out[4096] = "";
    uint32_t cap = sizeof out;
    if (XMLSupGetXMLMemData(0, "From", 1, 0, 1, &cap, out, 0, nullptr, reply.c_str(),
                            static_cast<uint32_t>(reply.size())) != 0)
        return "<no From in " + reply + ">";
    return out;
}

class DataBridge : public PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        g_released = 0;
    }
    // A fresh folder holding a copy of the echo agent as lib<prefix>.so.
    fs::path agentCopy(const std::string& folder, const std::string& prefix) {
        fs::path dir = fs::temp_directory_path() / ("rk_bridge_" + std::to_string(getpid())) / folder;
        fs::create_directories(dir);
        fs::copy_file(RK_ECHO_AGENT, dir / ("lib" + prefix + ".so"), fs::copy_options::overwrite_existing);
        return dir;
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(fs::temp_directory_path() / ("rk_bridge_" + std::to_string(getpid())), ignored);
        PlatformTest::TearDown();
    }
};

TEST_F(DataBridge, RegistrationReplacesAndKeepsTheId) {
    uint32_t id = RKDBPluginRegister("rkt_reg", replyA, releaseCounting);
    ASSERT_NE(id, 0u);
    EXPECT_EQ(RKDBPluginGetIDByPrefix("rkt_reg"), id);
    EXPECT_NE(RKDBPluginInstalledByPrefix("rkt_reg") & 0xFFFF, 0u);
    EXPECT_EQ(send(id), "<A/>");
    EXPECT_EQ(RKDBPluginRegister("rkt_reg", replyB, releaseCounting), id);
    EXPECT_EQ(send(id), "<B/>");
    EXPECT_EQ(g_released, 2);

    uint32_t other = RKDBPluginRegister("rkt_other", replyA, releaseCounting);
    EXPECT_NE(other, id);

    RKDBPluginUnregister("rkt_reg");
    RKDBPluginUnregister("rkt_never");
    EXPECT_EQ(RKDBPluginGetIDByPrefix("rkt_reg"), 0u);
    EXPECT_EQ(RKDBPluginInstalledByPrefix("rkt_reg") & 0xFFFF, 0u);
    EXPECT_EQ(send(id), "<none>");
    EXPECT_EQ(RKDBPluginRegister("rkt_reg", replyA, releaseCounting), id) << "an id stays with its prefix";
    RKDBPluginUnregister("rkt_reg");
    RKDBPluginUnregister("rkt_other");
    EXPECT_EQ(RKDBPluginGetIDByPrefix(nullptr), 0u);
    EXPECT_EQ(RKDBPluginRegister(nullptr, replyA, releaseCounting), 0u);
}

TEST_F(DataBridge, ReplyReleasedByTheAgentThatMadeIt) {
    uint32_t id = RKDBPluginRegister("rkt_owner", replyA, releaseCounting);
    const char* vector[] = {"vexcmd=x"};
    char* reply = RKDBPluginSendCmd(id, 1, vector);
    ASSERT_NE(reply, nullptr);
    EXPECT_EQ(KWTestLiveCount(KWLIVE_REPLY), 1);
    RKDBPluginRegister("rkt_owner", replyB, releasePlain);  // changes hands meanwhile
    RKDBPluginFreeData(id, reply);
    EXPECT_EQ(g_released, 1);
    char unknown[] = "not a reply";
    RKDBPluginFreeData(id, unknown);  // left alone
    RKDBPluginFreeData(id, nullptr);
    RKDBPluginUnregister("rkt_owner");
}

TEST_F(DataBridge, ReplyFailureSkipsTheAgent) {
    uint32_t id = RKDBPluginRegister("rkt_fail", replyA, releaseCounting);
    ScopedEnv fail("KWTEST_FAIL", "reply:2");
    KWTestReset();
    kwtest::TestAgent agent("rkt_script");
    agent.on("ping", "<P/>");
    uint32_t scripted = RKDBPluginGetIDByPrefix("rkt_script");
    EXPECT_EQ(send(scripted, "vexcmd=ping"), "<P/>");
    EXPECT_EQ(send(scripted, "vexcmd=ping"), "<none>");
    EXPECT_EQ(agent.requests().size(), 1u) << "a failed request never reaches the agent";
    EXPECT_EQ(send(id), "<A/>");
    EXPECT_EQ(KWTestCallCount(KWTEST_REPLY), 3);
    EXPECT_EQ(send(99999), "<none>");
    RKDBPluginUnregister("rkt_fail");
    RKDBPluginRegister("rkt_none", replyNone, releaseCounting);
    EXPECT_EQ(send(RKDBPluginGetIDByPrefix("rkt_none")), "<none>");
    RKDBPluginUnregister("rkt_none");
}

TEST_F(DataBridge, LoadsAgentFromItsOwnFolder) {
    ScopedEnv path("RKDB_PLUGIN_PATH", nullptr);
    uint32_t id = RKDBPluginGetIDByPrefix("rkecho");
    ASSERT_NE(id, 0u);
    EXPECT_EQ(RKDBPluginGetIDByPrefix("rkecho"), id);
    EXPECT_EQ(fs::canonical(answeringFile(id)), fs::canonical(RK_ECHO_AGENT));

    // The echo agent sees the whole request and gets its reply back.
    const char* vector[] = {"vexcmd=getAlertLog", "GlobalNo=0"};
    char* reply = RKDBPluginSendCmd(id, 2, vector);
    ASSERT_NE(reply, nullptr);
    EXPECT_NE(std::strstr(reply, "<Arg>vexcmd=getAlertLog</Arg><Arg>GlobalNo=0</Arg>"), nullptr);
    void* handle = dlopen(RK_ECHO_AGENT, RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(handle, nullptr);
    auto live = reinterpret_cast<int (*)()>(dlsym(handle, "rkEchoLiveReplies"));
    ASSERT_NE(live, nullptr);
    EXPECT_EQ(live(), 1);
    RKDBPluginFreeData(id, reply);
    EXPECT_EQ(live(), 0);
    dlclose(handle);

    // An in-process agent wins over the loaded one, which answers again
    // once the in-process one is gone.
    EXPECT_EQ(RKDBPluginRegister("rkecho", replyA, releaseCounting), id);
    EXPECT_EQ(send(id), "<A/>");
    RKDBPluginUnregister("rkecho");
    EXPECT_EQ(fs::canonical(answeringFile(id)), fs::canonical(RK_ECHO_AGENT));
}

TEST_F(DataBridge, PluginPathFoldersComeFirstInOrder) {
    fs::path first = agentCopy("first", "rkt_path");
    fs::path second = agentCopy("second", "rkt_path");
    fs::path onlySecond = agentCopy("second", "rkt_later");
    std::string folders = "/nonexistent::" + first.string() + ":" + second.string();
    ScopedEnv path("RKDB_PLUGIN_PATH", folders.c_str());
    uint32_t id = RKDBPluginGetIDByPrefix("rkt_path");
    ASSERT_NE(id, 0u);
    EXPECT_EQ(fs::canonical(fs::path(answeringFile(id)).parent_path()), fs::canonical(first));
    uint32_t later = RKDBPluginGetIDByPrefix("rkt_later");
    ASSERT_NE(later, 0u);
    EXPECT_EQ(fs::canonical(fs::path(answeringFile(later)).parent_path()), fs::canonical(onlySecond));
}

TEST_F(DataBridge, UnknownOrUnusablePrefixesHaveNoAgent) {
    fs::path dir = agentCopy("bad", "rkt_bad");
    fs::path file = dir / "librkt_broken.so";
    {
        FILE* f = std::fopen(file.c_str(), "w");
        ASSERT_NE(f, nullptr);
        std::fputs("not a shared object", f);
        std::fclose(f);
    }
    ScopedEnv path("RKDB_PLUGIN_PATH", dir.c_str());
    for (const char* prefix : {"rkt_missing", "rkt_broken", "", "../bad/rkt_bad", "rkt_bad/.."}) {
        EXPECT_EQ(RKDBPluginGetIDByPrefix(prefix), 0u) << prefix;
        EXPECT_EQ(RKDBPluginInstalledByPrefix(prefix) & 0xFFFF, 0u) << prefix;
    }
}

}  // namespace
