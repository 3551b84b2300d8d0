#include "retrieval/WorkFile.h"

#include "platform/Folders.h"

WorkFile::WorkFile(const std::string& stem) : path_(platform::UniqueTempFile(stem)) {}

WorkFile::~WorkFile() { platform::DeleteFile(path_); }
