#include "word/PDFOutput.h"
#include "text/OutputPath.h"

#include "project/FolderGuard.h"
#include "project/OutputSwap.h"
#include "project/ProjectSetting.h"
#include "text/Exceptions.h"
#include "text/FileSystem.h"
#include "word/engine/Word.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFWriter.hh>

namespace tavrel {

TPdfOpenView TPdfOpenView::FromSettings(int panes, int magnification, int pageLayout)
{
    TPdfOpenView v;
    // Items of the main window's lists; an item that inserts nothing keeps the exporter's key.
    if (pageLayout == 1)
        v.PageLayout = QStringLiteral("SinglePage");
    else if (pageLayout == 3)
        v.PageLayout = QStringLiteral("TwoColumnRight");
    if (panes == 1)
        v.PageMode = QStringLiteral("UseOutlines");
    else if (panes == 2)
        v.PageMode = QStringLiteral("UseThumbs");
    switch (magnification) {
    case 0: v.OpenAction = Zoom::XYZ; v.Argument = 0; break;
    case 1: v.OpenAction = Zoom::FitH; v.Argument = 842; break;
    case 2: v.OpenAction = Zoom::Fit; break;
    case 3: v.OpenAction = Zoom::FitBH; v.Argument = 842; break;
    case 4: v.OpenAction = Zoom::XYZ; v.Argument = 1; break;
    default: break;
    }
    return v;
}

namespace {

QPDFObjectHandle number(double v)
{
    if (v == static_cast<long long>(v))
        return QPDFObjectHandle::newInteger(static_cast<long long>(v));
    return QPDFObjectHandle::newReal(v, 4);
}

QPDFObjectHandle openAction(const QPDFObjectHandle &page, const TPdfOpenView &v)
{
    QPDFObjectHandle a = QPDFObjectHandle::newArray();
    a.appendItem(page);
    switch (*v.OpenAction) {
    case TPdfOpenView::Zoom::XYZ:
        a.appendItem(QPDFObjectHandle::newName("/XYZ"));
        a.appendItem(QPDFObjectHandle::newNull());
        a.appendItem(QPDFObjectHandle::newNull());
        a.appendItem(number(v.Argument));
        break;
    case TPdfOpenView::Zoom::FitH:
        a.appendItem(QPDFObjectHandle::newName("/FitH"));
        a.appendItem(number(v.Argument));
        break;
    case TPdfOpenView::Zoom::Fit:
        a.appendItem(QPDFObjectHandle::newName("/Fit"));
        break;
    case TPdfOpenView::Zoom::FitBH:
        a.appendItem(QPDFObjectHandle::newName("/FitBH"));
        a.appendItem(number(v.Argument));
        break;
    }
    return a;
}

} // namespace

void EditPdfCatalog(const QString &FileName, const QString &NewFileName, int Panes, int Magnification, int PageLayout)
{
    const TPdfOpenView view = TPdfOpenView::FromSettings(Panes, Magnification, PageLayout);
    const QString target = QFileInfo(NewFileName).absoluteFilePath();
    QTemporaryFile temp(QFileInfo(target).absolutePath() + QStringLiteral("/~tapdfXXXXXX.pdf"));
    if (!temp.open())
        throw Exception(QStringLiteral("Cannot write a temporary file beside \"%1\".").arg(NewFileName));
    temp.close();
    // qpdf takes the raw name, which a NUL would cut short.
    if (HasControlCharacter(FileName) || HasControlCharacter(NewFileName))
        throw Exception(QStringLiteral("The PDF path \"%1\" holds a control character.").arg(PrintablePath(NewFileName)));
    try {
        QPDF pdf;
        pdf.setSuppressWarnings(true);
        pdf.processFile(QFile::encodeName(FileName).constData());
        QPDFObjectHandle root = pdf.getRoot();
        if (!root.isDictionary())
            throw Exception(QStringLiteral("\"%1\" has no document catalog.").arg(FileName));
        if (view.PageLayout)
            root.replaceKey("/PageLayout", QPDFObjectHandle::newName("/" + view.PageLayout->toStdString()));
        if (view.PageMode)
            root.replaceKey("/PageMode", QPDFObjectHandle::newName("/" + view.PageMode->toStdString()));
        if (view.OpenAction) {
            const std::vector<QPDFObjectHandle> &pages = pdf.getAllPages();
            if (pages.empty())
                throw Exception(QStringLiteral("\"%1\" has no pages.").arg(FileName));
            root.replaceKey("/OpenAction", openAction(pages.front(), view));
        }
        QPDFWriter writer(pdf, QFile::encodeName(temp.fileName()).constData());
        // The same input gives the same bytes apart from the dates the exporter wrote.
        writer.setDeterministicID(true);
        writer.write();
    } catch (const Exception &) {
        throw;
    } catch (const std::exception &e) {
        throw Exception(QStringLiteral("The PDF file \"%1\" cannot be read: %2").arg(FileName, QString::fromLocal8Bit(e.what())));
    }
    // A replaced PDF keeps its permissions; a new one gets those of a newly created file
    // instead of the temporary file's owner-only bits.
    temp.setPermissions(QFileInfo::exists(target) ? QFile::permissions(target) : NewFilePermissions());
    if (!FileSystem().Rename(temp.fileName(), target))
        throw Exception(QStringLiteral("Cannot write the PDF file \"%1\".").arg(NewFileName));
    temp.setAutoRemove(false);
}

void TPDF::setPosition(int p)
{
    Position = p;
    if (FOnProcess)
        FOnProcess(this);
}

void TPDF::Build(const QString &Word, const QString &Pdf)
{
    if (!WordApplication || !Project)
        throw Exception(QStringLiteral("The PDF output has no document engine or project."));
    setPosition(20);
    WordOpenOptions options;
    const QString original = OriginalFile.isEmpty() ? Word : OriginalFile;
    options.LinkBase = QFileInfo(original).absolutePath();
    options.CarryFolders = Project->CarryRootFolders();
    options.CarryFolders << options.LinkBase;
    std::shared_ptr<WordDocument> document = WordApplication->Documents().Open(Word, options);
    const int known = document->Warnings().Count();
    TOutputSwap own;
    const QString staged = (Swap ? *Swap : own).StageFile(Pdf, TGuardedOutput::PDFFile);
    setPosition(45);
    document->ExportAsFixedFormat(staged, wdExportFormatPDF, false, 1);
    // Reading warnings belong to the HTML outputs' report already; only the export's are new.
    const auto &all = document->Warnings().Items();
    for (size_t i = static_cast<size_t>(known); i < all.size(); ++i)
        Warnings.Add(all[i].What, all[i].Where);
    setPosition(80);
    EditPdfCatalog(staged, staged, Project->Panes, Project->Magnification, Project->PageLayout);
    document->Close(0);
    if (!Swap)
        own.Commit(TFolderGuard(*Project));
    setPosition(100);
}

} // namespace tavrel
