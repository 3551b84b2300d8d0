#include "retrieval/VemMIME.h"
#include "retrieval/vem_util.h"

#include "platform/MimeTypes.h"
#include "platform/TextFile.h"
#include "TempHome.h"

#include <gtest/gtest.h>

#include <random>

namespace {

// A target that refuses every write, like a full disk.
class FailingStream : public TMemoryStream {
public:
    int64_t Write(const void*, int64_t) override { throw EInOutError("disk full"); }
};

std::string DecodeInPieces(const std::vector<std::string>& pieces, std::vector<int64_t>* counts = nullptr)
{
    TMemoryStream out;
    TBase64DecodingStream decoder(out);
    for (const auto& p : pieces) {
        int64_t n = decoder.Write(p.data(), int64_t(p.size()));
        if (counts) counts->push_back(n);
    }
    return out.Bytes();
}

std::string EncodeInPieces(const std::vector<std::string>& pieces)
{
    TMemoryStream out;
    {
        TBase64EncodingStream encoder(out);
        for (const auto& p : pieces) EXPECT_EQ(encoder.Write(p.data(), int64_t(p.size())), int64_t(p.size()));
    }
    return out.Bytes();
}

template <typename F>
std::string ErrorOf(F&& f)
{
    try {
        f();
    } catch (const Exception& e) {
        return e.Message();
    }
    return "(no exception)";
}

// Straightforward uuencoding of one line, to feed the decoder.
std::string UULine(const std::string& bytes)
{
    std::string line(1, char(32 + bytes.size()));
    std::string padded = bytes + std::string((3 - bytes.size() % 3) % 3, '\0');
    for (size_t i = 0; i < padded.size(); i += 3) {
        unsigned v = (unsigned char)padded[i] << 16 | (unsigned char)padded[i + 1] << 8 | (unsigned char)padded[i + 2];
        for (int s = 18; s >= 0; s -= 6) {
            unsigned c = (v >> s) & 63;
            line.push_back(c == 0 ? '`' : char(32 + c));
        }
    }
    return line;
}

}  // namespace

TEST(Base64Decoding, LinesOfAnyLengthDecodeLikeTheJoinedText)
{
    std::string joined = "SGVsbG8sIFdvcmxkISBCYXNlNjQgbGluZXM=";
    EXPECT_EQ(DecodeBase64Text(joined), "Hello, World! Base64 lines");
    EXPECT_EQ(DecodeInPieces({"SGVsb", "G8sIFdv\r\n", "cmxkISBC", "YX", "NlNjQgbGluZXM="}), "Hello, World! Base64 lines");
    // The characters of a group split across writes are used exactly once.
    std::vector<int64_t> counts;
    EXPECT_EQ(DecodeInPieces({"QU", "JD", "RA=="}, &counts), "ABCD");
    EXPECT_EQ(counts, (std::vector<int64_t>{0, 3, 1}));
}

TEST(Base64Decoding, PaddingAndTextsJoinedAfterPadding)
{
    EXPECT_EQ(DecodeBase64Text("QUI="), "AB");
    EXPECT_EQ(DecodeBase64Text("QQ=="), "A");
    EXPECT_EQ(DecodeBase64Text("=AAA"), "");
    EXPECT_EQ(DecodeBase64Text("QQ==QUJD"), "AABC");
    EXPECT_EQ(DecodeBase64Text("QUJDRA"), "ABC");  // an incomplete group waits, and is dropped here
}

TEST(Base64Decoding, ForeignCharactersSpoilTheirGroupInsteadOfBeingSkipped)
{
    // "QU I": the blank counts 99, so the group gives three bytes computed with it.
    EXPECT_EQ(DecodeBase64Text("QU I"), std::string("AX\xC8", 3));
    // ... and shifts the groups after it: "=RA=" starts with padding and gives nothing.
    EXPECT_EQ(DecodeBase64Text("QU I=RA=="), std::string("AX\xC8", 3));
    EXPECT_NE(DecodeBase64Text("QU*JD"), "ABC");
    EXPECT_EQ(DecodeBase64Text("QUJD\r\nRA==\n"), "ABCD");  // line breaks alone are skipped
}

