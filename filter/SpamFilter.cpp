#include "filter/SpamFilter.h"

#include "filter/EncodedWords.h"
#include "filter/FilterDatabase.h"
#include "filter/FilterError.h"
#include "filter/HeaderTokens.h"
#include "filter/SortedHashes.h"
#include "filter/TokenSource.h"
#include "platform/Folders.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <ctime>

namespace {

const char* const kSpamMessages = "spam_messages";
const char* const kHamMessages = "ham_messages";
const char* const kPrunedDay = "pruned_day";

// A mailing list's marks all say one thing, that the list passed the message on, and the
// list passes its spam on with the same marks: they count as one token.
unsigned CapOf(uint16_t source, const TRobinsonParams& params)
{
    return source == TTokenSources::kList ? 1u : params.perSource;
}

// "Ann@Example.ORG " gives "ann@example.org", "@Example.org" and "example.org." give
// "example.org"; empty for text that is neither an address nor a domain.
std::string SenderEntry(std::string_view text)
{
    std::string entry(text);
    FoldAsciiCase(entry);
    auto blank = [](unsigned char c) { return c <= ' '; };
    while (!entry.empty() && blank(static_cast<unsigned char>(entry.back()))) entry.pop_back();
    size_t lead = 0;
    while (lead < entry.size() && blank(static_cast<unsigned char>(entry[lead]))) ++lead;
    entry.erase(0, lead);
    if (!entry.empty() && entry.front() == '<' && entry.back() == '>') entry = entry.substr(1, entry.size() - 2);
    if (!entry.empty() && entry.front() == '@') entry.erase(0, 1);
    while (!entry.empty() && entry.back() == '.') entry.pop_back();
    bool bad = entry.empty() || std::any_of(entry.begin(), entry.end(), [&](char c) {
        return blank(static_cast<unsigned char>(c)) || c == '<' || c == '>' || c == ',' || c == ';';
    });
    size_t at = entry.find('@');
    if (at != std::string::npos && (at == 0 || at + 1 == entry.size() || entry.find('@', at + 1) != std::string::npos)) bad = true;
    return bad ? std::string() : entry;
}

}  // namespace

TSpamFilter::TSpamFilter(const std::string& databasePath, TFilterOptions options)
    : options_(std::move(options)), db_(std::make_unique<TFilterDatabase>(databasePath, options_.maxDatabaseBytes))
{
    Load();
}

TSpamFilter::~TSpamFilter() = default;

int64_t TSpamFilter::Today() const
{
    return options_.Today ? options_.Today() : static_cast<int64_t>(std::time(nullptr) / 86400);
}

void TSpamFilter::Load()
{
    int64_t today = Today();
    if (!db_->ReadOnly() && db_->Meta(kPrunedDay, 0) < today) {
        // Bounding the size is housekeeping: when it cannot be written now it is done another day.
        try {
            db_->Begin();
            db_->Prune(today - options_.keepDays);
            db_->SetMeta(kPrunedDay, today);
            db_->Commit();
        } catch (const EFilterError&) {
            db_->Rollback();
        }
    }
    spamMessages_ = static_cast<uint64_t>(std::max<int64_t>(0, db_->Meta(kSpamMessages, 0)));
    hamMessages_ = static_cast<uint64_t>(std::max<int64_t>(0, db_->Meta(kHamMessages, 0)));
    table_.Clear();
    // Its room at once: growing by doubling would leave the smaller tables behind as holes.
    table_.Reserve(size_t(std::clamp<int64_t>(db_->TokenCount(), 0, int64_t(1) << 26)));
    // One pass over the tokens needs no cache of pages: the table it fills is the cache.
    db_->SetCacheKiB(64);
    db_->ForEachToken([&](uint64_t hash, uint32_t spam, uint32_t ham, int64_t day) { table_.Set(hash, spam, ham, day); });
    db_->SetCacheKiB(2000);
    ForgetProbabilities();
    senders_.clear();
    db_->ForEachSender([&](const std::string& entry, int list) {
        if (list == static_cast<int>(TSenderList::Friend) || list == static_cast<int>(TSenderList::Blocked))
            senders_[entry] = static_cast<TSenderList>(list);
    });
    db_->ReleaseCache();
}

