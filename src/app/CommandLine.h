#pragma once
// What the program was asked to do on its command line.
#include <QString>
#include <QStringList>

namespace tavrel {

struct TCommandLine
{
    enum class Mode { Desktop, Version, Help, Build, Error };
    Mode mode = Mode::Desktop;
    QString projectFile; // the project to open, or to build with --build
    bool silentBuild = false; // "/b" after the project file: build, then close
    bool yes = false; // --yes: answer the empty-the-WebHelp-folder question with Yes
    QString error;

    static TCommandLine Parse(const QStringList &arguments); // without the program name
    static QString HelpText();
};

} // namespace tavrel
