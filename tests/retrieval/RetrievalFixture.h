#pragma once
// A retrieval client set up the way the main window sets it up, logging its events in order,
// with a private temporary folder so a test can see that no work file is left behind.
#include "retrieval/VemPOP3.h"
#include "platform/Folders.h"
#include "NetTestHelpers.h"
#include "TempHome.h"

#include <string>
#include <vector>

struct Retriever {
    TempHome home;
    TVemPOP pop;
    std::vector<std::string> events;
    std::vector<unsigned> progress;
    std::vector<int> errorCodes;
    std::vector<std::string> errorTexts;

    explicit Retriever(int port, int timeOut = 3000)
    {
        pop.Host = "127.0.0.1";
        pop.Port = std::to_string(port);
        pop.UserId = "bob";
        pop.UserPasswd = "secret";
        pop.TimeOut = timeOut;
        pop.OnLookup = [this](TClientSocket*) { events.push_back("lookup"); };
        pop.OnConnecting = [this](TClientSocket*) { events.push_back("connecting"); };
        pop.OnConnect = [this](TComponent*) { events.push_back("connect"); };
        pop.OnDisconnect = [this](TComponent*) { events.push_back("disconnect"); };
        pop.OnBeforeRetrieve = [this](TVemPOP*, int n) { events.push_back("before " + std::to_string(n)); };
        pop.OnAfterRetrieve = [this](TComponent*) { events.push_back("after"); };
        pop.OnDelete = [this](TVemPOP*, int n) { events.push_back("delete " + std::to_string(n)); };
        pop.OnRetrieveProgress = [this](TVemPOP*, unsigned p) { progress.push_back(p); };
        pop.OnError = [this](TComponent* sender, int code, const std::string& text) {
            events.push_back(std::string("error from ") + (sender == &pop ? "client" : "socket"));
            errorCodes.push_back(code);
            errorTexts.push_back(text);
        };
    }

    void ConnectAndLogin()
    {
        pop.Connect();
        if (!pop.LastCmdFailed()) pop.Login();
    }

    // Work files left in the private temporary folder.
    size_t WorkFiles() const { return platform::ListFolder(home.Temp()).size(); }
};
