#include "session/AttachmentNames.h"

namespace {

constexpr size_t kMaxName = 255;  // octets in one file name on Linux file systems

size_t ExtensionStart(const std::string& name)
{
    size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? name.size() : dot;
}

}  // namespace

std::string SafeAttachmentName(const std::string& name)
{
    size_t slash = name.find_last_of("/\\");
    std::string base = slash == std::string::npos ? name : name.substr(slash + 1);
    std::string clean;
    for (char c : base)
        if (static_cast<unsigned char>(c) >= 32 && c != 127) clean.push_back(c);
    while (!clean.empty() && clean.back() == ' ') clean.pop_back();
    if (clean.find_first_not_of('.') == std::string::npos) clean = "attachment";
    if (clean.size() > kMaxName) {
        std::string extension = clean.substr(ExtensionStart(clean));
        if (extension.size() > 32) extension.clear();
        clean = clean.substr(0, kMaxName - extension.size()) + extension;
    }
    return clean;
}

std::string TBatchNames::Take(const std::string& safeName)
{
    std::string name = safeName;
    const size_t dot = ExtensionStart(safeName);
    for (int n = 2; taken_.count(name); ++n)
        name = safeName.substr(0, dot) + " (" + std::to_string(n) + ")" + safeName.substr(dot);
    taken_.insert(name);
    return name;
}
