#include "store.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>
#include <random>
#include <string_view>

#include "errors.h"
#include "request.h"

namespace kwda {

namespace {

constexpr int kBusyTimeoutMs = 10000;
constexpr unsigned char kSqliteMagic[16] = {'S', 'Q', 'L', 'i', 't', 'e', ' ', 'f',
                                            'o', 'r', 'm', 'a', 't', ' ', '3', 0};

constexpr const char* kSchema = R"sql(
CREATE TABLE object(
  id     INTEGER PRIMARY KEY,
  kind   TEXT    NOT NULL,
  parent INTEGER NOT NULL,
  ctrl   INTEGER NOT NULL,
  conn   INTEGER NOT NULL,
  encl   INTEGER NOT NULL,
  ord    INTEGER NOT NULL,
  cord   INTEGER NOT NULL,
  key    TEXT    NOT NULL,
  key2   TEXT    NOT NULL,
  objid  TEXT    NOT NULL,
  state  TEXT    NOT NULL,
  attrs  TEXT    NOT NULL
);
CREATE INDEX object_by_key    ON object(ctrl, kind, key);
CREATE INDEX object_by_key2   ON object(ctrl, key2);
CREATE INDEX object_by_parent ON object(parent, kind, ord);
CREATE INDEX object_by_ctrl   ON object(ctrl, kind, ord);
CREATE INDEX object_by_kind   ON object(kind, cord, ord);
CREATE INDEX object_by_state  ON object(ctrl, kind, state);
CREATE UNIQUE INDEX object_by_objid ON object(objid);
CREATE TABLE member(
  vd    INTEGER NOT NULL,
  pos   INTEGER NOT NULL,
  disk  INTEGER NOT NULL,
  bytes INTEGER NOT NULL,
  ctrl  INTEGER NOT NULL,
  PRIMARY KEY(vd, pos)
) WITHOUT ROWID;
CREATE INDEX member_by_disk ON member(disk);
CREATE INDEX member_by_ctrl ON member(ctrl);
CREATE TABLE hotspare(
  disk INTEGER PRIMARY KEY,
  vd   INTEGER NOT NULL,
  ctrl INTEGER NOT NULL
);
CREATE INDEX hotspare_by_vd ON hotspare(vd);
CREATE INDEX hotspare_by_ctrl ON hotspare(ctrl);
CREATE TABLE task(
  object  INTEGER PRIMARY KEY,
  name    TEXT    NOT NULL,
  started REAL    NOT NULL,
  rate    REAL    NOT NULL,
  done    REAL    NOT NULL,
  paused  INTEGER NOT NULL,
  due     REAL    NOT NULL,
  ctrl    INTEGER NOT NULL
);
CREATE INDEX task_by_due ON task(due);
CREATE INDEX task_by_ctrl ON task(ctrl);
CREATE TABLE meta(
  key   TEXT PRIMARY KEY,
  value TEXT NOT NULL
) WITHOUT ROWID;
)sql";

constexpr const char* kObjectColumns =
    "SELECT id, kind, parent, ctrl, conn, encl, ord, cord, key, key2, objid, state, attrs FROM object ";

uint32_t bigEndian(const unsigned char* bytes, int width) {
    uint32_t value = 0;
    for (int i = 0; i < width; ++i) value = (value << 8) | bytes[i];
    return value;
}

std::string hexOf(int value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%08X", static_cast<unsigned>(value));
    return buffer;
}

std::string folderOf(const std::string& path) {
    std::filesystem::path parent = std::filesystem::path(path).parent_path();
    return parent.empty() ? "." : parent.string();
}

// Why this process cannot write the state at path, or "" when it can.
// SQLite needs the file and, for the write-ahead log beside it, the folder.
std::string whyNotWritable(const std::string& path) {
    if (::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0)
        return std::string("the file cannot be written (") + std::strerror(errno) + ")";
    const std::string folder = folderOf(path);
    if (::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) != 0)
        return "its folder " + folder + " cannot be written (" + std::strerror(errno) + ")";
    return "";
}

