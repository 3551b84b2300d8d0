#include "filter/ReceivedHop.h"

#include <algorithm>

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The next word at `at` ending at a blank or one of `stops`; advances past it.
std::string_view NextWord(std::string_view s, size_t& at, std::string_view stops)
{
    while (at < s.size() && IsBlank(s[at])) ++at;
    size_t start = at;
    auto isStop = [&](char c) {
        for (char stop : stops)
            if (c == stop) return true;
        return false;
    };
    while (at < s.size() && !IsBlank(s[at]) && !isStop(s[at])) ++at;
    return s.substr(start, at - start);
}

// Where the word `word` begins outside parentheses, at or after `from`; npos when missing.
size_t FindTopLevelWord(std::string_view s, std::string_view word, size_t from)
{
    int depth = 0;
    for (size_t i = from; i < s.size(); ++i) {
        char c = s[i];
        if (c == '(') ++depth;
        else if (c == ')' && depth > 0) --depth;
        else if (depth == 0 && c == word[0] && s.compare(i, word.size(), word) == 0 && (i == 0 || IsBlank(s[i - 1]) || s[i - 1] == ')') &&
                 (i + word.size() == s.size() || IsBlank(s[i + word.size()])))
            return i;
    }
    return std::string_view::npos;
}

void ReadComment(std::string_view comment, TReceivedHop& hop)
{
    // "(rdns [1.2.3.4])", "([1.2.3.4])", "(unknown [1.2.3.4])", "(user@rdns [1.2.3.4] (may be
    // forged))", "(1.2.3.4)", "(helo=name)"
    if (comment.find("may be forged") != std::string_view::npos) hop.forged = true;
    size_t lb = comment.find('[');
    if (lb != std::string_view::npos) {
        size_t rb = comment.find(']', lb);
        std::string_view inside = comment.substr(lb + 1, rb == std::string_view::npos ? std::string_view::npos : rb - lb - 1);
        if (inside.substr(0, 5) == "ipv6:") inside.remove_prefix(5);
        if (IsIPv4(inside) && hop.ip.empty()) hop.ip = inside;
        std::string_view before = comment.substr(0, lb);
        while (!before.empty() && IsBlank(before.back())) before.remove_suffix(1);
        size_t blank = before.find_last_of(" \t(");
        std::string_view name = blank == std::string_view::npos ? before : before.substr(blank + 1);
        if (size_t atSign = name.rfind('@'); atSign != std::string_view::npos) name.remove_prefix(atSign + 1);
        if (name == "unknown") hop.unknownRdns = true;
        else if (!name.empty() && name.find('=') == std::string_view::npos && hop.rdns.empty()) hop.rdns = name;
        return;
    }
    size_t at = 0;
    for (std::string_view w = NextWord(comment, at, "()"); !w.empty(); w = NextWord(comment, at, "()")) {
        if (IsIPv4(w) && hop.ip.empty()) hop.ip = w;
        else if (w == "unknown") hop.unknownRdns = true;
        if (at < comment.size()) ++at;
    }
}

}  // namespace

bool IsIPv4(std::string_view s)
{
    int parts = 0;
    size_t i = 0;
    while (i <= s.size()) {
        size_t start = i;
        int value = 0;
        while (i < s.size() && IsDigit(s[i]) && i - start < 3) value = value * 10 + (s[i++] - '0');
        if (i == start || value > 255) return false;
        ++parts;
        if (i == s.size()) break;
        if (s[i] != '.') return false;
        ++i;
    }
    return parts == 4;
}