TSpamScore TSpamFilter::Classify(std::string_view header) const
{
    std::vector<TSourcedHash> hashes;
    hashes.reserve(160);
    TTokenSources sources;
    std::string from;
    bool sawFrom = false;
    ForEachHeaderToken(header, [&](const TTokenKind& kind, std::string_view text) {
        hashes.push_back({TokenHash(kind, text), sources.Next(kind)});
        if (!sawFrom && kind.name == "from") {
            from = text;
            sawFrom = true;
        }
    });
    TSpamScore result;
    if (std::optional<TSenderList> list = SenderMatch(from)) {
        result.sender = list;
        result.score = *list == TSenderList::Friend ? 0.0 : 100.0;
        result.verdict = *list == TSenderList::Friend ? TSpamClass::Ham : TSpamClass::Spam;
        return result;
    }
    SortUnique(hashes);
    for (const TSourcedHash& h : hashes) table_.Prefetch(h.hash);
    const TRobinsonParams& params = options_.robinson;
    TChiSquareSum sum;
    double unseenLogF = 0, unseenLogNotF = 0;
    ProbabilityLogs(params.assumed, unseenLogF, unseenLogNotF);
    bool unseenCounts = std::fabs(params.assumed - 0.5) >= params.minDeviation;
    struct TPicked {
        double logF, logNotF;
        uint16_t source;
        double strength = std::fabs(logF - logNotF);  // |ln f - ln (1 - f)| grows with |f - 0.5|
    };
    std::vector<TPicked> picked;
    picked.reserve(hashes.size());
    size_t unseen = 0;
    for (const TSourcedHash& h : hashes) {
        TTokenSlot* slot = table_.Find(h.hash);
        if (!slot || (slot->spam == 0 && slot->ham == 0)) {
            if (!unseenCounts) continue;
            if (params.unseenApart > 0) ++unseen;
            else picked.push_back({unseenLogF, unseenLogNotF, h.source});
            continue;
        }
        if (slot->generation != generation_) {
            double f = TokenProbability(slot->spam, slot->ham, spamMessages_, hamMessages_, params);
            if (std::fabs(f - 0.5) < params.minDeviation) slot->logF = slot->logNotF = 1;  // 1: left out
            else ProbabilityLogs(f, slot->logF, slot->logNotF);
            slot->generation = generation_;
        }
        if (slot->logF <= 0) picked.push_back({slot->logF, slot->logNotF, h.source});
    }
    // The most decisive first.
    auto stronger = [](const TPicked& a, const TPicked& b) { return a.strength > b.strength; };
    if (params.maxTokens > 0 && params.perSource > 0) {
        // The strongest, taken in order while their source has room. Twice maxTokens in order
        // nearly always suffice; the rest is put in order only when they do not.
        std::array<uint8_t, TTokenSources::kMaxSources> taken{};
        size_t use = 0, from = 0;
        while (use < params.maxTokens && from < picked.size()) {
            size_t to = from == 0 ? std::min<size_t>(picked.size(), 2 * params.maxTokens) : picked.size();
            if (to < picked.size()) std::nth_element(picked.begin(), picked.begin() + to, picked.end(), stronger);
            std::sort(picked.begin() + from, picked.begin() + to, stronger);
            for (; from < to && use < params.maxTokens; ++from) {
                const TPicked& p = picked[from];
                if (taken[p.source] >= CapOf(p.source, params)) continue;
                ++taken[p.source];
                sum.AddLogs(p.logF, p.logNotF);
                ++use;
            }
        }
    } else {
        if (params.maxTokens > 0 && picked.size() > params.maxTokens)
            std::nth_element(picked.begin(), picked.begin() + params.maxTokens, picked.end(), stronger);
        size_t use = params.maxTokens > 0 ? std::min<size_t>(params.maxTokens, picked.size()) : picked.size();
        for (size_t i = 0; i < use; ++i) sum.AddLogs(picked[i].logF, picked[i].logNotF);
    }
    for (size_t i = 0; i < std::min<size_t>(unseen, params.unseenApart); ++i) sum.AddLogs(unseenLogF, unseenLogNotF);
    result.score = 100.0 * sum.Result();
    result.verdict = result.score >= options_.bands.spamFrom    ? TSpamClass::Spam
                     : result.score >= options_.bands.unsureFrom ? TSpamClass::Unsure
                                                                 : TSpamClass::Ham;
    return result;
}