// The path as an SQLite URI ("file:" form), so that query parameters can
// follow; the characters a URI gives a meaning are escaped.
std::string fileUri(const std::string& path) {
    std::string uri = !path.empty() && path.front() == '/' ? "file://" : "file:";
    for (char c : path) {
        if (c == '%') uri += "%25";
        else if (c == '?') uri += "%3f";
        else if (c == '#') uri += "%23";
        else uri += c;
    }
    return uri;
}

// The creating process of a leftover "<state>.new-<pid>-<n>[-journal|-wal|-shm]"
// file, given what follows "<state>.new-"; nullopt for any other name.
std::optional<pid_t> creatorOf(std::string_view rest) {
    const size_t dash = rest.find('-');
    if (dash == std::string_view::npos || dash == 0) return std::nullopt;
    std::string_view pid = rest.substr(0, dash);
    std::string_view tail = rest.substr(dash + 1);
    const size_t digits = tail.find_first_not_of("0123456789");
    if (digits == 0 || tail.empty()) return std::nullopt;
    std::string_view suffix = digits == std::string_view::npos ? std::string_view() : tail.substr(digits);
    if (!suffix.empty() && suffix != "-journal" && suffix != "-wal" && suffix != "-shm") return std::nullopt;
    if (pid.find_first_not_of("0123456789") != std::string_view::npos) return std::nullopt;
    auto value = parseInteger(pid);
    if (!value || *value <= 0 || *value > std::numeric_limits<pid_t>::max()) return std::nullopt;
    return static_cast<pid_t>(*value);
}

bool processExists(pid_t pid) { return !(::kill(pid, 0) == -1 && errno == ESRCH); }

// A process killed while it created a state leaves its temporary files
// beside the state. Those of processes that no longer exist are removed;
// a creator that is still at work keeps its own. Best effort: a file that
// cannot be removed is left.
void removeAbandonedCreations(const std::string& folder, const std::string& stateName) {
    namespace fs = std::filesystem;
    const std::string prefix = stateName + ".new-";
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (name.rfind(prefix, 0) != 0) continue;
        std::optional<pid_t> creator = creatorOf(std::string_view(name).substr(prefix.size()));
        if (creator && !processExists(*creator)) ::unlink(it->path().c_str());
    }
}

}  // namespace

// ---------------------------------------------------------------- Statement

class Statement {
public:
    // Borrows the connection's prepared statement for sql when it is free,
    // otherwise prepares one of its own.
    Statement(Store& store, const char* sql) : store_(store) {
        auto [entry, fresh] = store.statements_.try_emplace(sql);
        if (!entry->second.inUse) {
            if (fresh) prepare(sql, entry->second.statement);
            cached_ = &entry->second;
            cached_->inUse = true;
            statement_ = cached_->statement;
            return;
        }
        prepare(sql, statement_);
    }
    ~Statement() {
        if (cached_) {
            sqlite3_reset(statement_);
            sqlite3_clear_bindings(statement_);
            cached_->inUse = false;
        } else {
            sqlite3_finalize(statement_);
        }
    }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    Statement(Statement&& other) noexcept
        : store_(other.store_), statement_(other.statement_), cached_(other.cached_) {
        other.statement_ = nullptr;
        other.cached_ = nullptr;
    }

    Statement& bind(int index, int64_t value) {
        check(sqlite3_bind_int64(statement_, index, value));
        return *this;
    }
    Statement& bind(int index, double value) {
        check(sqlite3_bind_double(statement_, index, value));
        return *this;
    }
    Statement& bind(int index, const std::string& value) {
        check(sqlite3_bind_text(statement_, index, value.data(), static_cast<int>(value.size()), SQLITE_TRANSIENT));
        return *this;
    }
    // True while a row is available.
    bool step() {
        int rc = sqlite3_step(statement_);
        if (rc == SQLITE_ROW) return true;
        if (rc == SQLITE_DONE) return false;
        store_.failSql("query failed", rc);
    }
    void run() {
        while (step()) {
        }
    }
    int64_t integer(int column) const { return sqlite3_column_int64(statement_, column); }
    double real(int column) const { return sqlite3_column_double(statement_, column); }
    std::string text(int column) const {
        const unsigned char* value = sqlite3_column_text(statement_, column);
        int size = sqlite3_column_bytes(statement_, column);
        return value ? std::string(reinterpret_cast<const char*>(value), static_cast<size_t>(size)) : std::string();
    }

private:
    void prepare(const char* sql, sqlite3_stmt*& into) {
        int rc = sqlite3_prepare_v2(store_.db_, sql, -1, &into, nullptr);
        if (rc != SQLITE_OK) {
            // A cache entry left without a statement is taken out again.
            if (auto it = store_.statements_.find(sql); it != store_.statements_.end() && !it->second.statement)
                store_.statements_.erase(it);
            store_.failSql("cannot prepare a query", rc);
        }
    }
    void check(int rc) {
        if (rc != SQLITE_OK) store_.failSql("cannot bind a query value", rc);
    }
    Store& store_;
    sqlite3_stmt* statement_ = nullptr;
    Store::CachedStatement* cached_ = nullptr;  // null: finalized on destruction
};

