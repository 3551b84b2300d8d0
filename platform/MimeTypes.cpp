#include "MimeTypes.h"

#include "Strings.h"

#include <fstream>
#include <mutex>
#include <sstream>
#include <unordered_map>

namespace platform {
namespace {

const char* const kBuiltIn[][2] = {
    {"txt", "text/plain"},        {"htm", "text/html"},         {"html", "text/html"},
    {"css", "text/css"},          {"csv", "text/csv"},          {"xml", "application/xml"},
    {"jpg", "image/jpeg"},        {"jpeg", "image/jpeg"},       {"gif", "image/gif"},
    {"png", "image/png"},         {"bmp", "image/bmp"},         {"svg", "image/svg+xml"},
    {"pdf", "application/pdf"},   {"zip", "application/zip"},   {"gz", "application/gzip"},
    {"doc", "application/msword"}, {"rtf", "application/rtf"},  {"json", "application/json"},
    {"wav", "audio/x-wav"},       {"mp3", "audio/mpeg"},        {"mp4", "video/mp4"},
    {"eml", "message/rfc822"},
};

struct Table {
    std::mutex lock;
    std::string path = "/etc/mime.types";
    bool loaded = false;
    std::unordered_map<std::string, std::string> types;
};

Table& TheTable()
{
    static Table table;
    return table;
}

void Load(Table& t)
{
    t.types.clear();
    for (const auto& row : kBuiltIn) t.types[UpperCase(row[0])] = row[1];
    std::ifstream in(t.path);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream words(line);
        std::string type, ext;
        if (!(words >> type)) continue;
        while (words >> ext) t.types[UpperCase(ext)] = type;
    }
    t.loaded = true;
}

}  // namespace

std::string MimeTypeOfExtension(const std::string& extension)
{
    if (extension.size() < 2 || extension[0] != '.') return {};
    Table& t = TheTable();
    std::lock_guard<std::mutex> guard(t.lock);
    if (!t.loaded) Load(t);
    auto it = t.types.find(UpperCase(extension.substr(1)));
    return it == t.types.end() ? std::string() : it->second;
}

void SetMimeTypesFile(const std::string& path)
{
    Table& t = TheTable();
    std::lock_guard<std::mutex> guard(t.lock);
    t.path = path.empty() ? "/etc/mime.types" : path;
    t.loaded = false;
}

}  // namespace platform
