// Header texts nobody on the team wrote: the Python email test messages and the kept fuzz inputs
// of the parser (many with encoded words, whole or mangled). Every Subject and From must show on
// one clean line with no well-formed encoded word left; every Date of the real messages must
// read as the instant Python's email package finds.
#include "widgets/DisplayText.h"
#include "widgets/MailDate.h"

#include "platform/Folders.h"
#include "platform/Strings.h"
#include "platform/TextFile.h"
#include "RequireTool.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

namespace {

const char* const kPythonCorpus = "/usr/lib/python3.11/test/test_email/data/";
const char* const kPython = "/usr/bin/python3";
const std::string kFuzzCorpus = QUILLBOX_TEST_DATA_DIR "/retrieval/fuzz/corpus/";

std::vector<std::string> CorpusFiles()
{
    std::vector<std::string> files;
    for (const auto& entry : platform::ListFolder(kPythonCorpus))
        if (platform::MatchesMask(entry.name, "msg_*.txt")) files.push_back(kPythonCorpus + entry.name);
    for (const auto& entry : platform::ListFolder(kFuzzCorpus))
        if (!entry.isDirectory) files.push_back(kFuzzCorpus + entry.name);
    return files;
}

// The values of the named header (upper case, with ":") in the header block, folding kept.
std::vector<std::string> HeaderValues(const StringList& lines, const std::string& name)
{
    std::vector<std::string> values;
    for (size_t i = 0; i < lines.size() && !lines[i].empty(); ++i) {
        if (UpperCase(lines[i].substr(0, name.size())) != name) continue;
        std::string value = lines[i].substr(name.size());
        while (i + 1 < lines.size() && !lines[i + 1].empty() && (lines[i + 1][0] == ' ' || lines[i + 1][0] == '\t'))
            value += "\r\n" + lines[++i];
        values.push_back(value);
    }
    return values;
}

// RFC 2047 by the letter: a charset token, Q with printable text, or B with padded base64.
const QRegularExpression kWellFormedWord(
    R"(=\?[A-Za-z0-9!#$%&'+^_`{|}~.:-]+(\*[A-Za-z0-9-]+)?\?([Qq]\?[\x21-\x3e\x40-\x7e]*|[Bb]\?([A-Za-z0-9+/]{4})*([A-Za-z0-9+/]{2}==|[A-Za-z0-9+/]{3}=)?)\?=)");

bool HasControlCharacter(const QString& text)
{
    for (QChar c : text)
        if (c.unicode() < 0x20 || (c.unicode() >= 0x7f && c.unicode() < 0xa0)) return true;
    return false;
}

}  // namespace

TEST(DisplayCorpus, EverySubjectAndFromShowsCleanWithItsWellFormedWordsDecoded)
{
    if (!platform::DirectoryExists(kPythonCorpus) && RunningInCI()) FAIL() << "mail corpus missing in CI: " << kPythonCorpus;
    int headers = 0, words = 0;
    for (const std::string& path : CorpusFiles()) {
        SCOPED_TRACE(path);
        StringList lines = platform::ReadLines(path);
        for (const char* name : {"SUBJECT:", "FROM:"}) {
            for (const std::string& raw : HeaderValues(lines, name)) {
                ++headers;
                QString shown = DisplayHeaderText(raw);
                EXPECT_FALSE(HasControlCharacter(shown)) << raw;
                EXPECT_EQ(shown, shown.trimmed()) << raw;
                QString rawText = QString::fromLatin1(raw.data(), qsizetype(raw.size()));
                for (auto match = kWellFormedWord.globalMatch(rawText); match.hasNext();) {
                    QString word = match.next().captured();
                    ++words;
                    EXPECT_FALSE(shown.contains(word)) << raw << " shows " << shown.toStdString();
                }
            }
        }
        // Binary garbage on any line never breaks the display conversions.
        for (const std::string& line : lines) {
            EXPECT_FALSE(HasControlCharacter(DisplayHeaderText(line)));
            DisplayDate(line);
        }
    }
    EXPECT_GE(headers, 300);
    EXPECT_GE(words, 50);
}

TEST(DisplayCorpus, EveryDateOfTheRealMessagesReadsAsPythonReadsIt)
{
    REQUIRE_TOOL(kPython);
    if (!platform::DirectoryExists(kPythonCorpus)) {
        if (RunningInCI()) FAIL() << "mail corpus missing in CI: " << kPythonCorpus;
        GTEST_SKIP() << "mail corpus missing: " << kPythonCorpus;
    }
    std::string command = std::string(kPython) + " " WIDGETS_TEST_DIR "/mail_dates.py " + kPythonCorpus + "msg_*.txt";
    FILE* pipe = ::popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string output;
    char buffer[4096];
    while (size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
    ASSERT_EQ(::pclose(pipe), 0) << command;

    int dates = 0;
    std::istringstream rows(output);
    std::string row;
    while (std::getline(rows, row)) {
        size_t tab = row.rfind('\t');
        ASSERT_NE(tab, std::string::npos) << row;
        std::string raw = row.substr(0, tab), stamp = row.substr(tab + 1);
        ASSERT_NE(stamp, "-") << "Python cannot read " << raw;
        std::optional<QDateTime> date = ParseMailDate(raw);
        ASSERT_TRUE(date.has_value()) << raw;
        EXPECT_EQ(date->toSecsSinceEpoch(), std::stoll(stamp)) << raw;
        ++dates;
    }
    EXPECT_GE(dates, 25);
}
