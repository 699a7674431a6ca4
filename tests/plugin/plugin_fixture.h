// Command lines run through the plug-in's host entry points against a
// scripted agent, and the rows of lines.txt they are checked against.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "cmdfw32.h"
#include "case_file.h"
#include "plugin_run.h"
#include "vexcs32.h"

extern "C" {
CLPSResponse* kwclp32_sendRequest(int32_t argc, char** argv);
void kwclp32_freeResponse(CLPSResponse* response);
uint32_t kwclp32_getRequiredUserRights(int32_t argc, char** argv);
}

namespace kwtest {

struct ResponseDeleter {
    void operator()(CLPSResponse* r) const { kwclp32_freeResponse(r); }
};
using Response = std::unique_ptr<CLPSResponse, ResponseDeleter>;

inline Response run(const std::string& line) {
    Argv argv(line);
    return Response(kwclp32_sendRequest(argv.argc(), argv.argv()));
}

// The rows of one "== section" of lines.txt, each split at "|" and trimmed.
inline std::vector<std::vector<std::string>> rowsOf(const std::string& section, size_t fields) {
    std::vector<std::vector<std::string>> rows;
    for (const CaseLine& c : readCases("plugin", "lines.txt", fields, {section, true})) rows.push_back(c.fields);
    return rows;
}

using PluginTest = CountedTest;

}  // namespace kwtest
