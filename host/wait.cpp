#include "wait.h"

#include <signal.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <strings.h>

namespace rkhost {
namespace {

constexpr int kBarWidth = 30;
constexpr long kPollMilliseconds = 250;

volatile sig_atomic_t interrupted = 0;
void onInterrupt(int) { interrupted = 1; }

// Ctrl-C while following ends the following only; the previous handling
// comes back when the guard goes.
struct InterruptGuard {
    struct sigaction previous {};
    InterruptGuard() {
        interrupted = 0;
        struct sigaction action {};
        action.sa_handler = onInterrupt;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, &previous);
    }
    ~InterruptGuard() { sigaction(SIGINT, &previous, nullptr); }
};

std::string member(const Object& o, const char* name) {
    for (const auto& [n, v] : o)
        if (n == name) return v;
    return "";
}

std::string estimateText(int first, int progress, double elapsed) {
    if (first < 0 || progress <= first || elapsed <= 0) return "time left unknown";
    const double perSecond = (progress - first) / elapsed;
    return "about " + clockText((100 - progress) / perSecond) + " left";
}

// One line, never wider than the terminal (a wrapped line could not be
// redrawn in place): the bar narrows, then goes, then the text is cut.
std::string bar(const std::string& task, int progress, const std::string& elapsed, const std::string& left,
                size_t columns) {
    const std::string head = task + " [";
    const std::string tail = "] " + std::to_string(progress) + "%  " + elapsed + " elapsed, " + left;
    const size_t room = columns > head.size() + tail.size() + 1 ? columns - 1 - head.size() - tail.size() : 0;
    const int width = static_cast<int>(std::min<size_t>(kBarWidth, room));
    std::string line;
    if (width >= 5) {
        const int filled = std::clamp(progress, 0, 100) * width / 100;
        line = head + std::string(filled, '#') + std::string(width - filled, '-') + tail;
    } else {
        line = task + " " + tail.substr(2);
        if (columns > 1 && line.size() > columns - 1) line.resize(columns - 1);
    }
    return "\r\x1b[K" + line;
}

void pause() {
    timespec t{0, kPollMilliseconds * 1000000L};
    nanosleep(&t, nullptr);  // a signal ends it early: Ctrl-C is seen at once
}

}  // namespace

std::vector<std::string> reportLineFor(const std::vector<std::string>& configLine) {
    // "rkconfig storage <object> ...": the object's report takes the
    // controller and the parameter named like the object, nothing else.
    std::vector<std::string> line = {"rkreport"};
    const std::string object = configLine.size() > 2 ? configLine[2] : "";
    for (size_t i = 1; i < configLine.size(); ++i) {
        const std::string& word = configLine[i];
        const size_t eq = word.find('=');
        const std::string name = word.substr(0, eq);
        if (eq == std::string::npos || strcasecmp(name.c_str(), "controller") == 0 ||
            strcasecmp(name.c_str(), object.c_str()) == 0)
            line.push_back(word);
    }
    return line;
}

std::string clockText(double seconds) {
    const long total = std::lround(std::max(0.0, seconds));
    char text[32];
    if (total >= 3600)
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", total / 3600, total / 60 % 60, total % 60);
    else
        std::snprintf(text, sizeof text, "%ld:%02ld", total / 60, total % 60);
    return text;
}

std::string ProgressView::update(int progress, double elapsed) {
    if (firstProgress_ < 0) firstProgress_ = progress;
    const std::string left = estimateText(firstProgress_, progress, elapsed);
    if (terminal_) {
        drawn_ = true;
        return bar(task_, progress, clockText(elapsed), left, columns_);
    }
    const int step = progress / 10;
    if (step == lastStep_) return "";
    lastStep_ = step;
    return task_ + ": " + std::to_string(progress) + "% (" + clockText(elapsed) + " elapsed, " + left + ")\n";
}

std::string ProgressView::finish(const std::string& outcome, double elapsed, bool completed) {
    std::string out;
    if (completed && terminal_) out += bar(task_, 100, clockText(elapsed), "done", columns_);
    else if (completed && lastStep_ < 10) out += task_ + ": 100% (" + clockText(elapsed) + " elapsed)\n";
    if (terminal_ && (drawn_ || completed)) out += "\n";
    return out + task_ + " " + outcome + ".\n";
}

bool taskCompleted(const std::vector<Object>& newEvents, const std::string& objectName, std::string& outcome) {
    for (auto it = newEvents.rbegin(); it != newEvents.rend(); ++it) {
        if (member(*it, "Object") != objectName) continue;
        const std::string text = member(*it, "Text");
        for (const char* ending : {"completed", "cancelled", "failed", "stopped"}) {
            if (text.find(ending) == std::string::npos) continue;
            outcome = ending;
            return outcome == "completed";
        }
    }
    outcome = "ended without completing";
    return false;
}

int followTask(const TaskSource& source, std::FILE* out, bool terminal, size_t columns) {
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    const auto elapsed = [&] { return std::chrono::duration<double>(Clock::now() - start).count(); };
    // The configuration's own event, the newest, names the object as the
    // log does.
    const auto before = source.events();
    const std::string objectName = before.empty() ? "" : member(before.back(), "Object");
    auto objects = source.object();
    const std::string task = objects.empty() ? "" : member(objects.front(), "Task");
    if (task.empty()) {
        std::fputs("No task is running on the object: nothing to wait for.\n", out);
        return 0;
    }
    ProgressView view(task.substr(0, task.find(" (")), terminal, columns);
    InterruptGuard guard;
    while (!objects.empty() && !member(objects.front(), "Task").empty()) {
        std::fputs(view.update(std::atoi(member(objects.front(), "Progress").c_str()), elapsed()).c_str(), out);
        std::fflush(out);
        pause();
        if (interrupted) {
            std::fputs(view.finish("goes on: stopped following it", elapsed(), false).c_str(), out);
            return 130;
        }
        objects = source.object();
    }
    const auto after = source.events();
    const std::vector<Object> newEvents(after.begin() + static_cast<long>(std::min(before.size(), after.size())),
                                        after.end());
    std::string outcome;
    const bool completed = taskCompleted(newEvents, objectName, outcome);
    if (before.empty() && after.empty()) outcome = "ended (how, the alert log cannot tell: it cannot be read)";
    std::fputs(view.finish(outcome, elapsed(), completed).c_str(), out);
    return completed ? 0 : 1;
}

}  // namespace rkhost
