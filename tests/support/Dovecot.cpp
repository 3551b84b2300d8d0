#include "Dovecot.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <poll.h>
#include <pwd.h>
#include <grp.h>
#include <spawn.h>
#include <sstream>
#include <stdexcept>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace fs = std::filesystem;

namespace {

int FreeLoopbackPort()
{
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 0;
    if (fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    if (fd >= 0) ::close(fd);
    if (port == 0) throw std::runtime_error("Dovecot fixture: no free port on 127.0.0.1");
    return port;
}

void WriteFile(const std::string& path, const std::string& text, mode_t mode)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out) throw std::runtime_error("Dovecot fixture: cannot write " + path);
    ::chmod(path.c_str(), mode);
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Gone, or a zombie nobody has reaped yet.
bool ProcessGone(pid_t pid)
{
    if (::kill(pid, 0) != 0 && errno == ESRCH) return true;
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line)) return true;
    std::size_t close = line.rfind(')');
    return close != std::string::npos && close + 2 < line.size() && line[close + 2] == 'Z';
}

}  // namespace

Dovecot::Dovecot()
{
    char pattern[] = "/tmp/quillbox-dovecot-XXXXXX";
    if (!::mkdtemp(pattern)) throw std::runtime_error("Dovecot fixture: mkdtemp failed");
    root_ = pattern;
    // The mail user must be able to reach its maildir.
    ::chmod(root_.c_str(), 0755);
    fs::create_directories(root_ + "/mail");
    ::chmod((root_ + "/mail").c_str(), 0755);
    fs::create_directories(root_ + "/passwd.d");
    ::chmod((root_ + "/passwd.d").c_str(), 0755);
    port_ = FreeLoopbackPort();

    if (::geteuid() == 0) {
        const passwd* nobody = ::getpwnam("nobody");
        if (!nobody) throw std::runtime_error("Dovecot fixture: no user 'nobody'");
        mailUid_ = nobody->pw_uid;
        mailGid_ = nobody->pw_gid;
    } else {
        mailUid_ = ::geteuid();
        mailGid_ = ::getegid();
        const passwd* self = ::getpwuid(mailUid_);
        if (!self) throw std::runtime_error("Dovecot fixture: the calling user has no name");
        serviceUser_ = self->pw_name;
        const group* own = ::getgrgid(mailGid_);
        if (!own) throw std::runtime_error("Dovecot fixture: the calling user's group has no name");
        serviceGroup_ = own->gr_name;
    }
}

Dovecot::~Dovecot()
{
    try {
        Stop();
    } catch (...) {
    }
    std::error_code ec;
    fs::remove_all(root_, ec);
}

std::string Dovecot::MaildirOf(const std::string& user) const { return root_ + "/mail/" + user + "/Maildir"; }

void Dovecot::GiveToMailUser(const std::string& path) const
{
    if (::geteuid() == 0 && ::chown(path.c_str(), mailUid_, mailGid_) != 0)
        throw std::runtime_error("Dovecot fixture: cannot hand " + path + " to the mail user");
}

void Dovecot::AddUser(const std::string& user, const std::string& password)
{
    if (user.empty() || user.find_first_of(":/\r\n") != std::string::npos ||
        password.find_first_of(":\r\n") != std::string::npos)
        throw std::invalid_argument("Dovecot fixture: unusable user name or password");
    // One file per user: the server caches a password file by its time stamp in whole
    // seconds, so a line added to a shared file within the same second would go unseen.
    const std::string passwdFile = root_ + "/passwd.d/" + user;
    struct stat before{};
    const bool existed = ::stat(passwdFile.c_str(), &before) == 0;
    WriteFile(passwdFile, user + ":" + password + "\n", 0644);
    if (existed) {
        // A changed password must look newer than the cached one.
        timespec times[2] = {{before.st_mtim.tv_sec + 1, 0}, {before.st_mtim.tv_sec + 1, 0}};
        ::utimensat(AT_FDCWD, passwdFile.c_str(), times, 0);
    }
    const std::string home = root_ + "/mail/" + user;
    const std::string maildir = MaildirOf(user);
    for (const std::string& dir : {home, maildir, maildir + "/cur", maildir + "/new", maildir + "/tmp"}) {
        fs::create_directories(dir);
        ::chmod(dir.c_str(), 0700);
        GiveToMailUser(dir);
    }
}

