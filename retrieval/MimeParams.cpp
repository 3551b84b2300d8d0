#include "retrieval/MimeParams.h"

#include "platform/Strings.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

void SkipBlanks(std::string_view text, size_t& i)
{
    while (i < text.size() && IsBlank(text[i])) ++i;
}

// A quoted string from the opening quote at i; i ends after the closing quote (or at the end
// when it is missing, as broken mail has it).
std::string ReadQuoted(std::string_view text, size_t& i)
{
    std::string out;
    for (++i; i < text.size(); ++i) {
        char c = text[i];
        if (c == '"') {
            ++i;
            break;
        }
        if (c == '\\' && i + 1 < text.size()) c = text[++i];
        out += c;
    }
    return out;
}

// An unquoted value from i: up to ";", a blank or a comment.
std::string ReadToken(std::string_view text, size_t& i)
{
    size_t start = i;
    while (i < text.size() && text[i] != ';' && text[i] != '(' && !IsBlank(text[i])) ++i;
    return std::string(text.substr(start, i - start));
}

// Moves i past the next ";" that is not inside a quoted string; to the end when there is none.
void SkipToNextParameter(std::string_view text, size_t& i)
{
    while (i < text.size() && text[i] != ';') {
        if (text[i] == '"') ReadQuoted(text, i);
        else ++i;
    }
    if (i < text.size()) ++i;
}

}  // namespace

std::string ParameterOf(std::string_view headerValue, std::string_view name)
{
    size_t i = 0;
    SkipToNextParameter(headerValue, i);  // past the type itself
    while (i < headerValue.size()) {
        SkipBlanks(headerValue, i);
        size_t nameStart = i;
        while (i < headerValue.size() && headerValue[i] != '=' && headerValue[i] != ';' && !IsBlank(headerValue[i])) ++i;
        std::string_view found = headerValue.substr(nameStart, i - nameStart);
        SkipBlanks(headerValue, i);
        if (i < headerValue.size() && headerValue[i] == '=' && SameText(found, name)) {
            ++i;
            SkipBlanks(headerValue, i);
            if (i < headerValue.size() && headerValue[i] == '"') return ReadQuoted(headerValue, i);
            return ReadToken(headerValue, i);
        }
        SkipToNextParameter(headerValue, i);
    }
    return {};
}

std::string CharsetOf(const std::string& contentTypeValue) { return ParameterOf(contentTypeValue, "charset"); }
