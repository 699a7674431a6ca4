// The state under stress through the real binaries: concurrent writers, writers and a creator killed at
// random moments, damaged and foreign state files. Each case ends with a readable state that kept every
// acknowledged write, or with a clear error and the file left byte for byte as it was.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <thread>

#include "../e2e_host/json_check.h"
#include "e2e.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Words = std::vector<std::string>;

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// A child process of one of the binaries (fork and exec), to be killed at any moment.
class Child {
public:
    Child(const Words& line, const std::string& state, const std::string& scratch)
        : out_(scratch + "/out." + std::to_string(serial())), err_(out_ + ".err") {
        Words args{kwtest::buildPath("bin/" + line.front()), "--state=" + state, "--format=json"};
        args.insert(args.end(), line.begin() + 1, line.end());
        std::map<std::string, std::string> env;
        for (char** e = environ; *e; ++e)
            if (const char* eq = std::strchr(*e, '=')) env[std::string(static_cast<const char*>(*e), eq)] = eq + 1;
        env["KWCLP_TRACE_DIR"] = scratch;
        env["KW_RIGHTS"] = "7";
        env.erase("KWTEST_FAIL");
        // Everything the child needs is made before fork: after it only async-signal-safe calls are allowed.
        std::vector<std::string> envText;
        for (const auto& [k, v] : env) envText.push_back(k + "=" + v);
        std::vector<char*> argv, envp;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        for (auto& e : envText) envp.push_back(e.data());
        envp.push_back(nullptr);
        pid_ = fork();
        if (pid_ == 0) {
            int out = open(out_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            int err = open(err_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (out < 0 || err < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0) _exit(120);
            execve(argv[0], argv.data(), envp.data());
            _exit(122);
        }
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    ~Child() { wait(); }

    void kill() { ::kill(pid_, SIGKILL); }  // harmless once it has ended: it is not reaped yet

    // Waits for the end; exit code, or -1 when a signal ended it.
    int wait() {
        if (pid_ > 0) {
            int status = 0;
            while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
            }
            code_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            killed_ = WIFSIGNALED(status);
            pid_ = 0;
        }
        return code_;
    }
    bool killed() const { return killed_; }
    std::string out() const { return readFile(out_); }
    std::string err() const { return readFile(err_); }

private:
    static int serial() {
        static std::atomic<int> next{0};
        return next++;
    }
    std::string out_, err_;
    pid_t pid_ = -1;
    int code_ = -1;
    bool killed_ = false;
};

struct Answer {
    int code = -1;
    std::string out, err;
};

Answer runLine(const Words& line, const std::string& state, const std::string& scratch) {
    Child child(line, state, scratch);
    return {child.wait(), child.out(), child.err()};
}

// Controller attributes by name, from a json report.
std::map<std::string, std::string> controller(const std::string& state, const std::string& scratch, int number) {
    const auto a = runLine({"rkreport", "storage", "controller", "controller=" + std::to_string(number)}, state,
                           scratch);
    jsoncheck::Value value;
    std::string error;
    std::map<std::string, std::string> out;
    if (a.code != 0 || !jsoncheck::parse(a.out, value, error)) return out;
    const auto* objects = value.member("objects");
    if (!objects || objects->items.empty()) return out;
    for (const auto& [name, v] : objects->items[0].members) out[name] = v.string;
    return out;
}

// Runs sql on the database at path: the first column of the last row it gave.
std::string sqlite(const std::string& path, const std::string& sql) {
    sqlite3* db = nullptr;
    std::string last = "cannot open";
    if (sqlite3_open(path.c_str(), &db) == SQLITE_OK) {
        const auto keep = [](void* out, int, char** row, char**) {
            *static_cast<std::string*>(out) = row[0] ? row[0] : "";
            return 0;
        };
        EXPECT_EQ(sqlite3_exec(db, sql.c_str(), keep, &last, nullptr), SQLITE_OK) << sql;
    }
    sqlite3_close(db);
    return last;
}

template <typename Work>
int millisecondsOf(Work work) {
    const auto started = std::chrono::steady_clock::now();
    work();
    return static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started).count());
}

// One rate of one controller that a single writer owns.
struct Slot {
    int controller;
    const char* object;   // "controller" or "globalinfo"
    const char* action;
    const char* element;  // where the report shows it
};

const Slot kSlots[] = {
    {0, "controller", "setrebuildrate", "RebuildRate"},
    {0, "controller", "setbgirate", "BGIRate"},
    {0, "controller", "setcheckconsistencyrate", "CheckConsistencyRate"},
    {0, "controller", "setreconstructrate", "ReconstructRate"},
    {0, "globalinfo", "service_patrolreadrate", "PatrolReadRate"},
    {1, "controller", "setrebuildrate", "RebuildRate"},
    {1, "controller", "setbgirate", "BGIRate"},
    {1, "controller", "setcheckconsistencyrate", "CheckConsistencyRate"},
};

