#include "LargeMessage.h"

#include "retrieval/VemMIME.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>

namespace {

constexpr std::size_t kLineChars = 76;                       // base64 characters per line
constexpr std::size_t kBytesPerLine = kLineChars / 4 * 3;    // 57 decoded bytes
constexpr std::size_t kOctetsPerLine = kLineChars + 2;       // with CR LF

const char kHead[] =
    "Return-Path: <sender@example.com>\r\n"
    "Received: from mx.example.com by pop.example.com; Tue, 8 Dec 2026 10:00:00 +0000\r\n"
    "From: Sender <sender@example.com>\r\n"
    "To: bench@example.com\r\n"
    "Subject: The measurements you asked for\r\n"
    "Date: Tue, 8 Dec 2026 10:00:00 +0000\r\n"
    "Message-ID: <large@example.com>\r\n"
    "MIME-Version: 1.0\r\n"
    "Content-Type: multipart/mixed; boundary=\"=_bench_boundary\"\r\n"
    "\r\n"
    "This is a multi-part message in MIME format.\r\n"
    "\r\n"
    "--=_bench_boundary\r\n"
    "Content-Type: text/plain; charset=us-ascii\r\n"
    "Content-Transfer-Encoding: 7bit\r\n"
    "\r\n";

const char kParagraph[] =
    "Hello,\r\n"
    "\r\n"
    "attached are the raw measurements of last week's runs, as promised. The file holds\r\n"
    "every sample of every sensor; the summary sheet follows once we have checked the\r\n"
    "outliers. Tell me if anything is missing.\r\n"
    "\r\n";

const char kAttachmentHead[] =
    "--=_bench_boundary\r\n"
    "Content-Type: application/octet-stream; name=\"measurements.bin\"\r\n"
    "Content-Transfer-Encoding: base64\r\n"
    "Content-Disposition: attachment; filename=\"measurements.bin\"\r\n"
    "\r\n";

const char kTail[] = "--=_bench_boundary--\r\n";

std::string RandomBytes(std::size_t count)
{
    std::mt19937_64 random(42);
    std::string bytes(count, '\0');
    for (std::size_t at = 0; at < count; at += 8) {
        const uint64_t word = random();
        std::memcpy(bytes.data() + at, &word, std::min<std::size_t>(8, count - at));
    }
    return bytes;
}

}  // namespace

LargeMessage MakeLargeMessage(std::size_t totalBytes)
{
    std::string text = kHead;
    for (int n = 0; n < 3; ++n) text += kParagraph;
    text += "Regards,\r\nSender\r\n\r\n";
    text += kAttachmentHead;
    const std::size_t fixed = text.size() + std::strlen(kTail);
    const std::size_t lines = totalBytes > fixed ? (totalBytes - fixed) / kOctetsPerLine : 1;
    const std::size_t attachmentBytes = lines * kBytesPerLine;
    const std::string encoded = EncodeBase64Text(RandomBytes(attachmentBytes));
    text.reserve(fixed + lines * kOctetsPerLine);
    for (std::size_t at = 0; at < encoded.size(); at += kLineChars) {
        text.append(encoded, at, kLineChars);
        text += "\r\n";
    }
    text += kTail;
    return {std::move(text), attachmentBytes};
}
