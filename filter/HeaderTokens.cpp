#include "filter/HeaderTokens.h"

#include "filter/EncodedWords.h"
#include "filter/HeaderDate.h"
#include "filter/ReceivedHop.h"
#include "filter/SortedHashes.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <optional>


namespace {

// A field longer than this is judged by its start: a 1 MB line costs no more than a long one.
constexpr size_t kMaxFieldBytes = 4096;
constexpr size_t kMaxFields = 256;
constexpr size_t kMaxWordsPerField = 64;
constexpr size_t kMaxWordBytes = 40;
constexpr size_t kMaxShapeBytes = 24;
// Of any other field only the first words count: more made the held-out results worse.
constexpr size_t kValueWords = 3;

bool IsAsciiAlnum(unsigned char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsWordByte(unsigned char c) { return IsAsciiAlnum(c) || c >= 0x80; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// find_first_of calls memchr for every byte of the text; on fields of a few dozen bytes a
// plain loop is several times faster.
template <typename Is>
size_t FindIf(std::string_view s, size_t from, Is is)
{
    for (size_t i = from; i < s.size(); ++i)
        if (is(s[i])) return i;
    return std::string_view::npos;
}

bool IsBlankOrTab(char c) { return c == ' ' || c == '\t'; }
// Where an address's domain ends.
bool EndsDomain(char c) { return c == ' ' || c == '\t' || c == '>' || c == ',' || c == ';' || c == ')' || c == '"'; }

std::string_view TrimView(std::string_view s)
{
    size_t b = 0, e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
    return s.substr(b, e - b);
}

std::string Folded(std::string_view s)
{
    std::string out(s);
    FoldAsciiCase(out);
    return out;
}

// Character classes with runs collapsed: "<20020822.A1b@x>" gives "<9.AaAa@a>".
// Built in a fixed buffer: std::string's push_back is a call per byte.
std::string Shape(std::string_view s)
{
    char out[kMaxShapeBytes];
    size_t n = 0;
    for (unsigned char c : s) {
        char cls = (c >= '0' && c <= '9') ? '9' : (c >= 'a' && c <= 'z') ? 'a' : (c >= 'A' && c <= 'Z') ? 'A' : c >= 0x80 ? 'h' : static_cast<char>(c);
        if (n == 0 || out[n - 1] != cls) out[n++] = cls;
        if (n >= kMaxShapeBytes) break;
    }
    return std::string(out, n);
}

template <typename F>
void ForEachWord(std::string_view text, F&& onWord)
{
    size_t words = 0;
    for (size_t i = 0; i < text.size() && words < kMaxWordsPerField;) {
        if (!IsWordByte(static_cast<unsigned char>(text[i]))) {
            ++i;
            continue;
        }
        size_t start = i;
        while (i < text.size() && IsWordByte(static_cast<unsigned char>(text[i]))) ++i;
        std::string_view word = text.substr(start, i - start);
        if (word.size() >= 2 && word.size() <= kMaxWordBytes) {
            onWord(word);
            ++words;
        }
    }
}

// What separates the words of a Received line; a table, as this runs for every byte.
bool IsReceivedDelimiter(char c)
{
    static const auto table = [] {
        std::array<bool, 256> t{};
        for (unsigned char d : std::string_view(" \t()[];<>,\"=")) t[d] = true;
        return t;
    }();
    return table[static_cast<unsigned char>(c)];
}

// Written in full (seven colons) or shortened with "::"; a time of day like 13:18:21 is neither.
// One pass: it runs for every word of every Received line, and most stop at the first byte.
bool IsIPv6(std::string_view s)
{
    int colons = 0;
    bool doubleColon = false;
    for (size_t i = 0; i < s.size(); ++i) {
        char c = s[i];
        if (c == ':') {
            ++colons;
            doubleColon = doubleColon || (i > 0 && s[i - 1] == ':');
        } else if (!IsDigit(c) && !(c >= 'a' && c <= 'f') && c != '.') {
            return false;
        }
    }
    return doubleColon || colons == 7;
}

// A name with a dot whose last label is all letters: "8.11.6/8.11.6" or "3.31-va-mm2" (mail
// server versions) are not hosts.
bool IsHostName(std::string_view s)
{
    size_t lastDot = s.rfind('.');
    if (lastDot == std::string_view::npos || s.front() == '.' || lastDot + 1 == s.size()) return false;
    for (char c : s.substr(lastDot + 1))
        if (c < 'a' || c > 'z') return false;
    bool letter = false;
    for (char c : s) {
        if (c >= 'a' && c <= 'z') letter = true;
        else if (!IsDigit(c) && c != '.' && c != '-' && c != '_') return false;
    }
    return letter;
}

// The last `labels` labels of a host name.
std::string_view LastLabels(std::string_view host, int labels)
{
    size_t at = host.size();
    for (int n = 0; n < labels; ++n) {
        size_t dot = host.rfind('.', at == 0 ? 0 : at - 1);
        if (dot == std::string_view::npos || at == 0) return host;
        at = dot;
    }
    return host.substr(at + 1);
}

// How a name's letters are written: "caps" (ANN EXAMPLE), "lower", "title" (every word
// capitalised) or "mixed"; null when it has no ASCII letter. A person's mailer writes the name
// the person typed once; bulk senders fill it in from lists.
const char* LetterCase(std::string_view s)
{
    size_t upper = 0, lower = 0, words = 0, capitalised = 0;
    bool wordStart = true;
    for (char c : s) {
        bool isUpper = c >= 'A' && c <= 'Z', isLower = c >= 'a' && c <= 'z';
        upper += isUpper;
        lower += isLower;
        if ((isUpper || isLower) && wordStart) {
            ++words;
            capitalised += isUpper;
        }
        wordStart = !(isUpper || isLower);
    }
    if (upper + lower == 0) return nullptr;
    return lower == 0 ? "caps" : upper == 0 ? "lower" : capitalised == words ? "title" : "mixed";
}

// A kind fixed in the program, hashed when it is compiled.
consteval TTokenKind K(std::string_view name) { return TokenKind(name); }

class Tokenizer {
public:
    explicit Tokenizer(const TTokenSink& sink) : sink_(sink) {}

    void Field(std::string_view name, std::string_view value)
    {
        std::string folded = Folded(name);
        if (IsVerdictField(folded)) return;
        Emit(K("hdr"), folded);
        pair_.assign(previous_).append(">").append(folded);
        Emit(K("seq"), pair_);
        previous_.swap(folded);
        // A view: comparing std::string with a literal calls memcmp before looking at the sizes.
        std::string_view field = previous_;
        value = TrimView(value.substr(0, kMaxFieldBytes));
        if (field == "from") From(value);
        else if (field == "subject") Subject(value);
        else if (field == "received") Received(value);
        else if (field == "message-id") MessageId(value);
        else if (field == "x-mailer" || field == "user-agent") Mailer(value);
        else if (field == "content-type") ContentType(value);
        else if (field == "date") Date(value);
        else if (field == "to" || field == "cc") Recipients(field, value);
        else if (field == "reply-to" || field == "return-path" || field == "sender" || field == "errors-to") OtherAddress(field, value);
        else if (!IsTraceField(field)) Value(field, value);
    }

    void Finish()
    {
        Emit(K("hops"), std::to_string(std::min(received_, 10)));
        if (received_ > 0) Emit(K("originform"), lastHopForm_);
        DateSkew();
        if (!sawSubject_) Emit(K("subjshape"), "none");
        if (!sawMessageId_) Emit(K("mid"), "none");
        if (!sawFrom_) Emit(K("from"), "none");
    }

private:
    void Emit(const TTokenKind& kind, std::string_view text) { sink_(kind, text); }

    // A kind made of two parts ("to" "dom"), in a buffer reused for every field; valid until the
    // next call.
    TTokenKind KindOf(std::string_view a, std::string_view b)
    {
        kind_.assign(a).append(b);
        return TokenKind(kind_);
    }

    void From(std::string_view raw)
    {
        sawFrom_ = true;
        std::string value = DecodeEncodedWords(raw);
        std::string_view v = value;
        std::string_view address, name;
        if (size_t lt = v.rfind('<'); lt != std::string_view::npos) {
            size_t gt = v.find('>', lt);
            address = v.substr(lt + 1, gt == std::string_view::npos ? std::string_view::npos : gt - lt - 1);
            name = v.substr(0, lt);
        } else if (size_t paren = v.find('('); paren != std::string_view::npos) {
            address = v.substr(0, paren);
            name = v.substr(paren + 1);
        } else {
            address = v;
        }
        std::string addr = Folded(TrimView(address));
        std::string display = Folded(TrimView(name));
        Emit(K("from"), addr);
        if (size_t at = addr.rfind('@'); at != std::string::npos) {
            std::string_view domain = std::string_view(addr).substr(at + 1);
            Emit(K("fromdom"), domain);
            fromDomain_ = std::string(domain);
            Emit(K("fromtld"), LastLabels(domain, 1));
            Emit(K("fromshape"), "local:" + Shape(std::string_view(addr).substr(0, at)));
        } else {
            Emit(K("fromshape"), "nodomain");
        }
        if (const char* c = LetterCase(TrimView(name))) Emit(K("fromnamecase"), c);
        if (display.empty()) Emit(K("fromshape"), "noname");
        else if (display.find('@') != std::string::npos) Emit(K("fromshape"), "nameaddr");
        if (!display.empty() && display.front() == '"') Emit(K("fromshape"), "quoted");
        // Whether the name is written in the address ("Ann Example" <ann.example@...>): a
        // person's mailer writes both from one account, a bulk sender pairs names at random.
        std::string_view local = std::string_view(addr).substr(0, addr.find('@'));
        bool nameInAddress = false;
        ForEachWord(display, [&](std::string_view w) {
            Emit(K("fromname"), w);
            if (w.size() >= 3 && local.find(w) != std::string_view::npos) nameInAddress = true;
        });
        if (!display.empty()) Emit(K("fromshape"), nameInAddress ? "name-in-address" : "name-apart");
    }

    void Subject(std::string_view raw)
    {
        sawSubject_ = true;
        std::string charsets;
        std::string value = DecodeEncodedWords(raw, &charsets);
        for (size_t at = 0; at < charsets.size();) {
            size_t blank = std::min(charsets.find(' ', at), charsets.size());
            Emit(K("subjcs"), std::string_view(charsets).substr(at, std::min<size_t>(blank - at, kMaxWordBytes)));
            at = blank + 1;
        }
        if (TrimView(value).empty()) {
            Emit(K("subjshape"), "empty");
            return;
        }
        size_t letters = 0, upper = 0;
        size_t bangRun = 0, dollarRun = 0, run = 0;
        char runChar = 0;
        for (char c : value) {
            if (c >= 'A' && c <= 'Z') ++upper;
            if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) ++letters;
            run = (c == runChar) ? run + 1 : 1;
            runChar = c;
            if (c == '!') bangRun = std::max(bangRun, run);
            if (c == '$') dollarRun = std::max(dollarRun, run);
        }
        if (letters >= 4 && upper == letters) Emit(K("subjshape"), "caps");
        if (bangRun > 0) Emit(K("subjshape"), bangRun >= 2 ? "!!" : "!");
        if (dollarRun > 0) Emit(K("subjshape"), dollarRun >= 2 ? "$$" : "$");
        FoldAsciiCase(value);
        ForEachWord(value, [&](std::string_view w) { Emit(K("subj"), w); });
    }

    void Received(std::string_view raw)
    {
        std::string& value = scratch_;
        value.assign(raw);
        FoldAsciiCase(value);
        TReceivedHop hop = ParseReceivedHop(value);
        ++received_;
        HopForm(hop, lastHopForm_);  // kept for the last hop; its buffer is reused
        Emit(received_ == 1 ? K("entryform") : K("hopform"), lastHopForm_);
        if (received_ == 1) receivedDate_ = ParseHeaderDate(hop.date);
        // The date after the last ";" says nothing of the path.
        if (size_t semicolon = value.rfind(';'); semicolon != std::string::npos) value.resize(semicolon);
        size_t words = 0;
        bool afterWith = false;
        for (size_t i = 0; i < value.size() && words < kMaxWordsPerField;) {
            if (IsReceivedDelimiter(value[i])) {
                ++i;
                continue;
            }
            size_t start = i;
            while (i < value.size() && !IsReceivedDelimiter(value[i])) ++i;
            std::string_view word = std::string_view(value).substr(start, i - start);
            ++words;
            if (afterWith) {
                Emit(K("with"), word.substr(0, kMaxWordBytes));
                afterWith = false;
                continue;
            }
            if (word == "with") {
                afterWith = true;
                continue;
            }
            if (word.size() > 5 && word.substr(0, 5) == "ipv6:") word.remove_prefix(5);
            while (!word.empty() && word.back() == '.') word.remove_suffix(1);
            if (word.empty() || word.size() > 80) continue;
            if (IsIPv4(word)) {
                Emit(K("ip"), word);
                Emit(K("net"), word.substr(0, word.rfind('.')));
                // The wider blocks a public address lies in: a provider's or a region's, which
                // a relay never seen before still shares with the ones that were.
                if (!IsPrivateIPv4(word)) {
                    size_t firstDot = word.find('.');
                    Emit(K("net16"), word.substr(0, word.find('.', firstDot + 1)));
                    Emit(K("net8"), word.substr(0, firstDot));
                }
            } else if (IsIPv6(word)) {
                Emit(K("ip6"), word);
                size_t cut = 0;
                for (int colons = 0; cut < word.size() && colons < 3; ++cut)
                    if (word[cut] == ':') ++colons;
                Emit(K("net6"), word.substr(0, cut));
            } else if (IsHostName(word)) {
                Emit(K("rcvd"), word);
                Emit(K("rcvdom"), LastLabels(word, 2));
            }
            // Plain words (bare host names, the software's name) are not learnt: they are
            // mostly the user's own mail systems, which spam and ham share once the filter has
            // seen a while of mail, and trained early they read as ham on every later spam.
        }
    }

    // How a relay handed the mail on: the kind of name it gave, what its address resolved to
    // and whether that is a private address: "fqdn/same", "bare/unknown/lan", "ip/dyn".
    static void HopForm(const TReceivedHop& hop, std::string& form)
    {
        form.clear();
        if (hop.helo.empty()) form += "none";
        else if (!hop.ip.empty() && (hop.helo == hop.ip || (hop.helo.front() == '[' && hop.helo.find(hop.ip) == 1))) form += "ip";
        else if (hop.helo.find('.') == std::string_view::npos) form += "bare";
        else form += "fqdn";
        form += '/';
        if (hop.unknownRdns) form += "unknown";
        else if (hop.rdns.empty()) form += hop.ip.empty() ? "noip" : "none";
        else if (LooksDynamic(hop.rdns, hop.ip)) form += "dyn";
        else if (hop.helo.find('.') != std::string_view::npos && RegisteredDomain(hop.rdns) == RegisteredDomain(hop.helo)) form += "same";
        else form += "other";
        if (IsPrivateIPv4(hop.ip)) form += "/lan";
        if (hop.forged) form += "/forged";
    }

    // The Date the sender wrote against the time the user's mail server received the message:
    // a clock far off, a zone off by whole hours, or a Date that cannot be read.
    void DateSkew()
    {
        if (!sawDate_) return;
        if (!date_) {
            Emit(K("skew"), "unreadable");
            return;
        }
        if (!date_->zoneWritten) Emit(K("dateform"), "nozone");
        else if (std::abs(date_->zoneMinutes) > 14 * 60 || date_->zoneMinutes % 15 != 0) Emit(K("dateform"), "badzone");
        if (!receivedDate_) return;
        int64_t late = receivedDate_->utcSeconds - date_->utcSeconds;
        constexpr int64_t kHour = 3600, kDay = 24 * kHour;
        const char* bucket = late < -kDay ? "ahead-days" : late < -kHour ? "ahead-hours" : late < -300 ? "ahead-minutes"
                           : late < 600 ? "ok" : late < 2 * kHour ? "late-minutes" : late < kDay ? "late-hours"
                           : late < 7 * kDay ? "late-days" : "late-weeks";
        Emit(K("skew"), bucket);
        int64_t off = std::abs(late);
        if (off >= 50 * 60 && off < kDay && (off + 120) % 1800 < 240) Emit(K("skew"), "whole-hours");
    }

    // A spam scanner's verdict, added by the user's own mail system or its provider: the
    // filter judges the sender, not another filter's opinion of it.
    static bool IsVerdictField(std::string_view name) { return name == "x-spam" || name.starts_with("x-spam-"); }

    // Fields added on the way or the same in every message of a mailbox say nothing of the sender:
    // their names count, their values do not. Among them the stamps of the user's own mail
    // system (the delivery time, its virus scanner's, the mail program's keywords): trained on
    // mail of one period they read as that period's verdict on all later mail.
    static bool IsTraceField(std::string_view name)
    {
        return name == "delivered-to" || name == "x-original-to" || name == "envelope-to" || name == "x-uidl" ||
               name == "delivery-date" || name == "x-virus-scanned" || name == "x-keywords" ||
               name == "status" || name == "x-status" || name == "content-length" || name == "lines" ||
               name == "content-transfer-encoding" || name == "mime-version" || name == "in-reply-to" ||
               name == "references" || name == "thread-index";
    }

    // "Date: Thu, 8 Aug 2002 02:42:40 -0700" gives the shape "Aa, 9 Aa 9 9:9:9 -9" and the zone.
    void Date(std::string_view value)
    {
        sawDate_ = true;
        date_ = ParseHeaderDate(value);
        Emit(K("dateshape"), Shape(value));
        size_t last = value.find_last_of(" \t");
        if (last != std::string_view::npos) Emit(K("datezone"), Folded(value.substr(last + 1, 12)));
        // When the sender wrote, by the sender's own clock: people write in their waking hours
        // and on working days more than bulk senders do.
        if (date_) {
            constexpr int64_t kDay = 24 * 3600;
            int64_t local = date_->utcSeconds + int64_t{date_->zoneMinutes} * 60;
            int64_t second = (local % kDay + kDay) % kDay, day = (local - second) / kDay;
            static const char* const kHours[] = {"0-2", "3-5", "6-8", "9-11", "12-14", "15-17", "18-20", "21-23"};
            Emit(K("datehour"), kHours[second / (3 * 3600)]);
            int64_t weekday = ((day + 4) % 7 + 7) % 7;  // 1 January 1970 was a Thursday (4)
            Emit(K("dateday"), weekday == 0 || weekday == 6 ? "weekend" : "weekday");
        }
    }

    // The addressees' domains, their number and whether the list is hidden.
    void Recipients(std::string_view name, std::string_view raw)
    {
        std::string value = Folded(DecodeEncodedWords(raw));
        size_t count = 0;
        TTokenKind domKind = KindOf(name, "dom");
        for (size_t at = value.find('@'); at != std::string::npos && count < kMaxWordsPerField; at = value.find('@', at + 1)) {
            size_t end = FindIf(value, at + 1, EndsDomain);
            std::string_view domain = std::string_view(value).substr(at + 1, end == std::string::npos ? std::string::npos : end - at - 1);
            Emit(domKind, domain);
            ++count;
        }
        Emit(KindOf(name, "count"), std::to_string(std::min<size_t>(count, 5)));
        if (count == 0) Emit(KindOf(name, "shape"), Shape(value.substr(0, 20)));
    }

    void OtherAddress(std::string_view name, std::string_view raw)
    {
        std::string value = Folded(DecodeEncodedWords(raw));
        size_t at = value.rfind('@');
        if (at == std::string::npos) {
            Emit(TokenKind(name), "noaddress");
            return;
        }
        size_t end = FindIf(value, at + 1, EndsDomain);
        std::string_view domain = std::string_view(value).substr(at + 1, end == std::string::npos ? std::string::npos : end - at - 1);
        Emit(KindOf(name, "dom"), domain);
        Emit(KindOf(name, "samedom"), fromDomain_.empty() ? "nofrom" : domain == fromDomain_ ? "yes" : "no");
    }

    // Any other field: its first words, so a list's, a mailer's or a priority's marks count.
    void Value(std::string_view name, std::string_view raw)
    {
        // A date's words tell when (the weekday, the month, the year), and that is the period
        // the mail came in, not who sent it: a field holding one (X-Original-Date,
        // Resent-Date, X-OriginalArrivalTime ...) counts by its name, as the Date does by its
        // form and zone.
        if (ParseHeaderDate(raw)) return;
        std::string value = Folded(DecodeEncodedWords(raw.substr(0, 200)));
        size_t words = 0;
        TTokenKind kind = KindOf("v:", name);
        ForEachWord(value, [&](std::string_view w) {
            if (++words <= kValueWords) Emit(kind, w);
        });
    }

    void MessageId(std::string_view value)
    {
        sawMessageId_ = true;
        size_t at = value.rfind('@');
        if (at == std::string_view::npos) {
            Emit(K("midshape"), "noat:" + Shape(value));
            return;
        }
        std::string_view domain = value.substr(at + 1);
        if (size_t gt = domain.find('>'); gt != std::string_view::npos) domain = domain.substr(0, gt);
        Emit(K("mid"), Folded(domain));
        Emit(K("midshape"), Shape(value.substr(0, at)));
    }

    void Mailer(std::string_view value)
    {
        std::string folded = Folded(value.substr(0, 64));
        Emit(K("mailer"), folded);
        ForEachWord(folded, [&](std::string_view w) { Emit(K("mailerw"), w); });
    }

    void ContentType(std::string_view value)
    {
        std::string folded = Folded(value);
        std::string_view v = folded;
        Emit(K("ctype"), TrimView(v.substr(0, v.find(';'))));
        if (size_t cs = v.find("charset="); cs != std::string_view::npos) {
            std::string_view charset = v.substr(cs + 8);
            charset = charset.substr(0, FindIf(charset, 0, [](char c) { return c == ';' || IsBlankOrTab(c); }));
            if (!charset.empty() && charset.front() == '"') charset.remove_prefix(1);
            if (!charset.empty() && charset.back() == '"') charset.remove_suffix(1);
            Emit(K("charset"), charset);
        }
    }

    const TTokenSink& sink_;
    std::string previous_, pair_, scratch_, kind_;
    int received_ = 0;
    bool sawSubject_ = false, sawMessageId_ = false, sawFrom_ = false, sawDate_ = false;
    std::string fromDomain_, lastHopForm_;
    std::optional<THeaderDate> date_, receivedDate_;
};

// The header's lines without line ends, up to the blank line; a leading mbox "From " line goes.
// Views into the header: scoring copies only the folded fields.
std::vector<std::string_view> HeaderLines(std::string_view header)
{
    std::vector<std::string_view> lines;
    lines.reserve(64);
    size_t at = 0;
    bool first = true;
    while (at < header.size()) {
        size_t nl = header.find('\n', at);
        std::string_view line = header.substr(at, nl == std::string_view::npos ? std::string_view::npos : nl - at);
        at = nl == std::string_view::npos ? header.size() : nl + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty()) break;
        if (first && line.substr(0, 5) == "From ") {
            first = false;
            continue;
        }
        first = false;
        lines.push_back(line);
    }
    return lines;
}

bool IsContinuation(std::string_view line) { return line[0] == ' ' || line[0] == '\t'; }

}  // namespace

