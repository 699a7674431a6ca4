// One small scripted system for the device configuration tests, and lines run
// through the configuration handlers or straight into their callbacks.
#pragma once

#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "cmdfw32.h"
#include "kwsup/kwsup.h"
#include "plugin/handlers.h"
#include "plugin_run.h"
#include "vexcs32.h"

using ValidateFn = std::remove_pointer_t<NVValidateFunc>;
extern "C" {
ValidateFn CmdConfigArrayDisksValidateFunc, CmdConfigBatteryValidateFunc, CmdConfigEnclosureValidateFunc;
ValidateFn CmdConfigServiceRequestValidateFunc, CmdConfigService_PatrolReadRate_ValidateFunc;
ValidateFn CmdConfigServiceMissingDiskValidateFunc;
}

namespace devtest {

using Object = kwtest::TestAgent::Object;
using Strings = std::vector<std::string>;
using kwtest::Outcome;

inline std::string mask(uint32_t bits) { return kwtest::bits(bits); }

// A command ("adisk", ...) or, ending in "?", its validation callback alone.
struct Target {
    const char* name;
    kwtest::Handler handler;
    NVValidateFunc callback;
};
inline const Target kTargets[] = {
    {"adisk",           CmdConfigArrayDisks,    nullptr},
    {"pdisk",           CmdConfigPhysicalDisks, nullptr},
    {"battery",         CmdConfigBattery,       nullptr},
    {"enclosure",       CmdConfigEnclosure,     nullptr},
    {"connector",       CmdConfigConnectors,    nullptr},
    {"globalinfo",      CmdConfigGlobalInfo,    nullptr},
    {"adisk?",          nullptr,                CmdConfigArrayDisksValidateFunc},
    {"battery?",        nullptr,                CmdConfigBatteryValidateFunc},
    {"enclosure?",      nullptr,                CmdConfigEnclosureValidateFunc},
    {"servicerequest?", nullptr,                CmdConfigServiceRequestValidateFunc},
    {"patrolreadrate?", nullptr,                CmdConfigService_PatrolReadRate_ValidateFunc},
    {"missingdisk?",    nullptr,                CmdConfigServiceMissingDiskValidateFunc},
};

class DevicesTest : public kwtest::CountedTest {
protected:
    void SetUp() override {
        CountedTest::SetUp();
        scriptSystem();
    }

    static std::string reply(const std::vector<Object>& objects) { return kwtest::reply(objects); }
    void script(const std::string& command, const Strings& args, const std::string& text) {
        agent.on(command, args, text);
    }
    void script(const std::string& command, const std::string& text) { agent.on(command, text); }
    void silence(const std::string& command) { agent.mute(command); }

    // Controllers 0 and 1. Controller 0: connector 0 (protocol 8) with
    // enclosure 0:0 holding disks 0:0:0 and 0:0:1, connector 1 (protocol 7)
    // with disk 1:4; virtual disks 0 and 1; battery 0 with a limit of one
    // week; two temperature probes. Controller 1 has nothing. Every mask
    // offers everything; every write is accepted.
    void scriptSystem() {
        const std::string all = mask(0xFFFFFFFFu);
        script("getControllerList", reply({{{"GlobalNo", "0"}}, {{"GlobalNo", "1"}}}));
        script("getController", {"GlobalNo=0"},
               reply({{{"GlobalNo", "0"}, {"Name", "TOLV SATA 1.5/6ch"}, {"PatrolReadRate", "30"}}}));
        script("getController", {"GlobalNo=1"}, reply({{{"GlobalNo", "1"}, {"Name", "RK SAS 8"}}}));
        channels(all, all, all, all);
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
        storageMasks(all, all);
        agent.otherwise([](const kwtest::Request& request) -> std::optional<std::string> {
            if (request[0].rfind("vexcmd=set", 0) == 0 || request[0] == "vexcmd=sendPassThruCmdToDCSIF")
                return std::string("<?xml version=\"1.0\"?>\n<Reply status=\"0\"></Reply>");
            return std::nullopt;
        });
    }

    void channels(const std::string& master0, const std::string& current0, const std::string& master1,
                  const std::string& current1) {
        script("getChannelsForController", {"GlobalNo=0"},
               reply({{{"ObjID", "10"}, {"Channel", "0"}, {"BusProtocol", "8"}, {"MasterMethodMask", master0},
                       {"CurrentMethodMask", current0}},
                      {{"ObjID", "11"}, {"Channel", "1"}, {"BusProtocol", "7"}, {"MasterMethodMask", master1},
                       {"CurrentMethodMask", current1}}}));
    }
    void storageMasks(const std::string& master, const std::string& current) {
        script("sendPassThruCmdToDCSIF", {"param0=report"},
               reply({{{"MasterMethodMask", master}, {"CurrentMethodMask", current}}}));
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

    static Object probe(const char* index, const char* minWarning, const char* maxWarning, const char* lowMin,
                        const char* highMin, const char* lowMax, const char* highMax) {
        return {{"Index", index},           {"MinWarning", minWarning},     {"MaxWarning", maxWarning},
                {"LowEndMinWarning", lowMin}, {"HighEndMinWarning", highMin}, {"LowEndMaxWarning", lowMax},
                {"HighEndMaxWarning", highMax}};
    }

    // Runs "rkconfig storage <target> <params>", or calls the target's
    // callback with the request arguments the framework would have placed.
    static Outcome run(const std::string& target, const std::string& params, const Strings& requestArgs = {}) {
        for (const Target& t : kTargets) {
            if (target != t.name) continue;
            if (t.handler) return kwtest::runConfig(t.handler, target, kwtest::words(params));
            kwtest::CallbackCall direct(t.callback, kwtest::words(params), requestArgs, "");
            Outcome out;
            out.status = direct.run();
            out.arg1 = direct.first();
            out.arg2 = direct.second();
            out.request = direct.request();
            return out;
        }
        ADD_FAILURE() << "no target " << target;
        return {};
    }
};

}  // namespace devtest
