// Runs command lines through the plug-in's host entry points against a
// scripted agent, and checks that nothing counted stays live afterwards.
#pragma once

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

// Runs "rkreport storage vdisk controller=0" through the host entry point.
inline Response run(const std::string& line) {
    Argv argv(line);
    return Response(kwclp32_sendRequest(argv.argc(), argv.argv()));
}

inline uint32_t rights(const std::string& line) {
    Argv argv(line);
    return kwclp32_getRequiredUserRights(argv.argc(), argv.argv());
}

inline std::vector<std::string> request(const CLPSResponse* r) {
    std::vector<std::string> out;
    for (uint32_t i = 0; r && i < r->requestCount; ++i) out.push_back(str(r->request[i]));
    return out;
}

using PluginTest = CountedTest;

}  // namespace kwtest
