#pragma once
// The build thread: turns the current project's source document into every enabled output,
// always HTML Help, then WebHelp, then PDF, on one engine instance and one temporary copy of
// the source, and folds the progress of every task into one percentage.
#include "text/Warnings.h"

#include <QString>
#include <QStringList>
#include <QThread>
#include <functional>
#include <memory>

namespace tavrel {

class TProject;
class TWordDoc;
class TContentsItems;
class TPDF;
class TOutputSwap;
class WordApplication;

class Tbuild : public QThread
{
    Q_OBJECT
public:
    enum TTaskType : int { ttPrepare = 0, ttHtmlHelp = 1, ttWebHelp = 2, ttPDF = 3 };

    explicit Tbuild(TProject *project, QObject *parent = nullptr);
    ~Tbuild() override;

    TProject *Project = nullptr;
    std::unique_ptr<tavrel::WordApplication> WordApplication; // the engine of this build
    std::function<void(Tbuild *)> FOnUpdate;                  // on the owner's thread, after each change of Position
    TWordDoc *Word = nullptr;                                 // the converter of the task now running
    int TaskType = ttPrepare;
    int TaskPos = 0;
    int CurrentPercent = 0;
    int NextPercent = 0;
    bool Failed = false;
    QString ErrorMsg;
    int Position = 0;
    int ValuePerTask = 0;

    // What the build leaves for its report: the converters' warnings and the outputs written.
    TWarnings Warnings;
    QStringList OutputsWritten;
    // The temporary copy of the source (0600, in this run's working folder) while the build runs;
    // it is removed at the end of every build, failed or not.
    QString TempCopy;

    void SetPosition(int Percent, int NPercent);
    void WordDocEvent(TWordDoc *Sender);
    void OnProcess(TPDF *Sender);
    // Hands FOnUpdate to the thread that owns this object and waits until it has run.
    void UpdateIt();

    // The number of outputs the project enables, and the share of each in the percentage.
    static int EnabledOutputs(const TProject &project);

protected:
    void run() override { Execute(); }
    virtual void Execute();

    // The work of each step. Execute calls them in a fixed order between its progress steps and
    // keeps all bookkeeping itself, so a test can put stand-in work in their place.
    virtual void MakeTempCopy();
    virtual void StartWord();
    virtual void QuitWord();
    // Creates the converter for the copy with the output type and converts it into Word.
    virtual void ConvertDocument(int outputType);
    virtual void SplitTopics(TContentsItems &items);
    virtual void FreeConverter();
    // HTML Help: the builder is created, given its project folder, writes the pages and the
    // project files, then the context file and the compiled help file are made.
    virtual void HtmlHelpCreate(TContentsItems &items);
    virtual void HtmlHelpSetFolder();
    virtual void HtmlHelpOutput();
    virtual void HtmlHelpMake();
    virtual void HtmlHelpFree();
    virtual void WebHelpOutput(TContentsItems &items);
    virtual void PdfOutput(const QString &wordFile, const QString &pdfFile);
    // Moves every output made into place, once all of them are complete.
    virtual void CommitOutputs();
    // Removes what the build made only for itself (the private project folder, the private
    // folders of outputs not moved into place).
    virtual void Cleanup();

    // The converter's own position, folded into the current step (what WordDocEvent does).
    void ConverterAt(int W);
    // The PDF builder's position, folded into its task (what OnProcess does).
    void PdfAt(int D);

    bool m_copyMarkedForDeletion = false;
    QString m_hhpFolder;           // the HTML Help project folder of this build
    bool m_privateHhpFolder = false; // made for this build, removed after it
    // The outputs of this build, each made beside its target and swapped in at the end.
    std::unique_ptr<TOutputSwap> m_swap;

private:
    void executeSteps();
    // text with every mention of the temporary copy (its path or its bare name) replaced by
    // the source document's path: the converters only know the copy.
    QString forUser(const QString &text) const;
    QString m_copyForMessages; // the copy as it was made, kept for the messages
    QString m_sourceForMessages;
    std::unique_ptr<TWordDoc> m_word;
    struct HtmlHelpState;
    std::unique_ptr<HtmlHelpState> m_hh;
};

} // namespace tavrel
