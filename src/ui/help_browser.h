#pragma once

#include <QString>

// The HTML manual built from docs/ lies beside the program, in the same
// place relative to the executable in the build tree and once installed.
namespace HelpBrowser {

// The manual's start page (it may be missing if the manual was not built).
QString manualPath();

// Opens the manual in the desktop's browser. When it is missing or no
// browser takes it, a critical message says where it is and false is returned.
bool openManual();

} // namespace HelpBrowser
