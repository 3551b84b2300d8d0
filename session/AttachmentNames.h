#pragma once
// Attachment names come from the sender. Before one names a file, it is made a plain base
// name that cannot reach outside the folder it is saved in.
#include <set>
#include <string>

// The part after the last "/" or "\", without control characters; a name that is empty or
// made only of dots (".", "..") becomes "attachment". Overlong names are cut, keeping the
// extension, to what a file system takes.
std::string SafeAttachmentName(const std::string& name);

// Names already given in one "Save All": a name met again gets " (2)", " (3)" ... before
// its extension, so no attachment overwrites an earlier one of the same run.
class TBatchNames {
public:
    std::string Take(const std::string& safeName);

private:
    std::set<std::string> taken_;
};
