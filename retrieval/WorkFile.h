#pragma once
// A uniquely named file in the temporary folder that is deleted when the owner goes out of scope,
// whether the work succeeded or not.
#include <string>

class WorkFile {
public:
    explicit WorkFile(const std::string& stem);
    ~WorkFile();
    WorkFile(const WorkFile&) = delete;
    WorkFile& operator=(const WorkFile&) = delete;

    const std::string& Path() const { return path_; }

private:
    std::string path_;
};
