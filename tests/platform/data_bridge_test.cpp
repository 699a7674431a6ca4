// The data bridge: agents registered in process or loaded by prefix from
// RKDB_PLUGIN_PATH and then the bridge's own folder; each reply goes back to its maker.
#include <dlfcn.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform_fixture.h"
#include "testagent.h"
#include "vexdb32.h"

namespace {

namespace fs = std::filesystem;
using DataBridge = platformtest::PlatformTest;

int g_released = 0;
char* replyA(uint32_t, const char* const*) { return strdup("<A/>"); }
char* replyNone(uint32_t, const char* const*) { return nullptr; }
void releaseCounting(char* reply) {
    ++g_released;
    free(reply);
}

std::string send(uint32_t id) {
    const char* vector[] = {"vexcmd=ping", "GlobalNo=0"};
    char* reply = RKDBPluginSendCmd(id, 2, vector);
    std::string text = reply ? reply : "<none>";
    RKDBPluginFreeData(id, reply);
    return text;
}

// The folder of the file that answered: an echo agent's reply starts <Echo><From>file</From>.
fs::path answeringFolder(uint32_t id) {
    const std::string reply = send(id);
    return fs::canonical(fs::path(reply.substr(12, reply.find("</From>") - 12)).parent_path());
}

TEST_F(DataBridge, RegistrationReplacesTheAgentAndTheIdStaysWithItsPrefix) {
    const uint32_t id = RKDBPluginRegister("rkt_reg", replyA, releaseCounting);
    EXPECT_EQ(RKDBPluginGetIDByPrefix("rkt_reg"), id);
    char* reply = RKDBPluginSendCmd(id, 0, nullptr);
    EXPECT_EQ(RKDBPluginRegister("rkt_reg", replyNone, [](char* r) { free(r); }), id);
    RKDBPluginFreeData(id, reply);
    EXPECT_EQ(g_released, 1) << "a reply is released by the agent that made it";
    char unknown[] = "not a reply";
    RKDBPluginFreeData(id, unknown);  // left alone
    EXPECT_EQ(send(id), "<none>");
    EXPECT_NE(RKDBPluginRegister("rkt_other", replyA, releaseCounting), id);
    RKDBPluginUnregister("rkt_reg");
    EXPECT_EQ(send(id), "<none>");
    EXPECT_EQ(RKDBPluginRegister("rkt_reg", replyA, releaseCounting), id);
    EXPECT_EQ(send(id), "<A/>");
    RKDBPluginUnregister("rkt_reg");
    RKDBPluginUnregister("rkt_other");
    EXPECT_EQ(RKDBPluginRegister(nullptr, replyA, releaseCounting), 0u);
}

TEST_F(DataBridge, FailedReplyNeverReachesTheAgent) {
    set("KWTEST_FAIL", "reply:2");
    kwtest::TestAgent agent("rkt_script");
    agent.on("ping", "<P/>");
    std::string replies;
    for (int i = 0; i < 3; ++i) replies += send(RKDBPluginGetIDByPrefix("rkt_script"));
    EXPECT_EQ(replies, "<P/><none><P/>");
    EXPECT_EQ(agent.requests().size(), 2u);
}

TEST_F(DataBridge, LoadsAgentsFromPluginPathThenItsOwnFolder) {
    const fs::path dir = fs::temp_directory_path() / ("rk_bridge_" + std::to_string(getpid()));
    for (const char* file : {"first/librkt_path.so", "second/librkt_path.so", "second/librkt_later.so"}) {
        fs::create_directories((dir / file).parent_path());
        fs::copy_file(RK_ECHO_AGENT, dir / file, fs::copy_options::overwrite_existing);
    }
    std::ofstream(dir / "first/librkt_broken.so") << "not a shared object";
    set("RKDB_PLUGIN_PATH", ("/nonexistent::" + (dir / "first").string() + ":" + (dir / "second").string()).c_str());
    EXPECT_EQ(answeringFolder(RKDBPluginGetIDByPrefix("rkt_path")), fs::canonical(dir / "first"));
    EXPECT_EQ(answeringFolder(RKDBPluginGetIDByPrefix("rkt_later")), fs::canonical(dir / "second"));
    const uint32_t echo = RKDBPluginGetIDByPrefix("rkecho");
    EXPECT_EQ(answeringFolder(echo), fs::canonical(fs::path(RK_ECHO_AGENT).parent_path()));
    for (const char* prefix : {"rkt_missing", "rkt_broken", "", "../first/rkt_path", "rkt_path/.."})
        EXPECT_EQ(RKDBPluginGetIDByPrefix(prefix), 0u) << prefix;
    fs::remove_all(dir);
    // The whole request reaches the agent, and each reply goes back to it.
    EXPECT_NE(send(echo).find("<Arg>vexcmd=ping</Arg><Arg>GlobalNo=0</Arg>"), std::string::npos);
    void* handle = dlopen(RK_ECHO_AGENT, RTLD_NOW | RTLD_NOLOAD);
    EXPECT_EQ(reinterpret_cast<int (*)()>(dlsym(handle, "rkEchoLiveReplies"))(), 0);
    dlclose(handle);
    // An in-process agent wins over the loaded one.
    EXPECT_EQ(RKDBPluginRegister("rkecho", replyA, releaseCounting), echo);
    EXPECT_EQ(send(echo), "<A/>");
    RKDBPluginUnregister("rkecho");
}

}  // namespace
