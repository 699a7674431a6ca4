// Shared set-up for the device configuration tests: a scripted agent that
// describes one small system, runs of the configuration handlers and direct
// calls of their validation callbacks, and a check that nothing counted
// stays live afterwards.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>

#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "cmdfw32.h"
#include "kwsup/kwsup.h"
#include "plugin/handlers.h"
#include "testagent.h"
#include "vexcs32.h"

extern "C" {
int32_t CmdConfigArrayDisksValidateFunc(void*, void*, uint32_t, char**, uint32_t*, char**, void*, void*, char*, char*);
int32_t CmdConfigBatteryValidateFunc(void*, void*, uint32_t, char**, uint32_t*, char**, void*, void*, char*, char*);
int32_t CmdConfigEnclosureValidateFunc(void*, void*, uint32_t, char**, uint32_t*, char**, void*, void*, char*, char*);
int32_t CmdConfigChannelsValidateFunc(void*, void*, uint32_t, char**, uint32_t*, char**, void*, void*, char*, char*);
int32_t CmdConfigServiceRequestValidateFunc(void*, void*, uint32_t, char**, uint32_t*, char**, void*, void*, char*,
                                            char*);
int32_t CmdConfigService_PatrolReadRate_ValidateFunc(void*, void*, uint32_t, char**, uint32_t*, char**, void*, void*,
                                                    char*, char*);
int32_t CmdConfigServiceMissingDiskValidateFunc(void*, void*, uint32_t, char**, uint32_t*, char**, void*, void*,
                                                char*, char*);
}

namespace devtest {

using Object = kwtest::TestAgent::Object;
using Strings = std::vector<std::string>;
using Handler = CLPSResponse* (*)(int32_t, char**);

struct ResponseDeleter {
    void operator()(CLPSResponse* r) const { CLPSFreeResponse(r); }
};
using Response = std::unique_ptr<CLPSResponse, ResponseDeleter>;

inline std::string str(const char* s) { return s ? s : ""; }

// A binary-digit mask text with the given bits, 32 digits.
inline std::string mask(uint32_t bits) {
    std::string out;
    for (int i = 31; i >= 0; --i) out += (bits >> i) & 1u ? '1' : '0';
    return out;
}

inline Strings split(const std::string& line) {
    Strings out;
    size_t start = 0;
    while (start < line.size()) {
        size_t end = line.find(' ', start);
        if (end == std::string::npos) end = line.size();
        if (end > start) out.push_back(line.substr(start, end - start));
        start = end + 1;
    }
    return out;
}

// What a command or a callback answered.
struct Outcome {
    int32_t status = 0;
    std::string arg1;
    std::string arg2;
    Strings request;  // the request sent, the agent command first
};

class DevicesTest : public ::testing::Test {
protected:
    void SetUp() override {
        unsetenv("KWTEST_FAIL");
        KWTestReset();
        scriptSystem();
    }
    void TearDown() override {
        expectNothingLive();
        unsetenv("KWTEST_FAIL");
        KWTestReset();
    }

    static void expectNothingLive() {
        for (int kind = 0; kind < KWLIVE_KIND_COUNT; ++kind)
            EXPECT_EQ(KWTestLiveCount(static_cast<KWTestLive>(kind)), 0) << "live objects of kind " << kind;
    }

    static std::string reply(const std::vector<Object>& objects) { return kwtest::TestAgent::reply(objects); }

    // Scripts of this test's system. A script with arguments applies to the
    // requests that carry all of them; the most specific applies, and a later
    // one replaces an earlier one of the same arguments. A silenced command
    // gets no reply whatever its scripts. Every configuration ("set...")
    // request is accepted.
    void script(const std::string& command, const Strings& args, const std::string& replyText) {
        scripts.push_back({command, args, replyText});
    }
    void script(const std::string& command, const std::string& replyText) { script(command, {}, replyText); }
    void silence(const std::string& command) { silenced.insert(command); }

