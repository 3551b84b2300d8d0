#include "Registry.h"

#include "Encodings.h"
#include "Exception.h"
#include "Folders.h"
#include "Strings.h"
#include "TextFile.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

const char kRoot[] = "HKEY_CURRENT_USER";

bool NeedsHex(const std::string& text)
{
    for (unsigned char c : text)
        if (c < 32 || c == 127) return true;
    return false;
}

std::string Quote(const std::string& text)
{
    std::string out = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    return out + "\"";
}

// Reads a quoted text starting at `pos` (which holds the opening quote); moves `pos` past it.
bool Unquote(const std::string& line, size_t& pos, std::string& out)
{
    if (pos >= line.size() || line[pos] != '"') return false;
    out.clear();
    for (size_t i = pos + 1; i < line.size(); ++i) {
        char c = line[i];
        if (c == '\\' && i + 1 < line.size()) {
            out += line[++i];
        } else if (c == '"') {
            pos = i + 1;
            return true;
        } else {
            out += c;
        }
    }
    return false;
}

bool ParseHexString(const std::string& data, std::string& out)
{
    out.clear();
    size_t i = 0;
    while (i < data.size()) {
        if (i + 1 >= data.size()) return false;
        int hi = HexDigitValue(data[i]), lo = platform::HexDigitValue(data[i + 1]);
        if (hi < 0 || lo < 0) return false;
        out += static_cast<char>(hi * 16 + lo);
        i += 2;
        if (i < data.size()) {
            if (data[i] != ',') return false;
            ++i;
        }
    }
    // A REG_SZ in hex form ends with its terminating NUL.
    if (!out.empty() && out.back() == '\0') out.pop_back();
    return out.find('\0') == std::string::npos;
}

std::string HexString(const std::string& text)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : text) {
        out += digits[c >> 4];
        out += digits[c & 15];
        out += ',';
    }
    return out + "00";
}

RegistryValue* FindValue(RegistryKey& key, const std::string& name)
{
    for (auto& v : key.values)
        if (SameText(v.name, name)) return &v;
    return nullptr;
}

// Adds a key and its missing parents, keeping the case of keys that exist.
RegistryKey& EnsureKey(RegistryModel& model, const std::string& path)
{
    std::string built, builtUpper;
    size_t start = 0;
    RegistryKey* key = nullptr;
    while (start <= path.size() && !path.empty()) {
        size_t end = path.find('\\', start);
        if (end == std::string::npos) end = path.size();
        std::string part = path.substr(start, end - start);
        if (!builtUpper.empty()) builtUpper += '\\';
        builtUpper += UpperCase(part);
        auto it = model.keys.find(builtUpper);
        if (it == model.keys.end()) {
            it = model.keys.emplace(builtUpper, RegistryKey{built.empty() ? part : built + "\\" + part, {}}).first;
        }
        built = it->second.path;
        key = &it->second;
        start = end + 1;
    }
    if (!key) {
        auto it = model.keys.find("");
        if (it == model.keys.end()) it = model.keys.emplace("", RegistryKey{"", {}}).first;
        key = &it->second;
    }
    return *key;
}

std::string ConfigRegistryPath()
{
    const char* explicitPath = std::getenv("QUILLBOX_REGISTRY");
    if (explicitPath && *explicitPath) return explicitPath;
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    std::string base = (xdg && *xdg) ? std::string(xdg) : std::string(home && *home ? home : "/tmp") + "/.config";
    return base + "/quillbox/registry.reg";
}

}  // namespace

bool NormaliseKeyPath(const std::string& path, std::string& normalised)
{
    size_t b = 0, e = path.size();
    while (b < e && path[b] == '\\') ++b;
    while (e > b && path[e - 1] == '\\') --e;
    normalised = path.substr(b, e - b);
    if (normalised.find("\\\\") != std::string::npos) return false;
    for (unsigned char c : normalised)
        if (c < 32 || c == 127) return false;
    return true;
}

