#pragma once
// MIME type of a file name by its extension, from the system's table (/etc/mime.types) with a
// small built-in table for when it is missing.
#include <string>

namespace platform {
// The extension is given with its dot (".txt") in any letter case; empty when unknown.
std::string MimeTypeOfExtension(const std::string& extension);
// Reads another table instead of /etc/mime.types (for tests); an empty path restores it.
void SetMimeTypesFile(const std::string& path);
}  // namespace platform
