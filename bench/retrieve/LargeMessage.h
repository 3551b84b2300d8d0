#pragma once
// A message as a mail program sends a big file: header, a short text part, and the file as a
// base64 attachment of random bytes. Lines end in CR LF.
#include <cstddef>
#include <string>

struct LargeMessage {
    std::string text;             // the whole message
    std::size_t attachmentBytes;  // decoded size of the attachment
};

// About `totalBytes` long (within one base64 line).
LargeMessage MakeLargeMessage(std::size_t totalBytes);
