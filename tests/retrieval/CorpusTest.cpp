// Real-world messages that nobody on the team wrote: each must parse, and every base64 part must
// decode to the bytes that an independent decoder (Python's email package) finds.
#include "retrieval/VemMsg.h"

#include "platform/Folders.h"
#include "platform/TextFile.h"
#include "RequireTool.h"
#include "TempHome.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

namespace {

const char* const kCorpus = "/usr/lib/python3.11/test/test_email/data/";
const char* const kPython = "/usr/bin/python3";

struct OraclePart {
    std::string type;
    bool named = false;
    bool wellFormed = false;
    std::string bytes;
};

std::string FromHex(const std::string& hex)
{
    std::string bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) bytes.push_back(char(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return bytes;
}

std::vector<OraclePart> OracleParts(const std::string& path)
{
    std::string command = std::string(kPython) + " " + RETRIEVAL_TEST_DIR "/base64_parts.py '" + path + "'";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) throw std::runtime_error("cannot run " + command);
    std::string output;
    char buffer[65536];
    while (size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
    int status = ::pclose(pipe);
    if (status != 0) throw std::runtime_error(command + " failed with status " + std::to_string(status));
    std::vector<OraclePart> parts;
    std::istringstream lines(output);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        OraclePart part;
        std::string named, wellFormed, hex;
        std::getline(fields, part.type, '\t');
        std::getline(fields, named, '\t');
        std::getline(fields, wellFormed, '\t');
        std::getline(fields, hex);
        part.named = named == "1";
        part.wellFormed = wellFormed == "1";
        part.bytes = FromHex(hex);
        parts.push_back(part);
    }
    return parts;
}

// Whether the parser keeps such a part as an attachment (a text part goes to Text unless it is
// named or HTML).
bool StoredAsAttachment(const OraclePart& part)
{
    return UpperCase(part.type).find("TEXT") == std::string::npos || part.named || part.type == "text/html";
}

bool ContainsInOrder(const StringList& text, const StringList& lines)
{
    if (lines.empty()) return true;
    for (size_t i = 0; i + lines.size() <= text.size(); ++i)
        if (std::equal(lines.begin(), lines.end(), text.begin() + std::ptrdiff_t(i))) return true;
    return false;
}

}  // namespace

TEST(Corpus, RealWorldMessagesParseAndTheirBase64PartsDecodeLikePython)
{
    REQUIRE_TOOL(kPython);
    if (!platform::DirectoryExists(kCorpus)) {
        if (RunningInCI()) FAIL() << "mail corpus missing in CI: " << kCorpus;
        GTEST_SKIP() << "mail corpus missing: " << kCorpus;
    }
    TempHome home;
    int messages = 0, compared = 0;
    for (const auto& entry : platform::ListFolder(kCorpus)) {
        if (!platform::MatchesMask(entry.name, "msg_*.txt")) continue;
        SCOPED_TRACE(entry.name);
        std::string path = std::string(kCorpus) + entry.name;
        TVemMsg msg;
        ASSERT_NO_THROW(msg.SetRawMail(platform::ReadLines(path)));
        ++messages;
        EXPECT_TRUE(platform::ListFolder(home.Temp()).empty());

        // Attachments appear in the parser's order; each base64 one Python decodes must be there.
        int next = 0;
        for (const OraclePart& part : OracleParts(path)) {
            if (!part.wellFormed) continue;
            if (!StoredAsAttachment(part)) {
                EXPECT_TRUE(ContainsInOrder(msg.Text, platform::SplitLines(part.bytes))) << part.type;
                ++compared;
                continue;
            }
            while (next < msg.AttachedFiles.Count() && msg.AttachedFiles.Items(next).Body()->Bytes() != part.bytes) ++next;
            EXPECT_LT(next, msg.AttachedFiles.Count()) << "no attachment with the bytes of a " << part.type << " part";
            ++next;
            ++compared;
        }
    }
    EXPECT_GE(messages, 40);
    EXPECT_GE(compared, 7);  // the well-formed base64 parts of this corpus
}
