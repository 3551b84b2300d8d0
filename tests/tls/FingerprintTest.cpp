// The stored fingerprint form and how pins compare; the library version for the About box.
#include "tls/Fingerprint.h"
#include "tls/OpenSslVersion.h"

#include <gtest/gtest.h>

namespace {

const std::string Upper = "A7:85:C2:BD:2C:64:05:2F:E1:26:E3:B2:3D:9C:0C:17:E9:93:7B:5A:B3:F5:6F:2D:91:84:CD:7D:18:A1:03:86";
const std::string Lower = "a785c2bd2c64052fe126e3b23d9c0c17e9937b5ab3f56f2d9184cd7d18a10386";

}  // namespace

TEST(Fingerprint, IsWrittenAsUpperCaseHexPairsJoinedByColons)
{
    const unsigned char digest[] = {0x00, 0xAB, 0x0F, 0xF0};
    EXPECT_EQ(tls::FormatFingerprint(digest, sizeof digest), "00:AB:0F:F0");
    EXPECT_EQ(tls::FormatFingerprint(digest, 0), "");
}

TEST(Fingerprint, PinsCompareInAnyCaseWithOrWithoutSeparators)
{
    EXPECT_EQ(tls::NormalizedFingerprint(Upper), Lower);
    EXPECT_EQ(tls::NormalizedFingerprint(Lower), Lower);
    EXPECT_EQ(tls::NormalizedFingerprint(" a7 85 C2:bd" + Lower.substr(8) + "\r\n"), Lower);
    EXPECT_TRUE(tls::FingerprintsMatch(Lower, Upper));

    // Anything that is not exactly 32 bytes of hex is no pin at all.
    for (const std::string& malformed : {std::string(), std::string(":::"), Lower.substr(1), Lower + "0",
                                         "g" + Lower.substr(1), Lower.substr(0, 62) + "-6", Lower + Lower}) {
        SCOPED_TRACE(malformed);
        EXPECT_EQ(tls::NormalizedFingerprint(malformed), "");
        EXPECT_FALSE(tls::FingerprintsMatch(malformed, malformed));
    }
    EXPECT_FALSE(tls::FingerprintsMatch(Lower, Lower.substr(0, 63) + "7"));
}

TEST(OpenSslVersion, NamesTheLibraryInUse)
{
    EXPECT_EQ(tls::OpenSslVersion().rfind("OpenSSL 3.", 0), 0u) << tls::OpenSslVersion();
}
