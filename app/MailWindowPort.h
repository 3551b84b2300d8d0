#pragma once
// What the commands on the listed messages (view, delete, apply rules, secure connect) need of
// the main window, and nothing more: they see the window only through this, so they neither
// know its widgets nor depend on how it is built.
#include <string>
#include <vector>

class TFrm_srcvu;
class TMailListModel;

class TMailWindowPort {
public:
    // The status display: one line of text, and whether it scrolls (it stands still while a
    // command reports its progress).
    virtual void ShowStatus(const std::string& text) = 0;
    virtual void ScrollStatus(bool on) = 0;
    // Busy state: a command counts from OperationBegins to OperationEnds, so that no timed
    // check starts while it waits in a nested event loop.
    virtual void OperationBegins() = 0;
    virtual void OperationEnds() = 0;
    // The window closed while a command waited: the command ends without another word.
    virtual bool Closing() const = 0;
    // The rows in server order (row i is message i + 1), and the positions of the selected
    // ones, lowest first, however the view is sorted.
    virtual TMailListModel& Rows() = 0;
    virtual std::vector<int> SelectedRows() const = 0;
    // A message the user has seen loses its "new" mark.
    virtual void MarkViewed(int row) = 0;
    // The account in use (the one the list is of), and keeping the fingerprint of a
    // certificate the user trusts for an account.
    virtual const std::string& AccountInUse() const = 0;
    virtual void StoreCertificatePin(const std::string& account, const std::string& sha256) = 0;
    // The window that shows a message or its source.
    virtual TFrm_srcvu& MessageWindow() = 0;

    // Counts a command as running for as long as it is in scope.
    class TOperation {
    public:
        explicit TOperation(TMailWindowPort& window) : window_(window) { window_.OperationBegins(); }
        ~TOperation() { window_.OperationEnds(); }
        TOperation(const TOperation&) = delete;
        TOperation& operator=(const TOperation&) = delete;

    private:
        TMailWindowPort& window_;
    };

protected:
    ~TMailWindowPort() = default;  // never owned through the port
};
