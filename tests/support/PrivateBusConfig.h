#pragma once
// The configuration of a private session bus for tests: listening in `folder` only, anyone
// on the machine's own user may own names and send (tests play both ends).
#include "platform/TextFile.h"

#include <string>

inline std::string WritePrivateBusConfig(const std::string& folder)
{
    const std::string file = folder + "bus.conf";
    platform::WriteLines(file,
                         {"<busconfig>", "<type>session</type>", "<listen>unix:tmpdir=" + folder + "</listen>",
                          "<auth>EXTERNAL</auth>", "<policy context=\"default\">",
                          "<allow send_destination=\"*\" eavesdrop=\"true\"/>", "<allow eavesdrop=\"true\"/>",
                          "<allow own=\"*\"/>", "</policy>", "</busconfig>"},
                         false);
    return file;
}
