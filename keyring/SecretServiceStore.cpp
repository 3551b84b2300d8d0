#include "keyring/SecretServiceStore.h"

#include "keyring/PumpedCall.h"

#include <libsecret/secret.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>

namespace keyring {
namespace {
constexpr const char* kProgram = "quillbox";
constexpr const char* kServiceName = "org.freedesktop.secrets";

const SecretSchema* Schema()
{
    static const SecretSchema schema = [] {
        SecretSchema s{};
        s.name = "quillbox.Password";
        s.flags = SECRET_SCHEMA_NONE;
        s.attributes[0] = {"program", SECRET_SCHEMA_ATTRIBUTE_STRING};
        s.attributes[1] = {"account", SECRET_SCHEMA_ATTRIBUTE_STRING};
        s.attributes[2] = {"user", SECRET_SCHEMA_ATTRIBUTE_STRING};
        s.attributes[3] = {"server", SECRET_SCHEMA_ATTRIBUTE_STRING};
        return s;
    }();
    return &schema;
}

template <class T>
struct GUnref {
    void operator()(T* p) const { g_object_unref(p); }
};
using Cancellable = std::unique_ptr<GCancellable, GUnref<GCancellable>>;
using Service = std::unique_ptr<SecretService, GUnref<SecretService>>;

struct HashUnref {
    void operator()(GHashTable* t) const { g_hash_table_unref(t); }
};
using Attributes = std::unique_ptr<GHashTable, HashUnref>;

struct ItemList {
    GList* items = nullptr;
    ~ItemList() { g_list_free_full(items, g_object_unref); }
};

struct ErrorHolder {
    GError* error = nullptr;
    ~ErrorHolder() { g_clear_error(&error); }
};

Attributes AccountAttributes(const std::string& account)
{
    return Attributes(secret_attributes_build(Schema(), "program", kProgram, "account", account.c_str(), nullptr));
}

Service Connect(GCancellable* cancellable)
{
    ErrorHolder e;
    return Service(secret_service_get_sync(SECRET_SERVICE_OPEN_SESSION, cancellable, &e.error));
}

// The account's items; with `unlock` the keyring may ask the user to unlock them.
bool Search(SecretService* service, const std::string& account, SecretSearchFlags flags, GCancellable* cancellable,
            ItemList& found)
{
    ErrorHolder e;
    Attributes attributes = AccountAttributes(account);
    found.items = secret_service_search_sync(service, Schema(), attributes.get(),
                                             SecretSearchFlags(flags | SECRET_SEARCH_ALL), cancellable, &e.error);
    return e.error == nullptr;
}

std::string Attribute(SecretItem* item, const char* name)
{
    Attributes attributes(secret_item_get_attributes(item));
    const auto* value = static_cast<const char*>(g_hash_table_lookup(attributes.get(), name));
    return value ? value : "";
}

// One call on a helper thread, pumped. `work` gets the call's cancellable and reports through
// what it captures by shared pointer.
template <class Result>
bool Pumped(const std::function<Result(GCancellable*)>& work, Result& result, CallEnd* end = nullptr)
{
    struct Shared {
        Cancellable cancellable{g_cancellable_new()};
        Result result{};
    };
    auto shared = std::make_shared<Shared>();
    CallEnd how = RunPumped([shared, work] { shared->result = work(shared->cancellable.get()); },
                            [shared] { g_cancellable_cancel(shared->cancellable.get()); },
                            SecretServiceStore::kWaitLimit);
    if (end) *end = how;
    if (how != CallEnd::Done) return false;
    result = std::move(shared->result);
    return true;
}

bool HasOwnerOrStarts(GDBusConnection* bus, GCancellable* cancellable)
{
    ErrorHolder e;
    GVariant* owned = g_dbus_connection_call_sync(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                  "org.freedesktop.DBus", "NameHasOwner",
                                                  g_variant_new("(s)", kServiceName), G_VARIANT_TYPE("(b)"),
                                                  G_DBUS_CALL_FLAGS_NONE, -1, cancellable, &e.error);
    if (!owned) return false;
    gboolean has = FALSE;
    g_variant_get(owned, "(b)", &has);
    g_variant_unref(owned);
    if (has) return true;
    // A keyring the bus starts on first use (D-Bus activation) is there as well.
    GVariant* names = g_dbus_connection_call_sync(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                  "org.freedesktop.DBus", "ListActivatableNames", nullptr,
                                                  G_VARIANT_TYPE("(as)"), G_DBUS_CALL_FLAGS_NONE, -1, cancellable,
                                                  &e.error);
    if (!names) return false;
    GVariantIter* iter = nullptr;
    g_variant_get(names, "(as)", &iter);
    const char* name = nullptr;
    bool starts = false;
    while (g_variant_iter_next(iter, "&s", &name))
        if (std::strcmp(name, kServiceName) == 0) starts = true;
    g_variant_iter_free(iter);
    g_variant_unref(names);
    return starts;
}
}  // namespace

bool KeyringWanted()
{
    const char* off = std::getenv("QUILLBOX_NO_KEYRING");
    return !off || !*off;
}

bool SecretServiceStore::Present()
{
    bool present = false;
    std::function<bool(GCancellable*)> work = [](GCancellable* cancellable) {
        ErrorHolder e;
        GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, cancellable, &e.error);
        if (!bus) return false;
        bool there = HasOwnerOrStarts(bus, cancellable);
        g_object_unref(bus);
        return there;
    };
    return Pumped(work, present) && present;
}

