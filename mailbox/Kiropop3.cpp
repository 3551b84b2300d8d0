#include "mailbox/Kiropop3.h"

#include "mailbox/HeaderFields.h"

#include <algorithm>
#include <exception>

namespace {

const char* const kConnectionLost = "Connection lost";

// A reply is positive when its first word holds "+OK".
bool IsPositive(const std::string& reply)
{
    return TPowersock::NthWord(reply, ' ', 1).find("+OK") != std::string::npos;
}

std::string WithoutLineEnd(std::string line)
{
    if (!line.empty() && line.back() == '\n') line.pop_back();
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

bool StartsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

// Holds Busy for one operation; a nested holder leaves it to the outer one.
class BusyScope {
public:
    explicit BusyScope(bool& busy) : busy_(busy), owner_(!busy) { busy_ = true; }
    ~BusyScope()
    {
        if (owner_) busy_ = false;
    }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    bool& busy_;
    bool owner_;
};

}  // namespace

std::string EServerRefused::ServerText() const
{
    std::string text = WithoutLineEnd(Message());
    const size_t blank = text.find(' ');
    return blank == std::string::npos ? std::string() : Trim(std::string_view(text).substr(blank + 1));
}

TKiroPOP3::TKiroPOP3() { Port = 110; }

void TKiroPOP3::SetAttachFilePath(const std::string& Path)
{
    attachFilePath_ = Path;
    if (!attachFilePath_.empty() && attachFilePath_.back() != '/') attachFilePath_ += '/';
}

std::string TKiroPOP3::Command(const std::string& Text)
{
    std::string reply = Transaction(Text);
    if (reply.empty()) throw Exception(kConnectionLost);
    return reply;
}

void TKiroPOP3::MultiLineCommand(const std::string& Text)
{
    std::string reply = Command(Text);
    if (!IsPositive(reply)) throw EServerRefused(reply);
}

std::string TKiroPOP3::ReadReplyLine()
{
    std::string line;
    ReadLn(line);
    if (line.empty()) throw Exception(kConnectionLost);
    return WithoutLineEnd(line);
}

void TKiroPOP3::ReadMultiLine(const std::function<void(const std::string&)>& use, bool keepGoing)
{
    std::exception_ptr firstFailure;
    for (std::string line = ReadReplyLine(); line != "."; line = ReadReplyLine()) {
        if (firstFailure) continue;
        try {
            use(line);
        } catch (const Exception&) {
            if (!keepGoing) firstFailure = std::current_exception();
        }
    }
    if (firstFailure) std::rethrow_exception(firstFailure);
}

bool TKiroPOP3::AuthenticationPassed(const std::string& Reply, int& Tries)
{
    if (IsPositive(Reply)) return true;
    if (Tries > 0 || !OnAuthenticationFailed) throw EAuthenticationFailed(WithoutLineEnd(Reply));
    bool handled = false;
    OnAuthenticationFailed(handled);
    if (!handled) throw EAuthenticationFailed(WithoutLineEnd(Reply));
    ++Tries;
    return false;  // the handler may have changed UserID or Password: start again with USER
}

void TKiroPOP3::Login()
{
    int tries = 0;
    bool done = false;
    while (!done) {
        if (AuthenticationPassed(Command("USER " + UserID), tries))
            done = AuthenticationPassed(Command("PASS " + Password), tries);
        ++tries;
    }
}

void TKiroPOP3::Connect()
{
    for (int tries = 0; Password.empty() || UserID.empty(); ++tries) {
        if (!OnAuthenticationNeeded) throw EAuthenticationFailed();
        if (tries > 0) break;  // asked once: go on with what is there
        bool handled = false;
        OnAuthenticationNeeded(handled);
        if (!handled) throw EAuthenticationFailed();
    }

    const bool alreadyBusy = busy_;
    busy_ = true;
    bool loggedIn = false;
    auto finish = [&] {
        if (!alreadyBusy) busy_ = false;
        if (loggedIn && OnConnect) OnConnect(this);
    };
    try {
        TPowersock::Connect();
        try {
            std::string greeting;
            ReadLn(greeting);
            if (greeting.empty()) throw Exception(kConnectionLost);
            if (!IsPositive(greeting)) throw EServerRefused(greeting);
            if (Security == platform::SecurityMode::StartTls) {
                // Never on in plain text: without the server's yes, not one more word is sent.
                if (!IsPositive(Command("STLS"))) {
                    TPowersock::Disconnect();
                    throw ESecureConnectionRefused();
                }
                StartTls();
            }
            AskCapabilities();
            Login();
            loggedIn = true;
            std::string stat = Command("STAT");
            if (!IsPositive(stat)) throw EServerRefused(stat);
            messageCount_ = StrToIntDef(Trim(NthWord(stat, ' ', 2)), 0);
        } catch (...) {
            // Log out and close; the failure the user must see is the one that got us here,
            // not a follow-up failure of the QUIT.
            try {
                Disconnect();
            } catch (...) {
            }
            throw;
        }
    } catch (...) {
        finish();
        throw;
    }
    finish();
}

void TKiroPOP3::Disconnect()
{
    if (!Connected()) return;
    std::string reply;
    try {
        reply = Transaction("QUIT");
    } catch (...) {
        TPowersock::Disconnect();
        throw;
    }
    TPowersock::Disconnect();
    if (reply.empty()) throw Exception(kConnectionLost);
    if (!IsPositive(reply)) throw EServerRefused(reply);
}

void TKiroPOP3::Abort()
{
    TPowersock::Abort();
    if (Connected()) {
        TPowersock::Disconnect();
        ClearInput();
    }
}

void TKiroPOP3::List()
{
    if (busy_) return;
    BusyScope busy(busy_);
    CheckConnection();
    listedSizes_.clear();
    listedSizes_.reserve(ExpectedListSize());
    MultiLineCommand("LIST");
    try {
        ReadMultiLine([this](const std::string& line) {
            int64_t size = StrToInt64(NthWord(line, ' ', 2));
            int msg = StrToInt(NthWord(line, ' ', 1));
            listedSizes_.push_back({msg, size});
            if (OnList) OnList(msg, size);
        }, !OnList);
    } catch (...) {
        OrderListedSizes();  // the sizes read before the failure still serve
        throw;
    }
    OrderListedSizes();
}

void TKiroPOP3::OrderListedSizes()
{
    listedSizes_.shrink_to_fit();  // held through the whole check: a big mailbox lists tens of thousands
    // Servers list in ascending order; should one not, a number listed twice keeps its last size.
    auto byNumber = [](const auto& a, const auto& b) { return a.first < b.first; };
    if (std::is_sorted(listedSizes_.begin(), listedSizes_.end(), byNumber)) {
        if (std::adjacent_find(listedSizes_.begin(), listedSizes_.end(),
                               [](const auto& a, const auto& b) { return a.first == b.first; }) == listedSizes_.end())
            return;
    }
    std::stable_sort(listedSizes_.begin(), listedSizes_.end(), byNumber);
    std::vector<TListed> kept;
    for (const auto& entry : listedSizes_) {
        if (!kept.empty() && kept.back().first == entry.first) kept.back() = entry;
        else kept.push_back(entry);
    }
    listedSizes_ = std::move(kept);
}

bool TKiroPOP3::ListedSize(int MsgNum, int64_t& size) const
{
    auto at = std::lower_bound(listedSizes_.begin(), listedSizes_.end(), MsgNum,
                               [](const auto& entry, int n) { return entry.first < n; });
    if (at == listedSizes_.end() || at->first != MsgNum) return false;
    size = at->second;
    return true;
}

void TKiroPOP3::AskCapabilities()
{
    capabilities_.clear();
    // A server that does not know CAPA gets the same exchange as before, plus this one line.
    if (!IsPositive(Command("CAPA"))) return;
    ReadMultiLine([this](const std::string& line) {
        std::string name = UpperCase(Trim(NthWord(Trim(line), ' ', 1)));
        if (!name.empty()) capabilities_.push_back(name);
    });
}

bool TKiroPOP3::HasCapability(const std::string& name) const
{
    for (const std::string& c : capabilities_)
        if (c == name) return true;
    return false;
}

void TKiroPOP3::ReadSummaryLines(int MsgNum)
{
    (void)MsgNum;
    StringList& header = summary_.Header;
    header.clear();
    summary_.Subject.clear();
    summary_.From.clear();
    summary_.MessageId.clear();
    for (;;) {
        header.push_back(ReadReplyLine());
        if (header.back() == ".") break;
    }
    // The fields are read once the reply is whole, since a field may go on over the lines after
    // it; a later field of the same name overwrites. The header ends at its blank line.
    for (size_t i = 0; i < header.size() && !header[i].empty() && header[i] != "."; ++i) {
        const std::string& first = header[i];
        if (StartsWith(first, "Subject:")) summary_.Subject = UnfoldedLine(header, i).substr(8);
        else if (StartsWith(first, "From:")) summary_.From = UnfoldedLine(header, i).substr(5);
        else if (StartsWith(first, "Message-ID:")) {
            std::string line = UnfoldedLine(header, i);
            summary_.MessageId = line.size() > 12 ? line.substr(12, 256) : "";
        }
    }
}

void TKiroPOP3::SummaryBytes(int MsgNum)
{
    // The full LIST gave every size already; asking again per message would double the round trips.
    if (ListedSize(MsgNum, summary_.Bytes)) return;
    std::string reply = Command("LIST " + IntToStr(MsgNum));
    if (!IsPositive(reply)) throw EServerRefused(reply);
    summary_.Bytes = StrToInt64(Trim(NthWord(reply, ' ', 3)));
}

void TKiroPOP3::GetSummary(int MsgNum)
{
    if (busy_) return;
    BusyScope busy(busy_);
    CheckConnection();
    if (OnRetrieveStart) OnRetrieveStart(this);
    MultiLineCommand("TOP " + IntToStr(MsgNum) + " 0");
    ReadSummaryLines(MsgNum);
    SummaryBytes(MsgNum);
    StatusMessage(1, "Summary Retrieved");
    if (OnRetrieveEnd) OnRetrieveEnd(this);
}

void TKiroPOP3::GetSummaries(const std::vector<int>& MsgNums, const TSummaryEvent& onSummary)
{
    if (busy_) return;
    BusyScope busy(busy_);
    CheckConnection();
    const size_t window = HasCapability("PIPELINING") ? size_t(std::max(PipelineWindow, 1)) : 1;
    size_t sent = 0;
    try {
        for (size_t done = 0; done < MsgNums.size(); ++done) {
            // Keep the window filled: once half of it is answered the next commands go out
            // together, while the rest of the replies are still coming.
            if (sent < MsgNums.size() && sent - done <= window / 2) {
                std::string commands;
                for (; sent < MsgNums.size() && sent < done + window; ++sent)
                    commands += "TOP " + IntToStr(MsgNums[sent]) + " 0\r\n";
                Write(commands);
            }
            const int n = MsgNums[done];
            if (OnRetrieveStart) OnRetrieveStart(this);
            std::string reply;
            ReadLn(reply);
            if (reply.empty()) throw Exception(kConnectionLost);
            if (!IsPositive(reply)) throw EServerRefused(reply);
            ReadSummaryLines(n);
            if (!ListedSize(n, summary_.Bytes)) {
                if (window == 1) SummaryBytes(n);
                else summary_.Bytes = 0;  // not listed: nothing to ask in the middle of a pipeline
            }
            StatusMessage(1, "Summary Retrieved");
            if (OnRetrieveEnd) OnRetrieveEnd(this);
            if (onSummary) onSummary(n, summary_);
        }
    } catch (...) {
        // Replies to commands in flight would be read by whatever comes next: end it here.
        if (Connected()) TPowersock::Disconnect();
        throw;
    }
}

void TKiroPOP3::DeleteMessage(int MsgNum)
{
    if (busy_) return;
    {
        BusyScope busy(busy_);
        CheckConnection();
        std::string reply = Transaction("DELE " + IntToStr(MsgNum));
        // Only a positive reply is an accepted deletion; a refusal without text, or no reply
        // at all, must not be taken for one.
        if (!IsPositive(reply)) {
            if (OnFailure) OnFailure(this);
            if (reply.empty()) throw Exception(kConnectionLost);
            throw EServerRefused(reply);
        }
    }
    if (OnSuccess) OnSuccess(this);
}

bool TKiroPOP3::GetUIDLs(std::map<int, std::string>& ids)
{
    ids.clear();
    return GetUIDLs([&](int msg, const std::string& id) { ids[msg] = id; });
}

bool TKiroPOP3::GetUIDLs(const std::function<void(int MsgNum, const std::string& id)>& each)
{
    if (busy_) return false;
    BusyScope busy(busy_);
    CheckConnection();
    if (!IsPositive(Command("UIDL"))) return false;
    // "n id" per line; a line that is not of that shape is passed over.
    ReadMultiLine([&](const std::string& line) {
        int msg = StrToIntDef(NthWord(line, ' ', 1), 0);
        std::string id = Trim(NthWord(line, ' ', 2));
        if (msg > 0 && !id.empty()) each(msg, id);
    });
    return true;
}

size_t TKiroPOP3::ExpectedListSize() const { return size_t(std::clamp(messageCount_, 0, 1 << 20)); }

std::string TKiroPOP3::GetUIDL(int MsgNum)
{
    if (busy_) return {};
    BusyScope busy(busy_);
    CheckConnection();
    std::string reply = WithoutLineEnd(Command("UIDL " + IntToStr(MsgNum)));
    if (!IsPositive(reply)) return {};
    return Trim(NthWord(reply, ' ', 3));
}
