#pragma once
// A session bus of the test's own (dbus-daemon, starting no services on request) and, on it, a
// real Secret Service: gnome-keyring-daemon with only its secrets part, unlocked with a test
// password on its standard input, in a home and XDG folders of its own. libsecret keeps one
// connection per process, so the bus is one per test program, made on first use and ended at
// exit; the variable DBUS_SESSION_BUS_ADDRESS of the test program names it.
#include <map>
#include <memory>
#include <string>
#include <sys/types.h>
#include <vector>

class TPrivateKeyring {
public:
    static constexpr const char* kBusDaemon = "/usr/bin/dbus-daemon";
    static constexpr const char* kKeyringDaemon = "/usr/bin/gnome-keyring-daemon";

    // With `secrets` false the bus stays bare: no Secret Service answers there.
    static TPrivateKeyring& Shared(bool secrets);
    ~TPrivateKeyring();

    // Empty when both daemons are up; else what went wrong.
    const std::string& Problem() const { return problem_; }

    struct TItem {
        std::string Label;
        std::map<std::string, std::string> Attributes;
        std::string Secret;
    };
    // Every item of the program's, read straight from the keyring (unlocking it if needed).
    std::vector<TItem> Items();
    // Locks the default collection for good: unlocking it needs a prompt, and none can be shown
    // here (the bus has no prompter), so every unlock is refused.
    void Lock();
    // Freezes the keyring daemon (it answers nothing) and lets it go on.
    void Pause();
    void Resume();

private:
    explicit TPrivateKeyring(bool secrets);
    void StartBus();
    void StartKeyring();

    std::string folder_, problem_, address_;
    pid_t bus_ = -1, keyring_ = -1;
};
