#pragma once
// A private Dovecot POP3 server on 127.0.0.1 for end-to-end tests, benchmarks and demos.
// Everything lives in its own folder under /tmp (configuration, sockets, state, log,
// maildirs), removed again by the destructor, which also stops the server.
//
//     Dovecot server;            // tests first check REQUIRE_TOOL(Dovecot::Binary)
//     server.AddUser("bob", "secret");
//     server.Deliver("bob", "From: a@b\r\nSubject: Hi\r\n\r\nbody\r\n");
//     server.Start();            // returns once the server greets with "+OK"
//     ... connect to 127.0.0.1:server.Port() ...
//
// With EnableTls it serves TLS as well: implicit TLS on TlsPort() as on port 995, and STLS on
// the plain Port(). Its `ssl = required` does not refuse plain-text logins here: Dovecot counts
// a connection from the server's own address as secure, and every test client is one.
//
// Run as root, mail is served as the unprivileged user nobody (Dovecot will not deliver as
// uid 0); run as a normal user, everything runs as that user.
#include <string>
#include <sys/types.h>
#include <vector>

class Dovecot {
public:
    static constexpr const char* Binary = "/usr/sbin/dovecot";

    Dovecot();   // makes the folder and picks a free port; does not start the server
    ~Dovecot();  // stops the server and removes the folder
    Dovecot(const Dovecot&) = delete;
    Dovecot& operator=(const Dovecot&) = delete;

    // A user with a plain-text password (no ':' in either) and an empty maildir. Works
    // before and after Start.
    void AddUser(const std::string& user, const std::string& password);
    // Puts a message into the user's new mail. The server numbers messages in the order of
    // delivery. A message without a final line end gets an extra CR LF from the server,
    // which its LIST size does not count.
    void Deliver(const std::string& user, const std::string& message);
    // Messages in the user's maildir (new and seen).
    int CountMessages(const std::string& user) const;
    // The messages in the user's maildir, byte for byte, in delivery order.
    std::vector<std::string> Messages(const std::string& user) const;

    // Serves TLS with this certificate (PEM, chain may follow) and its unencrypted key. Call
    // before Start; the files must stay readable while the server runs.
    void EnableTls(const std::string& certificateFile, const std::string& keyFile);

    // Starts the server and waits for its "+OK" greeting; throws std::runtime_error with the
    // end of its log when it does not come up.
    void Start();
    void Stop();
    bool Running() const { return masterPid_ > 0; }

    int Port() const { return port_; }
    int TlsPort() const { return tlsPort_; }  // 0 unless EnableTls
    const std::string& Folder() const { return root_; }
    std::string Log() const;
    // The master process; its children (login, auth, pop3 sessions) do the work.
    pid_t MasterPid() const { return masterPid_; }

private:
    std::string MaildirOf(const std::string& user) const;
    void WriteConfig() const;
    std::string TlsSettings() const;
    void GiveToMailUser(const std::string& path) const;
    bool WaitForGreeting(int seconds) const;

    std::string root_;
    int port_ = 0;
    int tlsPort_ = 0;
    std::string certificateFile_;
    std::string keyFile_;
    uid_t mailUid_ = 0;
    gid_t mailGid_ = 0;
    std::string serviceUser_;  // empty: Dovecot's own unprivileged users (running as root)
    std::string serviceGroup_;
    pid_t masterPid_ = -1;
    unsigned long long delivered_ = 0;
};
