#include "filter/FolderTraining.h"

#include "filter/EncodedWords.h"
#include "filter/FilterError.h"
#include "filter/HeaderTokens.h"
#include "platform/Folders.h"
#include "platform/TextFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Headers are rarely longer; a message whose header goes on past this is judged by its start.
constexpr size_t kMaxHeaderBytes = 256 * 1024;

[[noreturn]] void CannotRead(const std::string& path)
{
    throw EFilterError("Cannot read " + path + ": " + std::strerror(errno) + ".");
}

// The header of a message file: read in pieces up to the first blank line.
std::string ReadHeader(const std::string& path)
{
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) CannotRead(path);
    std::string text;
    char buffer[16384];
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            int saved = errno;
            ::close(fd);
            errno = saved;
            CannotRead(path);
        }
        if (n == 0) break;
        size_t from = text.size() > 3 ? text.size() - 3 : 0;
        text.append(buffer, static_cast<size_t>(n));
        if (text.find("\n\n", from) != std::string::npos || text.find("\n\r\n", from) != std::string::npos ||
            text.size() >= kMaxHeaderBytes)
            break;
    }
    ::close(fd);
    return std::string(HeaderPart(text).substr(0, kMaxHeaderBytes));
}

std::string ReadWholeFile(const std::string& path)
{
    try {
        return platform::ReadBytes(path);
    } catch (const std::exception& e) {
        throw EFilterError(e.what());  // the window shows the filter's failures alike
    }
}

std::string DefaultIdentity(const std::string& header)
{
    size_t at = 0;
    while (at < header.size()) {
        size_t nl = header.find('\n', at);
        std::string_view line = std::string_view(header).substr(at, nl == std::string::npos ? std::string::npos : nl - at);
        std::string name(line.substr(0, 11));
        FoldAsciiCase(name);
        if (name == "message-id:") {
            std::string_view value = line.substr(11);
            while (!value.empty() && static_cast<unsigned char>(value.front()) <= ' ') value.remove_prefix(1);
            while (!value.empty() && static_cast<unsigned char>(value.back()) <= ' ') value.remove_suffix(1);
            if (!value.empty()) return "Message-ID " + std::string(value);
        }
        if (nl == std::string::npos) break;
        at = nl + 1;
    }
    return "Header " + header;
}

// The message files of a Maildir (cur/ and new/) or, when it has neither, of the folder itself.
std::vector<std::string> MaildirFiles(const std::string& folder)
{
    std::string base = folder.back() == '/' ? folder : folder + "/";
    std::vector<std::string> files;
    bool maildir = platform::DirectoryExists(base + "cur") || platform::DirectoryExists(base + "new");
    const std::vector<std::string> subfolders = maildir ? std::vector<std::string>{"cur/", "new/"} : std::vector<std::string>{""};
    for (const std::string& sub : subfolders) {
        for (const platform::DirEntry& e : platform::ListFolder(base + sub))
            if (!e.isDirectory && e.name[0] != '.') files.push_back(base + sub + e.name);
    }
    return files;
}

}  // namespace

std::vector<std::string> MboxHeaders(std::string_view mbox)
{
    std::vector<std::string> headers;
    size_t at = 0;
    bool inHeader = false, blankBefore = true;
    size_t headerStart = 0;
    while (at < mbox.size()) {
        size_t nl = mbox.find('\n', at);
        size_t end = nl == std::string_view::npos ? mbox.size() : nl;
        std::string_view line = mbox.substr(at, end - at);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (blankBefore && line.substr(0, 5) == "From ") {
            if (inHeader) headers.emplace_back(mbox.substr(headerStart, std::min(at - headerStart, kMaxHeaderBytes)));
            inHeader = true;
            headerStart = nl == std::string_view::npos ? mbox.size() : nl + 1;
        } else if (inHeader && line.empty()) {
            headers.emplace_back(mbox.substr(headerStart, std::min(at - headerStart, kMaxHeaderBytes)));
            inHeader = false;
        }
        blankBefore = line.empty();
        at = end + 1;
    }
    if (inHeader) headers.emplace_back(mbox.substr(headerStart, std::min(mbox.size() - headerStart, kMaxHeaderBytes)));
    return headers;
}

TFolderTrainingResult TrainFromFolder(TSpamFilter& filter, const std::string& path, const TFolderTraining& how)
{
    TFolderTrainingResult result;
    bool folder = platform::DirectoryExists(path);
    if (!folder && !platform::FileExists(path)) {
        errno = ENOENT;
        CannotRead(path);
    }
    std::vector<std::string> files, headers;
    if (folder) files = MaildirFiles(path);
    else headers = MboxHeaders(ReadWholeFile(path));
    result.total = folder ? files.size() : headers.size();
    if (how.OnProgress) how.OnProgress(0, result.total);
    for (size_t i = 0; i < result.total; ++i) {
        if (how.cancel && how.cancel->load()) {
            result.cancelled = true;
            break;
        }
        std::string header = folder ? ReadHeader(files[i]) : std::move(headers[i]);
        std::string identity = how.IdentityOf ? how.IdentityOf(header) : DefaultIdentity(header);
        if (filter.Train(identity, header, how.as)) ++result.trained;
        ++result.done;
        if (how.OnProgress) how.OnProgress(result.done, result.total);
    }
    return result;
}
