#pragma once
// The settings and data folder of a benchmark run, kept apart from the user's own: one account
// "Bench" on 127.0.0.1 with its password remembered. Set up before the QApplication exists.
#include <string>

class BenchProfile {
public:
    // folder empty: a fresh one under /tmp, removed again by the destructor. A given folder is
    // kept, so the header files of one run are there for the next.
    explicit BenchProfile(const std::string& folder = std::string());
    ~BenchProfile();
    BenchProfile(const BenchProfile&) = delete;
    BenchProfile& operator=(const BenchProfile&) = delete;

    // Stores the account "Bench" and puts it in the account list.
    void SaveAccount(int port, const std::string& user, const std::string& password) const;

private:
    std::string folder_;
    bool owned_ = false;
};
