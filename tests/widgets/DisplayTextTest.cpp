// Mail text as the list, the message window and the rules show it: encoded header words,
// charsets, and the one fallback for bytes without a charset.
#include "widgets/Charsets.h"
#include "widgets/DisplayText.h"
#include "widgets/QtText.h"

#include <QStringDecoder>

#include <gtest/gtest.h>

namespace {
QString U(const char* utf8) { return QString::fromUtf8(utf8); }
}  // namespace

TEST(DisplayHeaderText, EncodedWordsDecodeInTheirCharsets)
{
    EXPECT_EQ(DisplayHeaderText(" =?ISO-8859-1?Q?J=F6rg_M=FCller?="), U("Jörg Müller"));
    EXPECT_EQ(DisplayHeaderText("=?UTF-8?B?R3LDvMOfZSBhdXMgQmVybGlu?="), U("Grüße aus Berlin"));
    EXPECT_EQ(DisplayHeaderText("=?utf-8?b?R3LDvMOfZQ?="), U("Grüße"));  // padding left off
    EXPECT_EQ(DisplayHeaderText("=?koi8-r?B?8NLJ18XU?="), U("Привет"));
    EXPECT_EQ(DisplayHeaderText("=?Shift_JIS?B?k/qWe4zq?="), U("日本語"));
    EXPECT_EQ(DisplayHeaderText("=?ISO-2022-JP?B?GyRCRnxLXDhsGyhC?="), U("日本語"));
    EXPECT_EQ(DisplayHeaderText("=?gb2312?B?1tDOxA==?="), U("中文"));
    EXPECT_EQ(DisplayHeaderText("=?gb2312?B?hYA=?="), U("厐"));  // a GBK character under the GB2312 label
    EXPECT_EQ(DisplayHeaderText("=?big5?B?pKSk5Q==?="), U("中文"));
    EXPECT_EQ(DisplayHeaderText("=?euc-kr?B?x9Gxub7u?="), U("한국어"));
    EXPECT_EQ(DisplayHeaderText("=?windows-1250?Q?=8Ailer?="), U("Šiler"));
    EXPECT_EQ(DisplayHeaderText("=?UTF-8*en?Q?caf=C3=A9?="), U("café"));
    EXPECT_EQ(DisplayHeaderText("=?iso-8859-1?q?=80_=93hi=94?="), U("€ “hi”"));  // read as Windows-1252
}

TEST(DisplayHeaderText, BlanksBetweenEncodedWordsGoAndBlanksNextToPlainTextStay)
{
    EXPECT_EQ(DisplayHeaderText("=?ISO-8859-1?Q?J=F6rg?= =?ISO-8859-1?Q?_M=FCller?="), U("Jörg Müller"));
    EXPECT_EQ(DisplayHeaderText("=?utf-8?q?a?=\r\n\t=?utf-8?q?b?=  =?UTF-8?Q?c?="), U("abc"));
    EXPECT_EQ(DisplayHeaderText("=?utf-8?q?a?==?koi8-r?q?=F0?="), U("aП"));
    // A character split across two words joins up again.
    EXPECT_EQ(DisplayHeaderText("=?utf-8?B?R3LD?= =?utf-8?B?vA==?="), U("Grü"));
    EXPECT_EQ(DisplayHeaderText("Re: =?utf-8?q?Gr=C3=BC=C3=9Fe?= aus  Berlin"), U("Re: Grüße aus  Berlin"));
    EXPECT_EQ(DisplayHeaderText("\"=?utf-8?q?M=C3=BCller?=, Anna\" <a@example.com>"), U("\"Müller, Anna\" <a@example.com>"));
    EXPECT_EQ(DisplayHeaderText("x=?utf-8?q?y?=z"), U("xyz"));
    EXPECT_EQ(DisplayHeaderText("=?utf-8?q?a?= b =?utf-8?q?c?="), U("a b c"));
}

TEST(DisplayHeaderText, UnknownCharsetsAndBrokenWordsNeverFail)
{
    // Unknown charset: the fallback rule, Windows-1252 unless the bytes are UTF-8.
    EXPECT_EQ(DisplayHeaderText("=?x-unknown?Q?Ren=E9_=93?="), U("René “"));
    EXPECT_EQ(DisplayHeaderText("=?x-unknown?Q?Ren=C3=A9?="), U("René"));
    // Broken words stand as written.
    for (const char* broken : {"=?utf-8?B?!!!!?=", "=?utf-8?B?QUJDRA=?=", "=?utf-8?B?QUJDR?=", "=?utf-8?Q?no end",
                               "=?utf-8?X?abc?=", "=?utf-8?Q?a b?=", "=??Q?abc?=", "=?utf-8?Q", "=?", "a =?= b"})
        EXPECT_EQ(DisplayHeaderText(broken), U(broken)) << broken;
    EXPECT_EQ(DisplayHeaderText("=?utf-8?B?!!!!?= =?utf-8?Q?ok?="), U("=?utf-8?B?!!!!?= ok"));
    EXPECT_EQ(DisplayHeaderText("=?utf-8?Q?100=ZZ_=3d=?="), U("100=ZZ =="));  // a bad escape stays
    EXPECT_EQ(DisplayHeaderText("=?utf-8?B?/w==?="), U("\xEF\xBF\xBD"));     // invalid UTF-8: U+FFFD
}