// ------------------------------------------------------------ Object helpers

std::optional<long long> Object::number(const std::string& name) const {
    auto value = find(name);
    return value ? parseInteger(*value) : std::nullopt;
}

std::string encodeAttributes(const Attributes& attrs) {
    std::string out;
    for (const auto& [name, value] : attrs) {
        out += name;
        out += '=';
        for (char c : value) {
            if (c == '%') out += "%25";
            else if (c == '\n') out += "%0A";
            else out += c;
        }
        out += '\n';
    }
    return out;
}

Attributes decodeAttributes(const std::string& text) {
    Attributes attrs;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        size_t equals = text.find('=', start);
        if (equals != std::string::npos && equals < end) {
            std::string value;
            for (size_t i = equals + 1; i < end; ++i) {
                if (text[i] == '%' && i + 2 < end && text.compare(i, 3, "%25") == 0) {
                    value += '%';
                    i += 2;
                } else if (text[i] == '%' && i + 2 < end && text.compare(i, 3, "%0A") == 0) {
                    value += '\n';
                    i += 2;
                } else {
                    value += text[i];
                }
            }
            attrs.emplace(text.substr(start, equals - start), std::move(value));
        }
        start = end + 1;
    }
    return attrs;
}

// -------------------------------------------------------------------- Store

Store::Store(const std::string& path, const Seeder& seed) : path_(path) {
    struct stat info {};
    if (::stat(path_.c_str(), &info) == 0) {
        openExisting();
    } else if (errno == ENOENT) {
        createNew(seed);
    } else {
        fail(std::string("cannot be examined: ") + std::strerror(errno));
    }
}

std::unique_ptr<Store> Store::inMemory(const std::string& label, const Seeder& seed) {
    std::unique_ptr<Store> store(new Store());
    store->path_ = label;
    int rc = sqlite3_open_v2(":memory:", &store->db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                             nullptr);
    if (rc != SQLITE_OK) store->failSql("cannot be created in memory", rc);
    store->write([&] {
        store->exec(kSchema);
        seed(*store);
    });
    store->created_ = true;
    return store;
}

Store::~Store() {
    finalizeStatements();
    if (db_) sqlite3_close_v2(db_);
}

// Statements a live Statement still holds stay: it gives them back when it
// goes (none does once a transaction has ended).
void Store::finalizeStatements() {
    for (auto it = statements_.begin(); it != statements_.end();) {
        if (it->second.inUse) {
            ++it;
            continue;
        }
        sqlite3_finalize(it->second.statement);
        it = statements_.erase(it);
    }
}

void Store::fail(const std::string& what) const { unavailable("state file " + path_ + " " + what); }

void Store::failSql(const std::string& what, int code) const {
    std::string message = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(code);
    switch (code & 0xff) {
        case SQLITE_CORRUPT:
        case SQLITE_NOTADB:
            fail("is corrupt (" + message + "); it was left as it is");
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            fail("stayed locked by another process for more than " + std::to_string(kBusyTimeoutMs / 1000) +
                 " s (" + message + ")");
        case SQLITE_FULL:
            fail("cannot grow: the disk is full");
        case SQLITE_READONLY:
        case SQLITE_PERM:
        case SQLITE_CANTOPEN:
            fail("cannot be written (" + message + ")");
        default:
            fail(what + " (" + message + ")");
    }
}

