#pragma once
// Names for the parts of the main window that show no words of their own, so that a screen
// reader can say what each one is. The toolbar (by its title), its buttons and the menus are
// named by their captions, the status display by its own accessible interface
// (lcd/LCDAccessible.h).
class TMainFrm;

void NameMainWindowParts(TMainFrm& frm);
