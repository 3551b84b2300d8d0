#include "filter/FilterDatabase.h"

#include "filter/FilterError.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

// A prepared statement in use: reset when the scope ends, so a thrown error leaves none busy.
class TFilterDatabase::Statement {
public:
    Statement(TFilterDatabase& db, const char* sql) : db_(db), stmt_(db.Prepared(sql)) {}
    ~Statement()
    {
        sqlite3_reset(stmt_);
        sqlite3_clear_bindings(stmt_);
    }
    Statement& Int(int at, int64_t value)
    {
        sqlite3_bind_int64(stmt_, at, value);
        return *this;
    }
    // Copied (SQLITE_TRANSIENT): a key given as a C string arrives here as a temporary.
    Statement& Text(int at, std::string_view value)
    {
        sqlite3_bind_text(stmt_, at, value.data(), static_cast<int>(value.size()), SQLITE_TRANSIENT);
        return *this;
    }
    Statement& Blob(int at, const void* data, size_t size)
    {
        sqlite3_bind_blob(stmt_, at, size ? data : "", static_cast<int>(size), SQLITE_TRANSIENT);
        return *this;
    }
    // True while there is a row; throws on failure.
    bool Step(const char* doing)
    {
        int rc = sqlite3_step(stmt_);
        if (rc == SQLITE_ROW) return true;
        if (rc != SQLITE_DONE) db_.Fail(rc, doing);
        return false;
    }
    int64_t ColumnInt(int at) const { return sqlite3_column_int64(stmt_, at); }
    std::string ColumnText(int at) const
    {
        const unsigned char* t = sqlite3_column_text(stmt_, at);
        return t ? std::string(reinterpret_cast<const char*>(t), static_cast<size_t>(sqlite3_column_bytes(stmt_, at))) : std::string();
    }
    bool ColumnNull(int at) const { return sqlite3_column_type(stmt_, at) == SQLITE_NULL; }
    std::vector<uint64_t> ColumnHashes(int at) const
    {
        const void* data = sqlite3_column_blob(stmt_, at);
        size_t bytes = static_cast<size_t>(sqlite3_column_bytes(stmt_, at));
        std::vector<uint64_t> out(bytes / sizeof(uint64_t));
        if (!out.empty()) std::memcpy(out.data(), data, out.size() * sizeof(uint64_t));
        return out;
    }

private:
    TFilterDatabase& db_;
    sqlite3_stmt* stmt_;
};

namespace {

constexpr int kSchemaVersion = 1;

const char* const kSchema =
    "CREATE TABLE IF NOT EXISTS meta(key TEXT PRIMARY KEY, value INTEGER NOT NULL) WITHOUT ROWID;"
    "CREATE TABLE IF NOT EXISTS tokens(hash INTEGER PRIMARY KEY, spam INTEGER NOT NULL, ham INTEGER NOT NULL,"
    " day INTEGER NOT NULL);"
    // A rowid table: its rows of about a kilobyte share pages, where WITHOUT ROWID would give
    // each its own overflow page.
    "CREATE TABLE IF NOT EXISTS messages(identity TEXT PRIMARY KEY, verdict INTEGER NOT NULL,"
    " day INTEGER NOT NULL, tokens BLOB);"
    "CREATE TABLE IF NOT EXISTS senders(entry TEXT PRIMARY KEY, list INTEGER NOT NULL) WITHOUT ROWID;";

std::string Cause(int code)
{
    switch (code & 0xFF) {
        case SQLITE_READONLY: return "is read-only, so training cannot be saved";
        case SQLITE_FULL: return "is full (no room left on the disk or the size limit reached)";
        case SQLITE_CORRUPT:
        case SQLITE_NOTADB: return "is damaged";
        case SQLITE_BUSY:
        case SQLITE_LOCKED: return "is in use by another program";
        case SQLITE_CANTOPEN: return "cannot be opened";
        case SQLITE_PERM:
        case SQLITE_AUTH: return "may not be accessed";
        default: return "could not be read or written";
    }
}

}  // namespace

void TFilterDatabase::Fail(int code, const std::string& doing) const
{
    std::string detail = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(code);
    throw EFilterError("The spam filter's database " + path_ + " " + Cause(code) + " (" + doing + ": " + detail + ").");
}

