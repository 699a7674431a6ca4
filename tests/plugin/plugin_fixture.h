// Command lines run through the plug-in's host entry points against a
// scripted agent, and the rows of lines.txt they are checked against.
#pragma once

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "cmdfw32.h"
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
inline std::vector<std::vector<std::string>> rowsOf(const std::string& section) {
    std::ifstream in(RK_SOURCE_DIR "/tests/plugin/lines.txt");
    std::vector<std::vector<std::string>> rows;
    bool inSection = false;
    for (std::string row; std::getline(in, row);) {
        if (row.rfind("== ", 0) == 0) inSection = row.substr(3) == section;
        if (!inSection || row.empty() || row[0] == '#' || row[0] == '=') continue;
        std::vector<std::string> fields;
        for (size_t start = 0;;) {
            size_t end = row.find('|', start);
            std::string field = row.substr(start, end == std::string::npos ? end : end - start);
            field.erase(0, field.find_first_not_of(' '));
            fields.push_back(field.erase(field.find_last_not_of(' ') + 1));
            if (end == std::string::npos) break;
            start = end + 1;
        }
        rows.push_back(fields);
    }
    EXPECT_FALSE(rows.empty()) << section;
    return rows;
}

using PluginTest = CountedTest;

}  // namespace kwtest