bool Store::stillCurrent() const {
    struct stat info {};
    return ::stat(path_.c_str(), &info) == 0 && static_cast<uint64_t>(info.st_dev) == device_ &&
           static_cast<uint64_t>(info.st_ino) == inode_;
}

void Store::configure() {
    sqlite3_busy_timeout(db_, kBusyTimeoutMs);
    sqlite3_extended_result_codes(db_, 0);
    // FULL: a write acknowledged to the caller is on disk before the reply.
    exec("PRAGMA synchronous=FULL");
}

void Store::openExisting() {
    int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) fail(std::string("cannot be opened: ") + std::strerror(errno));
    unsigned char header[100] = {};
    ssize_t got = ::read(fd, header, sizeof header);
    struct stat info {};
    int statResult = ::fstat(fd, &info);
    ::close(fd);
    if (got < 0 || statResult != 0) fail(std::string("cannot be read: ") + std::strerror(errno));
    if (info.st_size == 0) fail("is empty (truncated?); it was left as it is");
    if (got < static_cast<ssize_t>(sizeof header) || std::memcmp(header, kSqliteMagic, sizeof kSqliteMagic) != 0)
        fail("is not a kwda state (not an SQLite database); it was left as it is");
    uint32_t pageSize = bigEndian(header + 16, 2);
    if (pageSize == 1) pageSize = 65536;
    uint32_t pages = bigEndian(header + 28, 4);
    bool pagesValid = bigEndian(header + 24, 4) == bigEndian(header + 92, 4) && pages != 0;
    if (pagesValid && static_cast<uint64_t>(info.st_size) < static_cast<uint64_t>(pages) * pageSize)
        fail("is truncated (" + std::to_string(info.st_size) + " bytes, its header promises " +
             std::to_string(static_cast<uint64_t>(pages) * pageSize) + "); it was left as it is");
    device_ = static_cast<uint64_t>(info.st_dev);
    inode_ = static_cast<uint64_t>(info.st_ino);

    try {
        std::string notWritable = whyNotWritable(path_);
        if (notWritable.empty()) {
            int rc = openUri(fileUri(path_), SQLITE_OPEN_READWRITE);
            if (rc != SQLITE_OK) failSql("cannot be opened", rc);
            // SQLite itself falls back to reading when the file refuses writes.
            if (sqlite3_db_readonly(db_, "main") == 1) {
                closeConnection();
                notWritable = "the file cannot be written";
            }
        }
        if (!notWritable.empty()) openForReading(notWritable);
        checkIdentity();
        configure();
    } catch (...) {
        // The constructor does not complete, so the destructor will not close it.
        closeConnection();
        throw;
    }
}

int Store::openUri(const std::string& uri, int flags) {
    return sqlite3_open_v2(uri.c_str(), &db_, flags | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX, nullptr);
}

void Store::closeConnection() {
    finalizeStatements();
    if (db_) sqlite3_close_v2(db_);
    db_ = nullptr;
}

// Reports must work for a user who may only read the state (a monitoring
// account): nothing is created beside the file. While a writer's log exists
// the state is read through it and its shared memory; otherwise the file
// holds every committed change and is read as it stands (immutable), which
// needs neither a log nor shared memory.
void Store::openForReading(const std::string& because) {
    readOnly_ = true;
    readOnlyReason_ = because;
    struct stat info {};
    if (::stat((path_ + "-wal").c_str(), &info) == 0) {
        if (openUri(fileUri(path_) + "?mode=ro", SQLITE_OPEN_READONLY) == SQLITE_OK &&
            sqlite3_exec(db_, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr) == SQLITE_OK)
            return;
        // Its shared memory cannot be opened here: read the file as it
        // stands, without the changes still in that log.
        closeConnection();
    }
    int rc = openUri(fileUri(path_) + "?immutable=1", SQLITE_OPEN_READONLY);
    if (rc != SQLITE_OK) failSql("cannot be opened for reading", rc);
}

