#pragma once
// Gives a test its own program folder, registry file and temporary folder, so no test ever
// touches the user's real settings; everything is removed afterwards.
#include <string>

class TempHome {
public:
    TempHome();
    ~TempHome();
    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;

    const std::string& Root() const { return root_; }          // ends with '/'
    const std::string& Home() const { return home_; }          // $QUILLBOX_HOME, ends with '/'
    const std::string& Registry() const { return registry_; }  // $QUILLBOX_REGISTRY
    const std::string& Temp() const { return temp_; }          // $TMPDIR, ends with '/'

private:
    std::string root_, home_, registry_, temp_;
    std::string savedHome_, savedRegistry_, savedTmp_;
    bool hadHome_ = false, hadRegistry_ = false, hadTmp_ = false;
};

// Removes a folder with everything in it; missing folders are fine.
void RemoveTree(const std::string& path);
