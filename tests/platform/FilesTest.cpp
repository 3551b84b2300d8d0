#include "platform/Exception.h"
#include "platform/Folders.h"
#include "platform/MimeTypes.h"
#include "platform/TextFile.h"
#include "TempHome.h"

#include <gtest/gtest.h>

#include <cstdlib>

TEST(Folders, ProgramFolderFollowsQuillboxHomeAndIsCreated)
{
    TempHome home;
    std::string custom = home.Root() + "portable/copy";
    ::setenv("QUILLBOX_HOME", custom.c_str(), 1);
    EXPECT_EQ(platform::ProgramFolder(), custom + "/");
    EXPECT_TRUE(platform::DirectoryExists(custom));
    ::unsetenv("QUILLBOX_HOME");
    ::setenv("XDG_DATA_HOME", (home.Root() + "xdg").c_str(), 1);
    EXPECT_EQ(platform::ProgramFolder(), home.Root() + "xdg/quillbox/");
    ::unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(platform::TempFolder(), home.Temp());
}

TEST(Folders, MasksAndListing)
{
    EXPECT_TRUE(platform::MatchesMask("a.hdr", "*.*"));
    EXPECT_TRUE(platform::MatchesMask("noext", "*.*"));
    EXPECT_TRUE(platform::MatchesMask("msg10.hdr", "msg*.hdr"));
    EXPECT_FALSE(platform::MatchesMask("msg10.hd", "msg*.hdr"));
    EXPECT_TRUE(platform::MatchesMask("ab", "a?"));
    EXPECT_FALSE(platform::MatchesMask("abc", "a?"));

    TempHome home;
    platform::ForceDirectories(home.Root() + "x/y/z");
    platform::WriteBytes(home.Root() + "x/f", "1");
    auto entries = platform::ListFolder(home.Root() + "x");
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].name, "f");
    EXPECT_FALSE(entries[0].isDirectory);
    EXPECT_EQ(entries[1].name, "y");
    EXPECT_TRUE(entries[1].isDirectory);
    EXPECT_TRUE(platform::ListFolder(home.Root() + "missing").empty());
    EXPECT_TRUE(platform::DeleteFile(home.Root() + "x/f"));
    EXPECT_FALSE(platform::DeleteFile(home.Root() + "x/f"));
}

TEST(Folders, AFolderThatCannotBeCreatedThrowsAnIoErrorNamingIt)
{
    TempHome home;
    // A file in the way fails for every user, root included.
    platform::WriteBytes(home.Home() + "MailBox", "");
    try {
        platform::CreateDir(home.Home() + "MailBox");
        ADD_FAILURE() << "created";
    } catch (const EInOutError& e) {
        EXPECT_NE(std::string(e.what()).find("MailBox"), std::string::npos);
    }
    EXPECT_THROW(platform::ForceDirectories(home.Home() + "MailBox/sub"), EInOutError);
}

TEST(TextFile, LinesAreWrittenWithCrLfAndReadWithAnyLineEnd)
{
    TempHome home;
    std::string path = home.Root() + "acc.dat";
    platform::WriteLines(path, {"Work;  pop.example.net", "", "x"});
    EXPECT_EQ(platform::ReadBytes(path), "Work;  pop.example.net\r\n\r\nx\r\n");
    platform::WriteLines(path, {});
    EXPECT_EQ(platform::ReadBytes(path), "");
    platform::RewriteLines(path, {"x", "y"});
    EXPECT_EQ(platform::ReadBytes(path), "x\r\ny\r\n");
    platform::RewriteLines(path, {"z"});  // truncated, not appended to
    EXPECT_EQ(platform::ReadBytes(path), "z\r\n");
    EXPECT_THROW(platform::RewriteLines(home.Root() + "no/such/folder/f", {"x"}), EInOutError);
    platform::WriteBytes(path, "a\nb\r\nc\rd");
    EXPECT_EQ(platform::ReadLines(path), (std::vector<std::string>{"a", "b", "c", "d"}));
    EXPECT_THROW(platform::ReadLines(home.Root() + "missing"), EInOutError);
    EXPECT_THROW(platform::WriteBytes(home.Root() + "no/such/folder/f", "x"), EInOutError);
}

TEST(TextFile, PiecesWrittenAndLinesReadAcrossTheBuffersEdges)
{
    TempHome home;
    const std::string path = home.Root() + "seen.uid";
    platform::WriteBytes(path, "old\n");
    // Lines of every length from short to longer than a buffer, written in small and big pieces.
    std::vector<std::string> lines;
    for (size_t n = 1; n < 200000; n = n * 3 + 1) lines.push_back(std::string(n, char('a' + lines.size() % 26)));
    {
        platform::TReplacingFile file(path);
        for (const std::string& line : lines) {
            file.Write(line);
            file.Write("\n");
        }
        file.Write("last line without its end");
        EXPECT_EQ(platform::ReadBytes(path), "old\n");  // nothing shows before Commit
        file.Commit();
    }
    lines.push_back("last line without its end");
    std::vector<std::string> read;
    platform::ForEachFileLine(path, [&](std::string_view line) { read.emplace_back(line); });
    EXPECT_EQ(read, lines);
    {
        platform::TReplacingFile dropped(path);
        dropped.Write("never committed");
    }
    read.clear();
    platform::ForEachFileLine(path, [&](std::string_view line) { read.emplace_back(line); });
    EXPECT_EQ(read, lines);
    for (const platform::DirEntry& entry : platform::ListFolder(home.Root()))
        EXPECT_EQ(entry.name.find(".tmp-"), std::string::npos) << entry.name;  // the dropped file's temporary went
    EXPECT_THROW(platform::ForEachFileLine(home.Root() + "missing", [](std::string_view) {}), EInOutError);
}

TEST(MimeTypes, SystemTableWithBuiltInFallback)
{
    TempHome home;
    platform::WriteBytes(home.Root() + "mime.types", "# comment\ntext/x-own  own OWN2\n");
    platform::SetMimeTypesFile(home.Root() + "mime.types");
    EXPECT_EQ(platform::MimeTypeOfExtension(".own"), "text/x-own");
    EXPECT_EQ(platform::MimeTypeOfExtension(".OWN2"), "text/x-own");
    EXPECT_EQ(platform::MimeTypeOfExtension(".JPG"), "image/jpeg");  // built in
    EXPECT_EQ(platform::MimeTypeOfExtension(".nothing-like-it"), "");
    EXPECT_EQ(platform::MimeTypeOfExtension("txt"), "");
    platform::SetMimeTypesFile("");
}
