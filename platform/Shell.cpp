#include "Shell.h"

namespace platform {
namespace {
UrlOpener& Opener()
{
    static UrlOpener opener;
    return opener;
}
}  // namespace

void OpenUrl(const std::string& url)
{
    UrlOpener opener = Opener();
    if (opener) opener(url);
}

UrlOpener SetUrlOpener(UrlOpener opener)
{
    UrlOpener old = std::move(Opener());
    Opener() = std::move(opener);
    return old;
}
}  // namespace platform