TEST(Base64Decoding, StreamRefusesReadAndSeekAndSurvivesAFailingTarget)
{
    TMemoryStream out;
    TBase64DecodingStream decoder(out);
    char buffer[4];
    EXPECT_EQ(ErrorOf([&] { decoder.Read(buffer, 4); }), "Invalid stream operation");
    EXPECT_EQ(ErrorOf([&] { decoder.Seek(0, soCurrent); }), "Invalid stream operation");
    EXPECT_THROW(decoder.Read(buffer, 4), EStreamError);

    FailingStream full;
    TBase64DecodingStream broken(full);
    EXPECT_EQ(broken.Write("QUJD", 4), 0);
    EXPECT_TRUE(broken.TargetFailed());
    EXPECT_EQ(broken.TargetError(), "disk full");
}

TEST(Base64Encoding, LinesOf76CharactersAndTheFlushAtTheEnd)
{
    std::string bytes(58, 'x');
    std::string text = EncodeInPieces({bytes});
    ASSERT_EQ(text.size(), 76u + 2 + 4);
    EXPECT_EQ(text.substr(76, 2), "\r\n");
    EXPECT_EQ(text.substr(78), "eA==");
    EXPECT_EQ(EncodeInPieces({std::string(57, 'x')}).substr(76), "\r\n");  // a full line ends with CR LF
    EXPECT_EQ(EncodeInPieces({"A"}), "QQ==");
    EXPECT_EQ(EncodeInPieces({"AB"}), "QUI=");
    EXPECT_EQ(EncodeInPieces({"A", "BC", "D"}), "QUJDRA==");
    EXPECT_EQ(EncodeInPieces({}), "");
}

TEST(Base64Encoding, SeekOnlyAnswersPositionQueries)
{
    TMemoryStream out;
    TBase64EncodingStream encoder(out);
    encoder.Write("ABCDEF", 6);
    EXPECT_EQ(encoder.TotalInput(), 6);
    EXPECT_EQ(encoder.Seek(0, soCurrent), 8);
    EXPECT_EQ(encoder.Seek(0, soEnd), 8);
    EXPECT_EQ(encoder.Seek(8, soBeginning), 8);
    EXPECT_EQ(ErrorOf([&] { encoder.Seek(1, soCurrent); }), "Invalid stream operation");
    EXPECT_EQ(ErrorOf([&] { encoder.Seek(0, soBeginning); }), "Invalid stream operation");
    char buffer[2];
    EXPECT_EQ(ErrorOf([&] { encoder.Read(buffer, 2); }), "Invalid stream operation");

    FailingStream full;
    TBase64EncodingStream broken(full);
    EXPECT_EQ(broken.Write("ABC", 3), 0);
    EXPECT_TRUE(broken.TargetFailed());
    EXPECT_EQ(broken.Seek(0, soCurrent), 0);  // the character count starts again
}