TFilterDatabase::TFilterDatabase(std::string path, int64_t maxBytes) : path_(std::move(path))
{
    // Created here rather than by SQLite so that it is private to the user from the start;
    // SQLite gives its -wal and -shm files the same mode.
    int fd = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0 && (errno == EACCES || errno == EROFS || errno == EPERM)) fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw EFilterError("The spam filter's database " + path_ + " cannot be opened: " + std::strerror(errno) + ".");
    ::close(fd);

    int rc = sqlite3_open_v2(path_.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc == SQLITE_OK && sqlite3_db_readonly(db_, "main") == 1) rc = SQLITE_READONLY;
    if (rc != SQLITE_OK) {
        sqlite3_close(db_);
        db_ = nullptr;
        readOnly_ = true;
        // Reading a WAL database needs its shared-memory file; when that cannot be made either,
        // the file is read as it stands (immutable).
        for (const char* options : {"?mode=ro", "?mode=ro&immutable=1"}) {
            std::string uri = "file:" + path_ + options;
            rc = sqlite3_open_v2(uri.c_str(), &db_, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX, nullptr);
            if (rc == SQLITE_OK) rc = sqlite3_exec(db_, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
            if (rc == SQLITE_OK) break;
            sqlite3_close(db_);
            db_ = nullptr;
        }
        if (rc != SQLITE_OK) Fail(rc, "opening it");
    }
    try {
        sqlite3_busy_timeout(db_, 2000);
        std::string check;
        {
            Statement quick(*this, "PRAGMA quick_check");
            while (quick.Step("checking it")) check += quick.ColumnText(0);
        }
        if (check != "ok") throw EFilterError("The spam filter's database " + path_ + " is damaged (" + check + ").");
        if (!readOnly_) {
            Exec("PRAGMA journal_mode=WAL");
            // In WAL mode NORMAL syncs at checkpoints only: a killed program loses nothing that
            // was committed, a power cut at most the last steps, and neither corrupts the file.
            Exec("PRAGMA synchronous=NORMAL");
            if (maxBytes > 0) {
                Statement pageSize(*this, "PRAGMA page_size");
                pageSize.Step("reading its page size");
                int64_t pages = maxBytes / std::max<int64_t>(512, pageSize.ColumnInt(0));
                Exec(("PRAGMA max_page_count=" + std::to_string(pages)).c_str());
            }
            Exec(kSchema);
            Exec(("PRAGMA user_version=" + std::to_string(kSchemaVersion)).c_str());
            ::chmod(path_.c_str(), 0600);
        } else {
            Statement tables(*this, "SELECT count(*) FROM sqlite_master WHERE name IN ('meta','tokens','messages','senders')");
            tables.Step("reading its tables");
            if (tables.ColumnInt(0) != 4)
                throw EFilterError("The spam filter's database " + path_ + " is read-only and holds no filter yet.");
        }
    } catch (...) {
        for (auto& [sql, stmt] : statements_) sqlite3_finalize(stmt);
        statements_.clear();
        sqlite3_close(db_);
        db_ = nullptr;
        throw;
    }
}

TFilterDatabase::~TFilterDatabase()
{
    for (auto& [sql, stmt] : statements_) sqlite3_finalize(stmt);
    sqlite3_close(db_);
}

sqlite3_stmt* TFilterDatabase::Prepared(const char* sql)
{
    for (auto& [text, stmt] : statements_)
        if (text == sql || std::strcmp(text, sql) == 0) return stmt;
    sqlite3_stmt* stmt = nullptr;
    int rc = sqlite3_prepare_v2(db_, sql, -1, &stmt, nullptr);
    if (rc != SQLITE_OK) Fail(rc, "preparing a query");
    statements_.emplace_back(sql, stmt);
    return stmt;
}

void TFilterDatabase::Exec(const char* sql)
{
    char* error = nullptr;
    int rc = sqlite3_exec(db_, sql, nullptr, nullptr, &error);
    sqlite3_free(error);
    if (rc != SQLITE_OK) Fail(rc, "setting it up");
}

void TFilterDatabase::ForEachToken(const std::function<void(uint64_t, uint32_t, uint32_t, int64_t)>& f)
{
    Statement s(*this, "SELECT hash, spam, ham, day FROM tokens");
    while (s.Step("loading the token counts"))
        f(static_cast<uint64_t>(s.ColumnInt(0)), static_cast<uint32_t>(s.ColumnInt(1)), static_cast<uint32_t>(s.ColumnInt(2)),
          s.ColumnInt(3));
}

int64_t TFilterDatabase::TokenCount()
{
    Statement s(*this, "SELECT count(*) FROM tokens");
    return s.Step("counting the tokens") ? s.ColumnInt(0) : 0;
}

