#include "tasks.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>

#include "identifiers.h"

namespace kwda {

namespace {

// Full-speed throughput of the simulated controller: 150 MiB/s.
constexpr double kBytesPerSecond = 150.0 * 1024 * 1024;
constexpr long long kDefaultRate = 30;
constexpr double kLearnSeconds = 4 * 3600.0;
constexpr double kReconditionSeconds = 8 * 3600.0;
constexpr double kNever = std::numeric_limits<double>::max();
constexpr double kLearnIntervalSeconds = 90 * 24 * 3600.0;

void finishDiskTask(Session& session, Object& disk, const Task& t) {
    if (t.name == task::Rebuild) {
        disk.state = state::Online;
        session.store.update(disk);
        session.note(disk, "rebuild completed");
        session.refreshVirtualDisksOf(disk);
    } else if (t.name == task::Clear) {
        session.note(disk, "clear completed");
    } else {
        session.note(disk, "initialization completed");
    }
}

void finishVirtualDiskTask(Session& session, Object& vd, const Task& t) {
    session.note(vd, taskTitle(t.name) + " completed");
}

void finishControllerTask(Session& session, Object& controller, const Task&) {
    controller.attrs["PatrolReadState"] = "Stopped";
    controller.attrs["PatrolReadIterations"] =
        std::to_string(controller.number("PatrolReadIterations").value_or(0) + 1);
    session.store.update(controller);
    session.note(controller, "patrol read completed");
}

void finishBatteryTask(Session& session, Object& battery, const Task& t) {
    if (battery.has("LearnState")) battery.attrs["LearnState"] = "Idle";
    battery.attrs["NextLearnTime"] = isoTime(session.now + kLearnIntervalSeconds);
    if (battery.has("ChargeLevel")) battery.attrs["ChargeLevel"] = "100";
    session.store.update(battery);
    session.note(battery, taskTitle(t.name) + " completed");
}

void finish(Session& session, const Task& t) {
    session.store.removeTask(t.object);
    auto object = session.store.object(t.object);
    if (!object) return;
    switch (object->kind) {
        case Kind::PhysicalDisk: finishDiskTask(session, *object, t); break;
        case Kind::VirtualDisk: finishVirtualDiskTask(session, *object, t); break;
        case Kind::Controller: finishControllerTask(session, *object, t); break;
        case Kind::Battery: finishBatteryTask(session, *object, t); break;
        default: break;
    }
}

}  // namespace

std::string taskTitle(const std::string& name) {
    static const std::map<std::string, std::string> titles = {
        {task::Rebuild, "Rebuild"},
        {task::Clear, "Clear"},
        {task::DiskInitialize, "Initialization"},
        {task::CheckConsistency, "Check Consistency"},
        {task::Initialize, "Initialization"},
        {task::BackgroundInit, "Background Initialization"},
        {task::Reconstruct, "Reconstruction"},
        {task::PatrolRead, "Patrol Read"},
        {task::Learn, "Learn Cycle"},
        {task::Recondition, "Recondition"},
    };
    auto it = titles.find(name);
    return it == titles.end() ? name : it->second;
}

double taskSeconds(int64_t bytes, long long ratePercent) {
    double rate = static_cast<double>(std::clamp<long long>(ratePercent, 1, 100)) / 100.0;
    return std::max(1.0, static_cast<double>(bytes) / (kBytesPerSecond * rate));
}

long long rateFor(const Object& controller, const char* element) {
    return controller.number(element).value_or(kDefaultRate);
}

void startTask(Session& session, const Object& object, const char* name, double seconds) {
    if (std::string(name) == task::Learn) seconds = kLearnSeconds;
    if (std::string(name) == task::Recondition) seconds = kReconditionSeconds;
    Task t;
    t.object = object.id;
    t.name = name;
    t.started = session.now;
    t.done = 0;
    t.paused = false;
    t.ctrl = object.ctrl;
    double scale = session.env.timeScale;
    if (scale <= 0) {
        finish(session, t);
        return;
    }
    t.rate = 100.0 * scale / std::max(seconds, 1e-9);
    t.due = t.started + 100.0 / t.rate;
    session.store.putTask(t);
}

void cancelTask(Session& session, const Object& object) { session.store.removeTask(object.id); }

void pauseTask(Session& session, const Object& object) {
    auto t = session.store.task(object.id);
    if (!t || t->paused) return;
    t->done = std::min(99.0, t->done + (session.now - t->started) * t->rate);
    t->started = session.now;
    t->paused = true;
    t->due = kNever;
    session.store.putTask(*t);
}

void resumeTask(Session& session, const Object& object) {
    auto t = session.store.task(object.id);
    if (!t || !t->paused) return;
    t->started = session.now;
    t->paused = false;
    t->due = t->started + (100.0 - t->done) / t->rate;
    session.store.putTask(*t);
}

int taskProgress(const Task& t, double now) {
    double done = t.paused ? t.done : t.done + std::max(0.0, now - t.started) * t.rate;
    return static_cast<int>(std::clamp(std::floor(done), 0.0, 99.0));
}

bool settleDueTasks(Session& session, double dueBy) {
    auto due = session.store.tasksDue(dueBy);
    for (const auto& t : due) finish(session, t);
    return !due.empty();
}

}  // namespace kwda