std::vector<std::pair<std::string, double>> TSpamFilter::Explain(std::string_view header) const
{
    std::vector<std::pair<std::string, double>> out;
    std::vector<uint64_t> seen;
    ForEachHeaderToken(header, [&](const TTokenKind& kind, std::string_view text) {
        uint64_t h = TokenHash(kind, text);
        const TTokenSlot* slot = table_.Find(h);
        if (!slot || (slot->spam == 0 && slot->ham == 0) || std::find(seen.begin(), seen.end(), h) != seen.end()) return;
        seen.push_back(h);
        out.emplace_back(std::string(kind.name) + ":" + std::string(text),
                         TokenProbability(slot->spam, slot->ham, spamMessages_, hamMessages_, options_.robinson));
    });
    std::sort(out.begin(), out.end(), [](const auto& a, const auto& b) { return std::fabs(a.second - 0.5) > std::fabs(b.second - 0.5); });
    return out;
}

void TSpamFilter::Change(const std::vector<uint64_t>& minus, int minusVerdict, const std::vector<uint64_t>& plus,
                         int plusVerdict, const std::function<void()>& recordChange)
{
    int64_t today = Today();
    // The new counts of every token touched, worked out from memory (which mirrors the file)
    // and written to the file; memory takes them only after the commit.
    std::unordered_map<uint64_t, TCounts> changed;
    auto counts = [&](uint64_t h) -> TCounts& {
        auto it = changed.find(h);
        if (it != changed.end()) return it->second;
        const TTokenSlot* old = table_.Find(h);
        return changed[h] = old ? TCounts{old->spam, old->ham, old->day} : TCounts{0, 0, today};
    };
    for (uint64_t h : minus) {
        TCounts& c = counts(h);
        uint32_t& n = minusVerdict == 1 ? c.spam : c.ham;
        if (n > 0) --n;  // a pruned token may have gone already
    }
    for (uint64_t h : plus) {
        TCounts& c = counts(h);
        ++(plusVerdict == 1 ? c.spam : c.ham);
        c.day = today;
    }
    uint64_t spamMessages = spamMessages_, hamMessages = hamMessages_;
    if (minusVerdict == 1 && spamMessages > 0) --spamMessages;
    if (minusVerdict == 0 && hamMessages > 0) --hamMessages;
    if (plusVerdict == 1) ++spamMessages;
    if (plusVerdict == 0) ++hamMessages;

    try {
        db_->Begin();
        for (const auto& [h, c] : changed) {
            if (c.spam == 0 && c.ham == 0) db_->DeleteToken(h);
            else db_->PutToken(h, c.spam, c.ham, c.day);
        }
        db_->SetMeta(kSpamMessages, static_cast<int64_t>(spamMessages));
        db_->SetMeta(kHamMessages, static_cast<int64_t>(hamMessages));
        recordChange();
        if (options_.BeforeCommit) options_.BeforeCommit();
        db_->Commit();
    } catch (...) {
        db_->Rollback();
        throw;
    }
    for (const auto& [h, c] : changed) table_.Set(h, c.spam, c.ham, c.day);
    spamMessages_ = spamMessages;
    hamMessages_ = hamMessages;
    ForgetProbabilities();
}

