// What the host shows beyond the plug-in's own answer: the facts that a
// configuration's reply carries (the virtual disk it created, the file it
// wrote), and, after a refusal that turns on an object's state, the present
// state of each object the command line names.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "complete.h"
#include "render.h"

namespace rkhost {

// The facts of the reply's <Result> element, in reply order; empty when
// the reply has none.
Object replyResult(const std::string& xml);

// One line for people: "New virtual disk: 2", "Log written to: /var/...".
std::string resultLine(const Object& facts);

// A refusal whose reason lies in an object's present state or in the disks
// chosen, so that showing those objects tells what to change.
bool refusalTurnsOnState(int32_t status);

// One line per object that the words (the command word first) name and
// that exists: "Physical disk 0:0:6: Ready, hot spare of virtual disk 1".
// The objects are read through the plug-in's own reports.
std::vector<std::string> objectStateLines(const std::vector<std::string>& words, const Probe& probe);

}  // namespace rkhost
