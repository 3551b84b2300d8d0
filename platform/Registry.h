#pragma once
// A per-user registry of keys holding string and 32-bit integer values, standing in for
// HKEY_CURRENT_USER. Key paths and value names compare case-insensitively for the letters a to z;
// the case used at creation is kept. Every change is written to disk at once, in the REGEDIT4
// text format, under an exclusive lock that re-reads the file first, so two running programs
// never lose each other's changes, and through a temporary file and a rename, so the file is
// never half-written. The file is private to the user (mode 0600): it holds scrambled passwords.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace platform {

struct RegistryValue {
    enum class Type { String, Integer };
    std::string name;
    Type type = Type::String;
    std::string text;
    uint32_t number = 0;
};

struct RegistryKey {
    std::string path;  // as created, components joined by '\'
    std::vector<RegistryValue> values;
};

// The keys of one registry file, by upper-cased path.
struct RegistryModel {
    std::map<std::string, RegistryKey> keys;
};

class RegistryStore {
public:
    explicit RegistryStore(std::string path);

    // The store of $QUILLBOX_REGISTRY, or $XDG_CONFIG_HOME/quillbox/registry.reg
    // (default ~/.config); follows the variable when it changes.
    static RegistryStore& CurrentUser();

    const std::string& Path() const { return path_; }
    // The current content, re-read when the file changed on disk.
    const RegistryModel& Read();
    // Locks the file, re-reads it, applies `change` and writes the result; a damaged file is
    // first copied aside to Path() + ".bad".
    template <class Change>
    void Modify(Change&& change)
    {
        Locked lock(*this);
        change(model_);
        WriteLocked();
    }

private:
    struct Locked {
        explicit Locked(RegistryStore& store);
        ~Locked();
        RegistryStore& store;
        int fd;
    };
    void Load();
    void WriteLocked();

    std::string path_;
    RegistryModel model_;
    bool damaged_ = false;
    std::string rawOnDisk_;
    struct Stamp {
        bool exists = false;
        uint64_t ino = 0, size = 0;
        int64_t mtimeNs = 0;
        bool operator==(const Stamp&) const = default;
    } stamp_;
};

// Parsing and printing of the REGEDIT4 text; a line that does not parse is skipped and
// reported through `damaged`.
RegistryModel ParseRegistryText(const std::string& text, bool& damaged);
std::string PrintRegistryText(const RegistryModel& model);

// A handle on the store in the manner of the platform's registry class: open one key, then read
// and write its values. Paths are absolute below HKEY_CURRENT_USER.
class TRegistry {
public:
    TRegistry();
    explicit TRegistry(RegistryStore& store);

    bool KeyExists(const std::string& path);
    // Opens a key; with canCreate the key and its missing parents are created. False when the
    // key does not exist (and may not be created) or the path is not a valid key path.
    bool OpenKey(const std::string& path, bool canCreate);
    void CloseKey();
    const std::string& CurrentPath() const { return current_; }
    // Deletes a key with every key below it; false when there was none.
    bool DeleteKey(const std::string& path);

    bool ValueExists(const std::string& name);
    // A missing string reads as empty text; an integer value throws ERegistryException.
    std::string ReadString(const std::string& name);
    // A missing value or a string throws ERegistryException.
    int32_t ReadInteger(const std::string& name);
    void WriteString(const std::string& name, const std::string& value);
    void WriteInteger(const std::string& name, int32_t value);
    bool DeleteValue(const std::string& name);

private:
    const RegistryValue* Find(const std::string& name);
    void Write(RegistryValue value);

    RegistryStore& store_;
    std::string current_;  // upper-cased path of the open key; empty when none is open
    bool open_ = false;
};

// Normalises a key path: no leading or trailing '\'; empty components or control characters
// make it invalid (false).
bool NormaliseKeyPath(const std::string& path, std::string& normalised);

}  // namespace platform
