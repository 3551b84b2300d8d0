#pragma once
// A private program home (registry, folders) and, as the current working directory, another
// folder: the program keeps rules.dat in its own folder wherever it was started from. The
// previous directory comes back afterwards.
#include "TempHome.h"

#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

class RulesTestHome {
public:
    RulesTestHome() : working_(home_.Root() + "started-here/")
    {
        char buffer[4096];
        if (::getcwd(buffer, sizeof buffer)) saved_ = buffer;
        if (::mkdir(working_.c_str(), 0700) != 0 || ::chdir(working_.c_str()) != 0)
            ADD_FAILURE() << "cannot enter " << working_;
    }
    ~RulesTestHome()
    {
        if (!saved_.empty() && ::chdir(saved_.c_str()) != 0) ADD_FAILURE() << "cannot return to " << saved_;
    }
    const std::string& Folder() const { return home_.Home(); }  // the program's folder
    const std::string& WorkingFolder() const { return working_; }
    const std::string& Registry() const { return home_.Registry(); }

private:
    TempHome home_;
    std::string working_;
    std::string saved_;
};