TReceivedHop ParseReceivedHop(std::string_view value)
{
    TReceivedHop hop;
    if (size_t semicolon = value.rfind(';'); semicolon != std::string_view::npos) {
        hop.date = value.substr(semicolon + 1);
        value = value.substr(0, semicolon);
    }
    size_t at = 0;
    size_t byAt = FindTopLevelWord(value, "by", 0);
    std::string_view fromClause = value.substr(0, byAt);
    if (NextWord(fromClause, at, "(") == "from") {
        hop.helo = NextWord(fromClause, at, "(");
        if (hop.helo.size() > 2 && hop.helo.front() == '[' && hop.helo.back() == ']' &&
            IsIPv4(hop.helo.substr(1, hop.helo.size() - 2)))
            hop.ip = hop.helo.substr(1, hop.helo.size() - 2);
        else if (IsIPv4(hop.helo))
            hop.ip = hop.helo;
        // The comments after the HELO name tell what the receiver saw; qmail and Exim write
        // the looked-up name first and the HELO inside: "from rdns (HELO name) (1.2.3.4)".
        std::string_view ipBefore = hop.ip;
        hop.ip = {};
        bool first = true;
        for (size_t open = fromClause.find('(', at); open != std::string_view::npos; open = fromClause.find('(', at)) {
            int depth = 0;
            size_t close = open;
            for (; close < fromClause.size(); ++close) {
                if (fromClause[close] == '(') ++depth;
                else if (fromClause[close] == ')' && --depth == 0) break;
            }
            std::string_view comment = fromClause.substr(open + 1, close - open - 1);
            at = close;
            size_t heloAt = comment.find("helo");
            if (first && heloAt != std::string_view::npos && heloAt + 5 < comment.size() &&
                (comment[heloAt + 4] == ' ' || comment[heloAt + 4] == '=')) {
                size_t w = heloAt + 5;
                std::string_view said = NextWord(comment, w, ")]");
                if (hop.helo == "unknown") hop.unknownRdns = true;
                else if (ipBefore.empty() && !hop.helo.empty() && hop.helo.front() != '[') hop.rdns = hop.helo;
                hop.helo = said;
                comment = comment.substr(0, heloAt);
            }
            ReadComment(comment, hop);
            first = false;
        }
        if (hop.ip.empty()) hop.ip = ipBefore;
    }
    if (byAt != std::string_view::npos) {
        size_t b = byAt + 2;
        hop.by = NextWord(value, b, "(;");
    }
    return hop;
}

std::string_view RegisteredDomain(std::string_view host)
{
    while (!host.empty() && host.back() == '.') host.remove_suffix(1);
    size_t last = host.rfind('.');
    if (last == std::string_view::npos || last == 0) return host;
    size_t second = host.rfind('.', last - 1);
    std::string_view secondLabel = second == std::string_view::npos ? host.substr(0, last) : host.substr(second + 1, last - second - 1);
    bool threeLabels = host.size() - last - 1 == 2 && secondLabel.size() <= 3;
    if (!threeLabels) return second == std::string_view::npos ? host : host.substr(second + 1);
    if (second == std::string_view::npos || second == 0) return host;
    size_t third = host.rfind('.', second - 1);
    return third == std::string_view::npos ? host : host.substr(third + 1);
}

bool IsPrivateIPv4(std::string_view ip)
{
    if (!IsIPv4(ip)) return false;
    if (ip.substr(0, 3) == "10." || ip.substr(0, 4) == "127." || ip.substr(0, 8) == "192.168.") return true;
    if (ip.substr(0, 4) == "172.") {
        int second = 0;
        for (size_t i = 4; i < ip.size() && IsDigit(ip[i]); ++i) second = second * 10 + (ip[i] - '0');
        return second >= 16 && second <= 31;
    }
    return false;
}

bool LooksDynamic(std::string_view rdns, std::string_view ip)
{
    if (rdns.empty()) return false;
    std::string_view first = rdns.substr(0, rdns.find('.'));
    // Two or more of the address's numbers written in the name, or a long run of digits.
    int octetsFound = 0;
    for (size_t at = 0; at < ip.size();) {
        size_t dot = std::min(ip.find('.', at), ip.size());
        std::string_view octet = ip.substr(at, dot - at);
        if (octet.size() >= 2 && rdns.find(octet) != std::string_view::npos) ++octetsFound;
        at = dot + 1;
    }
    if (octetsFound >= 2) return true;
    size_t digits = static_cast<size_t>(std::count_if(first.begin(), first.end(), IsDigit));
    if (digits >= 4) return true;
    for (std::string_view mark : {"dsl", "dial", "cable", "pool", "ppp", "dyn", "dhcp", "modem", "client", "user"})
        if (rdns.find(mark) != std::string_view::npos) return true;
    return false;
}
