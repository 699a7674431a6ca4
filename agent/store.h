// The state: one SQLite database file. Opening checks that the file is a
// kwda state of this schema version and never writes to one that is not;
// a file that does not exist yet is created, seeded and put in place
// atomically, so concurrent first uses agree on one state.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "model.h"

namespace kwda {

struct Member {
    int64_t vd = 0;
    int64_t disk = 0;
    int64_t pos = 0;
    int64_t bytes = 0;
};

struct HotSpare {
    int64_t disk = 0;
    int64_t vd = 0;  // 0 = global
    int64_t ctrl = 0;
};

struct Task {
    int64_t object = 0;
    std::string name;
    double started = 0;  // seconds since the epoch
    double rate = 0;     // percent per second
    double done = 0;     // percent completed before `started`
    bool paused = false;
    double due = 0;      // when it reaches 100 %
    int64_t ctrl = 0;
};

class Statement;

class Store {
public:
    // Opens an existing state, checking it; creates it from `seed` when the
    // file does not exist. Throws AgentError(Unavailable) naming the file.
    using Seeder = std::function<void(Store&)>;
    Store(const std::string& path, const Seeder& seed);
    // A model that lives in memory only, seeded now and gone with the
    // object; `label` names it in messages instead of a file.
    static std::unique_ptr<Store> inMemory(const std::string& label, const Seeder& seed);
    ~Store();
    Store(const Store&) = delete;
    Store& operator=(const Store&) = delete;

    const std::string& path() const { return path_; }
    // Whether this connection created and seeded the state (false when it
    // opened an existing one, or another process put its state in place first).
    bool created() const { return created_; }
    // Whether the file at path() is still the one this connection opened.
    bool stillCurrent() const;
    // Whether the state was opened for reading only, because this process
    // cannot write the file or its folder. Reads work; write() refuses with
    // a reason that names the file.
    bool readOnly() const { return readOnly_; }

    // Transactions. write() takes the write lock at once (BEGIN IMMEDIATE)
    // and waits up to the busy timeout for other processes; on a read-only
    // state it throws AgentError(Unavailable) saying why.
    void read(const std::function<void()>& body);
    void write(const std::function<void()>& body);

    // Objects.
    std::optional<Object> object(int64_t id);
    std::optional<Object> byKey(int64_t ctrl, Kind kind, const std::string& key);
    std::vector<Object> byKey2(int64_t ctrl, const std::string& key2);
    std::optional<Object> byObjId(const std::string& objid);
    std::vector<Object> children(int64_t parent, Kind kind);
    std::vector<Object> ofController(int64_t ctrl, Kind kind);
    std::vector<Object> ofKind(Kind kind);
    // Every object a controller holds, the controller included.
    std::vector<Object> inController(int64_t ctrl);
    std::vector<Object> all();
    std::vector<Object> ofControllerInState(int64_t ctrl, Kind kind, const std::string& state);
    bool anyInState(int64_t ctrl, Kind kind, const std::string& state);
    int64_t countOf(int64_t ctrl, Kind kind);
    // Whether the controller has a Ready disk in no virtual disk and not a hot spare.
    bool anyUnusedReadyDisk(int64_t ctrl);
    void insert(Object& object);          // assigns object.id
    void update(const Object& object);    // state, key, attrs
    void remove(int64_t id);
    int64_t nextOrder();                  // an order after every object

    // Virtual disk members.
    std::vector<Member> membersOf(int64_t vd);
    std::vector<Member> membershipsOf(int64_t disk);
    std::vector<Member> membersOnController(int64_t ctrl);
    void setMembers(int64_t vd, const std::vector<Member>& members);

    // Hot spares.
    std::optional<HotSpare> hotSpare(int64_t disk);
    std::vector<HotSpare> hotSparesOf(int64_t vd);
    std::vector<HotSpare> hotSparesOnController(int64_t ctrl);
    void setHotSpare(const HotSpare& spare);
    void clearHotSpare(int64_t disk);

    // Tasks.
    std::optional<Task> task(int64_t object);
    std::vector<Task> tasksOnController(int64_t ctrl);
    std::vector<Task> tasksDue(double now);
    bool anyTaskDue(double now);
    void putTask(const Task& task);
    void removeTask(int64_t object);

    // Small named values of the whole state.
    std::optional<std::string> meta(const std::string& key);
    void setMeta(const std::string& key, const std::string& value);

    // Low-level access for the schema and seeding.
    void exec(const std::string& sql);

private:
    void transaction(const char* begin, const std::function<void()>& body);
    friend class Statement;
    void openExisting();
    void openForReading(const std::string& because);
    int openUri(const std::string& uri, int flags);
    void closeConnection();
    void checkIdentity();
    void createNew(const Seeder& seed);
    Store() = default;
    void configure();
    [[noreturn]] void fail(const std::string& what) const;
    [[noreturn]] void failSql(const std::string& what, int code) const;
    Statement prepare(const char* sql);
    std::vector<Object> objects(Statement& statement);

    // Prepared statements by their SQL, kept until the transaction ends: one
    // request runs the same few queries for every object it looks at, and
    // preparing costs more than running them. A statement in use by an outer
    // loop is not handed out again; a second user prepares its own.
    struct CachedStatement {
        sqlite3_stmt* statement = nullptr;
        bool inUse = false;
    };
    void finalizeStatements();

    std::string path_;
    sqlite3* db_ = nullptr;
    std::unordered_map<std::string, CachedStatement> statements_;
    uint64_t device_ = 0;
    uint64_t inode_ = 0;
    int depth_ = 0;  // nesting of read()/write()
    bool created_ = false;
    bool readOnly_ = false;
    std::string readOnlyReason_;  // why the state cannot be written
};

// The schema version this agent reads and writes (PRAGMA user_version).
inline constexpr int kSchemaVersion = 1;
// Marks a database as a kwda state (PRAGMA application_id): "KWDA".
inline constexpr int kApplicationId = 0x4B574441;

}  // namespace kwda
