#include "filter/FolderTraining.h"

#include "filter/EncodedWords.h"
#include "filter/FilterError.h"
#include "filter/HeaderTokens.h"
#include "filter/MboxReader.h"
#include "platform/FileReader.h"
#include "platform/Folders.h"

#include <cerrno>
#include <cstring>
#include <optional>

namespace {

// Headers are rarely longer; a message whose header goes on past this is judged by its start.
constexpr size_t kMaxHeaderBytes = TMboxSplitter::kMaxHeaderBytes;

[[noreturn]] void CannotRead(const std::string& path)
{
    throw EFilterError("Cannot read " + path + ": " + std::strerror(errno) + ".");
}

// The header of a message file: read in pieces up to the first blank line.
std::string ReadHeader(const std::string& path)
{
    std::string text;
    try {
        platform::TFileReader file(path);
        char buffer[16384];
        while (size_t n = file.Read(buffer, sizeof buffer)) {
            size_t from = text.size() > 3 ? text.size() - 3 : 0;
            text.append(buffer, n);
            if (text.find("\n\n", from) != std::string::npos || text.find("\n\r\n", from) != std::string::npos ||
                text.size() >= kMaxHeaderBytes)
                break;
        }
    } catch (const std::exception& e) {
        throw EFilterError(e.what());  // the window shows the filter's failures alike
    }
    return std::string(HeaderPart(text).substr(0, kMaxHeaderBytes));
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

TFolderTrainingResult TrainFromFolder(TSpamFilter& filter, const std::string& path, const TFolderTraining& how)
{
    TFolderTrainingResult result;
    bool folder = platform::DirectoryExists(path);
    if (!folder && !platform::FileExists(path)) {
        errno = ENOENT;
        CannotRead(path);
    }
    // A folder's messages are counted first; an mbox file is read as it is learnt, so its
    // count is known at its end and its progress is the share of the file behind the messages
    // read.
    std::vector<std::string> files;
    std::optional<TMboxReader> mbox;
    if (folder) {
        files = MaildirFiles(path);
        result.total = files.size();
    } else {
        mbox.emplace(path);
    }
    TTrainingProgress progress;
    auto report = [&] {
        if (!how.OnProgress) return;
        progress.done = result.done;
        progress.total = folder ? result.total : 0;
        progress.share = folder ? (result.total ? double(result.done) / double(result.total) : 1.0) : mbox->Share();
        how.OnProgress(progress);
    };
    report();
    std::string header;
    for (size_t i = 0;; ++i) {
        if (folder && i >= files.size()) break;
        if (how.cancel && how.cancel->load()) {
            result.cancelled = true;
            break;
        }
        if (folder) {
            header = ReadHeader(files[i]);
        } else if (TMboxReader::TRead read = mbox->Next(header); read != TMboxReader::TRead::Header) {
            if (read == TMboxReader::TRead::End) break;
            report();  // a long body: the window stays live and Cancel is heard
            continue;
        }
        std::string identity = how.IdentityOf ? how.IdentityOf(header) : DefaultIdentity(header);
        if (filter.Train(identity, header, how.as)) ++result.trained;
        ++result.done;
        report();
    }
    if (!folder) {
        result.total = mbox->Found();
        result.counted = !result.cancelled;
    }
    return result;
}
