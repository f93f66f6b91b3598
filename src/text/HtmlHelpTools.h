#pragma once
// The help compiler (chmcmd) as the build sees it: where it is, how it is run, and the repair
// of the help files it writes.
#include <QByteArray>
#include <QString>

namespace tavrel {

// The compiler's full path: "chmcmd" in the installation folder first, then on PATH; empty
// when neither has it.
QString HelpCompilerProgram();

struct THelpCompileResult
{
    QString Output;   // the whole console text, standard output and error merged
    int ExitCode = 0;
    bool Crashed = false;
};

// Runs the compiler on the project file hhpName (name only) with folder as its working
// directory; the process's own current directory is not touched. The console is read while
// the compiler runs, so a long output cannot stall it. The compiler runs in a process group of
// its own that ends with the program (ChildProcess.h): a killed build leaves no compiler behind
// to finish a help file without its repair. Raises an Exception naming the program
// when it is missing, cannot be started or exceeds timeoutMs (0: a default of ten minutes; the
// compiler is killed then). program overrides the lookup (tests).
THelpCompileResult RunHelpCompiler(const QString &folder, const QString &hhpName, int timeoutMs = 0,
                                   const QString &program = QString());

// The compiler records the second listing chunk as the first one in the directory header of
// help files whose directory needs more than one chunk; readers that enumerate then miss
// every file of chunk 0. Rewrites that field in place to the chunk with no previous chunk.
// True when the field was changed; false when it was right already or the file is not a
// help file this understands (the file is then left as it was).
bool FixChmDirectoryHeader(const QString &chm);

} // namespace tavrel
