#pragma once
// The spam filter's SQLite file: token counts, trained messages and the sender lists. A thin
// layer over the C library that turns every failure into EFilterError with a text naming the
// file and the cause (read-only, full, damaged ...). The caller groups writes into transactions.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

struct TTrainedRecord {
    int verdict = 0;                 // 1 spam, 0 ham
    int64_t day = 0;
    std::vector<uint64_t> tokens;    // empty once pruned
    bool tokensKept = false;
};

class TFilterDatabase {
public:
    // Opens the file, creating it (mode 0600) when missing. A file that cannot be opened for
    // writing is opened read-only (ReadOnly() tells). Throws EFilterError when it cannot be
    // opened at all, is not a database or fails its quick check.
    TFilterDatabase(std::string path, int64_t maxBytes);
    ~TFilterDatabase();
    TFilterDatabase(const TFilterDatabase&) = delete;
    TFilterDatabase& operator=(const TFilterDatabase&) = delete;

    bool ReadOnly() const { return readOnly_; }
    const std::string& Path() const { return path_; }

    int64_t TokenCount();
    void ForEachToken(const std::function<void(uint64_t hash, uint32_t spam, uint32_t ham, int64_t day)>& f);
    void ForEachSender(const std::function<void(const std::string& entry, int list)>& f);
    int64_t Meta(const char* key, int64_t fallback);

    void Begin();
    void Commit();
    void Rollback() noexcept;

    std::optional<TTrainedRecord> Trained(const std::string& identity);
    void PutTrained(const std::string& identity, int verdict, int64_t day, const std::vector<uint64_t>& tokens);
    void DeleteTrained(const std::string& identity);
    void PutToken(uint64_t hash, uint32_t spam, uint32_t ham, int64_t day);
    void DeleteToken(uint64_t hash);
    void SetMeta(const char* key, int64_t value);
    void PutSender(const std::string& entry, int list);
    void DeleteSender(const std::string& entry);
    // Drops the tokens seen in one message only and last trained before `beforeDay`, and the
    // token lists of messages trained before it; returns the number of tokens dropped.
    int64_t Prune(int64_t beforeDay);

    // Gives back the pages the connection keeps cached: after the tokens were read into memory
    // they would sit there, megabytes for a trained filter, until the next training step.
    void ReleaseCache();
    // The most the connection keeps cached; SQLite's own default is 2,000 KiB.
    void SetCacheKiB(int kib);

    // "ok", or what PRAGMA integrity_check found.
    std::string IntegrityCheck();

private:
    class Statement;
    sqlite3_stmt* Prepared(const char* sql);
    void Exec(const char* sql);
    [[noreturn]] void Fail(int code, const std::string& doing) const;

    std::string path_;
    sqlite3* db_ = nullptr;
    bool readOnly_ = false;
    std::vector<std::pair<const char*, sqlite3_stmt*>> statements_;
};
