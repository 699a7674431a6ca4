// The scripted storage system of system.txt for the virtual disk command and
// its rules (controller 0 with virtual disks 0 to 3, controller 1 with none,
// controller 2 offering nothing), and a reader for the case files.
#pragma once

#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "plugin/handlers.h"
#include "case_file.h"
#include "plugin_run.h"
#include "vexcs32.h"

extern "C" std::remove_pointer_t<NVValidateFunc> CmdConfigVirtualDisksValidateFunc;

namespace vdtest {

using namespace kwtest;
using Object = TestAgent::Object;

constexpr uint32_t kInEnclosure = 0x400;
constexpr uint32_t kGlobalHotSpare = 0x80;
constexpr uint32_t kDedicatedHotSpare = 0x100;

// The cases of a data file of this folder.
inline std::vector<CaseLine> readCases(const std::string& file, size_t fields) {
    return kwtest::readCases("vdisk", file, fields);
}

// Scripts the agent from system.txt; every write succeeds.
inline void scriptSystem(kwtest::TestAgent& agent) {
    for (const CaseLine& script : readCases("system.txt", 3))
        agent.on(script.fields[0], split(script.fields[1], ';'), replyOf(script.fields[2]));
    agent.otherwise([](const Request& request) -> std::optional<std::string> {
        if (!request.empty() && request[0].rfind("vexcmd=set", 0) == 0) return reply({});
        return std::nullopt;
    });
}

inline Outcome runCommand(const std::vector<std::string>& parameters) {
    return kwtest::runConfig(CmdConfigVirtualDisks, "vdisk", parameters);
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
