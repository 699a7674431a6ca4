// A data agent that answers every request by echoing it:
//   <Echo><From>file it was loaded from</From><Arg>element</Arg>...</Echo>
// and counts its replies still held by the caller (rkEchoLiveReplies).
#include <dlfcn.h>
#include <stdint.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <string>

#define ECHO_EXPORT extern "C" __attribute__((visibility("default")))

namespace {
std::atomic<int> g_liveReplies{0};

std::string ownFile() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&g_liveReplies), &info) == 0 || info.dli_fname == nullptr) return "";
    return info.dli_fname;
}
}  // namespace

ECHO_EXPORT char* RKDBAgentSendCmd(uint32_t count, const char* const* vector) {
    std::string reply = "<?xml version=\"1.0\"?>\n<Echo><From>" + ownFile() + "</From>";
    for (uint32_t i = 0; i < count; ++i) reply += std::string("<Arg>") + vector[i] + "</Arg>";
    reply += "</Echo>\n";
    ++g_liveReplies;
    return strdup(reply.c_str());
}

ECHO_EXPORT void RKDBAgentFreeData(char* reply) {
    --g_liveReplies;
    std::free(reply);
}

ECHO_EXPORT int rkEchoLiveReplies() { return g_liveReplies.load(); }
