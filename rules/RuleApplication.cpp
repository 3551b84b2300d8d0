#include "rules/RuleApplication.h"

namespace rules {

std::vector<int> MarkedMessages(const std::vector<int>& marks)
{
    std::vector<int> numbers;
    for (size_t i = 0; i < marks.size(); ++i)
        if (MarkedForDeletion(marks[i])) numbers.push_back(int(i) + 1);
    return numbers;
}

std::string DeletionQuestion(size_t count)
{
    return "There are " + std::to_string(count) + " message(s) mark for deletion.\r\n" +
           "Are you sure you want to permanently delete these messages ?";
}

namespace {

// A header text on one line: a decoded text may carry line breaks or other controls.
std::string OneLine(const std::string& text, const char* none)
{
    std::string line = text;
    for (char& c : line)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = ' ';
    return line.find_first_not_of(' ') == std::string::npos ? std::string(none) : line;
}

}  // namespace

std::string DeletionDetail(const std::vector<TNamedMessage>& first, size_t total)
{
    std::string text = std::to_string(total) + (total == 1 ? " message:" : " messages:");
    size_t named = 0;
    for (const TNamedMessage& m : first) {
        if (named == kNamedForDeletion || named == total) break;
        text += "\n" + OneLine(m.from, "(no sender)") + ": " + OneLine(m.subject, "(no subject)");
        ++named;
    }
    if (total > named) text += "\nand " + std::to_string(total - named) + " more";
    return text;
}

}  // namespace rules
