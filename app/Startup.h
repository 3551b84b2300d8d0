#pragma once
// Creates the program's windows once, in their fixed order: the main window first, then the
// windows it opens. The dialogs are children of the main window and live as long as it does.
#include <memory>

class TMainFrm;

std::unique_ptr<TMainFrm> CreateApplicationWindows();