void Dovecot::Deliver(const std::string& user, const std::string& message)
{
    // Names sort in delivery order, and the server numbers new mail by name.
    const unsigned long long sequence = ++delivered_;
    char name[64];
    std::snprintf(name, sizeof name, "%llu.M%lluP%d.quillbox", 1000000000ULL + sequence, sequence,
                  static_cast<int>(::getpid()));
    const std::string maildir = MaildirOf(user);
    if (!fs::is_directory(maildir + "/new")) throw std::runtime_error("Dovecot fixture: no user " + user);
    const std::string staged = maildir + "/tmp/" + name;
    WriteFile(staged, message, 0600);
    GiveToMailUser(staged);
    fs::rename(staged, maildir + "/new/" + name);
}

int Dovecot::CountMessages(const std::string& user) const
{
    int count = 0;
    for (const char* sub : {"/new", "/cur"}) {
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(MaildirOf(user) + sub, ec))
            if (entry.is_regular_file()) ++count;
    }
    return count;
}

std::vector<std::string> Dovecot::Messages(const std::string& user) const
{
    // File names begin with the delivery sequence; the server adds flags after a ':'.
    std::vector<std::pair<std::string, std::string>> files;
    for (const char* sub : {"/new", "/cur"}) {
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(MaildirOf(user) + sub, ec))
            if (entry.is_regular_file()) files.emplace_back(entry.path().filename().string(), ReadFile(entry.path().string()));
    }
    std::sort(files.begin(), files.end());
    std::vector<std::string> messages;
    for (auto& f : files) messages.push_back(std::move(f.second));
    return messages;
}

void Dovecot::EnableTls(const std::string& certificateFile, const std::string& keyFile)
{
    if (Running()) throw std::logic_error("Dovecot fixture: EnableTls after Start");
    if (certificateFile.find_first_of("\r\n") != std::string::npos || keyFile.find_first_of("\r\n") != std::string::npos)
        throw std::invalid_argument("Dovecot fixture: unusable certificate path");
    certificateFile_ = certificateFile;
    keyFile_ = keyFile;
    while (!tlsPort_ || tlsPort_ == port_) tlsPort_ = FreeLoopbackPort();
}

std::string Dovecot::TlsSettings() const
{
    if (!tlsPort_) return "ssl = no\n";
    // "<" makes Dovecot read the file rather than take the text itself.
    return "ssl = required\nssl_cert = <" + certificateFile_ + "\nssl_key = <" + keyFile_ + "\n";
}

