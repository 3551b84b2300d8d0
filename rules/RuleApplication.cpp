#include "rules/RuleApplication.h"

namespace rules {

std::vector<int> MarkedMessages(const std::vector<int>& marks)
{
    std::vector<int> numbers;
    for (size_t i = 0; i < marks.size(); ++i)
        if (marks[i] == kMarkedByRule) numbers.push_back(int(i) + 1);
    return numbers;
}

std::string DeletionQuestion(size_t count)
{
    return "There are " + std::to_string(count) + " message(s) mark for deletion.\r\n" +
           "Are you sure you want to permanently delete these messages ?";
}

}  // namespace rules