    std::optional<std::string> answer(const kwtest::Request& request) const {
        if (request.empty() || request[0].rfind("vexcmd=", 0) != 0) return std::nullopt;
        std::string command = request[0].substr(7);
        if (silenced.count(command)) return std::nullopt;
        const Script* best = nullptr;
        for (const auto& s : scripts) {
            if (s.command != command) continue;
            bool all = true;
            for (const auto& a : s.args)
                all = all && std::find(request.begin(), request.end(), a) != request.end();
            if (all && (!best || s.args.size() >= best->args.size())) best = &s;
        }
        if (best) return best->reply;
        if (command.rfind("set", 0) == 0 || command == "sendPassThruCmdToDCSIF")
            return std::string("<?xml version=\"1.0\"?>\n<Reply status=\"0\"></Reply>");
        return std::nullopt;
    }

    // Controllers 0 and 1. Controller 0: connector 0 (protocol 8) with
    // enclosure 0:0 holding disks 0:0:0 and 0:0:1, connector 1 (protocol 7)
    // with disk 1:4; virtual disks 0 and 1; battery 0 with a limit of one
    // week; two temperature probes. Controller 1 has nothing. Every method
    // mask offers everything unless a test says otherwise.
    void scriptSystem() {
        const std::string all = mask(0xFFFFFFFFu);
        script("getControllerList", reply({{{"GlobalNo", "0"}}, {{"GlobalNo", "1"}}}));
        script("getController", {"GlobalNo=0"},
                 reply({{{"GlobalNo", "0"}, {"Name", "TOLV SATA 1.5/6ch"}, {"PatrolReadRate", "30"}}}));
        script("getController", {"GlobalNo=1"}, reply({{{"GlobalNo", "1"}, {"Name", "RK SAS 8"}}}));
        script("getChannelsForController", {"GlobalNo=0"},
                 reply({{{"ObjID", "10"}, {"Channel", "0"}, {"BusProtocol", "8"}, {"MasterMethodMask", all},
                         {"CurrentMethodMask", all}},
                        {{"ObjID", "11"}, {"Channel", "1"}, {"BusProtocol", "7"}, {"MasterMethodMask", all},
                         {"CurrentMethodMask", all}}}));
        script("getChannelsForController", {"GlobalNo=1"}, reply({}));
        std::vector<Object> disks = {disk("0", "0", "0"), disk("0", "0", "1"), disk("1", "", "4")};
        script("getArrayDisksForChannel", {"GlobalNo=0", "Channel=0"}, reply({disks[0], disks[1]}));
        script("getArrayDisksForChannel", {"GlobalNo=0", "Channel=1"}, reply({disks[2]}));
        script("getArrayDisksForController", {"GlobalNo=0"}, reply(disks));
        script("getEnclosuresForChannel", {"GlobalNo=0", "Channel=0"},
                 reply({{{"ObjID", "20"}, {"Channel", "0"}, {"EnclosureID", "0"}}}));
        script("getEnclosuresForChannel", {"GlobalNo=0", "Channel=1"}, reply({}));
        script("getEnclosuresForController", {"GlobalNo=0"},
                 reply({{{"Channel", "0"}, {"BusProtocol", "8"}, {"EnclosureID", "0"}, {"MasterMethodMask", all},
                         {"CurrentMethodMask", all}}}));
        script("getEnclosure", reply({{{"AssetTag", "TAG1"}, {"AssetName", "RackA"}}}));
        script("getEnclosureTemperatureProbes",
                 reply({probe("0", "10", "40", "5", "40", "30", "60"), probe("1", "8", "50", "0", "20", "40", "70")}));
        script("getBatteriesForController", {"GlobalNo=0"},
                 reply({{{"BatteryID", "0"}, {"MasterMethodMask", all}, {"CurrentMethodMask", all}}}));
        script("getBatteriesForController", {"GlobalNo=1"}, reply({}));
        script("getBattery", reply({{{"BatteryID", "0"}, {"MaxLearnDelay", "168"}}}));
        script("getVirtualDisksForController", {"GlobalNo=0"},
                 reply({{{"LogicalDriveNum", "0"}}, {{"LogicalDriveNum", "1"}}}));
        script("getVirtualDisksForController", {"GlobalNo=1"}, reply({}));
        script("sendPassThruCmdToDCSIF", {"param0=report"},
                 reply({{{"MasterMethodMask", all}, {"CurrentMethodMask", all}}}));
        agent.otherwise([this](const kwtest::Request& request) { return answer(request); });
    }

