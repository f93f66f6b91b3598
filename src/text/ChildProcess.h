#pragma once
// The one way the program runs another program (the help compiler, LibreOffice, the file
// manager call). Every child starts in a process group of its own and ends with the program:
// the kernel kills it when the program dies; the reaper forked at start-up kills its whole group
// when the program ends in any way, SIGKILL included, and then removes the run's working folder;
// SIGTERM, SIGINT and SIGHUP kill the groups before the program goes. A time-out and the end of
// the child kill its whole group too, so nothing it started (LibreOffice's launcher starts the
// office process) outlives the run.
#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

namespace tavrel {

struct TChildRun
{
    QString Program;
    QStringList Arguments;
    QString WorkingDirectory;          // empty: the program's own, which is never changed
    QProcessEnvironment Environment;   // empty: the program's own
    int TimeoutMs = 60000;
    bool PrivateFiles = false;         // the child creates its files 0600 and its folders 0700
};

struct TChildResult
{
    bool Started = false;
    QString StartError;  // why it could not be started
    bool TimedOut = false;
    bool Crashed = false;
    int ExitCode = 0;    // -1 after a crash or a time-out
    QByteArray Output;   // standard output and error merged, read while it ran
};

// Runs the program to its end or its time limit; its console is read while it runs, so a long
// output cannot stall it. Never raises: the caller words the failure.
TChildResult RunChild(const TChildRun &run);

// At start-up, while the program has no other thread: forks the reaper, which waits for the
// program's end, then kills every child group still registered and removes runFolder (only the
// very folder it was given, never through a link).
void StartChildReaper(const QString &runFolder);

// Lets SIGTERM, SIGINT and SIGHUP kill the running child groups before they end the program.
void EndChildrenOnSignals();

} // namespace tavrel
