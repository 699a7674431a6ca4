// A scripted storage system for the controller command, its lookups and the
// creation checks (controller 0 offers most things, 1 is at its virtual disk
// limit, 2 allows nothing, 3 supports nothing), and a reader for the case files.
#pragma once

#include <stdlib.h>

#include <optional>
#include <string>
#include <vector>

#include "commands/config/controller.h"
#include "kwsup/kwsup.h"
#include "plugin/handlers.h"
#include "case_file.h"
#include "plugin_run.h"
#include "vexcs32.h"

namespace ctrltest {

using namespace kwtest;
using Object = TestAgent::Object;

constexpr char kMinSize[] = "104857600";
constexpr char kMaxSize[] = "2199023255552";

// The cases of a data file of this folder.
inline std::vector<CaseLine> readCases(const std::string& file, size_t fields) {
    return kwtest::readCases("controller", file, fields);
}


// Scripts the agent from system.txt. getArrayDisk answers one object per
// listed disk (ObjID 20 + target); the creation capabilities answer 100 MiB
// to 2 TiB for every layout but r0 (1 byte to 2 TiB); every write succeeds.
inline void scriptSystem(kwtest::TestAgent& agent) {
    for (const CaseLine& script : readCases("system.txt", 3))
        agent.on(script.fields[0], split(script.fields[1], ';'), replyOf(script.fields[2]));
    agent.otherwise([](const Request& request) -> std::optional<std::string> {
        if (request.empty()) return std::nullopt;
        if (request[0].rfind("vexcmd=set", 0) == 0) return reply({});
        std::vector<Object> objects;
        if (request[0] == "vexcmd=getArrayDisk") {
            for (const auto& arg : request)
                for (const std::string& id : split(arg.rfind("adisk=", 0) == 0 ? arg.substr(6) : "", ','))
                    objects.push_back({{"ObjID", std::to_string(20 + atoi(id.c_str() + id.rfind(':') + 1))}});
            return reply(objects);
        }
        if (request[0] == "vexcmd=sendPassThruCmdToDCSIF") {
            for (const char* layout : {"1", "2", "4", "64", "128", "512", "2048", "4096", "262144"})
                objects.push_back({{"Layout", layout}, {"MinimumLength", layout == std::string("2") ? "1" : kMinSize},
                                   {"Length", kMaxSize}});
            return reply(objects);
        }
        return std::nullopt;
    });
}

inline Outcome runCommand(const std::vector<std::string>& parameters) {
    return kwtest::runConfig(CmdConfigController, "controller", parameters);
}

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
