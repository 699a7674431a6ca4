// The command table: every "vexcmd=" name the agent answers, its handler and
// whether it writes.
#pragma once

#include <string_view>
#include <vector>

#include "handlers.h"

namespace kwda {

enum class Access { Read, Write, PassThrough };

struct Command {
    const char* name;
    Handler handler;
    Access access;
};

const Command* findCommand(std::string_view name);
const std::vector<Command>& commandTable();

}  // namespace kwda
