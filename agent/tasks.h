// Long-running tasks: rebuild, clear and initialisation of disks; check
// consistency, initialisation, background initialisation and reconstruction
// of virtual disks; patrol read; battery learn cycles and reconditioning.
// A task has a start time and a speed (from the controller's rate for that
// task); its progress is computed from the clock, and it finishes by itself:
// the first request after it is due applies its effect. KWDA_TIME_SCALE
// multiplies the speed; 0 finishes a task at once.
#pragma once

#include <optional>
#include <string>

#include "session.h"

namespace kwda {

namespace task {
inline constexpr const char* Rebuild = "rebuild";
inline constexpr const char* Clear = "clear";
inline constexpr const char* DiskInitialize = "diskinit";
inline constexpr const char* CheckConsistency = "checkconsistency";
inline constexpr const char* Initialize = "initialize";
inline constexpr const char* BackgroundInit = "bgi";
inline constexpr const char* Reconstruct = "reconstruct";
inline constexpr const char* PatrolRead = "patrolread";
inline constexpr const char* Learn = "learn";
inline constexpr const char* Recondition = "recondition";
}  // namespace task

// How a task shows in replies: "Rebuild", "Check Consistency", ...
std::string taskTitle(const std::string& name);

// Seconds a task over `bytes` takes at a rate in percent of the full speed
// (absent or 0 counts as 1 %), before the time scale.
double taskSeconds(int64_t bytes, long long ratePercent);
// The controller's rate element for a task, or the default of 30 %.
long long rateFor(const Object& controller, const char* element);

// Starts (or restarts) a task on the object; with a time scale of 0 it
// completes at once and its effect is applied before this returns.
void startTask(Session& session, const Object& object, const char* name, double seconds);
void cancelTask(Session& session, const Object& object);
void pauseTask(Session& session, const Object& object);
void resumeTask(Session& session, const Object& object);

// Whole percent done, below 100 until the task is settled.
int taskProgress(const Task& task, double now);

// Applies the effect of every task due by `dueBy`. Runs inside a write
// transaction; returns whether any task finished.
bool settleDueTasks(Session& session, double dueBy);

}  // namespace kwda
