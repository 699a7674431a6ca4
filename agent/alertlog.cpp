#include "alertlog.h"

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>

#include "environment.h"

namespace kwda {

namespace {

std::string oneLine(const std::string& text) {
    std::string out;
    for (char c : text) out += (c == '\n' || c == '\t' || c == '\r') ? ' ' : c;
    return out;
}

}  // namespace

std::string alertLogPath(const std::string& statePath, const std::optional<std::string>& configured) {
    namespace fs = std::filesystem;
    fs::path state = fs::absolute(fs::path(statePath));
    fs::path folder = state.parent_path();
    if (configured && !configured->empty()) {
        fs::path log(*configured);
        return (log.is_absolute() ? log : folder / log).lexically_normal().string();
    }
    return (folder / (state.stem().string() + ".alert.log")).string();
}

bool appendEvents(const std::string& path, double time, const std::vector<Event>& events) {
    if (events.empty()) return true;
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
    int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    bool ok = true;
    std::string stamp = isoTime(time);
    for (const auto& event : events) {
        std::string line = stamp + '\t' + oneLine(event.severity) + '\t' + oneLine(event.object) + '\t' +
                           oneLine(event.text) + '\n';
        ok = ::write(fd, line.data(), line.size()) == static_cast<ssize_t>(line.size()) && ok;
    }
    ::close(fd);
    return ok;
}

}  // namespace kwda
