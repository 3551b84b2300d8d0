#pragma once
// The learning spam filter: scores a message by its header lines and learns from the user's
// verdicts. GUI-free; the window calls it on its own thread (it is not thread-safe).
//
// How the window uses it:
//   TSpamFilter filter(SpamDatabasePath());           // throws EFilterError (show its text)
//   TSpamScore s = filter.Classify(headerText);       // never throws, never touches the disk
//   filter.Train(identity, headerText, TTrainAs::Spam);  // "Spam" / "Not spam"; a second call
//                                                     // with the other verdict moves the message
//   filter.Forget(identity);                          // undo training altogether
//   filter.AddSender(TSenderList::Friend, "ann@example.org" or "example.org");
// Train, Forget and the sender-list changes write one transaction each and change the counts in
// memory only once it is committed: when they throw EFilterError (read-only or full disk,
// damaged file) nothing changed and Classify goes on working from memory.
//
// The identity is the message identity the list keeps (its header key); training the same
// identity twice with the same verdict counts once.
#include "filter/ChiSquare.h"
#include "filter/TokenTable.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

class TFilterDatabase;

enum class TSpamClass { Ham, Unsure, Spam };
enum class TTrainAs { Ham = 0, Spam = 1 };
enum class TSenderList { Friend = 1, Blocked = 2 };

// Scores run from 0 (surely ham) to 100 (surely spam). Below unsureFrom a message is ham, from
// spamFrom on spam, in between unsure. The defaults come from the training part of a public
// corpus (bench/spamfilter): spam from the score that marked at most 0.2% of the later ham in
// a drift check (a filter trained on the first four tenths scoring the last four), as later mail
// is what a trained filter meets, but never below 50.01: a message with no evidence scores 50
// and is not spam (that floor is what decides today). Unsure from
// just above 50, so that such a message reads as ham: cross-validation would start the band
// where 1% of the held-out ham reached, which lies below 50. Later spam from relays never seen
// scores just above 50, so the band between them is narrow.
struct TSpamBands {
    double unsureFrom = 50.00006;
    double spamFrom = 50.01;
};

struct TSpamScore {
    double score = 50.0;
    TSpamClass verdict = TSpamClass::Unsure;
    std::optional<TSenderList> sender;  // set when a friend or blocked entry decided: 0 or 100
};

struct TFilterOptions {
    TRobinsonParams robinson;
    TSpamBands bands;
    // The size bound: tokens seen in one message only and not trained for keepDays are dropped
    // when the filter opens (once a day), and so are the token lists kept to undo verdicts of
    // messages trained that long ago. The file never grows past maxDatabaseBytes (training then
    // fails with a "full" error).
    int keepDays = 120;
    int64_t maxDatabaseBytes = 256ll << 20;
    std::function<int64_t()> Today;      // days since 1970; the system clock when unassigned
    std::function<void()> BeforeCommit;  // fired inside each write transaction (fault tests)
};

class TSpamFilter {
public:
    // Opens (creating when missing) the database. A file that cannot be written opens
    // read-only: Classify works, training throws. Throws EFilterError when the file cannot be
    // opened or is damaged.
    explicit TSpamFilter(const std::string& databasePath, TFilterOptions options = {});
    ~TSpamFilter();

    TSpamScore Classify(std::string_view header) const;

    // The tokens of a header with their spam probability f(w), the most decisive first (for a
    // "why" view and for tuning); tokens never seen are left out.
    std::vector<std::pair<std::string, double>> Explain(std::string_view header) const;

    // Learns the message as spam or ham; true when the counts changed (false when it was
    // already trained so). A message trained the other way is moved.
    bool Train(const std::string& identity, std::string_view header, TTrainAs as);
    // Takes a trained message out of the counts; false when it was not trained. The header is
    // needed only for messages trained more than keepDays ago, whose token list was dropped.
    bool Forget(const std::string& identity, std::string_view header = {});
    std::optional<TTrainAs> TrainedAs(const std::string& identity) const;

    // Entries are an address ("ann@example.org") or a whole domain ("example.org" or
    // "@example.org", which covers its subdomains too), any letter case. Adding an entry to one
    // list takes it off the other. Throws EFilterError for an entry that is neither.
    void AddSender(TSenderList list, std::string_view entry);
    bool RemoveSender(std::string_view entry);
    std::vector<std::string> Senders(TSenderList list) const;  // sorted
    // Which list decides for a From address: a friend wins over everything.
    std::optional<TSenderList> SenderMatch(std::string_view address) const;

    uint64_t SpamMessages() const { return spamMessages_; }
    uint64_t HamMessages() const { return hamMessages_; }
    size_t TokenCount() const { return table_.Live(); }
    bool ReadOnly() const;
    std::string IntegrityCheck() const;  // "ok" when the file is sound
    TSpamBands& Bands() { return options_.bands; }
    const TRobinsonParams& Robinson() const { return options_.robinson; }
    void SetRobinson(const TRobinsonParams& params);

private:
    struct TCounts {
        uint32_t spam = 0, ham = 0;
        int64_t day = 0;
    };
    int64_t Today() const;
    void Load();
    // Applies the changes of one message, write-through: one transaction, then memory.
    void Change(const std::vector<uint64_t>& minus, int minusVerdict, const std::vector<uint64_t>& plus, int plusVerdict,
                const std::function<void()>& recordChange);

    TFilterOptions options_;
    std::unique_ptr<TFilterDatabase> db_;
    mutable TTokenTable table_;  // mutable for the logarithms Classify caches in it
    void ForgetProbabilities();  // every f(w) changes: the cached logarithms are stale
    uint32_t generation_ = 1;  // bumped whenever every f(w) changes
    uint64_t spamMessages_ = 0, hamMessages_ = 0;
    std::unordered_map<std::string, TSenderList> senders_;
};

// The database of the user's filter: beside acc.dat in the program's folder.
std::string SpamDatabasePath();
