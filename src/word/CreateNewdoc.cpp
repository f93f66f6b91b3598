#include "word/CreateNewdoc.h"

#include "project/MainWindowLogic.h"
#include "project/ProjectSetting.h"
#include "project/ResourceStrings.h"
#include "text/Exceptions.h"
#include "text/FileSystem.h"
#include "text/HTMLProcess.h"
#include "text/LanguageProcess.h"
#include "text/Messages.h"
#include "text/OutsideFiles.h"
#include "text/Shell.h"
#include "text/functions.h"
#include "word/engine/Word.h"

#include <QFileInfo>
#include <QStringDecoder>
#include <algorithm>

namespace tavrel {

const char *const kContentPlaceholder = "Enter your content...";

// --- The outline -------------------------------------------------------------------------------

std::vector<TOutlineHeading> ParseOutline(const QStringList &lines)
{
    std::vector<TOutlineHeading> out;
    for (int i = 0; i < lines.size(); ++i) {
        const QString &line = lines[i];
        int tabs = 0;
        while (tabs < line.size() && line[tabs] == QLatin1Char('\t'))
            ++tabs;
        const QString title = TrimWhiteSpace(line);
        if (title.isEmpty())
            continue;
        out.push_back({std::min(tabs, i), title});
    }
    return out;
}

int WriteOutline(WordDocument &document, const QStringList &lines)
{
    const QString placeholder = QString::fromLatin1(kContentPlaceholder);
    WordRange range = document.Content();
    int previous = -1, count = 0;
    for (const TOutlineHeading &h : ParseOutline(lines)) {
        // The previous heading has no sub-headings: it gets a paragraph for its text.
        if (previous >= 0 && h.Level <= previous) {
            range.Collapse(wdCollapseEnd);
            range.InsertAfter(placeholder + QStringLiteral("\r\n"));
            // Body text, whatever the paragraph it was typed into had.
            range.SetStyle(wdStyleNormal);
        }
        range.Collapse(wdCollapseEnd);
        range.InsertAfter(h.Title + QStringLiteral("\r\n"));
        range.SetStyle(HeadingStyleOfLevel(h.Level));
        previous = h.Level;
        ++count;
    }
    if (previous >= 0) {
        range.Collapse(wdCollapseEnd);
        range.InsertAfter(placeholder);
        range.SetStyle(wdStyleNormal);
    }
    return count;
}

QString LockedTargetMessage(const QString &fileName)
{
    return QStringLiteral("\"%1\" access denied! It probably has been opened. Please close it and retry.").arg(fileName);
}

bool CreateDocumentFromOutline(const QString &fileName, const QStringList &lines)
{
    // The engine closes its documents when it goes, also after an error.
    WordApplication word;
    std::shared_ptr<WordDocument> document = word.Documents().Add(false);
    WriteOutline(*document, lines);

    while (IsFileInUse(fileName, true)) {
        if (Messages().Ask(LockedTargetMessage(fileName), mbCancel | mbRetry, TMsgIcon::Error) != mbRetry)
            return false;
    }
    const QString folder = QFileInfo(fileName).absolutePath();
    if (!QFileInfo(folder).isDir() && !FileSystem().MakePath(folder))
        throw Exception(QStringLiteral("Cannot create the folder \"%1\".").arg(folder));
    const bool docx = fileName.endsWith(QLatin1String(".docx"), Qt::CaseInsensitive);
    document->SaveAs(fileName, docx ? wdFormatXMLDocument : wdFormatDocument97);
    return true;
}

// --- The dialog's defaults -----------------------------------------------------------------

const QStringList &DefaultOutline()
{
    static const QStringList lines = {
        "What's New ",
        "Overview",
        "\tIntroduction",
        "\tFeatures",
        "\tSystem Requirements",
        "\tInstallation and Uninstallation",
        "Quick Start Tutorials",
        "\tGetting Started",
        "How to use",
        "\tStep-by-Step Procedures",
        "\tReference",
        "Hints and Tips",
        "\tFrequently Asked Questions",
        "Miscellaneous",
        "\tTechnical Support",
        "\tOrdering Information",
        "\tOther information",
        "\tContacting Me",
        "\tEnd User License",
        "\tLicense Agreement",
        "\tCredits ",
    };
    return lines;
}

const QStringList &CommonTitles()
{
    static const QStringList titles = {
        "Contacting Me",
        "Credits ",
        "End User License",
        "Features",
        "Frequently Asked Questions",
        "Getting Started",
        "Hints and Tips",
        "How to use",
        "Installation and Uninstallation",
        "Installation and setup",
        "Introduction",
        "License Agreement",
        "License and Ordering Information ",
        "Menu summary",
        "Menus and Toolbars",
        "Miscellaneous",
        "Ordering Information",
        "Other information",
        "Overview",
        "Purchase",
        "Quick Start Tutorials",
        "Reference",
        "Step-by-Step Procedures",
        "System Requirements",
        "Technical Support",
        "What's New ",
    };
    return titles;
}

// --- Edits of the outline text -------------------------------------------------------------

namespace {

int lineStartAt(const QString &text, int pos)
{
    pos = std::clamp(pos, 0, int(text.size()));
    const int nl = pos > 0 ? int(text.lastIndexOf(QLatin1Char('\n'), pos - 1)) : -1;
    return nl + 1;
}

// Line starts touched by a selection, last first; the first line of the text is left out.
std::vector<int> touchedLines(const QString &text, int selStart, int selLength)
{
    selStart = std::clamp(selStart, 0, int(text.size()));
    const int selEnd = std::clamp(selStart + std::max(selLength, 0), selStart, int(text.size()));
    std::vector<int> starts;
    const int first = lineStartAt(text, selStart);
    if (first > 0)
        starts.push_back(first);
    for (int i = int(text.indexOf(QLatin1Char('\n'), selStart)); i >= 0 && i + 1 <= selEnd;
         i = int(text.indexOf(QLatin1Char('\n'), i + 1)))
        starts.push_back(i + 1);
    std::reverse(starts.begin(), starts.end());
    return starts;
}

} // namespace

TOutlineEdit IndentOutline(const QString &text, int selStart, int selLength)
{
    TOutlineEdit e;
    e.Positions = touchedLines(text, selStart, selLength);
    e.SelStart = std::clamp(selStart, 0, int(text.size()));
    e.SelLength = std::max(selLength, 0) + int(e.Positions.size());
    return e;
}

TOutlineEdit OutdentOutline(const QString &text, int selStart, int selLength)
{
    TOutlineEdit e;
    for (int p : touchedLines(text, selStart, selLength))
        if (p < text.size() && text[p] == QLatin1Char('\t'))
            e.Positions.push_back(p);
    e.SelStart = std::clamp(selStart, 0, int(text.size()) - int(e.Positions.size()));
    e.SelLength = std::max(0, std::max(selLength, 0) - int(e.Positions.size()));
    return e;
}

QString ApplyIndent(const QString &text, const TOutlineEdit &edit)
{
    QString t = text;
    for (int p : edit.Positions)
        t.insert(p, QLatin1Char('\t'));
    return t;
}

QString ApplyOutdent(const QString &text, const TOutlineEdit &edit)
{
    QString t = text;
    for (int p : edit.Positions)
        t.remove(p, 1);
    return t;
}

int TitleInsertPosition(const QString &text, int caret)
{
    return lineStartAt(text, caret);
}

// --- Outline text files ----------------------------------------------------------------------

QString DecodeOutline(const QByteArray &bytes)
{
    const auto *u = reinterpret_cast<const unsigned char *>(bytes.constData());
    const qsizetype n = bytes.size();
    if (n >= 2 && u[0] == 0xFE && u[1] == 0xFF) {
        QStringDecoder be(QStringConverter::Utf16BE);
        return be(QByteArrayView(bytes).sliced(2, (n - 2) / 2 * 2));
    }
    if (n >= 2 && ((u[0] == 0xFF && u[1] == 0xFE) || (u[0] == 0xEF && u[1] == 0xBB)))
        return DecodeTextStream(bytes);
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = utf8(bytes);
    if (!utf8.hasError())
        return text;
    return DecodeCodePage(bytes, 0);
}

QString LoadOutline(const QString &fileName)
{
    if (!FileSystem().CanOpenRead(fileName))
        throw Exception(QStringLiteral("Cannot open file \"%1\".").arg(fileName));
    const TOutsideFile f = ReadOutsideFile(fileName);
    if (!f.Ok())
        throw Exception(QStringLiteral("Cannot read file \"%1\": it %2.").arg(fileName, f.Error));
    QString text = DecodeOutline(f.Data);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    // The line break that ends the last line does not start another one.
    if (text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    return text;
}

QByteArray EncodeOutline(const QString &text)
{
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast(); // a final line break ends the last line, it does not start another
    QString body;
    for (const QString &l : lines)
        body += l + QStringLiteral("\r\n");
    QByteArray out("\xFF\xFE", 2);
    out += QByteArray(reinterpret_cast<const char *>(body.utf16()), body.size() * 2);
    return out;
}

void SaveOutline(const QString &text, const QString &fileName)
{
    if (!FileSystem().WriteFile(fileName, EncodeOutline(text)))
        throw Exception(QStringLiteral("Cannot create file \"%1\".").arg(fileName));
}

// --- The main window's "Create.." ------------------------------------------------------------

QString NewDocumentProposal(const QString &sourceFile)
{
    if (!sourceFile.isEmpty())
        return sourceFile;
    return QStringLiteral("<Project_Folder>/doc") + DefaultWordExtension();
}

bool ConfirmNewDocumentTarget(const QString &typedName, const QString &resolvedName)
{
    if (!QFileInfo::exists(resolvedName))
        return true;
    const QString text = Resource().GetStringById(QStringLiteral("600")).replace(QLatin1String("%s"), typedName);
    return Messages().Ask(text, mbYes | mbNo, TMsgIcon::Question) == mbYes;
}

bool CreateSourceDocument(TProject &project, const QString &typedName, const QStringList &lines)
{
    if (!CreateDocumentFromOutline(project.RealPath(typedName), lines))
        return false;
    project.SourceFile = typedName;
    project.ProjectChanged = true;
    return true;
}

void OfferToOpenNewDocument(const TProject &project, const QString &typedName)
{
    const QString text = Resource().GetStringById(QStringLiteral("601")).replace(QLatin1String("%s"), typedName);
    if (Messages().Ask(text, mbYes | mbNo, TMsgIcon::Question) == mbYes)
        Shell().OpenDocument(project.RealPath(typedName));
}

} // namespace tavrel
