#include "retrieval/VemAttFile.h"
#include "retrieval/VemMIME.h"

#include "platform/Folders.h"
#include "platform/MessagePump.h"
#include "platform/TextFile.h"
#include "TempHome.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

namespace {

std::string ErrorOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const Exception& e) {
        return e.Message();
    }
    return "(no exception)";
}

class Attachment : public ::testing::Test {
protected:
    TempHome home;
    TAttachedFiles files;
    size_t WorkFilesLeft() { return platform::ListFolder(home.Temp()).size(); }
};

}  // namespace

TEST_F(Attachment, Base64DecodesWithOnePumpPerLineAndSaves)
{
    TAttachedFile& item = files.AddFile("C:\\in\\report.pdf");
    EXPECT_EQ(item.FileName + " " + item.ContentType, "report.pdf application/pdf");
    item.EncodedLines = {"SGVsbG8s", "IFdvcmxk", "IQ=="};
    int pumps = 0;
    platform::MessagePump saved = platform::SetMessagePump([&] { ++pumps; });
    item.DecodeBase64();
    platform::SetMessagePump(saved);
    EXPECT_EQ(pumps, 3);
    EXPECT_EQ(item.Body()->Bytes(), "Hello, World!");
    EXPECT_EQ(WorkFilesLeft(), 0u);

    char c;
    item.Body()->Read(&c, 1);
    EXPECT_EQ(item.Body()->Position(), 0);  // reading the property rewinds
    item.SaveToFile(home.Root() + "out.bin");
    EXPECT_EQ(platform::ReadBytes(home.Root() + "out.bin"), "Hello, World!");
    item.SetBody(nullptr);
    EXPECT_EQ(ErrorOf([&] { item.SaveToFile(home.Root() + "out.bin"); }), "AttachedFile.Body = nil");
    EXPECT_EQ(ErrorOf([&] { files.Items(1); }), "List index out of bounds (1)");
}

TEST_F(Attachment, UuencodedBlocksAndTheOopsError)
{
    TAttachedFile& item = files.AddFile("cat.txt");
    item.EncodedLines = {"begin 644 cat.txt", "#0V%T", "`", "#0V%T", "end"};
    item.DecodeUU();
    EXPECT_EQ(item.Body()->Bytes(), "Cat");  // the grave accent ends the data
    item.EncodedLines = {"begin 644 cat.txt", "#0V%T", "#0V%T"};
    item.DecodeUU();
    EXPECT_EQ(item.Body()->Bytes(), "CatCat");  // without "end", at the last line

    item.EncodedLines = {"begin 644 cat.txt", "#0V%T", "#0v%T", "end"};
    EXPECT_EQ(ErrorOf([&] { item.DecodeUU(); }), "Oops...");
    EXPECT_EQ(WorkFilesLeft(), 0u);
    item.EncodedLines = {"begin 644 cat.txt", "end"};  // the second line is always decoded
    EXPECT_EQ(ErrorOf([&] { item.DecodeUU(); }), "Oops...");
    EXPECT_EQ(WorkFilesLeft(), 0u);
}

TEST_F(Attachment, EncodesAFileIntoLinesAndBody)
{
    std::string path = home.Root() + "photo.bin", bytes;
    for (int i = 0; i < 3000; ++i) bytes.push_back(char(i * 31));
    platform::WriteBytes(path, bytes);
    TAttachedFile& item = files.AddFile(path);
    item.EncodeBase64();
    EXPECT_EQ(item.Body()->Bytes(), bytes);
    ASSERT_EQ(item.EncodedLines.size(), 53u);
    EXPECT_EQ(item.EncodedLines[0].size(), 76u);
    std::string joined;
    for (const auto& l : item.EncodedLines) joined += l;
    EXPECT_EQ(DecodeBase64Text(joined), bytes);
    EXPECT_EQ(WorkFilesLeft(), 0u);

    TAttachedFile& missing = files.AddFile(home.Root() + "nowhere.bin");
    EXPECT_THROW(missing.EncodeBase64(), EInOutError);
    EXPECT_EQ(WorkFilesLeft(), 0u);
}

TEST_F(Attachment, AWorkFileThatCannotBeWrittenIsReportedAndRemoved)
{
    TAttachedFile& item = files.AddFile("big.bin");
    item.EncodedLines.assign(4000, std::string(76, 'A'));  // about 230 KB decoded
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 16 * 1024;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    std::string error = ErrorOf([&] { item.DecodeBase64(); });
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_NE(error.find("Cannot write file"), std::string::npos) << error;
    EXPECT_EQ(WorkFilesLeft(), 0u);
}
