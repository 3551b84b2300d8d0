#pragma once
// The structure of a MIME entity: what a part is (type, transfer encoding, file name) and how a
// multipart body falls apart into its parts.
#include "retrieval/vem_util.h"

#include <string>
#include <vector>

// Multipart and enclosed-message levels the parser descends; content below stays whole.
constexpr int kMaxMimeNesting = 64;

struct TPartInfo {
    std::string Type;      // upper case, without parameters; "TEXT/PLAIN" without a Content-Type
    std::string Encoding;  // upper case; "7BIT" without a Content-Transfer-Encoding
    std::string FileName;  // from name= or filename=, unquoted and decoded; may be empty
    std::string Charset;   // the charset= of Content-Type, as written; empty when none
};

TPartInfo GetPartInfo(LineSpan lines);

struct TMimePart {
    LineSpan Lines;         // the part with its own header lines
    int Depth = 0;          // enclosing multipart and message levels
    bool BodyText = false;  // a multipart body without its delimiter: Lines is plain body text
};

// Appends the parts of a multipart entity to `parts`, flattening nested multiparts in order.
// An entity that is not multipart is added whole. A multipart whose delimiter never appears is
// added as body text, so its content is kept; one at the nesting limit is added whole.
void SplitMultipart(LineSpan lines, int depth, std::vector<TMimePart>& parts);

// A delimiter line: the delimiter exactly, or followed by blanks or tabs only.
bool IsDelimiterLine(std::string_view line, std::string_view delimiter);
