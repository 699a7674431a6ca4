// The scripted storage system of system.txt for the virtual disk command and
// its rules (controller 0 with virtual disks 0 to 3, controller 1 with none,
// controller 2 offering nothing), and a reader for the case files.
#pragma once

#include <fstream>
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

constexpr uint32_t kInEnclosure = 0x400;
constexpr uint32_t kGlobalHotSpare = 0x80;
constexpr uint32_t kDedicatedHotSpare = 0x100;

// The parts of text between separators; an empty text has none.
inline std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    if (text.empty()) return parts;
    size_t start = 0;
    for (size_t end; (end = text.find(separator, start)) != std::string::npos; start = end + 1)
        parts.push_back(text.substr(start, end - start));
    parts.push_back(text.substr(start));
    return parts;
}

// The case lines of a data file of this folder, each split at '|' into
// exactly `fields` fields; blank lines and '#' comments are skipped.
struct CaseLine {
    std::string where;
    std::vector<std::string> fields;
};
inline std::vector<CaseLine> readCases(const std::string& file, size_t fields) {
    std::ifstream in(std::string(RK_SOURCE_DIR) + "/tests/vdisk/" + file);
    EXPECT_TRUE(in.good()) << file;
    std::vector<CaseLine> cases;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (line.empty() || line[0] == '#') continue;
        cases.push_back({file + ":" + std::to_string(number), split(line, '|')});
        EXPECT_EQ(cases.back().fields.size(), fields) << cases.back().where;
        cases.back().fields.resize(fields);
    }
    return cases;
}

// Scripts the agent from system.txt; every write succeeds.
inline void scriptSystem(kwtest::TestAgent& agent) {
    for (const CaseLine& script : readCases("system.txt", 3)) {
        std::vector<Object> objects;
        for (const std::string& text : split(script.fields[2], ';')) {
            Object object;
            for (const std::string& element : split(text, ','))
                object.push_back({element.substr(0, element.find('=')), element.substr(element.find('=') + 1)});
            objects.push_back(object);
        }
        agent.on(script.fields[0], split(script.fields[1], ';'), reply(objects));
    }
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
