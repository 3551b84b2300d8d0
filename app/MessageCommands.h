#pragma once
// Reading and deleting the listed messages: View Message downloads one whole message and
// shows it, View Message Source shows the header lines the check saved, Delete Message
// deletes the selected messages on the server.
#include <memory>
#include <string>
#include <vector>

class TKiroPOP3;
class TMailListModel;
class TMailWindowPort;
class TSecureConnection;
class TVemMsg;
class TVemPOP;

class TMessageCommands {
public:
    // `viewed` holds the message under view, only while it is viewed.
    TMessageCommands(TMailWindowPort& window, TKiroPOP3& mailbox, TVemPOP& retrieval, TSecureConnection& connection,
                     std::unique_ptr<TVemMsg>& viewed)
        : window_(window), mailbox_(mailbox), retrieval_(retrieval), connection_(connection), viewed_(viewed)
    {
    }

    void View();
    void ViewSource();
    void Delete();
    // A message is downloading to be viewed: only then does the retrieval client's progress show.
    bool Downloading() const { return downloading_; }

private:
    void ViewMessage(int row);
    void DeleteRows(const std::vector<int>& rows);

    TMailWindowPort& window_;
    TKiroPOP3& mailbox_;
    TVemPOP& retrieval_;
    TSecureConnection& connection_;
    std::unique_ptr<TVemMsg>& viewed_;
    bool downloading_ = false;
};

// The detail of a question that deletes these rows (positions) on the server.
std::string DeletionDetail(const TMailListModel& rows, const std::vector<int>& positions);
