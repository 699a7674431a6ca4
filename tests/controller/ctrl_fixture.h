// A scripted storage system for the controller command, its lookups and the
// creation checks, helpers to run the command line or call the callback
// directly, and a check that every counted object was released.
//
// Controller 0: every action supported and allowed. Name "Main", names up to
// 15 characters, every task rate "30", patrol read modes auto and manual.
// Offers raid r0, r1, r5, r6, r10, r50, r60 (not c, r1c), read policies rc,
// nrc, ra; write policies wb, wt; cache policy d; stripe sizes 64kb, 128kb.
// Connector 0 (protocol 8) holds enclosure disks 0:0:0 to 0:0:11 (ObjID 20
// upwards). Two virtual disks, at most 4. Creation answers 100 MiB to 2 TiB
// for every layout, but 1 byte to 2 TiB for r0.
// Controller 1: creation and testalarm supported but not allowed now; at its
// limit of 2 virtual disks; no ReconstructRate, no PatrolReadModeMask.
// Controller 2: only resetconfig and createvdisk supported, neither allowed;
// below its limit of 8.
// Controller 3: supports nothing.
#pragma once

#include <stdlib.h>

#include <optional>
#include <string>
#include <vector>

#include "commands/config/controller.h"
#include "kwsup/kwsup.h"
#include "plugin/handlers.h"
#include "plugin_run.h"
#include "vexcs32.h"

