#pragma once
// Whole-file reads and writes. Writes go to a temporary file that replaces the target only when
// complete, so a failure never leaves a half-written file behind.
#include <string>
#include <vector>

namespace platform {

// Lines of a text file; a line ends at LF, CR LF or CR. Throws EInOutError.
std::vector<std::string> ReadLines(const std::string& path);
// Every line followed by CR LF (or LF), the last one included; an empty list gives an empty file.
void WriteLines(const std::string& path, const std::vector<std::string>& lines, bool crlf = true);
// Writes the lines into the file itself (created or truncated), without a temporary file: for
// files that are cheap to lose and written in great numbers, such as the saved message headers.
void RewriteLines(const std::string& path, const std::vector<std::string>& lines);
std::string ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::string& bytes);
// Splits text at CR LF, CR or LF; a final line end does not start another line.
std::vector<std::string> SplitLines(const std::string& text);

}  // namespace platform