TEST(Base64Encoding, RoundTripsAnyBytesInAnyPieces)
{
    std::mt19937 random(7);
    for (size_t size : {0u, 1u, 2u, 3u, 56u, 57u, 58u, 1000u, 4099u}) {
        std::string bytes(size, '\0');
        for (char& c : bytes) c = char(random());
        std::vector<std::string> pieces;
        for (size_t at = 0; at < size;) {
            size_t n = std::min<size_t>(size - at, random() % 70 + 1);
            pieces.push_back(bytes.substr(at, n));
            at += n;
        }
        std::string text = EncodeInPieces(pieces);
        for (const std::string& line : platform::SplitLines(text)) EXPECT_LE(line.size(), 76u);
        EXPECT_EQ(text.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/=\r\n"), std::string::npos);
        EXPECT_EQ(DecodeBase64Text(text), bytes) << "size " << size;
        std::string flat;
        for (char c : text)
            if (c != '\r' && c != '\n') flat.push_back(c);
        EXPECT_EQ(EncodeBase64Text(bytes), flat);
    }
}

TEST(QuotedPrintable, UnderscoresEscapesAndSoftBreaks)
{
    EXPECT_EQ(DecodeQuotedPrintable("a_b"), "a b");
    EXPECT_EQ(DecodeQuotedPrintable("caf=E9 caf=e9"), "caf\xE9 caf\xE9");
    EXPECT_EQ(DecodeQuotedPrintable("x=ZZy=G1z"), "x@y@z");
    EXPECT_EQ(DecodeQuotedPrintable("soft=\r\nbreak\r\n"), "softbreak\r\n");
    EXPECT_EQ(DecodeQuotedPrintable("end="), "end");
    EXPECT_EQ(DecodeQuotedPrintable("end=4"), "end");
    EXPECT_EQ(DecodeQuotedPrintable("cut=4 after"), "cut@after");
    EXPECT_EQ(DecodeQuotedPrintable("a=\r"), "a");
    EXPECT_EQ(DecodeQuotedPrintable("=3D=00"), std::string("=\0", 2));
}

TEST(HeaderWords, QAndBWordsUnknownLettersAndBrokenWords)
{
    EXPECT_EQ(DecodeHeaderWords("plain text"), "plain text");
    EXPECT_EQ(DecodeHeaderWords("=?iso-8859-1?Q?Caf=E9_cr=E8me?="), "Caf\xE9 cr\xE8me");
    EXPECT_EQ(DecodeHeaderWords("=?UTF-8?b?SGVsbG8=?= world"), "Hello world");
    EXPECT_EQ(DecodeHeaderWords("=?a?Q?x?= =?a?q?y?="), "x y");  // the blank between words stays
    EXPECT_EQ(DecodeHeaderWords("pre =?x?X?abc?= post"), "pre  post");
    EXPECT_EQ(DecodeHeaderWords("a =?x?Q?abc"), "a =?x?Q?abc");
    EXPECT_EQ(DecodeHeaderWords("=?x?Q?a?= and =?broken"), "a and =?broken");
    EXPECT_EQ(DecodeHeaderWords("=?x"), "=?x");
    EXPECT_EQ(DecodeHeaderWords("=?x?"), "=?x?");
    EXPECT_EQ(DecodeHeaderWords("=?x?Q?" "?="), "");
    // Decoded text is shown as it is, never decoded a second time.
    EXPECT_EQ(DecodeHeaderWords("=?x?Q?=3D=3Fx=3FQ=3Fabc=3F=3D?="), "=?x?Q?abc?=");
}

TEST(UUDecoding, LineLengthsTheGraveAccentAndForeignCharacters)
{
    std::string bytes45;
    for (int i = 0; i < 45; ++i) bytes45.push_back(char(i * 7 + 3));
    std::string full = UULine(bytes45);
    ASSERT_EQ(full[0], 'M');
    ASSERT_EQ(full.size(), 61u);
    std::string out;
    DecodeUULine(full, out);
    EXPECT_EQ(out, bytes45);

    out.clear();
    DecodeUULine("#0V%T", out);
    EXPECT_EQ(out, "Cat");
    DecodeUULine("`", out);
    DecodeUULine("", out);
    EXPECT_EQ(out, "Cat");

    // A line cut short carries zeros for what is missing; it is never read beyond its end.
    out.clear();
    DecodeUULine(full.substr(0, 20), out);
    ASSERT_EQ(out.size(), 45u);
    EXPECT_EQ(out.substr(0, 12), bytes45.substr(0, 12));
    EXPECT_EQ(out.substr(15), std::string(30, '\0'));

    EXPECT_EQ(ErrorOf([&] { DecodeUULine("#0v%T", out); }), "Oops...");
    EXPECT_THROW(DecodeUULine("#0V%T\x7f", out), EUUDecodeError);  // only the carried characters count
    EXPECT_FALSE(IsUULine("M abc"));
    EXPECT_TRUE(IsUULine(full));
}

TEST(MimeTypeOfFile, RegisteredExtensionsAndTheFallback)
{
    TempHome home;
    std::string table = home.Root() + "mime.types";
    platform::WriteBytes(table, "text/plain txt\nimage/png png\n");
    platform::SetMimeTypesFile(table);
    EXPECT_EQ(GetMimeTypeOfFile("notes.TXT"), "text/plain");
    EXPECT_EQ(GetMimeTypeOfFile("C:\\pics\\a.png"), "image/png");
    EXPECT_EQ(GetMimeTypeOfFile("archive.unknownext"), "application/octet-stream");
    EXPECT_EQ(GetMimeTypeOfFile("README"), "application/octet-stream");
    EXPECT_EQ(GetMimeTypeOfFile("dir.txt/README"), "application/octet-stream");
    platform::SetMimeTypesFile("");
}