TEST(DisplayHeaderText, RawTextUnfoldsToOneLineWithoutControlCharacters)
{
    EXPECT_EQ(DisplayHeaderText("Gr\xc3\xbc\xc3\x9f" "e"), U("Grüße"));
    EXPECT_EQ(DisplayHeaderText("J\xf6rg \x93M\xfcller\x94"), U("Jörg “Müller”"));
    EXPECT_EQ(DisplayHeaderText(" A long\r\n subject\r\n\tline  "), U("A long subject line"));
    EXPECT_EQ(DisplayHeaderText("one\r\ntwo\nthree\rfour"), U("one two three four"));
    EXPECT_EQ(DisplayHeaderText(std::string("a\0b\x1b[31mc\x7f" "d\x81" "e", 13)), U("ab[31mcde"));
    EXPECT_EQ(DisplayHeaderText("=?utf-8?q?a=0Ab=00c=C2=85d?=\xe2\x80\xa8" "e"), U("a bcd e"));
    EXPECT_EQ(DisplayHeaderText(""), QString());
    // Shown as it stands: the same cleaning, no decoding.
    EXPECT_EQ(DisplayPlainText(" =?utf-8?q?a?=\r\n b\x01 "), U("=?utf-8?q?a?= b"));
}

TEST(DisplayBodyText, BodiesDecodeInThePartsCharsetOrByTheFallback)
{
    EXPECT_EQ(DisplayBodyText(std::string_view("Preis: 10 \xa4"), "ISO-8859-15"), U("Preis: 10 €"));
    EXPECT_EQ(DisplayBodyText(std::string_view("Preis: 10 \xa4"), "iso-8859-1"), U("Preis: 10 ¤"));
    EXPECT_EQ(DisplayBodyText(std::string_view("\xe2\x82\xac 10"), "UTF-8"), U("€ 10"));
    EXPECT_EQ(DisplayBodyText(std::string_view("\xef\xbb\xbf" "BOM"), "utf-8"), U("BOM"));
    EXPECT_EQ(DisplayBodyText(std::string_view("\xe2\x82\xac \x80"), ""), U("â‚¬ €"));  // not UTF-8 as a whole
    EXPECT_EQ(DisplayBodyText(std::string_view("\xe2\x82\xac"), ""), U("€"));
    EXPECT_EQ(DisplayBodyText(std::string_view("\xe2\x82\xac"), "x-klingon"), U("€"));
    EXPECT_EQ(DisplayBodyText(std::string_view("\x80"), "us-ascii"), U("€"));
    EXPECT_EQ(DisplayBodyText(std::string_view("a\r\nb\rc\nd\r\n\r\n\te\x0c\x1b" "f"), ""), U("a\nb\nc\nd\n\n\tef"));
    StringList lines{"Gr\xfc\xdf" "e,", "", "J\xf6rg\r"};
    EXPECT_EQ(DisplayBodyText(lines, "windows-1252"), U("Grüße,\n\nJörg\n"));
    EXPECT_EQ(DisplayBodyText(StringList{}, "utf-8"), QString());
}

TEST(Charsets, TheFallbackTableIsWindows1252AsQtConvertsIt)
{
    QStringDecoder qt("windows-1252");
    ASSERT_TRUE(qt.isValid());
    std::string all;
    for (int b = 0; b < 256; ++b) all += char(b);
    EXPECT_EQ(DecodeWindows1252(all), qt.decode(QByteArrayView(all.data(), qsizetype(all.size()))));
    EXPECT_EQ(DecodeWindows1252("\x81\x8d\x8f\x90\x9d"), QString::fromUtf16(u"\u0081\u008d\u008f\u0090\u009d"));
    EXPECT_EQ(DecodeCharset("\xe9", " \"ISO-8859-1\" "), U("é"));
}

TEST(QtText, BytesThatAreNotUtf8ShowAsWindows1252)
{
    EXPECT_EQ(ToQ("\x93" "Gr\xfc\xdf" "e\x94 \x80"), U("“Grüße” €"));
    EXPECT_EQ(ToQ("\xc3\xa9"), U("é"));
    EXPECT_EQ(FromQ(ToQ("\x93")), "\xe2\x80\x9c");
}
