#pragma once
// What applying the rules deletes, and what the user is asked first.
#include <string>
#include <vector>

namespace rules {

// Row marks: set by a rule, being deleted on the server, none.
constexpr int kMarkedByRule = 0;
constexpr int kMarkDeleting = 2;
constexpr int kNoMark = -1;
// A row is drawn red while a rule marks it, also during its deletion. The mark is the verdict
// of the rules when the row was made or they were last loaded: the header that header-field
// rules need is not at hand when a row is drawn.
constexpr bool DrawnRed(int mark) { return mark == kMarkedByRule || mark == kMarkDeleting; }

// The message numbers (position + 1) of the rows a rule marked, in list order.
std::vector<int> MarkedMessages(const std::vector<int>& marks);

// "There are N message(s) mark for deletion." CR LF "Are you sure you want to permanently
// delete these messages ?"
std::string DeletionQuestion(size_t count);

// Which messages a deletion question is about: "2 messages:" and a line "sender: subject" for
// each of the first kNamedForDeletion (texts as the list shows them), then "and N more".
struct TNamedMessage {
    std::string from;
    std::string subject;
};
constexpr size_t kNamedForDeletion = 5;
std::string DeletionDetail(const std::vector<TNamedMessage>& first, size_t total);

}  // namespace rules
