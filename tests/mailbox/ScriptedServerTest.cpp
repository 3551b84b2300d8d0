// The scripted server must catch a client that strays from the script, or the transcript
// tests above would prove nothing.
#include "mailbox/Psock.h"
#include "NetTestHelpers.h"
#include "ScriptedPop3Server.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

namespace {

TPowersock& Connected(TPowersock& sock, int port)
{
    sock.Host = "127.0.0.1";
    sock.Port = port;
    sock.TimeOut = 2000;
    sock.Connect();
    return sock;
}

}  // namespace

TEST(ScriptedServer, AnUnexpectedCommandFailsTheTestAndEndsTheConnection)
{
    ScriptedPop3Server server;
    server.Greeting().Exchange("USER bob", "+OK\r\n");
    server.Start();
    TPowersock sock;
    Connected(sock, server.Port());
    std::string line;
    sock.ReadLn(line);
    EXPECT_EQ(sock.Transaction("USER eve"), "");  // hung up on at once, no waiting
    EXPECT_NONFATAL_FAILURE(server.Finish(),
                            "unexpected command: expected \"USER bob\\r\\n\", got \"USER eve\\r\\n\"");
}

TEST(ScriptedServer, ExtraCommandsAndUnfinishedScriptsFail)
{
    {
        ScriptedPop3Server server;
        server.Exchange("NOOP", "+OK\r\n");
        server.Start();
        TPowersock sock;
        Connected(sock, server.Port()).Transaction("NOOP");
        sock.Writeln("QUIT");
        EXPECT_NONFATAL_FAILURE(server.Finish(), "unexpected command after the end of the script: \"QUIT\\r\\n\"");
    }
    {
        ScriptedPop3Server server;
        server.Exchange("NOOP", "+OK\r\n").Exchange("QUIT", "+OK\r\n");
        server.Start();
        TPowersock sock;
        Connected(sock, server.Port()).Transaction("NOOP");
        sock.Disconnect();
        EXPECT_NONFATAL_FAILURE(server.Finish(), "the client closed the connection; expected \"QUIT\\r\\n\"");
    }
}

TEST(ScriptedServer, ServesConnectionsOneAfterAnother)
{
    ScriptedPop3Server server;
    server.Greeting("+OK one\r\n").Expect("QUIT\r\n").AcceptNext().Greeting("+OK two\r\n");
    server.Start();
    TPowersock sock;
    std::string line;
    Connected(sock, server.Port()).ReadLn(line);
    EXPECT_EQ(line, "+OK one\r\n");
    sock.Writeln("QUIT");
    sock.Disconnect();
    Connected(sock, server.Port()).ReadLn(line);
    EXPECT_EQ(line, "+OK two\r\n");
    sock.Disconnect();
    EXPECT_EQ(server.Finish(), "QUIT\r\n");
}
