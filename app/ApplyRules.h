#pragma once
// Carrying out the rules: after the user's Yes, the retrieval client deletes every listed
// message that a rule marked, and the rows of the deleted messages go.
#include <vector>

class TMailWindowPort;
class TSecureConnection;
class TVemPOP;

class TApplyRules {
public:
    TApplyRules(TMailWindowPort& window, TVemPOP& retrieval, TSecureConnection& connection)
        : window_(window), retrieval_(retrieval), connection_(connection)
    {
    }

    // Deletes the messages that rules marked, after asking.
    void Run();

private:
    // Puts the marks of rows that a failed rule run had set to "deleting" back to "marked".
    void RestoreMarks(const std::vector<int>& numbers);
    bool DeleteMarked(const std::vector<int>& numbers);

    TMailWindowPort& window_;
    TVemPOP& retrieval_;
    TSecureConnection& connection_;
};