platform::SecretRead SecretServiceStore::Read(const std::string& account, bool mayUnlock, std::string& password)
{
    using platform::SecretRead;
    struct Answer {
        SecretRead read = SecretRead::Failed;
        std::string password;
    };
    std::function<Answer(GCancellable*)> work = [account, mayUnlock](GCancellable* cancellable) {
        Answer answer;
        Service service = Connect(cancellable);
        if (!service) return answer;
        ItemList found;
        auto flags = SecretSearchFlags(SECRET_SEARCH_LOAD_SECRETS | (mayUnlock ? SECRET_SEARCH_UNLOCK : 0));
        if (!Search(service.get(), account, flags, cancellable, found)) return answer;
        if (!found.items) {
            answer.read = SecretRead::Missing;
            return answer;
        }
        // An unlocked item comes first when there is one.
        auto* item = static_cast<SecretItem*>(found.items->data);
        SecretValue* value = secret_item_get_locked(item) ? nullptr : secret_item_get_secret(item);
        if (!value) {
            answer.read = SecretRead::Locked;
            return answer;
        }
        gsize length = 0;
        const gchar* bytes = secret_value_get(value, &length);
        answer.password.assign(bytes, length);
        secret_value_unref(value);
        answer.read = SecretRead::Found;
        return answer;
    };
    Answer answer;
    CallEnd end = CallEnd::Done;
    if (!Pumped(work, answer, &end)) return end == CallEnd::Stopped ? SecretRead::Stopped : SecretRead::Failed;
    password = std::move(answer.password);
    return answer.read;
}

bool SecretServiceStore::Write(const platform::SecretOwner& owner, const std::string& password)
{
    std::function<bool(GCancellable*)> work = [owner, password](GCancellable* cancellable) {
        Service service = Connect(cancellable);
        if (!service) return false;
        // Items of the account stored under another user or server are replaced by this one.
        ItemList before;
        if (!Search(service.get(), owner.Account, SECRET_SEARCH_NONE, cancellable, before)) return false;
        Attributes attributes(secret_attributes_build(Schema(), "program", kProgram, "account", owner.Account.c_str(),
                                                      "user", owner.User.c_str(), "server", owner.Server.c_str(),
                                                      nullptr));
        SecretValue* value = secret_value_new(password.data(), gssize(password.size()), "text/plain");
        const std::string label = platform::SecretLabel(owner);
        ErrorHolder e;
        gboolean stored = secret_service_store_sync(service.get(), Schema(), attributes.get(), SECRET_COLLECTION_DEFAULT,
                                                    label.c_str(), value, cancellable, &e.error);
        secret_value_unref(value);
        if (!stored) return false;
        for (GList* l = before.items; l; l = l->next) {
            auto* item = static_cast<SecretItem*>(l->data);
            if (Attribute(item, "user") == owner.User && Attribute(item, "server") == owner.Server) continue;
            ErrorHolder ignored;
            secret_item_delete_sync(item, cancellable, &ignored.error);
        }
        return true;
    };
    bool stored = false;
    return Pumped(work, stored) && stored;
}

bool SecretServiceStore::Remove(const std::string& account)
{
    std::function<bool(GCancellable*)> work = [account](GCancellable* cancellable) {
        Service service = Connect(cancellable);
        if (!service) return false;
        ItemList found;
        if (!Search(service.get(), account, SECRET_SEARCH_UNLOCK, cancellable, found)) return false;
        bool gone = true;
        for (GList* l = found.items; l; l = l->next) {
            ErrorHolder e;
            if (!secret_item_delete_sync(static_cast<SecretItem*>(l->data), cancellable, &e.error)) gone = false;
        }
        return gone;
    };
    bool gone = false;
    return Pumped(work, gone) && gone;
}

}  // namespace keyring
