#include "build/build.h"

#include "output/HtmlHelpOutput.h"
#include "output/Webhelp.h"
#include "project/Contents.h"
#include "project/FolderGuard.h"
#include "project/OutputSwap.h"
#include "project/ProjectSetting.h"
#include "text/Exceptions.h"
#include "text/FileSystem.h"
#include "text/Round.h"
#include "text/functions.h"
#include "word/PDFOutput.h"
#include "word/WordDoc.h"
#include "word/engine/Word.h"

#include <QFileInfo>
#include <QSet>

namespace tavrel {

struct Tbuild::HtmlHelpState
{
    std::unique_ptr<TContentsItems> items;
    std::unique_ptr<THtmlHelpMaker> maker;
};

namespace {
// Warnings about the document come from both converters of a build; each is reported once.
void appendNew(TWarnings &to, const TWarnings &from)
{
    QSet<QString> seen;
    for (const TWarning &w : to.Items())
        seen.insert(w.Text());
    for (const TWarning &w : from.Items())
        if (!seen.contains(w.Text())) {
            seen.insert(w.Text());
            to.Add(w.What, w.Where);
        }
}
} // namespace

Tbuild::Tbuild(TProject *project, QObject *parent) : QThread(parent), Project(project) {}

Tbuild::~Tbuild()
{
    // The owner waits for the end of the thread; a build cannot be cancelled halfway.
    wait();
}

int Tbuild::EnabledOutputs(const TProject &project)
{
    return int(project.HtmlHelpOutput) + int(project.WebHelpOutput) + int(project.PDFOutput);
}

// --- Progress -----------------------------------------------------------------------------------

void Tbuild::SetPosition(int Percent, int NPercent)
{
    CurrentPercent = Percent;
    NextPercent = NPercent;
    Position = int(RoundHalfEven(ValuePerTask * (Percent / 100.0))) + TaskPos;
    UpdateIt();
}

void Tbuild::ConverterAt(int W)
{
    const double inStep = (W / 100.0) * (NextPercent - CurrentPercent) + CurrentPercent;
    Position = int(RoundHalfEven(inStep / 100.0 * ValuePerTask)) + TaskPos;
    UpdateIt();
}

void Tbuild::PdfAt(int D)
{
    Position = int(RoundHalfEven(D / 100.0 * ValuePerTask)) + TaskPos;
    UpdateIt();
}

void Tbuild::WordDocEvent(TWordDoc *Sender)
{
    if (Sender)
        ConverterAt(Sender->Position);
    else
        UpdateIt();
}

void Tbuild::OnProcess(TPDF *Sender)
{
    if (Sender)
        PdfAt(Sender->Position);
    else
        UpdateIt();
}

void Tbuild::UpdateIt()
{
    if (!FOnUpdate)
        return;
    // The owner reads the progress fields only while this thread waits for it.
    if (QThread::currentThread() == thread()) {
        FOnUpdate(this);
        return;
    }
    QMetaObject::invokeMethod(this, [this] { FOnUpdate(this); }, Qt::BlockingQueuedConnection);
}

// --- The build ----------------------------------------------------------------------------------

void Tbuild::Execute()
{
    Failed = false;
    ErrorMsg.clear();
    TaskPos = 0;
    Position = 0;
    const int outputs = Project ? EnabledOutputs(*Project) : 0;
    if (outputs == 0)
        return; // nothing asked for: no copy, no engine, reported as completed
    ValuePerTask = 100 / outputs;
    TaskType = ttPrepare;
    m_swap = std::make_unique<TOutputSwap>();
    try {
        executeSteps();
    } catch (const Exception &e) {
        Failed = true;
        // The user knows the outputs by their places, not by the private folders they are made in.
        ErrorMsg = m_swap->Shown(e.Message());
    } catch (const std::exception &e) {
        Failed = true;
        ErrorMsg = m_swap->Shown(QString::fromUtf8(e.what()));
    } catch (...) {
        Failed = true;
        ErrorMsg = QStringLiteral("An unknown error stopped the build.");
    }
    if (Position >= 5) {
        try {
            QuitWord();
        } catch (...) {
            // Closing the engine cannot change the outcome any more.
        }
    }
    try {
        Cleanup();
    } catch (...) {
    }
    // The copy is the author's whole text: it goes after every build, failed or not, once
    // nothing holds it open any more.
    if (m_copyMarkedForDeletion && !TempCopy.isEmpty())
        FileSystem().RemoveFile(TempCopy);
    TempCopy.clear();
    m_copyMarkedForDeletion = false;
    if (!Failed)
        Position = 100;
    // One place for every message of the build: engine, converters and outputs name the file
    // they were given, which is the copy.
    ErrorMsg = forUser(ErrorMsg);
    TWarnings mapped;
    for (const TWarning &w : Warnings.Items())
        mapped.Add(forUser(w.What), forUser(w.Where));
    Warnings = std::move(mapped);
    UpdateIt();
}

QString Tbuild::forUser(const QString &text) const
{
    if (m_copyForMessages.isEmpty() || m_sourceForMessages.isEmpty())
        return text;
    QString out = text;
    out.replace(m_copyForMessages, m_sourceForMessages);
    const QString name = QFileInfo(m_copyForMessages).fileName();
    if (!name.isEmpty())
        out.replace(name, m_sourceForMessages);
    return out;
}

void Tbuild::executeSteps()
{
    m_copyForMessages.clear();
    m_sourceForMessages = Project->RealPath(ptSourceFile);
    MakeTempCopy();
    m_copyForMessages = TempCopy;
    StartWord();
    SetPosition(5, 35);

    if (Project->HtmlHelpOutput) {
        TaskType = ttHtmlHelp;
        m_hh = std::make_unique<HtmlHelpState>();
        m_hh->items = std::make_unique<TContentsItems>();
        m_hh->items->Project = Project;
        ConvertDocument(1);
        SetPosition(35, 60);
        SplitTopics(*m_hh->items);
        SetPosition(60, 1);
        Project->CHMSetting.Title = Project->HtmlHelpTitleSame ? Project->Title : Project->HtmlHelpTitle;
        HtmlHelpCreate(*m_hh->items);
        SetPosition(70, 1);
        HtmlHelpSetFolder();
        SetPosition(80, 1);
        HtmlHelpOutput();
        SetPosition(95, 1);
        HtmlHelpMake();
        HtmlHelpFree();
        FreeConverter();
        m_hh.reset();
        SetPosition(100, 1);
        TaskPos = Position;
    }

    if (Project->WebHelpOutput) {
        TaskType = ttWebHelp;
        TContentsItems items;
        items.Project = Project;
        SetPosition(25, 50);
        ConvertDocument(2);
        SetPosition(50, 80);
        SplitTopics(items);
        SetPosition(80, 1);
        WebHelpOutput(items);
        SetPosition(95, 1);
        FreeConverter();
        SetPosition(100, 1);
        TaskPos = Position;
    }

    if (Project->PDFOutput) {
        TaskType = ttPDF;
        PdfOutput(TempCopy, Project->OutputPath(ptPDFFile));
        SetPosition(100, 1);
    }

    CommitOutputs();
}

// --- The real steps -----------------------------------------------------------------------------

void Tbuild::MakeTempCopy()
{
    const QString source = Project->RealPath(ptSourceFile);
    const QString suffix = QFileInfo(source).suffix();
    // The copy keeps the extension: the engine chooses its reader by it.
    const QString copy = GetTempFileName(suffix.isEmpty() ? QString() : QLatin1Char('.') + suffix);
    if (!FileSystem().CopyFile(source, copy)) {
        // An empty file would tell nobody anything; only a real copy is kept after a failure.
        FileSystem().RemoveFile(copy);
        throw Exception(QStringLiteral("Cannot copy the source document \"%1\" to the temporary file \"%2\".")
                            .arg(source, copy));
    }
    TempCopy = copy;
    m_copyMarkedForDeletion = true;
}

void Tbuild::StartWord() { WordApplication = std::make_unique<tavrel::WordApplication>(); }

void Tbuild::QuitWord()
{
    if (WordApplication)
        WordApplication->Quit(false);
}

void Tbuild::ConvertDocument(int outputType)
{
    m_word.reset();
    m_word = std::make_unique<TWordDoc>(Project, WordApplication.get(), TempCopy,
                                        [this](TWordDoc *doc) { WordDocEvent(doc); }, outputType);
    Word = m_word.get();
    m_word->OriginalFile = Project->RealPath(ptSourceFile);
    m_word->DoCreate(TempCopy);
}

void Tbuild::SplitTopics(TContentsItems &items)
{
    m_word->ToContentsItems(items);
    if (items.Count() == 0)
        throw Exception(QStringLiteral("The document \"%1\" has no headings, so there is no topic to build. "
                                       "Every topic begins at a heading: give the topic titles a heading "
                                       "style (Heading 1, Heading 2, ...) and build again.")
                            .arg(Project->RealPath(ptSourceFile)));
}

void Tbuild::FreeConverter()
{
    if (m_word)
        appendNew(Warnings, m_word->Warnings);
    Word = nullptr;
    m_word.reset(); // deletes its working folder
}

void Tbuild::HtmlHelpCreate(TContentsItems &items)
{
    m_hh->maker = std::make_unique<THtmlHelpMaker>();
    m_hh->maker->Project = Project;
    m_hh->maker->Contents = &items;
    m_hh->maker->Word = m_word.get();
    m_hh->maker->Swap = m_swap.get();
}

void Tbuild::HtmlHelpSetFolder()
{
    if (Project->OutputHHP) {
        m_hhpFolder = Project->OutputPath(ptHHPFolder);
        if (m_hhpFolder.isEmpty())
            throw Exception(QStringLiteral("The folder of the HTML Help project is not set."));
        TFolderGuard(*Project).CheckFolder(m_hhpFolder, TGuardedOutput::HHPFolder);
        // The kept project is made beside the old one and replaces it with the other outputs.
        m_hh->maker->ProjectFolder = m_swap->StageFolder(m_hhpFolder, TGuardedOutput::HHPFolder);
    } else {
        // A private folder per build: nobody else's files can be in it when it is emptied.
        m_hhpFolder = NewTempFolderName();
        m_privateHhpFolder = true;
        m_hh->maker->ProjectFolder = m_hhpFolder;
    }
}

void Tbuild::HtmlHelpOutput() { m_hh->maker->Output(); }

void Tbuild::HtmlHelpMake()
{
    if (Project->HtmlHelpOutputContext)
        m_hh->maker->OutputContextFile();
    m_hh->maker->Make();
    OutputsWritten << Project->OutputPath(ptCompiledFile);
    if (Project->HtmlHelpOutputContext && !Project->OutputPath(ptContextFile).isEmpty())
        OutputsWritten << Project->OutputPath(ptContextFile);
    if (Project->OutputHHP)
        OutputsWritten << m_hhpFolder;
}

void Tbuild::HtmlHelpFree()
{
    if (m_hh && m_hh->maker) {
        appendNew(Warnings, m_hh->maker->Warnings);
        m_hh->maker.reset();
    }
}

void Tbuild::WebHelpOutput(TContentsItems &items)
{
    TWebHelp webHelp(Project, &items, m_word.get());
    webHelp.Swap = m_swap.get();
    webHelp.Output();
    appendNew(Warnings, webHelp.Warnings);
    OutputsWritten << Project->OutputPath(ptWebHelpFolder);
}

void Tbuild::PdfOutput(const QString &wordFile, const QString &pdfFile)
{
    if (!IsLibreOfficeAvailable())
        throw Exception(QStringLiteral("The convert needs LibreOffice to output PDF file."));
    TPDF pdf;
    pdf.WordApplication = WordApplication.get();
    pdf.Project = Project;
    pdf.FOnProcess = [this](TPDF *p) { OnProcess(p); };
    pdf.Swap = m_swap.get();
    pdf.OriginalFile = Project->RealPath(ptSourceFile);
    pdf.Build(wordFile, pdfFile);
    appendNew(Warnings, pdf.Warnings);
    OutputsWritten << pdfFile;
}

void Tbuild::CommitOutputs()
{
    if (m_swap && !m_swap->Empty())
        m_swap->Commit(TFolderGuard(*Project));
}

void Tbuild::Cleanup()
{
    // The converters and the builder go before the engine they point at.
    if (m_hh) {
        m_hh->maker.reset();
        m_hh->items.reset();
        m_hh.reset();
    }
    Word = nullptr;
    m_word.reset();
    WordApplication.reset();
    if (m_privateHhpFolder && !m_hhpFolder.isEmpty()) {
        DeleteFolder(m_hhpFolder);
        m_privateHhpFolder = false;
    }
    m_swap.reset();
}

} // namespace tavrel
