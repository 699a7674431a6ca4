#include "alertlog.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

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

namespace {

std::string eventLine(const std::string& stamp, const Event& event) {
    return stamp + '\t' + oneLine(event.severity) + '\t' + oneLine(event.object) + '\t' + oneLine(event.text) + '\n';
}

bool writeAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

// Opens the log for appending and locks it; the file locked is the one at
// path (another writer may have replaced it while this one waited).
int openLocked(const std::string& path) {
    for (int attempt = 0; attempt < 8; ++attempt) {
        int fd = ::open(path.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0) fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
        if (fd < 0) return -1;
        if (::flock(fd, LOCK_EX) != 0) return fd;  // no locks here: append unguarded
        struct stat opened {}, current {};
        if (::fstat(fd, &opened) == 0 && ::stat(path.c_str(), &current) == 0 && opened.st_ino == current.st_ino &&
            opened.st_dev == current.st_dev)
            return fd;
        ::close(fd);
    }
    return -1;
}

// Keeps the newest events of the log, about half the limit, behind a first
// event that says older ones were dropped, and puts the result in place.
void trim(const std::string& path, const std::string& stamp, uint64_t limit) {
    std::ifstream in(path, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.good() && !in.eof()) return;
    const size_t keep = static_cast<size_t>(limit / 2);
    size_t from = text.size() > keep ? text.size() - keep : 0;
    if (from > 0) {
        size_t newline = text.find('\n', from - 1);
        from = newline == std::string::npos ? text.size() : newline + 1;
    }
    std::string kept = eventLine(stamp, Event{"Info", "Storage",
                                              "older events were dropped: this log keeps its newest events within " +
                                                  std::to_string(limit) + " bytes"}) +
                       text.substr(from);
    std::string temporary = path + ".trim-" + std::to_string(::getpid());
    int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return;
    bool ok = writeAll(fd, kept);
    ::close(fd);
    if (!ok || ::rename(temporary.c_str(), path.c_str()) != 0) ::unlink(temporary.c_str());
}

}  // namespace

bool appendEvents(const std::string& path, double time, const std::vector<Event>& events, uint64_t limit) {
    if (events.empty()) return true;
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
    int fd = openLocked(path);
    if (fd < 0) return false;
    std::string stamp = isoTime(time);
    std::string lines;
    for (const auto& event : events) lines += eventLine(stamp, event);
    bool ok = writeAll(fd, lines);
    struct stat info {};
    if (ok && ::fstat(fd, &info) == 0 && static_cast<uint64_t>(info.st_size) > limit) trim(path, stamp, limit);
    ::close(fd);  // releases the lock
    return ok;
}

}  // namespace kwda
