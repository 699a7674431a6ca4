#include "environment.h"

#include <fcntl.h>
#include <pwd.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "errors.h"
#include "request.h"

namespace kwda {

namespace {

std::string homeFolder() {
    if (auto home = variable("HOME")) return *home;
    if (const passwd* entry = ::getpwuid(::geteuid()); entry && entry->pw_dir) return entry->pw_dir;
    return "/tmp";
}

double parseScale(const std::string& text) {
    char* end = nullptr;
    double value = std::strtod(text.c_str(), &end);
    if (end == text.c_str() || *end != '\0' || !std::isfinite(value) || value < 0)
        badRequest("KWDA_TIME_SCALE='" + text + "' is not a factor (a number of 0 or more)");
    return value;
}

uint64_t parseLogLimit(const std::string& text) {
    auto value = text.find_first_not_of("0123456789") == std::string::npos ? parseInteger(text) : std::nullopt;
    if (!value || *value < static_cast<long long>(kSmallestAlertLogLimit))
        badRequest("KWDA_ALERT_LOG_LIMIT='" + text + "' is not a size in bytes of at least " +
                   std::to_string(kSmallestAlertLogLimit));
    return static_cast<uint64_t>(*value);
}

}  // namespace

std::optional<std::string> variable(const char* name) {
    const char* value = std::getenv(name);
    if (!value || !*value) return std::nullopt;
    return std::string(value);
}

std::string defaultStatePath() { return defaultStatePath(::geteuid() == 0, kSystemStatePath); }

std::string defaultStatePath(bool root, const std::string& systemState) {
    if (root || ::access(systemState.c_str(), F_OK) == 0) return systemState;
    if (auto stateHome = variable("XDG_STATE_HOME")) return *stateHome + "/kwda/state.db";
    return homeFolder() + "/.local/state/kwda/state.db";
}

Environment Environment::fromProcess() {
    Environment env;
    env.statePath = variable("KWDA_STATE").value_or(defaultStatePath());
    env.profilePath = variable("KWDA_PROFILE");
    env.logPath = variable("KWDA_LOG");
    if (auto scale = variable("KWDA_TIME_SCALE")) env.timeScale = parseScale(*scale);
    if (auto limit = variable("KWDA_ALERT_LOG_LIMIT")) env.alertLogLimit = parseLogLimit(*limit);
    return env;
}

void logRequest(const std::string& path, const std::vector<std::string>& elements) {
    std::string line;
    for (size_t i = 0; i < elements.size(); ++i) {
        if (i) line += '\t';
        for (char c : elements[i]) {
            if (c == '\n') line += "\\n";
            else line += c;
        }
    }
    line += '\n';
    int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return;
    // One write per line: lines of concurrent processes do not interleave.
    [[maybe_unused]] ssize_t written = ::write(fd, line.data(), line.size());
    ::close(fd);
}

double nowSeconds() {
    using namespace std::chrono;
    return duration<double>(system_clock::now().time_since_epoch()).count();
}

std::string isoTime(double seconds) {
    std::time_t whole = static_cast<std::time_t>(std::floor(seconds));
    std::tm utc{};
    ::gmtime_r(&whole, &utc);
    char buffer[32];
    std::strftime(buffer, sizeof buffer, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return buffer;
}

std::optional<double> parseIsoTime(const std::string& text) {
    std::tm utc{};
    char zone = 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%c", &utc.tm_year, &utc.tm_mon, &utc.tm_mday,
                    &utc.tm_hour, &utc.tm_min, &utc.tm_sec, &zone) != 7 ||
        zone != 'Z')
        return std::nullopt;
    utc.tm_year -= 1900;
    utc.tm_mon -= 1;
    return static_cast<double>(::timegm(&utc));
}

}  // namespace kwda
