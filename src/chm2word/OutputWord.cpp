#include "chm2word/OutputWord.h"

#include "chm2word/Chm2Word.h"
#include "text/Exceptions.h"
#include "text/FileSystem.h"
#include "text/Messages.h"
#include "text/Round.h"
#include "text/functions.h"
#include "word/engine/LibreOffice.h"
#include "word/PDFOutput.h"
#include "word/engine/Word.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QRandomGenerator>

#include <algorithm>
#include <utility>

namespace tavrel {

int MillimetresToPoints(int millimetres)
{
    return int(RoundHalfEven(millimetres * 2.85));
}

QStringList IndexEntryTexts(const QString &keywords)
{
    QStringList out;
    for (const QString &k : keywords.split(KeywordSeparator, Qt::SkipEmptyParts)) {
        QString line = k;
        line.replace(QLatin1Char('/'), QLatin1Char(':'));
        // A double quote would end the entry's text inside the field code.
        line.replace(QLatin1Char('"'), QLatin1Char('\''));
        if (!line.trimmed().isEmpty())
            out << line;
    }
    return out;
}

int EntryPosition(int k, int n)
{
    return n <= 0 ? 20 : 20 + int(RoundHalfEven(double(k) * 60.0 / n));
}

TWordOutput WordOutputOf(const QString &path, bool onlyWord)
{
    const QString suffix = QFileInfo(path).suffix();
    if (suffix.compare(QLatin1String("docx"), Qt::CaseInsensitive) == 0)
        return TWordOutput::Docx;
    if (!onlyWord && suffix.compare(QLatin1String("pdf"), Qt::CaseInsensitive) == 0)
        return TWordOutput::Pdf;
    return TWordOutput::Doc;
}

TOutputWord::TOutputWord(QObject *parent) : QThread(parent) {}

TOutputWord::~TOutputWord()
{
    if (isRunning()) {
        WantToExit = true;
        wait();
    }
}

// --- Talking to the main thread -----------------------------------------------------------------

void TOutputWord::UpdateIt()
{
    auto update = [this] {
        if (!Msg.isEmpty()) {
            const QString m = std::exchange(Msg, QString());
            Messages().ShowInfo(m);
        }
        if (!ErrorMsg.isEmpty()) {
            const QString m = std::exchange(ErrorMsg, QString());
            Messages().ShowError(m);
        }
        if (FOnUpdate)
            FOnUpdate(this);
    };
    if (QThread::currentThread() == thread() || !isRunning())
        update();
    else
        QMetaObject::invokeMethod(this, update, Qt::BlockingQueuedConnection);
}

void TOutputWord::StopIt()
{
    WantToExit = true;
    if (QThread::currentThread() == this || !isRunning())
        return;
    // The run may be waiting for this thread to show its progress: keep serving it.
    QEventLoop loop;
    connect(this, &QThread::finished, &loop, &QEventLoop::quit, Qt::QueuedConnection);
    if (isRunning())
        loop.exec();
    wait();
}

void TOutputWord::Check()
{
    if (WantToExit)
        throw EUserCancel(QStringLiteral("User canceled!"));
}

void TOutputWord::Report(int pos, const QString &text)
{
    position = pos;
    info = text;
    UpdateIt();
}

void TOutputWord::Report(const QString &text)
{
    info = text;
    UpdateIt();
}

// --- The run ------------------------------------------------------------------------------------

void TOutputWord::Execute()
{
    // A cancel that came before the thread started is kept: the run stops at its first check.
    Failed = false;
    OK = false;
    Written.clear();
    try {
        QElapsedTimer clock;
        clock.start();
        PrepareConverter();
        Report(1, QStringLiteral("Decompiling..."));
        Check();
        m_converter->decompile();
        Times.Decompile = clock.restart();
        Distil();
        Times.Distil = clock.restart();
        Report(20, QString());
        Check();
        CreateDocument();
        WriteEntries();
        Times.Assemble = clock.restart();
        EmbedPictures();
        Save();
        Times.Write = clock.restart();
    } catch (const EUserCancel &) {
        info = QStringLiteral("Failed.");
        Failed = true;
    } catch (const Exception &e) {
        info = QStringLiteral("Failed.");
        Failed = true;
        ErrorMsg = e.Message();
    } catch (const std::exception &e) {
        info = QStringLiteral("Failed.");
        Failed = true;
        ErrorMsg = QString::fromUtf8(e.what());
    } catch (...) {
        info = QStringLiteral("Failed.");
        Failed = true;
        ErrorMsg = QStringLiteral("The conversion failed for an unknown reason.");
    }
    UpdateIt();
    Cleanup();
    if (!Failed) {
        position = 100;
        info = QStringLiteral("OK!");
    }
    OK = true;
    UpdateIt();
}

void TOutputWord::PrepareConverter()
{
    m_converter = std::make_unique<Tchm2word>();
    m_converter->LoadFromCHM(chm);
    m_rootFolder = NewTempFolderName();
    m_converter->rootFolder = m_rootFolder;
    m_converter->AddHint = AddHint && TitleNumber;
    m_converter->HintFormat = HintFormat;
    m_converter->Discard = Discard;
    m_converter->Addenda = Addenda;
    m_converter->CodePage = Codepage;
    // A cancel is seen within one file or page of the decompile and the distil steps. Each
    // item is shown while there are few; of many, about every hundredth, so that a window
    // is not asked to repaint for each of twenty thousand files.
    m_converter->OnProgress = [this](const QString &step, int done, int total) {
        Check();
        if (total <= 0)
            return;
        const int every = std::max(1, total / 100);
        if (total <= 200 || done % every == 0) {
            Report(QStringLiteral("%1 (%2 of %3)...").arg(step).arg(done + 1).arg(total));
            // A cancel pressed while the step was shown stops it before this item.
            Check();
        }
    };
}

void TOutputWord::Distil()
{
    Tchm2word &c = *m_converter;
    if (c.List.Count() == 0 && c.Written.isEmpty())
        throw Exception(QStringLiteral("\"%1\" holds no pages to convert.").arg(chm));
    Report(5, QStringLiteral("Analyzing..."));
    Check();
    c.ProcessTocLink();
    c.FillFileList();
    c.ChangeCSS();
    Report(10, QStringLiteral("Preparing to distill pages..."));
    Check();
    c.RemoveSame();
    c.NonTocFileToToc();
    c.GetChapterNumber();
    c.GetBookmark();
    c.List.initializeUrls();
    Report(15, QStringLiteral("Distilling pages..."));
    Check();
    c.DistillPages();
    c.ProcessTocLink2();
    Warnings.Append(c.Warnings);
}

void TOutputWord::CreateDocument()
{
    Report(QStringLiteral("Launching Word..."));
    m_word = std::make_unique<WordApplication>();
    Report(QStringLiteral("Word launched."));
    Report(QStringLiteral("Creating document..."));
    SetupPages();
    if (Cover) {
        Report(QStringLiteral("Creating cover..."));
        MakeCover();
    }
    if (Toc) {
        Report(QStringLiteral("Creating TOC..."));
        MakeToc();
    }
}

void TOutputWord::WriteEntries()
{
    const int n = m_converter->List.Count();
    max = n;
    for (int k = 0; k < n; ++k) {
        Check();
        Report(EntryPosition(k, n), QStringLiteral("Processing (%1 of %2) %3...").arg(k + 1).arg(n).arg(m_converter->List[k]->Url));
        WriteEntry(k, n);
    }
}

bool TOutputWord::WaitForFile(const QString &file)
{
    Abort = false;
    while (IsFileInUse(file, true)) {
        DeniedFile = file;
        const QString text = QStringLiteral("\"%1\" access denied! It probably has been opened. Please close it and retry.").arg(DeniedFile);
        // The question is asked on the main thread by the message interface itself.
        if (Messages().Ask(text, mbAbort | mbRetry, TMsgIcon::Error) != mbRetry) {
            Abort = true;
            return false;
        }
    }
    return true;
}

QString TOutputWord::StagingName(const QString &target) const
{
    const QFileInfo fi(target);
    return fi.absolutePath() + QStringLiteral("/.~tavrel-%1.%2")
                                   .arg(QRandomGenerator::global()->generate64(), 16, 16, QLatin1Char('0'))
                                   .arg(fi.suffix().toLower());
}

void TOutputWord::Save()
{
    Report(98, QStringLiteral("Saving document..."));
    const TWordOutput kind = WordOutputOf(pdf, OnlyWord);
    QString target = QFileInfo(pdf).absoluteFilePath();
    if (kind == TWordOutput::Doc && QFileInfo(target).suffix().compare(QLatin1String("doc"), Qt::CaseInsensitive) != 0)
        target = QFileInfo(target).path() + QLatin1Char('/') + QFileInfo(target).completeBaseName() + QStringLiteral(".doc");
    if (kind != TWordOutput::Docx && !engine::TLibreOffice::Available())
        throw Exception(kind == TWordOutput::Pdf ? QStringLiteral("The convert needs LibreOffice to output PDF file.")
                                                 : QStringLiteral("The convert needs LibreOffice to output a .doc file."));
    const QString folder = QFileInfo(target).absolutePath();
    if (!FileSystem().MakePath(folder))
        throw Exception(QStringLiteral("The folder \"%1\" cannot be created.").arg(folder));
    if (!WaitForFile(target))
        throw Exception(QStringLiteral("\"%1\" is in use; the document was not written.").arg(target));
    Check();
    // Everything is written under a private name beside the target and renamed over it at the
    // end, so a failure or a cancel never leaves half a document under the target's name.
    const QString staged = StagingName(target);
    m_staged << staged;
    if (kind == TWordOutput::Pdf) {
        // The export reads a document from its file: the assembled one is saved privately first.
        const QString docx = StagingName(QFileInfo(target).path() + QStringLiteral("/x.docx"));
        m_staged << docx;
        m_doc->SaveAs(docx, wdFormatXMLDocument);
        std::shared_ptr<WordDocument> saved = m_word->Documents().Open(docx);
        saved->ExportAsFixedFormat(staged, wdExportFormatPDF, false, 1);
        saved->Close(0);
        Check();
        EditPdfCatalog(staged, staged, Panes, Magnification, PageLayout);
    } else {
        m_doc->SaveAs(staged, kind == TWordOutput::Docx ? wdFormatXMLDocument : wdFormatDocument97);
    }
    Check();
    if (!FileSystem().Rename(staged, target))
        throw Exception(QStringLiteral("\"%1\" cannot be written.").arg(target));
    m_staged.removeAll(staged);
    Written = target;
    Warnings.Append(m_doc->Warnings());
    m_doc->Close(0);
    m_doc.reset();
}

void TOutputWord::Cleanup()
{
    if (m_doc) {
        try {
            m_doc->Close(0);
        } catch (...) {
        }
        m_doc.reset();
    }
    m_range.reset();
    if (m_word) {
        try {
            m_word->Quit(false);
        } catch (...) {
        }
        m_word.reset();
    }
    if (!m_rootFolder.isEmpty())
        DeleteFolder(m_rootFolder);
    m_rootFolder.clear();
    for (const QString &f : std::as_const(m_staged))
        FileSystem().RemoveFile(f);
    m_staged.clear();
    m_converter.reset();
}

} // namespace tavrel
