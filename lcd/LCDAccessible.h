#pragma once
// The status display as screen readers see it: a status bar named "Status" whose value, and
// whose read-only text, is what the display says (not the dots, nor the scrolled copy). A new
// text is announced as replaced text (AT-SPI's text-changed), the change a screen reader
// speaks; a value-change event would be dropped there, the value not being a number.
#include <QString>

namespace lcd {

class TLCDScreen;

// Registers the display's accessible interface with Qt (once; later calls do nothing).
void InstallLCDAccessibility();
// Tells assistive technology that the display now says `text` instead of `before`.
void AnnounceLCDText(TLCDScreen& screen, const QString& before, const QString& text);

}  // namespace lcd
