#pragma once
// What the program was asked to do on its command line.
#include <QString>
#include <QStringList>

namespace tavrel {

struct TCommandLine
{
    enum class Mode { Desktop, Version, Help, Build, Decompile, Error };
    Mode mode = Mode::Desktop;
    QString projectFile; // the project to open, or to build with --build
    bool silentBuild = false; // "/b" after the project file: build, then close
    bool yes = false; // --yes: accepted for scripts; it never covers replacing what the program did not write
    bool replaceUnrecorded = false; // --replace-unrecorded: replace outputs no build of the project wrote
    QString helpFile;     // --decompile: the compiled help file
    QString targetFolder; // --decompile: the folder it is written into
    QString error;

    static TCommandLine Parse(const QStringList &arguments); // without the program name
    static QString HelpText();
};

// "tavrel --build FILE.tvp": builds without a display and without questions, printing the
// progress, then the warnings and the outputs written, to standard error. Needs a running
// QGuiApplication. Returns the exit status: 0 built, 1 not built.
int HeadlessBuild(const TCommandLine &commandLine);

// "tavrel --decompile HELP.chm FOLDER": writes every stored file of the help file under FOLDER
// and lists them on standard output, warnings on standard error. A FOLDER that holds anything
// is refused unless --yes was given. Returns the exit status: 0 written, 1 not.
int HeadlessDecompile(const TCommandLine &commandLine);

} // namespace tavrel
