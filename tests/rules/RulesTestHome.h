#pragma once
// A private program home (registry, folders) that is also the current working directory, where
// rules.dat lives; the previous directory comes back afterwards.
#include "TempHome.h"

#include <string>
#include <unistd.h>

#include <gtest/gtest.h>

class RulesTestHome {
public:
    RulesTestHome()
    {
        char buffer[4096];
        if (::getcwd(buffer, sizeof buffer)) saved_ = buffer;
        if (::chdir(home_.Home().c_str()) != 0) ADD_FAILURE() << "cannot enter " << home_.Home();
    }
    ~RulesTestHome()
    {
        if (!saved_.empty() && ::chdir(saved_.c_str()) != 0) ADD_FAILURE() << "cannot return to " << saved_;
    }
    const std::string& Folder() const { return home_.Home(); }

private:
    TempHome home_;
    std::string saved_;
};
