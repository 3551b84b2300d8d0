#pragma once
// A main window set up for mail checks: accounts stored before the windows are made, the
// status texts recorded, the message pump under the test's control.
#include "app/Main.h"
#include "NetTestHelpers.h"
#include "ScriptedBoxes.h"
#include "TempHome.h"
#include "platform/MessagePump.h"

#include <functional>
#include <memory>
#include <string>

class MailCheckFixture {
public:
    MailCheckFixture();
    ~MailCheckFixture();

    TempHome home;
    ScriptedBoxes boxes;
    std::unique_ptr<TMainFrm> frm;
    StringList lcdTexts;     // every text given to the status display, in order
    int applyRuns = 0;
    std::function<void()> onPump;  // runs at every pump of a network wait
    std::function<void(const std::string&)> onLcd;  // runs after each status text is shown

    void AddAccount(const std::string& name, const std::string& user, const std::string& password, int port,
                    bool remember = true, const std::string& portText = "");
    void AddSubjectRule(const std::string& text);
    // Makes the windows (after the accounts and rules are stored).
    void Open(int timeOutMs = 4000);
    // Chooses the account in the "Check Mail" drop-down.
    void Check(const std::string& account);
    // Another mail program at work: deletes message `number` of `user` on the server at `port`
    // (password "secret") and quits, so the server carries it out.
    static void DeleteElsewhere(int port, const std::string& user, int number);
    // Selects exactly these rows (positions) of the message list.
    void Select(const std::vector<int>& rows);
    std::string Lcd() const;  // what the display shows now (its lines joined)
    bool Idle() const;        // the toolbar is in the idle state
    bool SawLcd(const std::string& text) const;

private:
    StringList accLines_;
    int rules_ = 0;
    platform::MessagePump savedPump_;
};
