// A data agent that echoes every request as <Echo><From>file it was loaded
// from</From><Arg>element</Arg>...</Echo> and counts the replies still held.
#include <dlfcn.h>
#include <stdint.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <string>

#define ECHO_EXPORT extern "C" __attribute__((visibility("default")))

static std::atomic<int> g_liveReplies{0};

ECHO_EXPORT char* RKDBAgentSendCmd(uint32_t count, const char* const* vector) {
    Dl_info info{};
    dladdr(reinterpret_cast<void*>(&g_liveReplies), &info);
    std::string reply = std::string("<Echo><From>") + (info.dli_fname ? info.dli_fname : "") + "</From>";
    for (uint32_t i = 0; i < count; ++i) reply += std::string("<Arg>") + vector[i] + "</Arg>";
    ++g_liveReplies;
    return strdup((reply + "</Echo>").c_str());
}

ECHO_EXPORT void RKDBAgentFreeData(char* reply) {
    --g_liveReplies;
    std::free(reply);
}

ECHO_EXPORT int rkEchoLiveReplies() { return g_liveReplies.load(); }
