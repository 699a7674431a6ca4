// Shared set-up for the device configuration tests: a scripted agent that
// describes one small system, runs of the configuration handlers and direct
// calls of their validation callbacks, and a check that nothing counted
// stays live afterwards.
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

// The callbacks the plug-in exports without a header of their own.
using ValidateFn = std::remove_pointer_t<NVValidateFunc>;
extern "C" {
ValidateFn CmdConfigArrayDisksValidateFunc, CmdConfigBatteryValidateFunc, CmdConfigEnclosureValidateFunc;
ValidateFn CmdConfigChannelsValidateFunc, CmdConfigServiceRequestValidateFunc;
ValidateFn CmdConfigService_PatrolReadRate_ValidateFunc, CmdConfigServiceMissingDiskValidateFunc;
}

namespace devtest {

using Object = kwtest::TestAgent::Object;
using Strings = std::vector<std::string>;
using kwtest::Handler;
using kwtest::Outcome;
using kwtest::str;

inline std::string mask(uint32_t bits) { return kwtest::bits(bits); }

// One table-driven case: a line or a callback's parameters, and what it must
// answer.
struct Expected {
    const char* params;
    int32_t status;
    const char* arg1;
    const char* arg2;
};

class DevicesTest : public kwtest::CountedTest {
protected:
    void SetUp() override {
        CountedTest::SetUp();
        scriptSystem();
    }

    static std::string reply(const std::vector<Object>& objects) { return kwtest::reply(objects); }

    // Scripts of this test's system (see TestAgent::on); a silenced command
    // gets no reply whatever its scripts.
    void script(const std::string& command, const Strings& args, const std::string& text) {
        agent.on(command, args, text);
    }
    void script(const std::string& command, const std::string& text) { agent.on(command, text); }
    void silence(const std::string& command) { agent.mute(command); }

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
        // Every configuration request, and any pass-through not scripted, is accepted.
        agent.otherwise([](const kwtest::Request& request) -> std::optional<std::string> {
            if (request[0].rfind("vexcmd=set", 0) == 0 || request[0] == "vexcmd=sendPassThruCmdToDCSIF")
                return std::string("<?xml version=\"1.0\"?>\n<Reply status=\"0\"></Reply>");
            return std::nullopt;
        });
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
        return kwtest::runConfig(handler, object, kwtest::words(params));
    }

    // Calls a validation callback directly with the user's parameters and
    // the request arguments the framework would have placed; request holds
    // the arguments as the callback left them.
    static Outcome call(NVValidateFunc callback, const std::string& params, const Strings& requestArgs = {}) {
        return call(callback, kwtest::words(params), requestArgs);
    }
    static Outcome call(NVValidateFunc callback, Strings words, const Strings& requestArgs = {}) {
        kwtest::CallbackCall direct(callback, std::move(words), requestArgs, "");
        Outcome out;
        out.status = direct.run();
        out.arg1 = direct.first();
        out.arg2 = direct.second();
        out.request = direct.request();
        return out;
    }

    // Each case run through answer (a line's parameters to an outcome) must
    // give its status and message arguments.
    template <typename Answer>
    static void expectAll(const std::vector<Expected>& cases, Answer answer) {
        for (const auto& c : cases) {
            Outcome out = answer(c.params);
            EXPECT_EQ(out.status, c.status) << c.params;
            EXPECT_EQ(out.arg1, c.arg1) << c.params;
            EXPECT_EQ(out.arg2, c.arg2) << c.params;
        }
    }
};

}  // namespace devtest