namespace ctrltest {

using namespace kwtest;
using Object = TestAgent::Object;

constexpr uint32_t kAllActions = 0x3FFFFFF;
constexpr uint32_t kCreateBit = 0x40;
constexpr uint32_t kTestAlarmBit = 0x800;
constexpr uint32_t kResetConfigBit = 0x80;
constexpr char kMinSize[] = "104857600";
constexpr char kMaxSize[] = "2199023255552";

// Every layout bit a creation can ask for.
inline const std::vector<std::string>& layoutBits() {
    static const std::vector<std::string> all = {"1", "2", "4", "64", "128", "512", "2048", "4096", "262144"};
    return all;
}

// The value of "name=" in a request, or null.
inline const std::string* findArg(const Request& request, const std::string& name) {
    for (const auto& element : request)
        if (element.rfind(name + "=", 0) == 0) return &element;
    return nullptr;
}

inline void scriptSystem(kwtest::TestAgent& agent) {
    agent.on("getControllerList",
             reply({{{"GlobalNo", "0"}, {"ObjID", "100"}, {"MasterMethodMask", bits(kAllActions)},
                     {"CurrentMethodMask", bits(kAllActions)}},
                    {{"GlobalNo", "1"}, {"ObjID", "101"}, {"MasterMethodMask", bits(kAllActions)},
                     {"CurrentMethodMask", bits(kAllActions & ~(kCreateBit | kTestAlarmBit))}},
                    {{"GlobalNo", "2"}, {"ObjID", "102"}, {"MasterMethodMask", bits(kResetConfigBit | kCreateBit)},
                     {"CurrentMethodMask", "0"}},
                    {{"GlobalNo", "3"}, {"ObjID", "103"}, {"MasterMethodMask", "0"}, {"CurrentMethodMask", "0"}}}));

    agent.on("getController", {"GlobalNo=0"},
             reply({{{"GlobalNo", "0"}, {"Name", "Main"}, {"MaxNameLength", "15"}, {"RebuildRate", "30"},
                     {"BGIRate", "30"}, {"CheckConsistencyRate", "30"}, {"PatrolReadRate", "30"},
                     {"ReconstructRate", "30"}, {"PatrolReadModeMask", "011"},
                     {"RAIDLevelsMask", bits(2 | 4 | 64 | 128 | 512 | 2048 | 262144)},
                     {"ReadPolicyMask", bits(1 | 2 | 4)}, {"WritePolicyMask", bits(4 | 8)},
                     {"CachePolicyMask", bits(1)}, {"StripeSizesMask", bits(128 | 256)}}}));
    agent.on("getController", {"GlobalNo=1"},
             reply({{{"GlobalNo", "1"}, {"Name", "Second"}, {"MaxNameLength", "15"}, {"RebuildRate", "30"},
                     {"BGIRate", "30"}}}));
    agent.on("getController", {"GlobalNo=2"}, reply({{{"GlobalNo", "2"}}}));
    agent.on("getController", {"GlobalNo=3"}, reply({{{"GlobalNo", "3"}}}));

    agent.on("getSingleControllerArrayInfo", {"GlobalNo=0"},
             reply({{{"MaxVDAllowed", "4"}}, {{"LogicalDriveNum", "0"}}, {{"LogicalDriveNum", "1"}}}));
    agent.on("getSingleControllerArrayInfo", {"GlobalNo=1"},
             reply({{{"MaxVDAllowed", "2"}}, {{"LogicalDriveNum", "0"}}, {{"LogicalDriveNum", "1"}}}));
    agent.on("getSingleControllerArrayInfo", {"GlobalNo=2"}, reply({{{"MaxVDAllowed", "8"}}}));

    agent.on("getChannelsForController", {"GlobalNo=0"},
             reply({{{"ObjID", "10"}, {"Channel", "0"}, {"BusProtocol", "8"}}}));
    agent.on("getChannelsForController", reply({}));
    std::vector<Object> disks;
    for (int t = 0; t < 12; ++t)
        disks.push_back({{"ObjID", std::to_string(20 + t)}, {"Channel", "0"}, {"BusProtocol", "8"},
                         {"EnclosureID", "0"}, {"TargetID", std::to_string(t)}, {"AttributesMask", bits(0x400)}});
    agent.on("getArrayDisksForChannel", {"GlobalNo=0", "Channel=0"}, reply(disks));

    agent.on("getVirtualDisk", {"GlobalNo=0"}, reply({{{"Name", "Data"}}, {{"Name", "Logs"}}}));

    // getArrayDisk answers one object per listed disk (ObjID 20 + target);
    // the creation capabilities answer every layout; every write succeeds.
    agent.otherwise([](const Request& request) -> std::optional<std::string> {
        if (request.empty()) return std::nullopt;
        if (request[0].rfind("vexcmd=set", 0) == 0) return reply({});
        if (request[0] == "vexcmd=getArrayDisk") {
            const std::string* list = findArg(request, "adisk");
            std::vector<Object> objects;
            std::string rest = list ? list->substr(6) : "";
            size_t start = 0;
            while (start <= rest.size()) {
                size_t comma = rest.find(',', start);
                std::string id = rest.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
                size_t colon = id.rfind(':');
                if (!id.empty()) objects.push_back({{"ObjID", std::to_string(20 + atoi(id.c_str() + colon + 1))}});
                if (comma == std::string::npos) break;
                start = comma + 1;
            }
            return reply(objects);
        }
        if (request[0] == "vexcmd=sendPassThruCmdToDCSIF") {
            std::vector<Object> caps;
            for (const auto& layout : layoutBits())
                caps.push_back({{"Layout", layout}, {"MinimumLength", layout == "2" ? "1" : kMinSize},
                                {"Length", kMaxSize}});
            return reply(caps);
        }
        return std::nullopt;
    });
}

inline Outcome runCommand(const std::vector<std::string>& parameters) {
    return kwtest::runConfig(CmdConfigController, "controller", parameters);
}

constexpr char kSentinel[] = "untouched";

// One direct call of the callback: the user's words, a request vector of
// 256-byte blocks as the framework would build it, sentinel message buffers.
class Call : public kwtest::CallbackCall {
public:
    Call(std::vector<std::string> user, const std::vector<std::string>& request)
        : CallbackCall(CmdConfigControllerValidateFunc, std::move(user), request, kSentinel) {}
};

class ControllerTest : public kwtest::CountedTest {
protected:
    void SetUp() override {
        CountedTest::SetUp();
        scriptSystem(agent);
    }
    std::vector<Request> writes() const {
        std::vector<Request> out;
        for (const auto& r : agent.requests())
            if (!r.empty() && (r[0].rfind("vexcmd=set", 0) == 0 || (r.size() > 1 && r[1] == "NumDCSIFArgs=1")))
                out.push_back(r);
        return out;
    }
};

}  // namespace ctrltest
