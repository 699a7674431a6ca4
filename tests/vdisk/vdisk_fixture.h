// A small scripted storage system for the virtual disk command and its
// rules, helpers to run the command line and read its answer, and a check
// that every counted object obtained during a test was released again.
//
// Controller 0 (VendorID 1, names up to 15 characters) supports r0, r1, r5,
// r10; read policies rc, nrc, ra; write policies wb, wt; cache policy d; disk
// cache policy enabled; stripe sizes 64kb and 128kb. Its virtual disks:
//   0  everything allowed, size changeable, name "Data", policies ra, wb,
//      d, enabled; array disks 0:0:0 and 0:0:1, dedicated hot spare 0:0:3
//   1  "format" unsupported, "initialize" not allowed now, size fixed,
//      empty name
//   2  a child of 0 (ParentVDID): never listed
//   3  everything allowed; dedicated hot spare 0:0:2; no candidates
// Its connector 0 (protocol 8) holds enclosure disks 0:0:0 to 0:0:6; 0:0:4
// is a global hot spare. The agent offers 0:0:5 and 0:0:6 as dedicated hot
// spares of virtual disk 0.
// Controller 1 has no virtual disks. Controller 2 (VendorID 0, names up to 8
// characters) reports no capabilities, no connectors, and one virtual disk 0
// that already has a dedicated hot spare.
#pragma once

#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "plugin/handlers.h"
#include "plugin_run.h"
#include "vexcs32.h"

extern "C" std::remove_pointer_t<NVValidateFunc> CmdConfigVirtualDisksValidateFunc;

