#pragma once
// The main window's "Build": the checks and messages around one build of the current project
// (the project's build lock, the source document, the WebHelp folder that will be emptied), the
// build itself through a runner, and the closing report. The desktop program runs the build behind
// its modal building window; the command line runs the same logic without a display.
#include "text/Warnings.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

namespace tavrel {

class TProject;
class Tbuild;

// What one run of the build thread left.
struct TBuildOutcome
{
    bool Ok = false;
    QString ErrorMsg; // the failure report shown to the user, when not Ok
    TWarnings Warnings;
    QStringList Outputs; // files and folders written
};

// Runs one build of the project to its end and reports how it went.
class TBuildRunner
{
public:
    virtual ~TBuildRunner() = default;
    virtual TBuildOutcome Run(TProject &project) = 0;
};

// Runs a Tbuild on its worker thread while the calling thread keeps its event loop turning for
// the thread's progress calls. Used by the command line; tests give it stand-in builds.
class TThreadBuildRunner : public TBuildRunner
{
public:
    std::function<void(Tbuild *)> OnUpdate;                      // each progress change, on the calling thread
    std::function<std::unique_ptr<Tbuild>(TProject &)> Factory; // default: the real build
    TBuildOutcome Run(TProject &project) override;
};

struct TBuildOptions
{
    bool Silence = false;  // no completion message (the "/b" start)
    bool Headless = false; // no questions at all: the command line's answers
    bool Yes = false;      // headless: the old "answer Yes"; it never covers replacing what the program did not write
    // Headless: replace existing files and empty existing folders at the output paths even when
    // no build of this project wrote them (the command line's --replace-unrecorded).
    bool ReplaceUnrecorded = false;
};

struct TBuildReport
{
    enum TResult { Stopped, Failed, Completed };
    TResult Result = Stopped; // Stopped: a check or the user ended it before the build ran
    QString Message;          // the error shown, or the completion text
    TWarnings Warnings;
    QStringList Outputs;
};

// "Error occured when building!" with the task type, the progress reached inside the task and
// the error's message, as the building window reports a failed build.
QString BuildFailureText(int taskType, int taskPos, const QString &error);
TBuildOutcome OutcomeOf(const Tbuild &build);

// "The build is completed!", followed by the warnings of the conversion when there are any.
QString CompletionText(const TWarnings &warnings);

// True when the folder holds an earlier WebHelp output (its index and contents frame pages).
bool HoldsWebHelpOutput(const QString &folder);

// A refusal when the file lies inside the installation folder, which the program never writes
// into; empty otherwise.
QString InstallationFolderRefusal(const QString &projectFile);

// The whole "Build" command. Every message goes through Messages(); deletes go through the
// file-system seam. A project that another build holds is refused with a message.
TBuildReport BuildProject(TProject &project, TBuildRunner &runner, const TBuildOptions &options = {});

} // namespace tavrel