Words rateLine(const Slot& slot, int rate) {
    return {"rkconfig", "storage", slot.object, std::string("action=") + slot.action,
            "controller=" + std::to_string(slot.controller), "rate=" + std::to_string(rate)};
}

class StateSafety : public ::testing::Test {
protected:
    void SetUp() override {
        if (geteuid() != 0) GTEST_SKIP() << "configuration commands need administrator rights";
        state_ = dir_.file("state.db");
        const auto seeded = runLine({"rkreport", "storage", "controller"}, state_, dir_.path());
        ASSERT_EQ(seeded.code, 0) << seeded.err;
    }

    int alertEvents() {
        const auto a = runLine({"rkreport", "system", "alertlog"}, state_, dir_.path());
        jsoncheck::Value value;
        std::string error;
        if (!jsoncheck::parse(a.out, value, error) || !value.member("events")) return -1;
        return static_cast<int>(value.member("events")->items.size());
    }

    kwtest::TempDir dir_;
    std::string state_;
};

// Eight writers at once, ten acknowledged writes each, every writer on its
// own attribute of a shared controller: no write may be lost to another.
TEST_F(StateSafety, ConcurrentWritersKeepEveryAcknowledgedWrite) {
    constexpr int kWrites = 10;
    const int eventsBefore = alertEvents();
    std::vector<std::thread> writers;
    for (size_t w = 0; w < std::size(kSlots); ++w)
        writers.emplace_back([&, w] {
            for (int i = 0; i < kWrites; ++i) {
                const auto a = runLine(rateLine(kSlots[w], (i % 2 == 0 ? 41 : 61) + static_cast<int>(w)), state_,
                                       dir_.path());
                EXPECT_EQ(a.code, 0) << kSlots[w].action << ": " << a.out << a.err;
            }
        });
    for (auto& t : writers) t.join();
    for (size_t w = 0; w < std::size(kSlots); ++w) {
        const auto attributes = controller(state_, dir_.path(), kSlots[w].controller);
        EXPECT_EQ(attributes.count(kSlots[w].element) ? attributes.at(kSlots[w].element) : "(missing)",
                  std::to_string(61 + w))
            << kSlots[w].action << " on controller " << kSlots[w].controller;
    }
    EXPECT_EQ(sqlite(state_, "PRAGMA integrity_check"), "ok");
    EXPECT_EQ(alertEvents(), eventsBefore + static_cast<int>(std::size(kSlots)) * kWrites);
}

// Writers killed at random moments (before, during or after their write):
// the state stays readable and intact, and each attribute holds its last
// acknowledged value or the value of a killed writer that came after it.
TEST_F(StateSafety, WritersKilledAtRandomMomentsLeaveAConsistentState) {
    constexpr int kSlotsUsed = 4, kWrites = 15;
    // Kill moments spread over the whole life of a write, however fast the machine: from 0 to one and a
    // half times what as many undisturbed writes at once take.
    const int lifeMs = millisecondsOf([&] {
        std::vector<std::thread> probes;
        for (int s = 0; s < kSlotsUsed; ++s)
            probes.emplace_back([&, s] { runLine(rateLine(kSlots[s], 29), state_, dir_.path()); });
        for (auto& t : probes) t.join();
    });
    std::vector<std::thread> drivers;
    std::vector<std::set<std::string>> allowed(kSlotsUsed);
    for (int s = 0; s < kSlotsUsed; ++s)
        drivers.emplace_back([&, s] {
            std::mt19937 random(1234u + static_cast<unsigned>(s));
            std::uniform_int_distribution<int> delayMs(0, lifeMs * 3 / 2 + 1);
            allowed[s] = {"29"};
            for (int i = 0; i < kWrites; ++i) {
                const int rate = 31 + s * 15 + i;
                Child child(rateLine(kSlots[s], rate), state_, dir_.path());
                std::this_thread::sleep_for(std::chrono::milliseconds(delayMs(random)));
                child.kill();
                const int code = child.wait();
                if (child.killed())
                    allowed[s].insert(std::to_string(rate));  // it may or may not have committed
                else if (code == 0)
                    allowed[s] = {std::to_string(rate)};
            }
        });
    for (auto& t : drivers) t.join();

    EXPECT_EQ(sqlite(state_, "PRAGMA integrity_check"), "ok");
    for (int s = 0; s < kSlotsUsed; ++s) {
        const auto attributes = controller(state_, dir_.path(), kSlots[s].controller);
        ASSERT_TRUE(attributes.count(kSlots[s].element)) << "state not readable after the kills";
        EXPECT_TRUE(allowed[s].count(attributes.at(kSlots[s].element)))
            << kSlots[s].element << " = " << attributes.at(kSlots[s].element);
    }
    // The state still takes writes.
    EXPECT_EQ(runLine(rateLine(kSlots[0], 77), state_, dir_.path()).code, 0);
    EXPECT_EQ(controller(state_, dir_.path(), 0)["RebuildRate"], "77");
}