void Store::checkIdentity() {
    sqlite3_busy_timeout(db_, kBusyTimeoutMs);
    Statement application(*this, "PRAGMA application_id");
    int64_t applicationId = application.step() ? application.integer(0) : 0;
    if (applicationId != kApplicationId)
        fail("is not a kwda state (SQLite application id " + hexOf(static_cast<int>(applicationId)) +
             ", expected " + hexOf(kApplicationId) + "); it was left as it is");
    Statement version(*this, "PRAGMA user_version");
    int64_t schema = version.step() ? version.integer(0) : 0;
    if (schema != kSchemaVersion)
        fail("has schema version " + std::to_string(schema) + " but this agent reads version " +
             std::to_string(kSchemaVersion) + "; it was left as it is (move it away or set KWDA_STATE)");
}

void Store::createNew(const Seeder& seed) {
    namespace fs = std::filesystem;
    fs::path target(path_);
    std::error_code error;
    if (target.has_parent_path()) {
        fs::create_directories(target.parent_path(), error);
        if (error) fail("cannot be created: folder " + target.parent_path().string() + ": " + error.message());
    }
    const std::string folder = folderOf(path_);
    if (::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) != 0)
        fail("cannot be created: its folder " + folder + " cannot be written (" + std::strerror(errno) + ")");
    removeAbandonedCreations(folder, target.filename().string());
    std::random_device entropy;
    std::string temporary = path_ + ".new-" + std::to_string(::getpid()) + "-" + std::to_string(entropy());
    std::string finalPath = path_;
    struct Cleanup {
        std::string file;
        ~Cleanup() {
            if (!file.empty()) {
                ::unlink(file.c_str());
                for (const char* suffix : {"-journal", "-wal", "-shm"}) ::unlink((file + suffix).c_str());
            }
        }
    } cleanup{temporary};

    path_ = temporary;
    int rc = sqlite3_open_v2(temporary.c_str(), &db_,
                             SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    try {
        if (rc != SQLITE_OK) failSql("cannot be created", rc);
        exec("PRAGMA journal_mode=DELETE");
        exec("PRAGMA application_id=" + std::to_string(kApplicationId));
        write([&] {
            exec(kSchema);
            seed(*this);
        });
        exec("PRAGMA user_version=" + std::to_string(kSchemaVersion));
        // Readers and one writer at a time, without blocking each other.
        exec("PRAGMA journal_mode=WAL");
    } catch (const AgentError& e) {
        closeConnection();
        path_ = finalPath;
        std::string reason = e.what();
        // Errors about the temporary file name the state file instead.
        for (size_t at; (at = reason.find(temporary)) != std::string::npos;)
            reason.replace(at, temporary.size(), finalPath);
        throw AgentError(e.status(), reason);
    }
    closeConnection();
    path_ = finalPath;
    // link() never replaces: when another process put its state in place
    // first, that one is used and this one is dropped.
    if (::link(temporary.c_str(), finalPath.c_str()) == 0) {
        created_ = true;
    } else if (errno != EEXIST) {
        // A file system without hard links: rename, which cannot tell a
        // racing creator apart.
        if (::rename(temporary.c_str(), finalPath.c_str()) != 0)
            fail(std::string("cannot be put in place: ") + std::strerror(errno));
        cleanup.file.clear();
        created_ = true;
    }
    openExisting();
}

Statement Store::prepare(const char* sql) { return Statement(*this, sql); }

void Store::exec(const std::string& sql) {
    char* message = nullptr;
    int rc = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &message);
    if (rc != SQLITE_OK) {
        std::string text = message ? message : sqlite3_errstr(rc);
        sqlite3_free(message);
        failSql("statement failed: " + text, rc);
    }
}

void Store::read(const std::function<void()>& body) { transaction("BEGIN", body); }

void Store::write(const std::function<void()>& body) {
    if (readOnly_)
        fail("is read-only for this process: " + readOnlyReason_ +
             "; reports work, changes need write access to the file and its folder");
    transaction("BEGIN IMMEDIATE", body);
}

// Runs body inside one transaction opened with begin; a nested call joins the
// transaction already open. Anything body throws rolls the transaction back.
void Store::transaction(const char* begin, const std::function<void()>& body) {
    if (depth_ > 0) return body();
    exec(begin);
    ++depth_;
    try {
        body();
    } catch (...) {
        --depth_;
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        finalizeStatements();
        throw;
    }
    --depth_;
    finalizeStatements();
    exec("COMMIT");
}