    static Object disk(const std::string& channel, const std::string& enclosure, const std::string& target,
                       uint32_t master = 0xFFFFFFFFu, uint32_t current = 0xFFFFFFFFu) {
        Object o = {{"ObjID", "3" + channel + target}, {"Channel", channel}};
        if (!enclosure.empty()) o.push_back({"EnclosureID", enclosure});
        o.push_back({"TargetID", target});
        o.push_back({"AttributesMask", mask(enclosure.empty() ? 0 : 0x400)});
        o.push_back({"MasterMethodMask", mask(master)});
        o.push_back({"CurrentMethodMask", mask(current)});
        return o;
    }

    static Object probe(const std::string& index, const std::string& minWarning, const std::string& maxWarning,
                        const std::string& lowMin, const std::string& highMin, const std::string& lowMax,
                        const std::string& highMax) {
        return {{"Index", index},           {"MinWarning", minWarning},     {"MaxWarning", maxWarning},
                {"LowEndMinWarning", lowMin}, {"HighEndMinWarning", highMin}, {"LowEndMaxWarning", lowMax},
                {"HighEndMaxWarning", highMax}};
    }

    // Runs "rkconfig storage <object> <params>" through the handler.
    static Outcome run(Handler handler, const std::string& object, const std::string& params) {
        Strings words = {"rkconfig", "storage", object};
        for (auto& w : split(params)) words.push_back(w);
        std::vector<char*> argv;
        for (auto& w : words) argv.push_back(w.data());
        argv.push_back(nullptr);
        Response response(handler(static_cast<int32_t>(words.size()), argv.data()));
        Outcome out;
        if (!response) return out;
        out.status = response->status;
        out.arg1 = str(response->arg1);
        out.arg2 = str(response->arg2);
        for (uint32_t i = 0; i < response->requestCount; ++i) out.request.push_back(str(response->request[i]));
        return out;
    }

    // Calls a validation callback directly with the user's parameters and
    // the request arguments the framework would have placed; request holds
    // the arguments as the callback left them.
    static Outcome call(NVValidateFunc callback, const std::string& params, const Strings& requestArgs = {}) {
        return call(callback, split(params), requestArgs);
    }
    static Outcome call(NVValidateFunc callback, Strings words, const Strings& requestArgs = {}) {
        std::vector<char*> argv;
        for (auto& w : words) argv.push_back(w.data());
        std::vector<char*> vector(64, nullptr);
        uint32_t count = 0;
        for (const auto& a : requestArgs) {
            char* block = static_cast<char*>(ZCSAllocMem(CLPS_BLOCK_SIZE));
            snprintf(block, CLPS_BLOCK_SIZE, "%s", a.c_str());
            vector[count++] = block;
        }
        std::vector<char> arg1(CLPS_MSG_ARG_SIZE, '\0');
        std::vector<char> arg2(CLPS_MSG_ARG_SIZE, '\0');
        Outcome out;
        out.status = callback(nullptr, nullptr, static_cast<uint32_t>(argv.size()), argv.data(), &count,
                              vector.data(), nullptr, nullptr, arg1.data(), arg2.data());
        out.arg1 = arg1.data();
        out.arg2 = arg2.data();
        for (uint32_t i = 0; i < count; ++i) {
            out.request.push_back(str(vector[i]));
            ZCSFreeMem(vector[i]);
        }
        return out;
    }

    // Makes the n-th call of a kind fail, counting from now.
    static void failAt(const std::string& kind, int n) {
        setenv("KWTEST_FAIL", (kind + ":" + std::to_string(n)).c_str(), 1);
        KWTestReset();
    }

    struct Script {
        std::string command;
        Strings args;
        std::string reply;
    };
    std::vector<Script> scripts;
    std::set<std::string> silenced;
    kwtest::TestAgent agent;
};

}  // namespace devtest