namespace vdtest {

using namespace kwtest;
using Object = TestAgent::Object;

constexpr uint32_t kAllActions = 0xFFFFFF;
constexpr uint32_t kFormatBit = 0x2;
constexpr uint32_t kInitializeBit = 0x40;
constexpr uint32_t kSizeChangeable = 0x8000;
constexpr uint32_t kInEnclosure = 0x400;
constexpr uint32_t kGlobalHotSpare = 0x80;
constexpr uint32_t kDedicatedHotSpare = 0x100;

inline Outcome runCommand(const std::vector<std::string>& parameters) {
    return kwtest::runConfig(CmdConfigVirtualDisks, "vdisk", parameters);
}

// Scripts the system described at the top of this file.
inline void scriptSystem(kwtest::TestAgent& agent) {
    agent.on("getControllerList", reply({{{"GlobalNo", "0"}}, {{"GlobalNo", "1"}}, {{"GlobalNo", "2"}}}));

    const std::string all = bits(kAllActions);
    agent.on("getVirtualDisksForController", {"GlobalNo=0"},
             reply({
                 {{"LogicalDriveNum", "0"}, {"ObjID", "200"}, {"MasterMethodMask", all}, {"CurrentMethodMask", all},
                  {"AttributesMask", bits(kSizeChangeable | 0x1)}},
                 {{"LogicalDriveNum", "1"}, {"ObjID", "201"}, {"MasterMethodMask", bits(kAllActions & ~kFormatBit)},
                  {"CurrentMethodMask", bits(kAllActions & ~kInitializeBit)}, {"AttributesMask", bits(0x1)}},
                 {{"LogicalDriveNum", "2"}, {"ParentVDID", "0"}, {"ObjID", "202"}, {"MasterMethodMask", all},
                  {"CurrentMethodMask", all}, {"AttributesMask", "0"}},
                 {{"LogicalDriveNum", "3"}, {"ObjID", "203"}, {"MasterMethodMask", all}, {"CurrentMethodMask", all},
                  {"AttributesMask", bits(kSizeChangeable)}},
             }));
    agent.on("getVirtualDisksForController", {"GlobalNo=1"}, reply({}));
    agent.on("getVirtualDisksForController", {"GlobalNo=2"},
             reply({{{"LogicalDriveNum", "0"}, {"ObjID", "300"}, {"MasterMethodMask", all},
                     {"CurrentMethodMask", all}, {"AttributesMask", bits(kSizeChangeable)}}}));

    agent.on("getController", {"GlobalNo=0"},
             reply({{{"GlobalNo", "0"}, {"VendorID", "1"}, {"MaxNameLength", "15"},
                     {"RAIDLevelsMask", bits(2 | 4 | 64 | 512)}, {"ReadPolicyMask", bits(1 | 2 | 4)},
                     {"WritePolicyMask", bits(4 | 8)}, {"CachePolicyMask", bits(1)},
                     {"DiskCachePolicyMask", bits(1)}, {"StripeSizesMask", bits(128 | 256)}}}));
    agent.on("getController", {"GlobalNo=1"}, reply({{{"GlobalNo", "1"}, {"VendorID", "1"}, {"MaxNameLength", "15"}}}));
    agent.on("getController", {"GlobalNo=2"}, reply({{{"GlobalNo", "2"}, {"VendorID", "0"}, {"MaxNameLength", "8"}}}));

    agent.on("getVirtualDisk", {"GlobalNo=0", "LogicalDriveNum=0"},
             reply({{{"LogicalDriveNum", "0"}, {"Name", "Data"}, {"ReadPolicy", "4"}, {"WritePolicy", "4"},
                     {"CachePolicy", "1"}, {"DiskCachePolicy", "1"}}}));
    agent.on("getVirtualDisk", {"GlobalNo=0", "LogicalDriveNum=1"},
             reply({{{"LogicalDriveNum", "1"}, {"Name", ""}, {"ReadPolicy", "1"}}}));
    agent.on("getVirtualDisk", {"GlobalNo=0", "LogicalDriveNum=3"},
             reply({{{"LogicalDriveNum", "3"}, {"Name", "Logs"}, {"ReadPolicy", "1"}}}));
    agent.on("getVirtualDisk", {"GlobalNo=2", "LogicalDriveNum=0"},
             reply({{{"LogicalDriveNum", "0"}, {"Name", "Vol"}, {"ReadPolicy", "1"}}}));

    const std::string member = bits(kInEnclosure);
    const std::string dedicated = bits(kInEnclosure | kDedicatedHotSpare);
    agent.on("getArrayDisksForVirtualDisk", {"GlobalNo=0", "LogicalDriveNum=0"},
             reply({{{"Channel", "0"}, {"TargetID", "0"}, {"AttributesMask", member}},
                    {{"Channel", "0"}, {"TargetID", "1"}, {"AttributesMask", member}},
                    {{"Channel", "0"}, {"TargetID", "3"}, {"AttributesMask", dedicated}}}));
    agent.on("getArrayDisksForVirtualDisk", {"GlobalNo=0", "LogicalDriveNum=3"},
             reply({{{"Channel", "0"}, {"TargetID", "2"}, {"AttributesMask", dedicated}}}));
    agent.on("getArrayDisksForVirtualDisk", {"GlobalNo=2", "LogicalDriveNum=0"},
             reply({{{"Channel", "0"}, {"TargetID", "0"}, {"AttributesMask", bits(kDedicatedHotSpare)}}}));

    auto enclosureDisk = [](const char* target, uint32_t attributes) {
        return Object{{"Channel", "0"}, {"BusProtocol", "8"}, {"EnclosureID", "0"},
                      {"TargetID", target}, {"AttributesMask", bits(attributes)}};
    };
    agent.on("getCapsForDHS", {"GlobalNo=0", "LogicalDriveNum=0"},
             reply({enclosureDisk("5", kInEnclosure), enclosureDisk("6", kInEnclosure)}));
    agent.on("getCapsForDHS", reply({}));
    agent.on("sendPassThruCmdToDCSIF", {"param2=200"},
             reply({enclosureDisk("0", kInEnclosure), enclosureDisk("1", kInEnclosure),
                    enclosureDisk("3", kInEnclosure | kDedicatedHotSpare)}));
    agent.on("sendPassThruCmdToDCSIF", {"param2=203"}, reply({enclosureDisk("2", kInEnclosure | kDedicatedHotSpare)}));

    agent.on("getChannelsForController", {"GlobalNo=0"},
             reply({{{"ObjID", "10"}, {"Channel", "0"}, {"BusProtocol", "8"}}}));
    agent.on("getChannelsForController", reply({}));
    std::vector<Object> disks;
    static const char* const kTargets[] = {"0", "1", "2", "3", "4", "5", "6"};
    for (int t = 0; t < 7; ++t) {
        uint32_t attributes = kInEnclosure | (t == 4 ? kGlobalHotSpare : 0) | (t == 3 || t == 2 ? kDedicatedHotSpare : 0);
        Object disk = enclosureDisk(kTargets[t], attributes);
        disk.insert(disk.begin(), {"ObjID", std::to_string(20 + t)});
        disks.push_back(disk);
    }
    agent.on("getArrayDisksForChannel", {"GlobalNo=0", "Channel=0"}, reply(disks));

    // Every write succeeds.
    agent.otherwise([](const Request& request) -> std::optional<std::string> {
        if (!request.empty() && request[0].rfind("vexcmd=set", 0) == 0) return reply({});
        return std::nullopt;
    });
}

class VdiskTest : public kwtest::CountedTest {
protected:
    void SetUp() override {
        CountedTest::SetUp();
        scriptSystem(agent);
    }
    // Makes the n-th request to the agent from now on get no reply.
    static void silenceRequest(int n) { failAt("reply", n); }
    // The write requests the agent received (commands beginning with "set").
    std::vector<Request> writes() const {
        std::vector<Request> out;
        for (const auto& r : agent.requests())
            if (!r.empty() && r[0].rfind("vexcmd=set", 0) == 0) out.push_back(r);
        return out;
    }
};

}  // namespace vdtest
