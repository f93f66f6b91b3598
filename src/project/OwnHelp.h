#pragma once
// The program's own help ("How to use..."): the installation ships the user guide as a compiled
// help file and as WebHelp, both built from the sample document by the program itself.
#include <QString>

namespace tavrel {

class TShellInterface;

// The installed forms of the help; a path is empty when that form is not installed.
struct TOwnHelp
{
    QString Compiled; // <data>/zirodev.chm
    QString WebStart; // <data>/zirodev/index.html (or .htm)

    bool Installed() const { return !Compiled.isEmpty() || !WebStart.isEmpty(); }
};

// What the installation folder holds.
TOwnHelp FindOwnHelp();

// Opens the help through the shell: the compiled file when the desktop has a viewer for it,
// else (or when opening it fails) the WebHelp start page in the browser. Returns the file that
// was opened, empty when nothing could be.
QString OpenOwnHelp(const TOwnHelp &help, TShellInterface &shell);

} // namespace tavrel
