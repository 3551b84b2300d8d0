#include "Corpus.h"

#include "filter/HeaderTokens.h"
#include "platform/Folders.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

void AppendUtf8(std::string& out, unsigned code)
{
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// The JSON string value of `field` (the first one), unescaped.
std::string JsonStringField(const std::string& json, const std::string& field)
{
    std::string key = "\"" + field + "\":";
    size_t at = json.find(key);
    if (at == std::string::npos) return {};
    at = json.find('"', at + key.size());
    if (at == std::string::npos) return {};
    std::string out;
    for (size_t i = at + 1; i < json.size(); ++i) {
        char c = json[i];
        if (c == '"') break;
        if (c != '\\' || i + 1 >= json.size()) {
            out += c;
            continue;
        }
        char e = json[++i];
        switch (e) {
            case 'n': out += '\n'; break;
            case 't': out += '\t'; break;
            case 'r': out += '\r'; break;
            case 'b': out += '\b'; break;
            case 'f': out += '\f'; break;
            case 'u': {
                unsigned code = static_cast<unsigned>(std::strtoul(json.substr(i + 1, 4).c_str(), nullptr, 16));
                i += 4;
                if (code >= 0xD800 && code < 0xDC00 && i + 6 < json.size() && json[i + 1] == '\\' && json[i + 2] == 'u') {
                    unsigned low = static_cast<unsigned>(std::strtoul(json.substr(i + 3, 4).c_str(), nullptr, 16));
                    code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
                    i += 6;
                }
                AppendUtf8(out, code);
                break;
            }
            default: out += e;  // \" \\ \/
        }
    }
    return out;
}

}  // namespace

std::vector<TCorpusMessage> LoadGroup(const std::string& dataFolder, const std::string& group)
{
    std::vector<TCorpusMessage> messages;
    std::string folder = dataFolder + "/" + group + "/";
    for (const platform::DirEntry& e : platform::ListFolder(folder)) {
        if (e.isDirectory || e.name.size() < 5 || e.name.substr(e.name.size() - 5) != ".json") continue;
        std::ifstream in(folder + e.name, std::ios::binary);
        std::stringstream buffer;
        buffer << in.rdbuf();
        TCorpusMessage m;
        m.name = group + "/" + e.name;
        m.text = JsonStringField(buffer.str(), "text");
        m.header = std::string(HeaderPart(m.text));
        m.spam = group.rfind("spam", 0) == 0;
        messages.push_back(std::move(m));
    }
    if (messages.empty()) {
        std::fprintf(stderr, "no messages in %s\n", folder.c_str());
        std::exit(2);
    }
    return messages;
}
