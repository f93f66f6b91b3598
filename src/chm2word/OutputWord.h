#pragma once
// The worker that turns a compiled help file into one document: it drives the reader, the
// distiller and the page assembly step by step, then has the document engine write a document
// with a heading, a bookmark and index entries per contents entry and each distilled page's
// content under it, and saves it as .docx, .doc or PDF. Progress and questions reach the main
// thread through blocking calls, so the fields below are read there only while it waits.
#include "text/Warnings.h"

#include <QString>
#include <QStringList>
#include <QThread>
#include <atomic>
#include <functional>
#include <memory>

namespace tavrel {

class Tchm2word;
class TTitleList;
class WordApplication;
class WordDocument;
class WordRange;

// Millimetres to points with the factor the writer has always used, rounded half to even.
int MillimetresToPoints(int millimetres);
// The index entry texts of an entry's keywords: one per keyword, every "/" a ":".
QStringList IndexEntryTexts(const QString &keywords);
// The position reported before entry k of n: 20 to 80.
int EntryPosition(int k, int n);
// The kind of file an output path asks for.
enum class TWordOutput { Docx, Doc, Pdf };
TWordOutput WordOutputOf(const QString &path, bool onlyWord);

class TOutputWord : public QThread
{
    Q_OBJECT
public:
    explicit TOutputWord(QObject *parent = nullptr);
    ~TOutputWord() override;

    bool OnlyWord = true;   // a Word document only, no PDF
    QString Msg;            // a notice for the main thread, cleared once shown
    QString ErrorMsg;       // the failure to show, cleared once shown
    QString chm;            // the compiled help file
    int Codepage = 0;       // of its contents and index files
    QString pdf;            // the output: the PDF, or the Word file (.docx or .doc)
    QString Title;          // the cover title
    int PaperSize = 7;      // Word's paper size numbers; 41 is a custom size
    int Height = 0, Width = 0;                      // custom size, millimetres
    int Top = 25, Bottom = 25, Left = 30, Right = 30; // margins, millimetres
    bool Cover = false, Header = false, Footer = false, Toc = false, XE = true;
    int ShowLevel = 9;
    QString TOCCaption = QStringLiteral("Table of Contents");
    bool TitleNumber = false;
    bool AddHint = false;
    QString HintFormat;
    int StartNewPage = 0; // 0 never, 1 before every top-level topic, 2 before every topic
    bool Discard = false;
    QString Addenda = QStringLiteral("Addenda");
    int Panes = 1, Magnification = 4, PageLayout = 0;
    int max = 0;

    std::atomic<bool> OK{false};
    std::atomic<bool> Failed{false};
    std::atomic<bool> WantToExit{false};
    int position = 0;
    QString info;
    bool Abort = false;
    QString DeniedFile;

    // What the run leaves behind: the file written (empty after a failure) and what the reader,
    // the distiller and the engine could not carry.
    QString Written;
    TWarnings Warnings;
    // Milliseconds spent per stage, for the benchmark and the command line.
    struct TStageTimes
    {
        qint64 Decompile = 0, Distil = 0, Assemble = 0, Write = 0;
    } Times;

    // Runs on the main thread after each progress step (gauge, label, button).
    std::function<void(TOutputWord *)> FOnUpdate;

    // On the main thread: asks the run to stop and waits for it, serving its calls meanwhile.
    void StopIt();
    // Hands the main-thread update to the thread that owns this object and waits for it.
    void UpdateIt();

protected:
    void run() override { Execute(); }
    virtual void Execute();

    // The steps of the run, in order; tests and the benchmark call them one by one.
    void Check();
    void Report(int pos, const QString &text);
    void Report(const QString &text);
    void PrepareConverter();
    void Distil();
    void CreateDocument();
    void WriteEntries();
    void EmbedPictures();
    void Save();
    void Cleanup();

    // The document parts (OutputWordDocument.cpp).
    void SetupPages();
    void MakeCover();
    void MakeToc();
    void WriteEntry(int k, int n);
    void WritePage(const TTitleList &entry, const QString &file);

private:
    // The locked-file prompt: asks until file is free or the user gives up (Abort).
    bool WaitForFile(const QString &file);
    QString StagingName(const QString &target) const;

    std::unique_ptr<Tchm2word> m_converter;
    std::unique_ptr<WordApplication> m_word;
    std::shared_ptr<WordDocument> m_doc;
    std::unique_ptr<WordRange> m_range; // the working range R
    QString m_rootFolder;
    QStringList m_staged; // private files beside the target, removed unless renamed into place
};

} // namespace tavrel