void Dovecot::WriteConfig() const
{
    const std::string& r = root_;
    std::ostringstream conf;
    conf << "base_dir = " << r << "/run\n"
         << "state_dir = " << r << "/state\n"
         << "log_path = " << r << "/dovecot.log\n"
         << "info_log_path = " << r << "/dovecot.log\n"
         << "protocols = pop3\n"
         << "listen = 127.0.0.1\n"
         << TlsSettings()
         << "disable_plaintext_auth = no\n"
         << "auth_mechanisms = plain\n"
         // User names as given: the default folds them to lower case.
         << "auth_username_format = %u\n"
         // Refused logins answer at once instead of after seconds.
         << "auth_failure_delay = 0\n"
         << "mail_location = maildir:" << r << "/mail/%u/Maildir\n"
         << "first_valid_uid = " << mailUid_ << "\n"
         << "first_valid_gid = " << mailGid_ << "\n"
         << "passdb {\n  driver = passwd-file\n  args = scheme=PLAIN username_format=%u " << r << "/passwd.d/%u\n}\n"
         << "userdb {\n  driver = static\n  args = uid=" << mailUid_ << " gid=" << mailGid_ << " home=" << r
         << "/mail/%u\n}\n";
    const std::string chroot = serviceUser_.empty() ? "" : "  chroot =\n";
    conf << "service pop3-login {\n  inet_listener pop3 {\n    address = 127.0.0.1\n    port = " << port_ << "\n  }\n";
    if (tlsPort_)
        conf << "  inet_listener pop3s {\n    address = 127.0.0.1\n    port = " << tlsPort_ << "\n    ssl = yes\n  }\n";
    conf << chroot << "}\n"
         // Without the penalty listener a stale socket cannot stall authentication.
         << "service anvil {\n" << chroot << "  unix_listener anvil-auth-penalty {\n    mode = 0\n  }\n}\n";
    if (!serviceUser_.empty())
        conf << "default_internal_user = " << serviceUser_ << "\n"
             << "default_login_user = " << serviceUser_ << "\n"
             << "default_internal_group = " << serviceGroup_ << "\n";
    WriteFile(r + "/dovecot.conf", conf.str(), 0644);
}

void Dovecot::Start()
{
    if (Running()) return;
    // A stale socket in the run folder makes every authentication start stall.
    std::error_code ec;
    fs::remove_all(root_ + "/run", ec);
    fs::create_directories(root_ + "/run");
    fs::create_directories(root_ + "/state");
    WriteConfig();

    const std::string conf = root_ + "/dovecot.conf";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    // The daemon keeps inherited output open; give it none of ours.
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, (root_ + "/stdout.log").c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    std::vector<std::string> args = {Binary, "-c", conf};
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t launcher = -1;
    int rc = ::posix_spawn(&launcher, Binary, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) throw std::runtime_error("Dovecot fixture: cannot run " + std::string(Binary));
    int status = 0;
    ::waitpid(launcher, &status, 0);  // the launcher returns once the master has forked off
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error("Dovecot fixture: dovecot did not start:\n" + ReadFile(root_ + "/stdout.log") + Log());

    const std::string pidFile = root_ + "/run/master.pid";
    for (int i = 0; i < 100 && masterPid_ <= 0; ++i) {
        masterPid_ = std::atoi(ReadFile(pidFile).c_str());
        if (masterPid_ <= 0) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (masterPid_ <= 0) throw std::runtime_error("Dovecot fixture: no master pid file\n" + Log());
    // The first connection starts the login and auth processes: only a greeting shows
    // that the server is really ready.
    if (!WaitForGreeting(15)) {
        std::string log = Log();
        Stop();
        throw std::runtime_error("Dovecot fixture: no +OK greeting on port " + std::to_string(port_) + "\n" + log);
    }
}

bool Dovecot::WaitForGreeting(int seconds) const
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < deadline) {
        int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<uint16_t>(port_));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        std::string got;
        if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
            pollfd p{fd, POLLIN, 0};
            while (got.find('\n') == std::string::npos && ::poll(&p, 1, 2000) > 0) {
                char buffer[256];
                ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
                if (n <= 0) break;
                got.append(buffer, static_cast<std::size_t>(n));
            }
            if (got.rfind("+OK", 0) == 0) (void)!::send(fd, "QUIT\r\n", 6, MSG_NOSIGNAL);
        }
        if (fd >= 0) ::close(fd);
        if (got.rfind("+OK", 0) == 0) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

void Dovecot::Stop()
{
    if (masterPid_ <= 0) return;
    const pid_t pid = masterPid_;
    masterPid_ = -1;
    ::kill(pid, SIGTERM);
    for (int i = 0; i < 200 && !ProcessGone(pid); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(25));
    if (!ProcessGone(pid)) ::kill(pid, SIGKILL);
}

std::string Dovecot::Log() const { return ReadFile(root_ + "/dovecot.log"); }
