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

template <typename Codec>
std::string ThroughStream(const std::vector<std::string>& pieces)
{
    TMemoryStream out;
    {
        Codec codec(out);
        for (const auto& p : pieces) codec.Write(p.data(), int64_t(p.size()));
    }
    return out.Bytes();
}

std::string ErrorOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const Exception& e) {
        return e.Message();
    }
    return "(no exception)";
}

}  // namespace

TEST(Base64Decoding, GroupsPaddingAndForeignCharacters)
{
    // Lines of any length decode like the joined text; a group split across writes is used once.
    EXPECT_EQ(ThroughStream<TBase64DecodingStream>({"SGVsb", "G8sIFdv\r\n", "cmxkIQ", "=="}), "Hello, World!");
    TMemoryStream out;
    TBase64DecodingStream decoder(out);
    EXPECT_EQ(decoder.Write("QU", 2), 0);
    EXPECT_EQ(decoder.Write("JD", 2), 3);
    EXPECT_EQ(out.Bytes(), "ABC");

    EXPECT_EQ(DecodeBase64Text("QUI="), "AB");
    EXPECT_EQ(DecodeBase64Text("QQ=="), "A");
    EXPECT_EQ(DecodeBase64Text("QQ==QUJD"), "AABC");  // texts joined after padding decode in turn
    // Characters outside the alphabet are skipped wherever they stand, and spoil nothing.
    EXPECT_EQ(DecodeBase64Text("QU I"), "AB");
    EXPECT_EQ(DecodeBase64Text("Q*U\tI=\x80[RA]=="), "ABD");
    EXPECT_EQ(DecodeBase64Text(EncodeBase64Text(std::string(300, '\xFF')) + " *"), std::string(300, '\xFF'));
    // A final group without its "=" keeps the bytes it holds; a lone character holds none.
    EXPECT_EQ(DecodeBase64Text("QUJDRA"), "ABCD");
    EXPECT_EQ(DecodeBase64Text("QUJDREU"), "ABCDE");
    EXPECT_EQ(DecodeBase64Text("QUJDR"), "ABC");
    EXPECT_EQ(DecodeBase64Text("QQ="), "A");
    EXPECT_EQ(ThroughStream<TBase64DecodingStream>({"QUJ", "DRA"}), "ABCD");  // finished when destroyed
    TMemoryStream finished;
    TBase64DecodingStream stream(finished);
    stream.Write("QUJDRE", 6);
    stream.Write("\r\nU", 3);
    EXPECT_EQ(stream.Finish(), 2);
    EXPECT_EQ(stream.Finish(), 0);  // only once
    EXPECT_EQ(finished.Bytes(), "ABCDE");
}

TEST(Base64Encoding, LinesOf76CharactersAndTheFlush)
{
    std::string text = ThroughStream<TBase64EncodingStream>({std::string(58, 'x')});
    EXPECT_EQ(text.substr(76), "\r\neA==");
    EXPECT_EQ(ThroughStream<TBase64EncodingStream>({std::string(57, 'x')}).substr(76), "\r\n");
    EXPECT_EQ(ThroughStream<TBase64EncodingStream>({"A"}), "QQ==");
    EXPECT_EQ(ThroughStream<TBase64EncodingStream>({"A", "BC", "D"}), "QUJDRA==");

    std::mt19937 random(7);
    for (size_t size : {1u, 2u, 3u, 57u, 1000u, 4099u}) {
        std::string bytes(size, '\0');
        for (char& c : bytes) c = char(random());
        std::vector<std::string> pieces;
        for (size_t at = 0; at < size; at += 13) pieces.push_back(bytes.substr(at, 13));
        std::string encoded = ThroughStream<TBase64EncodingStream>(pieces);
        for (const std::string& line : platform::SplitLines(encoded)) EXPECT_LE(line.size(), 76u);
        EXPECT_EQ(DecodeBase64Text(encoded), bytes) << size;
    }
}

