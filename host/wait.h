// --wait: following the task a configuration started until it ends.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "render.h"

namespace rkhost {

// The report line that shows the object a configuration line works on:
// "rkconfig storage vdisk action=checkconsistency controller=0 vdisk=1"
// gives "rkreport storage vdisk controller=0 vdisk=1".
std::vector<std::string> reportLineFor(const std::vector<std::string>& configLine);

// How the task's progress is shown: on a terminal a bar redrawn in place
// (percent, elapsed time, estimated time left); elsewhere one line each
// time the progress reaches another 10 % step.
class ProgressView {
public:
    // columns: the terminal's width (the bar's line stays narrower).
    ProgressView(std::string task, bool terminal, size_t columns = 80)
        : task_(std::move(task)), terminal_(terminal), columns_(columns) {}
    // What to print for progress (whole percent) after `elapsed` seconds.
    std::string update(int progress, double elapsed);
    // The last words: the bar's line ended, the outcome said.
    std::string finish(const std::string& outcome, double elapsed, bool completed);

private:
    std::string task_;
    bool terminal_;
    size_t columns_;
    int firstProgress_ = -1;
    int lastStep_ = -1;
    bool drawn_ = false;
};

// "0:07", "1:02:03".
std::string clockText(double seconds);

// The outcome of a finished task from the alert-log events written while it
// ran: the newest event about the object names how it ended. True when it
// completed.
bool taskCompleted(const std::vector<Object>& newEvents, const std::string& objectName, std::string& outcome);

// Where the task is read from: the object's report (its first object) and
// the alert log's events.
struct TaskSource {
    std::function<std::vector<Object>()> object;
    std::function<std::vector<Object>()> events;
};

// Follows the object's task until it ends, showing its progress on `out`.
// Exit status: 0 completed (or nothing to wait for), 1 failed or cancelled,
// 130 interrupted (Ctrl-C stops following; the task goes on).
int followTask(const TaskSource& source, std::FILE* out, bool terminal, size_t columns);

}  // namespace rkhost
