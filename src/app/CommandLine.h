#pragma once
// What the program was asked to do on its command line.
#include <QString>
#include <QStringList>

namespace tavrel {

struct TCommandLine
{
    enum class Mode { Desktop, Version, Help, Build, Decompile, Chm2Doc, Error };
    Mode mode = Mode::Desktop;
    QString projectFile; // the project to open, or to build with --build
    bool silentBuild = false; // "/b" after the project file: build, then close
    bool yes = false; // --yes: accepted for scripts; it never covers replacing what the program did not write
    bool replaceUnrecorded = false; // --replace-unrecorded: replace outputs no build of the project wrote
    QString helpFile;     // --decompile: the compiled help file
    QString targetFolder; // --decompile: the folder it is written into
    QString outputFile;   // --chm2doc: the document written (.docx, .doc or .pdf)
    bool toc = false, cover = false, titleNumbers = false; // --chm2doc: the writer's options
    int pageBreaks = 0;   // --chm2doc --page-breaks: 0 none, 1 top, 2 all
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

// "tavrel --chm2doc HELP.chm OUT": converts the help file into the document OUT (its extension
// chooses .docx, .doc or PDF) without a display and without questions, printing the progress,
// the warnings and the file written to standard error. An existing OUT is refused unless --yes
// was given; a locked one is a failure. Returns the exit status: 0 written, 1 not.
int HeadlessChm2Doc(const TCommandLine &commandLine);

} // namespace tavrel