// Killed at any moment of creating the state, the first command leaves no state or a complete one, and
// the next creation removes the killed one's temporary files.
TEST_F(StateSafety, KilledWhileCreatingTheStateLeavesNoHalfState) {
    const int lifeMs = millisecondsOf([] {
        kwtest::TempDir fresh;
        runLine({"rkreport", "storage", "vdisk"}, fresh.file("state.db"), fresh.path());
    });
    constexpr int kTries = 12;
    for (int i = 0; i < kTries; ++i) {
        kwtest::TempDir fresh;
        const std::string state = fresh.file("state.db");
        const int killAtMs = lifeMs * i / (kTries - 2);
        {
            Child child({"rkreport", "storage", "vdisk"}, state, fresh.path());
            std::this_thread::sleep_for(std::chrono::milliseconds(killAtMs));
            child.kill();
        }
        const bool createdAgain = !fs::exists(state);
        const auto a = runLine({"rkreport", "storage", "vdisk"}, state, fresh.path());
        EXPECT_EQ(a.code, 0) << "after a kill at " << killAtMs << " ms: " << a.err;
        EXPECT_NE(a.out.find("\"LogicalDriveNum\""), std::string::npos);
        EXPECT_EQ(sqlite(state, "PRAGMA integrity_check"), "ok");
        for (const auto& entry : fs::directory_iterator(fresh.path()))
            EXPECT_TRUE(!createdAgain || entry.path().filename().string().rfind("state.db.new-", 0))
                << entry.path() << " left after a kill at " << killAtMs << " ms";
    }
}

// The host's own refusal: exit 4 and, in json, status -1 with the message.
std::string hostMessage(const Answer& a) {
    jsoncheck::Value value;
    std::string error;
    if (a.code != 4 || !jsoncheck::parse(a.out, value, error)) return "(exit " + std::to_string(a.code) + ") " + a.out;
    const auto* status = value.member("status");
    const auto* message = value.member("message");
    if (!status || status->number != -1 || !message) return "(not a host refusal) " + a.out;
    return message->string;
}

class BrokenState : public StateSafety {
protected:
    // With these bytes in the state file, reports and writes are refused as an unavailable state naming
    // the file (not as a missing object), and the file keeps exactly those bytes.
    void expectRefusedAndUntouched(const std::string& bytes, const std::string& what) {
        writeFile(state_, bytes);
        for (const char* suffix : {"-wal", "-shm"}) fs::remove(state_ + suffix);
        const std::string expected = "the storage state is unavailable: state file " + state_ + " ";
        const Words lines[] = {
            {"rkreport", "storage", "controller"},
            {"rkreport", "storage", "vdisk", "controller=0"},
            {"rkconfig", "storage", "controller", "action=setrebuildrate", "controller=0", "rate=55"},
            {"rkconfig", "storage", "globalinfo", "action=globalrescan"},
            {"rkconfig", "storage", "vdisk", "action=rename", "controller=0", "vdisk=1", "name=Other"},
        };
        for (const auto& line : lines) {
            const auto a = runLine(line, state_, dir_.path());
            EXPECT_EQ(hostMessage(a).rfind(expected, 0), 0u) << what << ": " << line[2] << "\n" << a.out << a.err;
        }
        EXPECT_TRUE(readFile(state_) == bytes) << what << ": the state file was changed";
    }
};

TEST_F(BrokenState, TruncatedOrForeignStateIsRefusedAndLeftAsItIs) {
    const std::string whole = readFile(state_);
    ASSERT_GT(whole.size(), 8192u);
    for (size_t size : {size_t{0}, size_t{50}, size_t{100}, size_t{4096}, whole.size() / 2, whole.size() - 1})
        expectRefusedAndUntouched(whole.substr(0, size), "truncated to " + std::to_string(size) + " bytes");
    expectRefusedAndUntouched("not a database\n", "a text file");
    std::string noise(8192, '\0');
    std::mt19937 random(7);
    for (auto& c : noise) c = static_cast<char>(random());
    expectRefusedAndUntouched(noise, "random bytes");

    const std::string other = dir_.file("other.db");
    sqlite(other, "CREATE TABLE notes(text); INSERT INTO notes VALUES('hello');");
    expectRefusedAndUntouched(readFile(other), "another program's database");

    writeFile(other, whole);
    sqlite(other, "PRAGMA user_version=999;");
    expectRefusedAndUntouched(readFile(other), "a state of another schema version");

    writeFile(other, whole);
    sqlite(other, "PRAGMA application_id=12345;");
    expectRefusedAndUntouched(readFile(other), "a database of another application id");
}

}  // namespace
