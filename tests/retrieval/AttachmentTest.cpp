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

size_t FilesIn(const std::string& folder) { return platform::ListFolder(folder).size(); }

// Counts the pump calls while it is installed.
struct CountingPump {
    int calls = 0;
    platform::MessagePump saved;
    CountingPump() { saved = platform::SetMessagePump([this] { ++calls; }); }
    ~CountingPump() { platform::SetMessagePump(saved); }
};

}  // namespace

TEST(AttachedFile, Base64LinesDecodeIntoTheBodyOnePumpPerLineAndNoWorkFileLeft)
{
    TempHome home;
    TAttachedFiles files;
    TAttachedFile& item = files.AddFile("C:\\in\\report.pdf");
    EXPECT_EQ(item.FileName, "report.pdf");
    EXPECT_EQ(item.PathName, "C:\\in\\report.pdf");
    EXPECT_EQ(item.ContentType, "application/pdf");
    item.EncodedLines = {"SGVsbG8s", "IFdvcmxk", "IQ=="};
    CountingPump pump;
    item.DecodeBase64();
    EXPECT_EQ(pump.calls, 3);
    EXPECT_EQ(item.Body()->Bytes(), "Hello, World!");
    EXPECT_EQ(FilesIn(home.Temp()), 0u);

    // Reading the body rewinds it.
    char c;
    item.Body()->Read(&c, 1);
    EXPECT_EQ(item.Body()->Position(), 0);

    std::string saved = home.Root() + "out.bin";
    item.SaveToFile(saved);
    EXPECT_EQ(platform::ReadBytes(saved), "Hello, World!");
    item.SetBody(nullptr);
    EXPECT_EQ(ErrorOf([&] { item.SaveToFile(saved); }), "AttachedFile.Body = nil");
}

TEST(AttachedFile, UuencodedBlocksAndTheOopsError)
{
    TempHome home;
    TAttachedFiles files;
    TAttachedFile& item = files.AddFile("cat.txt");
    item.EncodedLines = {"begin 644 cat.txt", "#0V%T", "`", "end"};
    item.DecodeUU();
    EXPECT_EQ(item.Body()->Bytes(), "Cat");

    item.EncodedLines = {"begin 644 cat.txt", "#0V%T", "#0V%T"};  // no "end": stops at the last line
    item.DecodeUU();
    EXPECT_EQ(item.Body()->Bytes(), "CatCat");

    item.EncodedLines = {"begin 644 cat.txt"};
    item.DecodeUU();
    EXPECT_EQ(item.Body()->Bytes(), "");

    item.EncodedLines = {"begin 644 cat.txt", "#0V%T", "#0v%T", "end"};
    EXPECT_EQ(ErrorOf([&] { item.DecodeUU(); }), "Oops...");
    EXPECT_EQ(FilesIn(home.Temp()), 0u);
    // The second line is always decoded, even when it reads "end".
    item.EncodedLines = {"begin 644 cat.txt", "end"};
    EXPECT_EQ(ErrorOf([&] { item.DecodeUU(); }), "Oops...");
    EXPECT_EQ(FilesIn(home.Temp()), 0u);
}

TEST(AttachedFile, EncodesAFileIntoLinesAndBody)
{
    TempHome home;
    std::string path = home.Root() + "photo.bin";
    std::string bytes;
    for (int i = 0; i < 3000; ++i) bytes.push_back(char(i * 31));
    platform::WriteBytes(path, bytes);
    TAttachedFiles files;
    TAttachedFile& item = files.AddFile(path);
    CountingPump pump;
    item.EncodeBase64();
    EXPECT_EQ(pump.calls, 4);  // before each of the three blocks and before the final empty read
    EXPECT_EQ(item.Body()->Bytes(), bytes);
    ASSERT_EQ(item.EncodedLines.size(), (3000 * 4 / 3 + 75) / 76);
    for (size_t i = 0; i + 1 < item.EncodedLines.size(); ++i) EXPECT_EQ(item.EncodedLines[i].size(), 76u);
    std::string joined;
    for (const auto& l : item.EncodedLines) joined += l;
    EXPECT_EQ(DecodeBase64Text(joined), bytes);
    EXPECT_EQ(FilesIn(home.Temp()), 0u);

    TAttachedFile& missing = files.AddFile(home.Root() + "nowhere.bin");
    EXPECT_THROW(missing.EncodeBase64(), EInOutError);
    EXPECT_EQ(FilesIn(home.Temp()), 0u);
}

TEST(AttachedFile, AWorkFileThatCannotBeWrittenIsReportedAndRemoved)
{
    TempHome home;
    TAttachedFiles files;
    TAttachedFile& item = files.AddFile("big.bin");
    std::string line(76, 'A');
    item.EncodedLines.assign(4000, line);  // about 230 KB decoded
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
    EXPECT_EQ(FilesIn(home.Temp()), 0u);
}

TEST(AttachedFiles, ItemsInOrderAndBadIndexes)
{
    TAttachedFiles files;
    files.AddFile("a.txt");
    files.AddFile("dir/b.gif");
    ASSERT_EQ(files.Count(), 2);
    EXPECT_EQ(files.Items(1).FileName, "b.gif");
    EXPECT_EQ(files.Items(1).ContentType, "image/gif");
    EXPECT_EQ(ErrorOf([&] { files.Items(2); }), "List index out of bounds (2)");
    EXPECT_EQ(ErrorOf([&] { files.Items(-1); }), "List index out of bounds (-1)");
    files.Delete(0);
    EXPECT_EQ(files[0].FileName, "b.gif");
    files.Clear();
    EXPECT_EQ(files.Count(), 0);
}