RegistryModel ParseRegistryText(const std::string& text, bool& damaged)
{
    RegistryModel model;
    damaged = false;
    RegistryKey* key = nullptr;
    bool first = true;
    for (const std::string& raw : SplitLines(text)) {
        std::string line = TrimRight(raw);
        if (first) {
            first = false;
            if (line == "REGEDIT4" || line == "Windows Registry Editor Version 5.00") continue;
        }
        if (line.empty() || line[0] == ';') continue;
        if (line[0] == '[') {
            key = nullptr;
            size_t close = line.rfind(']');
            std::string name = close == std::string::npos ? "" : line.substr(1, close - 1);
            std::string rest;
            if (SameText(name, kRoot)) {
                rest = "";
            } else if (name.size() > sizeof kRoot && SameText(name.substr(0, sizeof kRoot), std::string(kRoot) + "\\")) {
                rest = name.substr(sizeof kRoot);
            } else {
                damaged = true;
                continue;
            }
            std::string path;
            if (!NormaliseKeyPath(rest, path)) {
                damaged = true;
                continue;
            }
            key = &EnsureKey(model, path);
            continue;
        }
        if (!key) {
            damaged = true;
            continue;
        }
        size_t pos = 0;
        std::string name;
        if (line[0] == '@') {
            pos = 1;
        } else if (!Unquote(line, pos, name)) {
            damaged = true;
            continue;
        }
        if (pos >= line.size() || line[pos] != '=') {
            damaged = true;
            continue;
        }
        std::string data = line.substr(pos + 1);
        RegistryValue value;
        value.name = name;
        if (!data.empty() && data[0] == '"') {
            size_t p = 0;
            if (!Unquote(data, p, value.text) || p != data.size()) {
                damaged = true;
                continue;
            }
        } else if (data.size() > 6 && SameText(data.substr(0, 6), "dword:")) {
            std::string digits = data.substr(6);
            if (digits.empty() || digits.size() > 8) {
                damaged = true;
                continue;
            }
            uint32_t n = 0;
            bool ok = true;
            for (char c : digits) {
                int d = HexDigitValue(c);
                if (d < 0) ok = false;
                n = n * 16 + uint32_t(d < 0 ? 0 : d);
            }
            if (!ok) {
                damaged = true;
                continue;
            }
            value.type = RegistryValue::Type::Integer;
            value.number = n;
        } else if (data.size() > 7 && SameText(data.substr(0, 7), "hex(1):")) {
            if (!ParseHexString(data.substr(7), value.text)) {
                damaged = true;
                continue;
            }
        } else {
            damaged = true;
            continue;
        }
        if (RegistryValue* existing = FindValue(*key, name)) *existing = value;
        else key->values.push_back(value);
    }
    return model;
}

std::string PrintRegistryText(const RegistryModel& model)
{
    std::string out = "REGEDIT4\r\n";
    for (const auto& [upper, key] : model.keys) {
        out += "\r\n[";
        out += kRoot;
        if (!key.path.empty()) out += "\\" + key.path;
        out += "]\r\n";
        for (const auto& v : key.values) {
            out += v.name.empty() ? std::string("@") : Quote(v.name);
            out += '=';
            if (v.type == RegistryValue::Type::Integer) {
                char buffer[16];
                std::snprintf(buffer, sizeof buffer, "dword:%08x", v.number);
                out += buffer;
            } else if (NeedsHex(v.text)) {
                out += "hex(1):" + HexString(v.text);
            } else {
                out += Quote(v.text);
            }
            out += "\r\n";
        }
    }
    return out;
}

// ---------------------------------------------------------------------------------------------

RegistryStore::RegistryStore(std::string path) : path_(std::move(path)) {}

RegistryStore& RegistryStore::CurrentUser()
{
    static std::unique_ptr<RegistryStore> store;
    std::string path = ConfigRegistryPath();
    if (!store || store->Path() != path) store = std::make_unique<RegistryStore>(path);
    return *store;
}