std::vector<Object> Store::objects(Statement& statement) {
    std::vector<Object> out;
    while (statement.step()) {
        Object o;
        o.id = statement.integer(0);
        o.kind = kindFromName(statement.text(1)).value_or(Kind::StorageObject);
        o.parent = statement.integer(2);
        o.ctrl = statement.integer(3);
        o.conn = statement.integer(4);
        o.encl = statement.integer(5);
        o.ord = statement.integer(6);
        o.cord = statement.integer(7);
        o.key = statement.text(8);
        o.key2 = statement.text(9);
        o.objid = statement.text(10);
        o.state = statement.text(11);
        o.attrs = decodeAttributes(statement.text(12));
        out.push_back(std::move(o));
    }
    return out;
}

namespace {
std::optional<Object> first(std::vector<Object> objects) {
    if (objects.empty()) return std::nullopt;
    return std::move(objects.front());
}
}  // namespace

std::optional<Object> Store::object(int64_t id) {
    auto s = prepare((std::string(kObjectColumns) + "WHERE id=?").c_str());
    s.bind(1, id);
    return first(objects(s));
}

std::optional<Object> Store::byKey(int64_t ctrl, Kind kind, const std::string& key) {
    auto s = prepare((std::string(kObjectColumns) + "WHERE ctrl=? AND kind=? AND key=? ORDER BY ord").c_str());
    s.bind(1, ctrl).bind(2, std::string(kindName(kind))).bind(3, key);
    return first(objects(s));
}

std::vector<Object> Store::byKey2(int64_t ctrl, const std::string& key2) {
    auto s = prepare((std::string(kObjectColumns) + "WHERE ctrl=? AND key2=? ORDER BY ord").c_str());
    s.bind(1, ctrl).bind(2, key2);
    return objects(s);
}

std::optional<Object> Store::byObjId(const std::string& objid) {
    auto s = prepare((std::string(kObjectColumns) + "WHERE objid=?").c_str());
    s.bind(1, objid);
    return first(objects(s));
}

std::vector<Object> Store::children(int64_t parent, Kind kind) {
    auto s = prepare((std::string(kObjectColumns) + "WHERE parent=? AND kind=? ORDER BY ord").c_str());
    s.bind(1, parent).bind(2, std::string(kindName(kind)));
    return objects(s);
}

std::vector<Object> Store::ofController(int64_t ctrl, Kind kind) {
    auto s = prepare((std::string(kObjectColumns) + "WHERE ctrl=? AND kind=? ORDER BY ord").c_str());
    s.bind(1, ctrl).bind(2, std::string(kindName(kind)));
    return objects(s);
}

std::vector<Object> Store::ofKind(Kind kind) {
    auto s = prepare((std::string(kObjectColumns) + "WHERE kind=? ORDER BY cord, ord").c_str());
    s.bind(1, std::string(kindName(kind)));
    return objects(s);
}

std::vector<Object> Store::inController(int64_t ctrl) {
    auto s = prepare((std::string(kObjectColumns) + "WHERE ctrl=? ORDER BY ord").c_str());
    s.bind(1, ctrl);
    return objects(s);
}

std::vector<Object> Store::all() {
    auto s = prepare((std::string(kObjectColumns) + "ORDER BY cord, ord").c_str());
    return objects(s);
}

std::vector<Object> Store::ofControllerInState(int64_t ctrl, Kind kind, const std::string& state) {
    auto s = prepare((std::string(kObjectColumns) + "WHERE ctrl=? AND kind=? AND state=? ORDER BY ord").c_str());
    s.bind(1, ctrl).bind(2, std::string(kindName(kind))).bind(3, state);
    return objects(s);
}

bool Store::anyInState(int64_t ctrl, Kind kind, const std::string& state) {
    auto s = prepare("SELECT 1 FROM object WHERE ctrl=? AND kind=? AND state=? LIMIT 1");
    s.bind(1, ctrl).bind(2, std::string(kindName(kind))).bind(3, state);
    return s.step();
}

