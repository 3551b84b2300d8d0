#include "PrivateKeyring.h"
#include "PrivateBusConfig.h"

#include "TempHome.h"  // RemoveTree
#include "platform/Folders.h"
#include "platform/TextFile.h"

#include <libsecret/secret.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {
const char* const kPassword = "quillbox-test";

pid_t Spawn(const std::vector<std::string>& args, const std::vector<std::string>& env, int in, int out, int err = -1)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (in >= 0) posix_spawn_file_actions_adddup2(&actions, in, 0);
    if (out >= 0) posix_spawn_file_actions_adddup2(&actions, out, 1);
    if (err >= 0) posix_spawn_file_actions_adddup2(&actions, err, 2);
    std::vector<char*> argv, envp;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    for (const auto& e : env) envp.push_back(const_cast<char*>(e.c_str()));
    for (char** e = environ; *e; ++e) envp.push_back(*e);
    envp.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

void End(pid_t& pid)
{
    if (pid <= 0) return;
    ::kill(pid, SIGCONT);
    ::kill(pid, SIGTERM);
    ::waitpid(pid, nullptr, 0);
    pid = -1;
}

SecretService* Service()
{
    return secret_service_get_sync(SecretServiceFlags(SECRET_SERVICE_OPEN_SESSION | SECRET_SERVICE_LOAD_COLLECTIONS),
                                   nullptr, nullptr);
}

SecretCollection* DefaultCollection(SecretService* service)
{
    return secret_collection_for_alias_sync(service, SECRET_COLLECTION_DEFAULT, SECRET_COLLECTION_NONE, nullptr, nullptr);
}
}  // namespace

TPrivateKeyring& TPrivateKeyring::Shared(bool secrets)
{
    static std::unique_ptr<TPrivateKeyring> shared(new TPrivateKeyring(secrets));
    return *shared;
}

TPrivateKeyring::TPrivateKeyring(bool secrets)
{
    // Not under a test's own temporary folder: the daemons outlive each test.
    char stem[] = "/tmp/quillbox-keyring.XXXXXX";
    if (!::mkdtemp(stem)) {
        problem_ = "no temporary folder";
        return;
    }
    folder_ = std::string(stem) + "/";
    StartBus();
    if (problem_.empty() && secrets) StartKeyring();
}

TPrivateKeyring::~TPrivateKeyring()
{
    End(keyring_);
    End(bus_);
    if (!folder_.empty()) RemoveTree(folder_);
}

void TPrivateKeyring::StartBus()
{
    if (::access(kBusDaemon, X_OK) != 0) {
        problem_ = std::string("missing ") + kBusDaemon;
        return;
    }
    WritePrivateBusConfig(folder_);
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) {
        problem_ = "no pipe";
        return;
    }
    bus_ = Spawn({kBusDaemon, "--config-file=" + folder_ + "bus.conf", "--print-address=1", "--nofork"}, {}, -1, out[1]);
    ::close(out[1]);
    char c;
    while (::read(out[0], &c, 1) == 1 && c != '\n') address_ += c;
    ::close(out[0]);
    if (bus_ < 0 || address_.empty()) {
        problem_ = "dbus-daemon did not start";
        return;
    }
    ::setenv("DBUS_SESSION_BUS_ADDRESS", address_.c_str(), 1);
}

void TPrivateKeyring::StartKeyring()
{
    if (::access(kKeyringDaemon, X_OK) != 0) {
        problem_ = std::string("missing ") + kKeyringDaemon;
        return;
    }
    for (const char* sub : {"home", "run", "data", "config"}) platform::CreateDir(folder_ + sub);
    ::chmod((folder_ + "run").c_str(), 0700);
    int in[2];
    if (::pipe2(in, O_CLOEXEC) != 0) {
        problem_ = "no pipe";
        return;
    }
    int quiet = ::open(getenv("QB_KEYRING_LOG") ? getenv("QB_KEYRING_LOG") : "/dev/null", O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    keyring_ = Spawn({kKeyringDaemon, "--foreground", "--unlock", "--components=secrets"},
                     {"HOME=" + folder_ + "home", "XDG_RUNTIME_DIR=" + folder_ + "run",
                      "XDG_DATA_HOME=" + folder_ + "data", "XDG_CONFIG_HOME=" + folder_ + "config"},
                     in[0], quiet, quiet);
    ::close(in[0]);
    ::close(quiet);
    (void)!::write(in[1], kPassword, std::strlen(kPassword));
    ::close(in[1]);
    // Up once its login collection answers on the bus.
    for (int i = 0; i < 200; ++i) {
        GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
        GVariant* owned = bus ? g_dbus_connection_call_sync(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                            "org.freedesktop.DBus", "NameHasOwner",
                                                            g_variant_new("(s)", "org.freedesktop.secrets"),
                                                            G_VARIANT_TYPE("(b)"), G_DBUS_CALL_FLAGS_NONE, -1,
                                                            nullptr, nullptr)
                              : nullptr;
        gboolean has = FALSE;
        if (owned) {
            g_variant_get(owned, "(b)", &has);
            g_variant_unref(owned);
        }
        if (bus) g_object_unref(bus);
        if (has) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    problem_ = "gnome-keyring-daemon did not come up on the private bus";
}

std::vector<TPrivateKeyring::TItem> TPrivateKeyring::Items()
{
    std::vector<TItem> items;
    SecretService* service = Service();
    if (!service) return items;
    GHashTable* match = g_hash_table_new(g_str_hash, g_str_equal);
    g_hash_table_insert(match, const_cast<char*>("program"), const_cast<char*>("quillbox"));
    GList* found = secret_service_search_sync(
        service, nullptr, match, SecretSearchFlags(SECRET_SEARCH_ALL | SECRET_SEARCH_UNLOCK | SECRET_SEARCH_LOAD_SECRETS),
        nullptr, nullptr);
    for (GList* l = found; l; l = l->next) {
        auto* item = static_cast<SecretItem*>(l->data);
        TItem copy;
        gchar* label = secret_item_get_label(item);
        copy.Label = label ? label : "";
        g_free(label);
        GHashTable* attributes = secret_item_get_attributes(item);
        GHashTableIter iter;
        gpointer key, value;
        g_hash_table_iter_init(&iter, attributes);
        while (g_hash_table_iter_next(&iter, &key, &value))
            copy.Attributes[static_cast<const char*>(key)] = static_cast<const char*>(value);
        g_hash_table_unref(attributes);
        if (SecretValue* secret = secret_item_get_secret(item)) {
            gsize length = 0;
            const gchar* bytes = secret_value_get(secret, &length);
            copy.Secret.assign(bytes, length);
            secret_value_unref(secret);
        }
        items.push_back(copy);
    }
    g_list_free_full(found, g_object_unref);
    g_hash_table_unref(match);
    g_object_unref(service);
    return items;
}

void TPrivateKeyring::Lock()
{
    SecretService* service = Service();
    SecretCollection* collection = service ? DefaultCollection(service) : nullptr;
    if (collection) {
        GList* objects = g_list_append(nullptr, collection);
        secret_service_lock_sync(service, objects, nullptr, nullptr, nullptr);
        g_list_free(objects);
        g_object_unref(collection);
    }
    if (service) g_object_unref(service);
}

void TPrivateKeyring::Pause()
{
    if (keyring_ > 0) ::kill(keyring_, SIGSTOP);
}

void TPrivateKeyring::Resume()
{
    if (keyring_ > 0) ::kill(keyring_, SIGCONT);
}