void RegistryStore::Load()
{
    struct stat st {};
    Stamp now;
    if (::stat(path_.c_str(), &st) == 0) {
        now = {true, uint64_t(st.st_ino), uint64_t(st.st_size), int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
    }
    if (now == stamp_ && (now.exists || model_.keys.empty())) return;
    stamp_ = now;
    rawOnDisk_.clear();
    damaged_ = false;
    if (!now.exists) {
        model_ = {};
        return;
    }
    try {
        rawOnDisk_ = ReadBytes(path_);
    } catch (const EInOutError&) {
        // Unreadable: behave as empty, but never overwrite what may still be recovered.
        model_ = {};
        damaged_ = true;
        return;
    }
    model_ = ParseRegistryText(rawOnDisk_, damaged_);
}

const RegistryModel& RegistryStore::Read()
{
    Load();
    return model_;
}

RegistryStore::Locked::Locked(RegistryStore& s) : store(s), fd(-1)
{
    std::string folder = s.path_.substr(0, s.path_.rfind('/') + 1);
    if (!folder.empty() && !DirectoryExists(folder)) {
        ForceDirectories(folder);
        ::chmod(folder.c_str(), 0700);
    }
    fd = ::open((s.path_ + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) throw EInOutError("Cannot lock the settings file " + s.path_ + ": " + std::strerror(errno));
    while (::flock(fd, LOCK_EX) != 0) {
        if (errno != EINTR) {
            ::close(fd);
            throw EInOutError("Cannot lock the settings file " + s.path_ + ": " + std::strerror(errno));
        }
    }
    // Another program may have written since our last look.
    store.stamp_ = {};
    store.Load();
}

RegistryStore::Locked::~Locked()
{
    ::flock(fd, LOCK_UN);
    ::close(fd);
}

void RegistryStore::WriteLocked()
{
    auto fail = [&](const char* what) {
        throw EInOutError(std::string("Cannot ") + what + " the settings file " + path_ + ": " + std::strerror(errno));
    };
    if (damaged_ && !rawOnDisk_.empty()) {
        // Keep what could not be read, so nothing is lost silently.
        std::string bad = path_ + ".bad";
        int fd = ::open(bad.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (fd < 0) fail("save a copy of");
        bool ok = ::write(fd, rawOnDisk_.data(), rawOnDisk_.size()) == ssize_t(rawOnDisk_.size()) && ::fsync(fd) == 0;
        ::close(fd);
        if (!ok) fail("save a copy of");
    }
    std::string text = PrintRegistryText(model_);
    std::string temp = path_ + ".tmp";
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) fail("write");
    ::fchmod(fd, 0600);
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            ::close(fd);
            fail("write");
        }
        done += size_t(n);
    }
    if (::fsync(fd) != 0) {
        ::close(fd);
        fail("write");
    }
    ::close(fd);
    if (::rename(temp.c_str(), path_.c_str()) != 0) fail("replace");
    std::string folder = path_.substr(0, path_.rfind('/') + 1);
    int dirfd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirfd >= 0) {
        ::fsync(dirfd);
        ::close(dirfd);
    }
    damaged_ = false;
    rawOnDisk_ = text;
    struct stat st {};
    if (::stat(path_.c_str(), &st) == 0)
        stamp_ = {true, uint64_t(st.st_ino), uint64_t(st.st_size), int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

// ---------------------------------------------------------------------------------------------

TRegistry::TRegistry() : store_(RegistryStore::CurrentUser()) {}
TRegistry::TRegistry(RegistryStore& store) : store_(store) {}

bool TRegistry::KeyExists(const std::string& path)
{
    std::string normal;
    if (!NormaliseKeyPath(path, normal)) return false;
    if (normal.empty()) return true;
    return store_.Read().keys.count(UpperCase(normal)) != 0;
}

bool TRegistry::OpenKey(const std::string& path, bool canCreate)
{
    CloseKey();
    std::string normal;
    if (!NormaliseKeyPath(path, normal)) return false;
    if (!normal.empty() && !KeyExists(normal)) {
        if (!canCreate) return false;
        store_.Modify([&](RegistryModel& m) { EnsureKey(m, normal); });
    }
    current_ = UpperCase(normal);
    open_ = true;
    return true;
}

void TRegistry::CloseKey()
{
    current_.clear();
    open_ = false;
}

bool TRegistry::DeleteKey(const std::string& path)
{
    std::string normal;
    if (!NormaliseKeyPath(path, normal)) return false;
    std::string upper = UpperCase(normal);
    auto inside = [&](const std::string& key) {
        return upper.empty() || key == upper || key.starts_with(upper + "\\");
    };
    bool found = false;
    for (const auto& [key, value] : store_.Read().keys)
        if (inside(key) && (!key.empty() || upper.empty())) found = true;
    if (!found) return false;
    store_.Modify([&](RegistryModel& m) {
        for (auto it = m.keys.begin(); it != m.keys.end();) {
            if (inside(it->first)) it = m.keys.erase(it);
            else ++it;
        }
    });
    if (open_ && inside(current_)) CloseKey();
    return true;
}

const RegistryValue* TRegistry::Find(const std::string& name)
{
    if (!open_) return nullptr;
    const RegistryModel& model = store_.Read();
    auto it = model.keys.find(current_);
    if (it == model.keys.end()) return nullptr;
    for (const auto& v : it->second.values)
        if (SameText(v.name, name)) return &v;
    return nullptr;
}

bool TRegistry::ValueExists(const std::string& name) { return Find(name) != nullptr; }

std::string TRegistry::ReadString(const std::string& name)
{
    const RegistryValue* v = Find(name);
    if (!v) return {};
    if (v->type != RegistryValue::Type::String) throw ERegistryException("Invalid data type for '" + name + "'");
    return v->text;
}

int32_t TRegistry::ReadInteger(const std::string& name)
{
    const RegistryValue* v = Find(name);
    if (!v || v->type != RegistryValue::Type::Integer) throw ERegistryException("Invalid data type for '" + name + "'");
    return static_cast<int32_t>(v->number);
}

void TRegistry::Write(RegistryValue value)
{
    if (!open_) throw ERegistryException("Failed to set data for '" + value.name + "'");
    if (NeedsHex(value.name)) throw ERegistryException("Invalid value name '" + value.name + "'");
    std::string key = current_;
    store_.Modify([&](RegistryModel& m) {
        auto it = m.keys.find(key);
        // The key may have been deleted by another program meanwhile: it comes back.
        RegistryKey& k = it != m.keys.end() ? it->second : EnsureKey(m, key);
        if (RegistryValue* existing = FindValue(k, value.name)) {
            std::string keptName = existing->name;
            *existing = value;
            existing->name = keptName;
        } else {
            k.values.push_back(value);
        }
    });
}

void TRegistry::WriteString(const std::string& name, const std::string& value)
{
    RegistryValue v;
    v.name = name;
    v.text = value;
    Write(v);
}

void TRegistry::WriteInteger(const std::string& name, int32_t value)
{
    RegistryValue v;
    v.name = name;
    v.type = RegistryValue::Type::Integer;
    v.number = static_cast<uint32_t>(value);
    Write(v);
}

bool TRegistry::DeleteValue(const std::string& name)
{
    if (!Find(name)) return false;
    std::string key = current_;
    store_.Modify([&](RegistryModel& m) {
        auto it = m.keys.find(key);
        if (it == m.keys.end()) return;
        auto& values = it->second.values;
        for (auto v = values.begin(); v != values.end(); ++v)
            if (SameText(v->name, name)) {
                values.erase(v);
                break;
            }
    });
    return true;
}

}  // namespace platform