void ForEachHeaderToken(std::string_view header, const TTokenSink& sink)
{
    Tokenizer tokenizer(sink);
    std::vector<std::string_view> lines = HeaderLines(header);
    std::string joined;
    size_t fields = 0;
    for (size_t i = 0; i < lines.size() && fields < kMaxFields; ++i) {
        if (IsContinuation(lines[i])) continue;  // a continuation with no field before it
        // Unfolded as RFC 5322 says: the line breaks go, the blanks that begin each
        // continuation stay. Past kMaxFieldBytes nothing is read, so it is not joined either.
        std::string_view line = lines[i];
        if (i + 1 < lines.size() && IsContinuation(lines[i + 1])) {
            joined.assign(line);
            while (i + 1 < lines.size() && IsContinuation(lines[i + 1])) {
                if (joined.size() < 2 * kMaxFieldBytes) joined.append(lines[i + 1]);
                ++i;
            }
            line = joined;
        }
        size_t colon = line.find(':');
        if (colon == std::string_view::npos || colon == 0) continue;
        std::string_view name = TrimView(line.substr(0, colon));
        if (FindIf(name, 0, IsBlankOrTab) != std::string_view::npos) continue;
        tokenizer.Field(name, line.substr(colon + 1));
        ++fields;
    }
    if (fields > 0) tokenizer.Finish();  // a header with no field at all gives nothing to judge
}

std::vector<std::string> HeaderTokens(std::string_view header)
{
    std::vector<std::string> tokens;
    ForEachHeaderToken(header, [&](const TTokenKind& kind, std::string_view text) {
        tokens.push_back(std::string(kind.name) + ":" + std::string(text));
    });
    return tokens;
}

std::vector<uint64_t> HeaderTokenHashes(std::string_view header)
{
    std::vector<uint64_t> hashes;
    hashes.reserve(128);
    ForEachHeaderToken(header, [&](const TTokenKind& kind, std::string_view text) { hashes.push_back(TokenHash(kind, text)); });
    SortUnique(hashes);
    return hashes;
}

std::string_view HeaderPart(std::string_view message)
{
    size_t at = 0;
    while (at < message.size()) {
        size_t nl = message.find('\n', at);
        if (nl == std::string_view::npos) return message;
        size_t len = nl - at;
        if (len == 0 || (len == 1 && message[at] == '\r')) return message.substr(0, at);
        at = nl + 1;
    }
    return message;
}
