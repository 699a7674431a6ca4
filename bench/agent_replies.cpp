// The data agent's replies: building the reply text for n objects, and a
// whole request (state read, objects derived, reply built) against a
// generated system seeded once per size.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "replies.h"
#include "reply.h"

namespace {

using rkbench::kLarge;
using rkbench::kMedium;
using rkbench::kSmall;

kwda::Elements diskElements(int i) {
    return {{"GlobalNo", "0"},           {"Channel", "0"},
            {"EnclosureID", std::to_string(i / 64)},
            {"TargetID", std::to_string(i % 64)},
            {"ObjID", std::to_string(100 + i)},
            {"ObjType", "PhysicalDisk"}, {"State", "Ready"},
            {"BusProtocol", "8"},        {"MediaType", "HDD"},
            {"Length", "1199638052864"}, {"UsedLength", "0"},
            {"FreeLength", "1199638052864"},
            {"Vendor", "Halden & Co"},   {"ProductID", "HL1200-SAS10K"},
            {"SerialNumber", "HLD00" + std::to_string(1000000 + i)},
            {"FirmwareVersion", "KT07"}, {"NegotiatedSpeed", "12 Gbps"},
            {"Blink", "Off"},            {"AttributesMask", "10000000000"},
            {"MasterMethodMask", "11011111110011"},
            {"CurrentMethodMask", "1000000010001"}};
}

void BM_AgentBuildsReply(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    std::vector<kwda::Elements> objects;
    for (int i = 0; i < n; ++i) objects.push_back(diskElements(i));
    size_t bytes = 0;
    for (auto _ : state) {
        kwda::ReplyBuilder out("getArrayDisksForController");
        for (const auto& object : objects) out.addObject(object);
        std::string text = out.finish();
        bytes = text.size();
        benchmark::DoNotOptimize(text.data());
    }
    state.SetItemsProcessed(state.iterations() * n);
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes));
}
BENCHMARK(BM_AgentBuildsReply)->Arg(kSmall)->Arg(kMedium)->Arg(kLarge)->Unit(benchmark::kMicrosecond);

#ifdef RK_BENCH_AGENT

extern "C" char* RKDBAgentSendCmd(uint32_t count, const char* const* vector);
extern "C" void RKDBAgentFreeData(char* reply);

// A state of the generated system with `disks` disks on controller 0
// (8 connectors of 4 enclosures), seeded on first use; empty when the
// profile cannot be generated.
std::string stateFor(int64_t disks) {
    const std::string folder = std::string(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") +
                               "/rk_microbench." + std::to_string(::getpid());
    const std::string profile = folder + "/profile-" + std::to_string(disks) + ".xml";
    const std::string state = folder + "/state-" + std::to_string(disks) + ".db";
    const std::string command = "mkdir -p '" + folder + "' && python3 '" RK_GENPROFILE "' --connectors 8 --enclosures 4 --disks " +
                                std::to_string(disks / 32 > 0 ? disks / 32 : 1) + " --vdisks 2 -o '" + profile + "'";
    if (std::system(command.c_str()) != 0) return {};
    setenv("KWDA_PROFILE", profile.c_str(), 1);
    return state;
}

// Every disk of the controller in one reply, as the disk listing and
// createvdisk ask for them.
void BM_AgentAnswersDisksForController(benchmark::State& state) {
    const std::string path = stateFor(state.range(0));
    if (path.empty()) {
        state.SkipWithError("python3 bench/genprofile.py is needed to seed the state");
        return;
    }
    setenv("KWDA_STATE", path.c_str(), 1);
    const char* const request[] = {"vexcmd=getArrayDisksForController", "GlobalNo=0", "CLI=true"};
    // The first request seeds the state: not part of what is measured.
    RKDBAgentFreeData(RKDBAgentSendCmd(3, request));
    for (auto _ : state) {
        char* reply = RKDBAgentSendCmd(3, request);
        if (reply == nullptr || std::string(reply).find("status=\"0\"") == std::string::npos) {
            state.SkipWithError("the agent refused the request");
            RKDBAgentFreeData(reply);
            break;
        }
        RKDBAgentFreeData(reply);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
    std::remove(path.c_str());
}
BENCHMARK(BM_AgentAnswersDisksForController)->Arg(kMedium)->Arg(kLarge)->Unit(benchmark::kMillisecond);

#endif

}  // namespace
