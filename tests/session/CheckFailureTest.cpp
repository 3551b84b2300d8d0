// What a failed check says: the reason in words, and the box for one or several accounts.
#include "session/CheckFailure.h"

#include "mailbox/Kiropop3.h"
#include "mailbox/Psock.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

}  // namespace

TEST(CheckFailureText, EachFailureIsNamedInWords)
{
    const struct {
        std::function<void()> raise;
        int socketError;
        std::string reason;
    } cases[] = {
        {[] { throw EAuthenticationFailed("-ERR [AUTH] Authentication failed."); }, 0,
         "the server refused the user name or password: \"[AUTH] Authentication failed.\""},
        {[] { throw EAuthenticationFailed(); }, 0, "the server refused the user name or password"},
        {[] { throw Exception("-ERR mailbox locked"); }, 0, "the server answered with an error: \"mailbox locked\""},
        {[] { throw ESockError("Host Lookup Failed"); }, 0, "the server's name was not found"},
        {[] { throw ESockError("Connection Failed"); }, 10061, "the server refused the connection (nothing answers on that port)"},
        {[] { throw ESockError("Connection Failed"); }, 10065, "the connection failed: No route to Host"},
        {[] { throw ESockError("Connection Timed out"); }, 0, "the server did not answer within 20 seconds"},
        {[] { throw EAbortError("Socket readln aborted"); }, 0, "the server did not answer within 20 seconds"},
        {[] { throw Exception("Connection lost"); }, 0, "the server closed the connection"},
        {[] { throw ESecureConnectionRefused(); }, 0, ESecureConnectionRefused().what()},
    };
    for (const auto& c : cases) {
        try {
            c.raise();
        } catch (const std::exception& e) {
            EXPECT_EQ(CheckFailureReason(e, c.socketError, 20), c.reason);
        }
    }
    const TCheckFailure one{"Work", "mail.example.org", 995, "the server's name was not found"};
    EXPECT_EQ(CheckFailureText(one), "Failed to connect to the mail server.\n\nAccount \"Work\" on mail.example.org, port "
                                     "995:\nthe server's name was not found.");
    const std::string both = CheckFailuresText({one, {"Home", "10.0.0.1", 110, "the connection failed"}});
    EXPECT_EQ(both.rfind("Failed to connect to the mail server.\n\n2 accounts could not be checked:", 0), 0u);
    EXPECT_TRUE(Contains(both, "\"Work\"") && Contains(both, "Account \"Home\" on 10.0.0.1, port 110"));
}