int64_t Store::countOf(int64_t ctrl, Kind kind) {
    auto s = prepare("SELECT count(*) FROM object WHERE ctrl=? AND kind=?");
    s.bind(1, ctrl).bind(2, std::string(kindName(kind)));
    return s.step() ? s.integer(0) : 0;
}

bool Store::anyUnusedReadyDisk(int64_t ctrl) {
    auto s = prepare(
        "SELECT 1 FROM object o WHERE o.ctrl=? AND o.kind='PhysicalDisk' AND o.state='Ready' "
        "AND NOT EXISTS (SELECT 1 FROM hotspare h WHERE h.disk=o.id) "
        "AND NOT EXISTS (SELECT 1 FROM member m WHERE m.disk=o.id) LIMIT 1");
    s.bind(1, ctrl);
    return s.step();
}

void Store::insert(Object& o) {
    auto s = prepare(
        "INSERT INTO object(kind, parent, ctrl, conn, encl, ord, cord, key, key2, objid, state, attrs) "
        "VALUES(?,?,?,?,?,?,?,?,?,?,?,?)");
    s.bind(1, std::string(kindName(o.kind))).bind(2, o.parent).bind(3, o.ctrl).bind(4, o.conn).bind(5, o.encl);
    s.bind(6, o.ord).bind(7, o.cord).bind(8, o.key).bind(9, o.key2).bind(10, o.objid).bind(11, o.state);
    s.bind(12, encodeAttributes(o.attrs));
    s.run();
    o.id = sqlite3_last_insert_rowid(db_);
}

void Store::update(const Object& o) {
    auto s = prepare("UPDATE object SET ctrl=?, cord=?, key=?, key2=?, state=?, attrs=? WHERE id=?");
    s.bind(1, o.ctrl).bind(2, o.cord).bind(3, o.key).bind(4, o.key2).bind(5, o.state);
    s.bind(6, encodeAttributes(o.attrs)).bind(7, o.id);
    s.run();
}

void Store::remove(int64_t id) {
    auto s = prepare("DELETE FROM object WHERE id=?");
    s.bind(1, id);
    s.run();
    auto t = prepare("DELETE FROM task WHERE object=?");
    t.bind(1, id);
    t.run();
}

int64_t Store::nextOrder() {
    auto s = prepare("SELECT coalesce(max(ord), 0) + 1 FROM object");
    return s.step() ? s.integer(0) : 1;
}

namespace {
std::vector<Member> membersFrom(Statement& s) {
    std::vector<Member> out;
    while (s.step()) out.push_back(Member{s.integer(0), s.integer(1), s.integer(2), s.integer(3)});
    return out;
}
}  // namespace

std::vector<Member> Store::membersOf(int64_t vd) {
    auto s = prepare("SELECT vd, disk, pos, bytes FROM member WHERE vd=? ORDER BY pos");
    s.bind(1, vd);
    return membersFrom(s);
}

std::vector<Member> Store::membershipsOf(int64_t disk) {
    auto s = prepare("SELECT vd, disk, pos, bytes FROM member WHERE disk=? ORDER BY vd");
    s.bind(1, disk);
    return membersFrom(s);
}

std::vector<Member> Store::membersOnController(int64_t ctrl) {
    auto s = prepare("SELECT vd, disk, pos, bytes FROM member WHERE ctrl=? ORDER BY vd, pos");
    s.bind(1, ctrl);
    return membersFrom(s);
}

void Store::setMembers(int64_t vd, const std::vector<Member>& members) {
    auto ctrlOf = prepare("SELECT ctrl FROM object WHERE id=?");
    ctrlOf.bind(1, vd);
    int64_t ctrl = ctrlOf.step() ? ctrlOf.integer(0) : 0;
    auto clear = prepare("DELETE FROM member WHERE vd=?");
    clear.bind(1, vd);
    clear.run();
    for (const auto& m : members) {
        auto s = prepare("INSERT INTO member(vd, pos, disk, bytes, ctrl) VALUES(?,?,?,?,?)");
        s.bind(1, vd).bind(2, m.pos).bind(3, m.disk).bind(4, m.bytes).bind(5, ctrl);
        s.run();
    }
}

