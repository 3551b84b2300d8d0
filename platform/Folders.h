#pragma once
// Where the program keeps its files, and the folder and file helpers the program needs.
// Paths join with '/'; folder paths returned here end with '/'.
#include <string>
#include <vector>

namespace platform {

// "The program's folder": acc.dat, MailBox/ and the account folders live here.
// $QUILLBOX_HOME when set, else $XDG_DATA_HOME/quillbox/ (default ~/.local/share/quillbox/);
// created when missing.
std::string ProgramFolder();
// $TMPDIR or /tmp, with a trailing '/'.
std::string TempFolder();

bool DirectoryExists(const std::string& path);
bool FileExists(const std::string& path);
// Creates one folder; throws EInOutError naming the folder and the system's reason.
void CreateDir(const std::string& path);
// Creates a folder and every missing parent; throws EInOutError.
void ForceDirectories(const std::string& path);
// Deletes one file; false when it could not be deleted.
bool DeleteFile(const std::string& path);

struct DirEntry {
    std::string name;
    bool isDirectory = false;
};
// Entries of a folder (without "." and ".."), in name order; empty when the folder is missing.
std::vector<DirEntry> ListFolder(const std::string& folder);
// File-name mask with '*' and '?'; "*.*" and "*" match every name.
bool MatchesMask(const std::string& name, const std::string& mask);

// A unique new file in the temporary folder, named after `stem`; the caller deletes it.
std::string UniqueTempFile(const std::string& stem);

}  // namespace platform