bool TSpamFilter::Train(const std::string& identity, std::string_view header, TTrainAs as)
{
    int verdict = static_cast<int>(as);
    std::optional<TTrainedRecord> old = db_->Trained(identity);
    if (old && old->verdict == verdict) return false;
    std::vector<uint64_t> tokens = HeaderTokenHashes(header);
    std::vector<uint64_t> oldTokens;
    if (old) oldTokens = old->tokensKept ? old->tokens : tokens;
    Change(oldTokens, old ? old->verdict : -1, tokens, verdict,
           [&] { db_->PutTrained(identity, verdict, Today(), tokens); });
    return true;
}

bool TSpamFilter::Forget(const std::string& identity, std::string_view header)
{
    std::optional<TTrainedRecord> old = db_->Trained(identity);
    if (!old) return false;
    std::vector<uint64_t> oldTokens = old->tokensKept ? old->tokens : HeaderTokenHashes(header);
    Change(oldTokens, old->verdict, {}, -1, [&] { db_->DeleteTrained(identity); });
    return true;
}

std::optional<TTrainAs> TSpamFilter::TrainedAs(const std::string& identity) const
{
    std::optional<TTrainedRecord> old = db_->Trained(identity);
    if (!old) return std::nullopt;
    return old->verdict == 1 ? TTrainAs::Spam : TTrainAs::Ham;
}

void TSpamFilter::AddSender(TSenderList list, std::string_view text)
{
    std::string entry = SenderEntry(text);
    if (entry.empty()) throw EFilterError("\"" + std::string(text) + "\" is neither an address nor a domain.");
    try {
        db_->Begin();
        db_->PutSender(entry, static_cast<int>(list));
        if (options_.BeforeCommit) options_.BeforeCommit();
        db_->Commit();
    } catch (...) {
        db_->Rollback();
        throw;
    }
    senders_[entry] = list;
}

bool TSpamFilter::RemoveSender(std::string_view text)
{
    std::string entry = SenderEntry(text);
    if (!senders_.count(entry)) return false;
    try {
        db_->Begin();
        db_->DeleteSender(entry);
        db_->Commit();
    } catch (...) {
        db_->Rollback();
        throw;
    }
    senders_.erase(entry);
    return true;
}

std::vector<std::string> TSpamFilter::Senders(TSenderList list) const
{
    std::vector<std::string> out;
    for (const auto& [entry, l] : senders_)
        if (l == list) out.push_back(entry);
    std::sort(out.begin(), out.end());
    return out;
}

std::optional<TSenderList> TSpamFilter::SenderMatch(std::string_view text) const
{
    if (senders_.empty()) return std::nullopt;
    std::string address = SenderEntry(text);
    if (address.empty()) return std::nullopt;
    std::optional<TSenderList> found;
    auto look = [&](const std::string& key) {
        auto it = senders_.find(key);
        if (it != senders_.end() && (!found || it->second == TSenderList::Friend)) found = it->second;
    };
    look(address);
    // the domain and each parent domain: "a.b.example.org", "b.example.org", "example.org", "org"
    size_t at = address.find('@');
    for (size_t from = at == std::string::npos ? 0 : at + 1; from < address.size();) {
        look(address.substr(from));
        size_t dot = address.find('.', from);
        if (dot == std::string::npos) break;
        from = dot + 1;
    }
    return found;
}

void TSpamFilter::ForgetProbabilities()
{
    // Slots keep a 32-bit generation; should the count ever come round, none may look current.
    if (++generation_ == 0) {
        table_.ForgetLogs();
        generation_ = 1;
    }
}

void TSpamFilter::SetRobinson(const TRobinsonParams& params)
{
    options_.robinson = params;
    ForgetProbabilities();
}

bool TSpamFilter::ReadOnly() const { return db_->ReadOnly(); }

std::string TSpamFilter::IntegrityCheck() const { return db_->IntegrityCheck(); }

std::string SpamDatabasePath() { return platform::ProgramFolder() + "spamfilter.db"; }