namespace {
std::vector<HotSpare> sparesFrom(Statement& s) {
    std::vector<HotSpare> out;
    while (s.step()) out.push_back(HotSpare{s.integer(0), s.integer(1), s.integer(2)});
    return out;
}
}  // namespace

std::optional<HotSpare> Store::hotSpare(int64_t disk) {
    auto s = prepare("SELECT disk, vd, ctrl FROM hotspare WHERE disk=?");
    s.bind(1, disk);
    auto spares = sparesFrom(s);
    if (spares.empty()) return std::nullopt;
    return spares.front();
}

std::vector<HotSpare> Store::hotSparesOf(int64_t vd) {
    auto s = prepare("SELECT disk, vd, ctrl FROM hotspare WHERE vd=?");
    s.bind(1, vd);
    return sparesFrom(s);
}

std::vector<HotSpare> Store::hotSparesOnController(int64_t ctrl) {
    auto s = prepare("SELECT disk, vd, ctrl FROM hotspare WHERE ctrl=?");
    s.bind(1, ctrl);
    return sparesFrom(s);
}

void Store::setHotSpare(const HotSpare& spare) {
    auto s = prepare("INSERT OR REPLACE INTO hotspare(disk, vd, ctrl) VALUES(?,?,?)");
    s.bind(1, spare.disk).bind(2, spare.vd).bind(3, spare.ctrl);
    s.run();
}

void Store::clearHotSpare(int64_t disk) {
    auto s = prepare("DELETE FROM hotspare WHERE disk=?");
    s.bind(1, disk);
    s.run();
}

namespace {
constexpr const char* kTaskColumns = "SELECT object, name, started, rate, done, paused, due, ctrl FROM task ";
std::vector<Task> tasksFrom(Statement& s) {
    std::vector<Task> out;
    while (s.step())
        out.push_back(Task{s.integer(0), s.text(1), s.real(2), s.real(3), s.real(4), s.integer(5) != 0, s.real(6),
                           s.integer(7)});
    return out;
}
}  // namespace

std::optional<Task> Store::task(int64_t object) {
    auto s = prepare((std::string(kTaskColumns) + "WHERE object=?").c_str());
    s.bind(1, object);
    auto tasks = tasksFrom(s);
    if (tasks.empty()) return std::nullopt;
    return tasks.front();
}

std::vector<Task> Store::tasksOnController(int64_t ctrl) {
    auto s = prepare((std::string(kTaskColumns) + "WHERE ctrl=?").c_str());
    s.bind(1, ctrl);
    return tasksFrom(s);
}

std::vector<Task> Store::tasksDue(double now) {
    auto s = prepare((std::string(kTaskColumns) + "WHERE due<=? ORDER BY due, object").c_str());
    s.bind(1, now);
    return tasksFrom(s);
}

bool Store::anyTaskDue(double now) {
    auto s = prepare("SELECT 1 FROM task WHERE due<=? LIMIT 1");
    s.bind(1, now);
    return s.step();
}

void Store::putTask(const Task& t) {
    auto s = prepare(
        "INSERT OR REPLACE INTO task(object, name, started, rate, done, paused, due, ctrl) VALUES(?,?,?,?,?,?,?,?)");
    s.bind(1, t.object).bind(2, t.name).bind(3, t.started).bind(4, t.rate).bind(5, t.done);
    s.bind(6, static_cast<int64_t>(t.paused ? 1 : 0)).bind(7, t.due).bind(8, t.ctrl);
    s.run();
}

void Store::removeTask(int64_t object) {
    auto s = prepare("DELETE FROM task WHERE object=?");
    s.bind(1, object);
    s.run();
}

std::optional<std::string> Store::meta(const std::string& key) {
    auto s = prepare("SELECT value FROM meta WHERE key=?");
    s.bind(1, key);
    if (!s.step()) return std::nullopt;
    return s.text(0);
}

void Store::setMeta(const std::string& key, const std::string& value) {
    auto s = prepare("INSERT OR REPLACE INTO meta(key, value) VALUES(?,?)");
    s.bind(1, key).bind(2, value);
    s.run();
}

}  // namespace kwda