void TFilterDatabase::ForEachSender(const std::function<void(const std::string&, int)>& f)
{
    Statement s(*this, "SELECT entry, list FROM senders ORDER BY entry");
    while (s.Step("loading the sender lists")) f(s.ColumnText(0), static_cast<int>(s.ColumnInt(1)));
}

int64_t TFilterDatabase::Meta(const char* key, int64_t fallback)
{
    Statement s(*this, "SELECT value FROM meta WHERE key = ?1");
    s.Text(1, key);
    return s.Step("reading the message counts") ? s.ColumnInt(0) : fallback;
}

void TFilterDatabase::Begin()
{
    if (readOnly_) Fail(SQLITE_READONLY, "starting a training step");
    Statement(*this, "BEGIN IMMEDIATE").Step("starting a training step");
}

void TFilterDatabase::Commit() { Statement(*this, "COMMIT").Step("saving a training step"); }

void TFilterDatabase::Rollback() noexcept
{
    if (!sqlite3_get_autocommit(db_)) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
}

std::optional<TTrainedRecord> TFilterDatabase::Trained(const std::string& identity)
{
    Statement s(*this, "SELECT verdict, day, tokens FROM messages WHERE identity = ?1");
    s.Text(1, identity);
    if (!s.Step("reading a trained message")) return std::nullopt;
    TTrainedRecord r;
    r.verdict = static_cast<int>(s.ColumnInt(0));
    r.day = s.ColumnInt(1);
    r.tokensKept = !s.ColumnNull(2);
    r.tokens = s.ColumnHashes(2);
    return r;
}

void TFilterDatabase::PutTrained(const std::string& identity, int verdict, int64_t day, const std::vector<uint64_t>& tokens)
{
    Statement s(*this, "INSERT OR REPLACE INTO messages(identity, verdict, day, tokens) VALUES(?1, ?2, ?3, ?4)");
    s.Text(1, identity).Int(2, verdict).Int(3, day).Blob(4, tokens.data(), tokens.size() * sizeof(uint64_t));
    s.Step("saving a trained message");
}

void TFilterDatabase::DeleteTrained(const std::string& identity)
{
    Statement s(*this, "DELETE FROM messages WHERE identity = ?1");
    s.Text(1, identity).Step("forgetting a trained message");
}

void TFilterDatabase::PutToken(uint64_t hash, uint32_t spam, uint32_t ham, int64_t day)
{
    Statement s(*this, "INSERT OR REPLACE INTO tokens(hash, spam, ham, day) VALUES(?1, ?2, ?3, ?4)");
    s.Int(1, static_cast<int64_t>(hash)).Int(2, spam).Int(3, ham).Int(4, day).Step("saving token counts");
}

void TFilterDatabase::DeleteToken(uint64_t hash)
{
    Statement s(*this, "DELETE FROM tokens WHERE hash = ?1");
    s.Int(1, static_cast<int64_t>(hash)).Step("saving token counts");
}

void TFilterDatabase::SetMeta(const char* key, int64_t value)
{
    Statement s(*this, "INSERT OR REPLACE INTO meta(key, value) VALUES(?1, ?2)");
    s.Text(1, key).Int(2, value).Step("saving the message counts");
}

void TFilterDatabase::PutSender(const std::string& entry, int list)
{
    Statement s(*this, "INSERT OR REPLACE INTO senders(entry, list) VALUES(?1, ?2)");
    s.Text(1, entry).Int(2, list).Step("saving a sender");
}

void TFilterDatabase::DeleteSender(const std::string& entry)
{
    Statement s(*this, "DELETE FROM senders WHERE entry = ?1");
    s.Text(1, entry).Step("removing a sender");
}

int64_t TFilterDatabase::Prune(int64_t beforeDay)
{
    Statement tokens(*this, "DELETE FROM tokens WHERE spam + ham <= 1 AND day < ?1");
    tokens.Int(1, beforeDay).Step("dropping old tokens");
    int64_t dropped = sqlite3_changes(db_);
    Statement lists(*this, "UPDATE messages SET tokens = NULL WHERE day < ?1 AND tokens IS NOT NULL");
    lists.Int(1, beforeDay).Step("dropping old token lists");
    return dropped;
}

void TFilterDatabase::ReleaseCache() { sqlite3_db_release_memory(db_); }

void TFilterDatabase::SetCacheKiB(int kib) { Exec(("PRAGMA cache_size=-" + std::to_string(kib)).c_str()); }

std::string TFilterDatabase::IntegrityCheck()
{
    std::string result;
    Statement s(*this, "PRAGMA integrity_check");
    while (s.Step("checking it")) result += s.ColumnText(0);
    return result;
}