TEST(Base64Streams, InvalidOperationsAndFailingTargets)
{
    TMemoryStream out;
    TBase64DecodingStream decoder(out);
    TBase64EncodingStream encoder(out);
    char buffer[4];
    for (TStream* s : {static_cast<TStream*>(&decoder), static_cast<TStream*>(&encoder)})
        EXPECT_EQ(ErrorOf([&] { s->Read(buffer, 4); }), "Invalid stream operation");
    EXPECT_THROW(decoder.Seek(0, soCurrent), EStreamError);
    encoder.Write("ABCDEF", 6);
    EXPECT_EQ(encoder.Seek(0, soCurrent), 8);  // only position queries are answered
    EXPECT_EQ(encoder.Seek(8, soBeginning), 8);
    EXPECT_THROW(encoder.Seek(1, soCurrent), EStreamError);

    FailingStream full;
    TBase64DecodingStream brokenDecoder(full);
    EXPECT_EQ(brokenDecoder.Write("QUJD", 4), 0);
    EXPECT_EQ(brokenDecoder.TargetError(), "disk full");
    TBase64EncodingStream brokenEncoder(full);
    EXPECT_EQ(brokenEncoder.Write("ABC", 3), 0);
    EXPECT_EQ(brokenEncoder.Seek(0, soCurrent), 0);
}

TEST(QuotedPrintable, UnderscoresEscapesAndSoftBreaks)
{
    // "_" is a blank in Q-encoded header words only; in bodies it is data.
    EXPECT_EQ(DecodeQuotedPrintable("a_b caf=E9 caf=e9 =5F"), "a_b caf\xE9 caf\xE9 _");
    EXPECT_EQ(DecodeQEncodedWord("a_b caf=E9 caf=e9 =5F"), "a b caf\xE9 caf\xE9 _");
    EXPECT_EQ(DecodeQuotedPrintable("x=ZZy=G1z"), "x@y@z");
    EXPECT_EQ(DecodeQuotedPrintable("soft=\r\nbreak\r\n"), "softbreak\r\n");
    EXPECT_EQ(DecodeQuotedPrintable("end=4"), "end");
    EXPECT_EQ(DecodeQuotedPrintable("a=\r"), "a");
}

TEST(HeaderWords, QAndBWordsUnknownLettersAndBrokenWords)
{
    EXPECT_EQ(DecodeHeaderWords("=?iso-8859-1?Q?Caf=E9_cr=E8me?="), "Caf\xE9 cr\xE8me");
    EXPECT_EQ(DecodeHeaderWords("=?a?q?x?= =?UTF-8?b?SGVsbG8=?= world"), "x Hello world");
    EXPECT_EQ(DecodeHeaderWords("pre =?x?X?abc?= post"), "pre  post");
    EXPECT_EQ(DecodeHeaderWords("=?x?Q?a?= and =?broken"), "a and =?broken");
    EXPECT_EQ(DecodeHeaderWords("=?x?"), "=?x?");
    // Decoded text is shown as it is, never decoded a second time.
    EXPECT_EQ(DecodeHeaderWords("=?x?Q?=3D=3Fx=3FQ=3Fabc=3F=3D?="), "=?x?Q?abc?=");
}

TEST(UUDecoding, LineLengthsTheGraveAccentAndForeignCharacters)
{
    // "M" carries 45 bytes from 60 characters: each "!" is 000001.
    std::string out, expected;
    DecodeUULine("M" + std::string(60, '!'), out);
    for (int i = 0; i < 15; ++i) expected += "\x04\x10\x41";
    EXPECT_EQ(out, expected);
    out.clear();
    DecodeUULine("#0V%T", out);
    DecodeUULine("`", out);
    DecodeUULine("", out);
    EXPECT_EQ(out, "Cat");
    // A line cut short carries zeros for what is missing and is never read beyond its end.
    out.clear();
    DecodeUULine("M0V%T", out);
    EXPECT_EQ(out, "Cat" + std::string(42, '\0'));
    EXPECT_EQ(ErrorOf([&] { DecodeUULine("#0v%T", out); }), "Oops...");
    EXPECT_TRUE(IsUULine("M" + std::string(60, '!') + "lower case past the 60th character is not decoded"));
}

TEST(MimeTypeOfFile, RegisteredExtensionsAndTheFallback)
{
    TempHome home;
    platform::WriteBytes(home.Root() + "mime.types", "text/plain txt\nimage/png png\n");
    platform::SetMimeTypesFile(home.Root() + "mime.types");
    EXPECT_EQ(GetMimeTypeOfFile("notes.TXT"), "text/plain");
    EXPECT_EQ(GetMimeTypeOfFile("C:\\pics\\a.png"), "image/png");
    EXPECT_EQ(GetMimeTypeOfFile("archive.unknownext"), "application/octet-stream");
    EXPECT_EQ(GetMimeTypeOfFile("dir.txt/README"), "application/octet-stream");
    platform::SetMimeTypesFile("");
}
