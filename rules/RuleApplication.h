#pragma once
// What applying the rules deletes, and what the user is asked first.
#include <string>
#include <vector>

namespace rules {

// Row marks: set by a rule, by the spam filter, by a blocked sender, being deleted on the
// server, none.
constexpr int kMarkedByRule = 0;
constexpr int kMarkedAsSpam = 1;
constexpr int kMarkDeleting = 2;
constexpr int kMarkedBlocked = 3;
constexpr int kNoMark = -1;
constexpr bool MarkedForDeletion(int mark) { return mark == kMarkedByRule || mark == kMarkedAsSpam || mark == kMarkedBlocked; }
// A row is drawn red while a rule marks it, also during its deletion. The mark is the verdict
// of the rules when the row was made or they were last loaded: the header that header-field
// rules need is not at hand when a row is drawn.
constexpr bool DrawnRed(int mark) { return mark == kMarkedByRule || mark == kMarkDeleting; }

// The message numbers (position + 1) of the rows marked for deletion, in list order.
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
