#include "session/CheckFailure.h"

#include "mailbox/Kiropop3.h"
#include "mailbox/Psock.h"
#include "mailbox/SocketErrors.h"
#include "tls/CertificateProblem.h"

namespace {

const char kFirstLine[] = "Failed to connect to the mail server.";
constexpr int kConnectionRefused = 10061;

std::string Seconds(int n) { return std::to_string(n) + (n == 1 ? " second" : " seconds"); }

// "-ERR [AUTH] Authentication failed." -> "[AUTH] Authentication failed."
std::string ServerWords(const std::string& reply)
{
    std::string text = reply;
    if (text.rfind("-ERR", 0) == 0) text.erase(0, 4);
    const size_t first = text.find_first_not_of(" \t");
    const size_t last = text.find_last_not_of(" \t\r\n");
    return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
}

std::string WithServerWords(const std::string& what, const std::string& reply)
{
    const std::string words = ServerWords(reply);
    return words.empty() ? what : what + ": \"" + words + "\"";
}

std::string Location(const TCheckFailure& f)
{
    std::string where = "Account \"" + f.account + "\" on " + (f.server.empty() ? std::string("(no server)") : f.server);
    if (f.port > 0) where += ", port " + std::to_string(f.port);
    return where;
}

}  // namespace

std::string CheckFailureReason(const std::exception& e, int socketError, int timeOutSeconds)
{
    if (auto* auth = dynamic_cast<const EAuthenticationFailed*>(&e))
        return WithServerWords("the server refused the user name or password", auth->ServerReply());
    if (dynamic_cast<const tls::ECertificateRefused*>(&e))
        return std::string("the server's certificate is not trusted (") + e.what() + ")";
    if (dynamic_cast<const ELineTooLong*>(&e) || dynamic_cast<const ESecureConnectionRefused*>(&e)) return e.what();
    const std::string what = e.what();
    if (what.rfind("-ERR", 0) == 0) return WithServerWords("the server answered with an error", what);
    if (dynamic_cast<const EAbortError*>(&e)) return "the server did not answer within " + Seconds(timeOutSeconds);
    if (what == "Host Lookup Failed" || what == "Null Remote Address") return "the server's name was not found";
    if (what == "Host Lookup Timed Out") return "looking up the server's name took longer than " + Seconds(timeOutSeconds);
    if (what == "Connection Timed out") return "the server did not answer within " + Seconds(timeOutSeconds);
    if (what == "Connection lost") return "the server closed the connection";
    if (what == "Connection Failed") {
        if (socketError == kConnectionRefused) return "the server refused the connection (nothing answers on that port)";
        if (socketError != 0) {
            const std::string text = mailbox::SocketErrorText(socketError);  // "10065:No route to host"
            return "the connection failed: " + text.substr(text.find(':') + 1);
        }
        return "the connection failed";
    }
    return what.empty() ? std::string("an unknown error") : what;
}

std::string CheckFailureText(const TCheckFailure& f)
{
    return std::string(kFirstLine) + "\n\n" + Location(f) + ":\n" + f.reason + ".";
}

std::string CheckFailuresText(const std::vector<TCheckFailure>& failures)
{
    if (failures.size() == 1) return CheckFailureText(failures.front());
    std::string text = std::string(kFirstLine) + "\n\n" + std::to_string(failures.size()) + " accounts could not be checked:";
    for (const TCheckFailure& f : failures) text += "\n\n" + Location(f) + ":\n" + f.reason + ".";
    return text;
}
