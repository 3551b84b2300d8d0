#pragma once
// Installs the Qt implementations of the platform facades: message boxes, the message pump and
// the browser launch. Called once at start-up, after the QApplication exists.
namespace widgets {
void InstallQtPlatform();
}  // namespace widgets
