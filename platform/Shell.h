#pragma once
// Opens a web address in the user's browser. The GUI installs the real opener; tests record.
#include <functional>
#include <string>

namespace platform {
using UrlOpener = std::function<void(const std::string& url)>;
void OpenUrl(const std::string& url);
UrlOpener SetUrlOpener(UrlOpener opener);
}  // namespace platform
