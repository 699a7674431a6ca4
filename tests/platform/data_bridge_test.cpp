// The data bridge: agents registered in process or loaded by prefix from the
// bridge's own folder or RKDB_PLUGIN_PATH, each reply released by its maker.
#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform_fixture.h"
#include "testagent.h"
#include "vexdb32.h"

namespace {

namespace fs = std::filesystem;

int g_released = 0;
char* replyA(uint32_t, const char* const*) { return strdup("<A/>"); }
char* replyB(uint32_t, const char* const*) { return strdup("<B/>"); }
char* replyNone(uint32_t, const char* const*) { return nullptr; }
void releaseCounting(char* reply) {
    ++g_released;
    std::free(reply);
}

std::string send(uint32_t id) {
    const char* vector[] = {"vexcmd=ping", "GlobalNo=0"};
    char* reply = RKDBPluginSendCmd(id, 2, vector);
    std::string text = reply ? reply : "<none>";
    RKDBPluginFreeData(id, reply);
    return text;
}

// The folder of the file that answered, from an echo agent's <From> element.
fs::path answeringFolder(uint32_t id) {
    const std::string reply = send(id);
    const size_t from = reply.find("<From>") + 6;
    return fs::canonical(fs::path(reply.substr(from, reply.find("</From>") - from)).parent_path());
}

class DataBridge : public platformtest::PlatformTest {
protected:
    void TearDown() override {
        fs::remove_all(dir_);
        PlatformTest::TearDown();
    }
    // A folder of its own holding a copy of the echo agent as lib<prefix>.so.
    fs::path agentCopy(const std::string& folder, const std::string& prefix) {
        fs::create_directories(dir_ / folder);
        fs::copy_file(RK_ECHO_AGENT, dir_ / folder / ("lib" + prefix + ".so"), fs::copy_options::overwrite_existing);
        return fs::canonical(dir_ / folder);
    }
    const fs::path dir_ = fs::temp_directory_path() / ("rk_bridge_" + std::to_string(getpid()));
};

TEST_F(DataBridge, RegistrationReplacesTheAgentAndTheIdStaysWithItsPrefix) {
    g_released = 0;
    const uint32_t id = RKDBPluginRegister("rkt_reg", replyA, releaseCounting);
    ASSERT_NE(id, 0u);
    EXPECT_EQ(RKDBPluginGetIDByPrefix("rkt_reg"), id);
    EXPECT_EQ(send(id), "<A/>");
    EXPECT_EQ(RKDBPluginRegister("rkt_reg", replyB, releaseCounting), id);
    char* reply = RKDBPluginSendCmd(id, 0, nullptr);
    RKDBPluginRegister("rkt_reg", replyA, [](char* r) { std::free(r); });  // changes hands meanwhile
    RKDBPluginFreeData(id, reply);
    EXPECT_EQ(g_released, 2) << "every reply is released by the agent that made it";
    char unknown[] = "not a reply";
    RKDBPluginFreeData(id, unknown);  // left alone
    EXPECT_NE(RKDBPluginRegister("rkt_other", replyNone, releaseCounting), id);
    EXPECT_EQ(send(RKDBPluginGetIDByPrefix("rkt_other")), "<none>");
    RKDBPluginUnregister("rkt_reg");
    RKDBPluginUnregister("rkt_other");
    EXPECT_EQ(RKDBPluginInstalledByPrefix("rkt_reg") & 0xFFFF, 0u);
    EXPECT_EQ(send(id), "<none>");
    EXPECT_EQ(RKDBPluginRegister("rkt_reg", replyA, releaseCounting), id);
    RKDBPluginUnregister("rkt_reg");
    EXPECT_EQ(RKDBPluginRegister(nullptr, replyA, releaseCounting), 0u);
    EXPECT_EQ(send(99999), "<none>");
}

TEST_F(DataBridge, FailedReplyNeverReachesTheAgent) {
    set("KWTEST_FAIL", "reply:2");
    kwtest::TestAgent agent("rkt_script");
    agent.on("ping", "<P/>");
    const uint32_t id = RKDBPluginGetIDByPrefix("rkt_script");
    EXPECT_EQ(send(id), "<P/>");
    EXPECT_EQ(send(id), "<none>");
    EXPECT_EQ(send(id), "<P/>");
    EXPECT_EQ(agent.requests().size(), 2u);
}

TEST_F(DataBridge, LoadsAgentsFromPluginPathThenItsOwnFolder) {
    const fs::path first = agentCopy("first", "rkt_path");
    const fs::path second = agentCopy("second", "rkt_path");
    agentCopy("second", "rkt_later");
    std::ofstream(dir_ / "first" / "librkt_broken.so") << "not a shared object";
    const std::string folders = "/nonexistent::" + first.string() + ":" + second.string();
    set("RKDB_PLUGIN_PATH", folders.c_str());
    EXPECT_EQ(answeringFolder(RKDBPluginGetIDByPrefix("rkt_path")), first);
    EXPECT_EQ(answeringFolder(RKDBPluginGetIDByPrefix("rkt_later")), second);
    const uint32_t echo = RKDBPluginGetIDByPrefix("rkecho");
    EXPECT_EQ(answeringFolder(echo), fs::canonical(fs::path(RK_ECHO_AGENT).parent_path()));
    for (const char* prefix : {"rkt_missing", "rkt_broken", "", "../first/rkt_path", "rkt_path/.."})
        EXPECT_EQ(RKDBPluginGetIDByPrefix(prefix), 0u) << prefix;

    // The whole request reaches the agent, and the reply goes back to it.
    const char* vector[] = {"vexcmd=getAlertLog", "GlobalNo=0"};
    char* reply = RKDBPluginSendCmd(echo, 2, vector);
    EXPECT_NE(std::strstr(reply, "<Arg>vexcmd=getAlertLog</Arg><Arg>GlobalNo=0</Arg>"), nullptr);
    void* handle = dlopen(RK_ECHO_AGENT, RTLD_NOW | RTLD_NOLOAD);
    auto live = reinterpret_cast<int (*)()>(dlsym(handle, "rkEchoLiveReplies"));
    EXPECT_EQ(live(), 1);
    RKDBPluginFreeData(echo, reply);
    EXPECT_EQ(live(), 0);
    dlclose(handle);
    // An in-process agent wins over the loaded one, which answers again once it is gone.
    EXPECT_EQ(RKDBPluginRegister("rkecho", replyA, releaseCounting), echo);
    EXPECT_EQ(send(echo), "<A/>");
    RKDBPluginUnregister("rkecho");
    EXPECT_EQ(answeringFolder(echo), fs::canonical(fs::path(RK_ECHO_AGENT).parent_path()));
}

}  // namespace
