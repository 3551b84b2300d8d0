// The commands on the listed messages need no main window: a window of the test's own that
// offers the port carries them.
#include "app/ApplyRules.h"
#include "app/MailWindowPort.h"
#include "app/MessageCommands.h"
#include "app/SecureConnection.h"
#include "mailbox/Kiropop3.h"
#include "retrieval/VemPOP3.h"
#include "rules/RuleApplication.h"

#include "ListedRow.h"
#include "NetTestHelpers.h"
#include "ScriptedBoxes.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

class FakeWindow : public TMailWindowPort {
public:
    TMailListModel rows;
    std::vector<int> selected;
    std::vector<std::string> statuses;
    int operations = 0;
    int deepest = 0;
    std::string account = "Work";

    void ShowStatus(const std::string& text) override { statuses.push_back(text); }
    void ScrollStatus(bool) override {}
    void OperationBegins() override { deepest = std::max(deepest, ++operations); }
    void OperationEnds() override { --operations; }
    bool Closing() const override { return false; }
    TMailListModel& Rows() override { return rows; }
    std::vector<int> SelectedRows() const override { return selected; }
    void MarkViewed(int) override {}
    const std::string& AccountInUse() const override { return account; }
    void StoreCertificatePin(const std::string&, const std::string&) override {}
    TFrm_srcvu& MessageWindow() override { throw std::logic_error("no message window here"); }
};

struct Commands {
    FakeWindow window;
    TKiroPOP3 mailbox;
    TVemPOP retrieval;
    std::unique_ptr<TVemMsg> viewed;
    TSecureConnection connection{window, mailbox, retrieval};
    TMessageCommands messages{window, mailbox, retrieval, connection, viewed};
    TApplyRules applyRules{window, retrieval, connection};
};

}  // namespace

TEST(MailWindowPort, ARuleRunThatCannotConnectKeepsRowsAndMarksAndEndsItsOperation)
{
    ScriptedBoxes boxes;
    Commands c;
    c.window.rows.AddRow(ListedRow("Ann", "Hi", "", 0, rules::kMarkedByRule));
    c.window.rows.AddRow(ListedRow("Bob", "Lunch"));
    c.retrieval.Host = "127.0.0.1";
    c.retrieval.Port = std::to_string(ClosedPort());
    boxes.Answer(platform::MsgResult::Yes);
    c.applyRules.Run();
    ASSERT_EQ(boxes.Texts().size(), 2u);
    EXPECT_EQ(boxes.Shown()[0].detail, "1 message is marked for deletion: 1 by your rules.\nAnn: Hi");
    EXPECT_EQ(boxes.Texts()[1], "Connect failed. Maybe the server is down or not responding.");
    EXPECT_EQ(c.window.rows.Count(), 2);
    EXPECT_EQ(c.window.rows.Row(0).mark, rules::kMarkedByRule);
    EXPECT_EQ(c.window.statuses.back(), "No message was deleted.");
    EXPECT_EQ(c.window.deepest, 1);
    EXPECT_EQ(c.window.operations, 0);
}

TEST(MailWindowPort, DeletingAsksAboutTheSelectedRowsOnlyAndNoKeepsThem)
{
    ScriptedBoxes boxes;
    Commands c;
    c.messages.Delete();  // nothing selected: nothing asked
    EXPECT_TRUE(boxes.Shown().empty());
    c.window.rows.AddRow(ListedRow("Ann", "Hi"));
    c.window.rows.AddRow(ListedRow("Bob", "Lunch"));
    c.window.selected = {1};
    boxes.Answer(platform::MsgResult::No);
    c.messages.Delete();
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].detail, "1 message:\nBob: Lunch");
    EXPECT_EQ(c.window.rows.Count(), 2);
    EXPECT_EQ(c.window.operations, 0);
    EXPECT_FALSE(c.messages.Downloading());
}
