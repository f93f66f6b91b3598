// The document the writer assembles: page set-up, cover, table of contents, and per contents
// entry its heading, bookmark, index entries and page content.
#include "chm2word/Chm2Word.h"
#include "chm2word/OutputWord.h"
#include "text/Exceptions.h"
#include "text/Round.h"
#include "text/functions.h"
#include "word/engine/Word.h"

#include <QFileInfo>

#include <algorithm>

namespace tavrel {

void TOutputWord::SetupPages()
{
    m_doc = m_word->Documents().Add(false);
    WordPageSetup page = m_doc->PageSetup();
    page.SetPaperSize(PaperSize);
    if (PaperSize == wdPaperCustom) {
        page.SetPageHeight(MillimetresToPoints(Height));
        page.SetPageWidth(MillimetresToPoints(Width));
    }
    page.SetTopMargin(MillimetresToPoints(Top));
    page.SetBottomMargin(MillimetresToPoints(Bottom));
    page.SetLeftMargin(MillimetresToPoints(Left));
    page.SetRightMargin(MillimetresToPoints(Right));
    m_doc->Bookmarks().SetShowHidden(true);
    m_range = std::make_unique<WordRange>(m_doc->Content());
}

void TOutputWord::MakeCover()
{
    WordRange &R = *m_range;
    R.SetStyle(wdStyleNormal);
    for (int i = 0; i < 6; ++i)
        R.InsertParagraphAfter();
    R.Collapse(wdCollapseEnd);
    R.InsertAfter(Title);
    R.Font().SetSize(36);
    R.ParagraphFormat().SetAlignment(wdAlignParagraphCenter);
    R.Collapse(wdCollapseEnd);
    R.InsertParagraphAfter();
    R.InsertParagraphAfter();
    R.Collapse(wdCollapseEnd);
    R.InsertParagraphAfter();
    R.ParagraphFormat().SetAlignment(wdAlignParagraphLeft);
    R.Collapse(wdCollapseEnd);
    R.InsertBreak(wdSectionBreakNextPage);
}

void TOutputWord::MakeToc()
{
    WordRange &R = *m_range;
    R.Collapse(wdCollapseEnd);
    R.InsertAfter(TOCCaption);
    R.Font().SetSize(28);
    R.ParagraphFormat().SetAlignment(wdAlignParagraphLeft);
    R.InsertParagraphAfter();
    R.Collapse(wdCollapseEnd);
    WordTocOptions o;
    o.RightAlignPageNumbers = true;
    o.UseHeadingStyles = true;
    o.UpperHeadingLevel = 1;
    o.LowerHeadingLevel = std::clamp(ShowLevel, 1, 9);
    o.IncludePageNumbers = true;
    o.UseHyperlinks = true;
    o.HidePageNumbersInWeb = true;
    o.UseOutlineLevels = true;
    WordTableOfContents toc = m_doc->TablesOfContents().Add(R, o);
    R = toc.Range();
    R.Collapse(wdCollapseEnd);
    R.InsertBreak(wdSectionBreakNextPage);
}

void TOutputWord::WriteEntry(int k, int)
{
    const TTitleList &e = *m_converter->List[k];
    WordRange &R = *m_range;
    if (k > 0 && (StartNewPage == 2 || (StartNewPage == 1 && e.Level == 0))) {
        R.Collapse(wdCollapseEnd);
        R.InsertParagraphAfter();
        R.Collapse(wdCollapseEnd);
        R.InsertBreak(wdSectionBreakNextPage);
    }
    R.Collapse(wdCollapseEnd);
    R.SetStyle(HeadingStyleOfLevel(e.Level));
    R.InsertAfter(TitleNumber && !e.ChapterNumber.isEmpty() ? e.ChapterNumber + QLatin1Char(' ') + e.Topic : e.Topic);
    // The bookmark marks R itself; looking it up again by name would search the document.
    if (!e.Bookmark.isEmpty())
        m_doc->Bookmarks().Add(e.Bookmark, R);
    R.Collapse(wdCollapseEnd);
    R.InsertParagraphAfter();
    R.Collapse(wdCollapseEnd);

    if (XE && !e.Keywords.isEmpty()) {
        // The fields of the collapsed range, not of the document: collecting the document's
        // fields reads every paragraph, once per keyword of every entry.
        for (const QString &line : IndexEntryTexts(e.Keywords))
            R.Fields().Add(R, wdFieldIndexEntry, QLatin1Char('"') + line + QLatin1Char('"'), false);
        R = m_doc->Content();
        R.Collapse(wdCollapseEnd);
    }

    if (e.Status == 0 && !e.Url.isEmpty()) {
        const QString file = m_converter->ExistingFile(NormalizePath(m_rootFolder + SplitUrlBookmark(e.Url).first));
        if (!file.isEmpty() && !m_converter->IsOutOfRootfolder(file) && QFileInfo(file).isFile())
            WritePage(e, file);
    } else if (e.Status == 3) {
        R.Collapse(wdCollapseEnd);
        R.SetStyle(wdStyleNormal);
        WordHyperlink link = m_doc->Hyperlinks().Add(R, e.Url, QString(), QString(), e.Url);
        R = link.Range();
        R.Collapse(wdCollapseEnd);
        R.InsertParagraphAfter();
    }
}

void TOutputWord::WritePage(const TTitleList &entry, const QString &file)
{
    WordOpenOptions options;
    options.Format = wdOpenFormatWebPages;
    options.Visible = false;
    options.AllowedFolder = m_rootFolder;
    options.CodePage = Codepage;
    options.DisplayName = entry.Url;
    std::shared_ptr<WordDocument> page;
    try {
        page = m_word->Documents().Open(file, options);
    } catch (const Exception &e) {
        // One unreadable page costs its content, not the whole document.
        Warnings.Add(e.Message(), entry.Url);
        return;
    }
    struct CloseAfter
    {
        std::shared_ptr<WordDocument> &doc;
        ~CloseAfter()
        {
            try {
                doc->Close(0);
            } catch (...) {
            }
        }
    } closeAfter{page};

    // The page's own headings become body text that keeps their look, so the contents of the
    // new document are the help file's contents and nothing else.
    WordRange G = page->GoTo(wdGoToHeading, wdGoToFirst);
    G.Expand(wdParagraph);
    int start = G.Start();
    for (int guard = 0; guard < 1000000; ++guard) {
        if (G.ParagraphFormat().OutlineLevel() < 10) {
            const QString style = G.ParagraphFormat().Style();
            G.SetStyle(wdStyleNormal);
            try {
                const WordStyle s = page->Styles().Item(style);
                WordFont from = s.Font(), to = G.Font();
                to.SetName(from.Name());
                to.SetColor(from.Color());
                to.SetSize(from.Size());
                to.SetBold(from.Bold());
                G.ParagraphFormat().SetAlignment(s.ParagraphFormat().Alignment());
            } catch (...) {
            }
        }
        G = G.GoTo(wdGoToHeading, wdGoToNext);
        if (G.Start() == start)
            break;
        start = G.Start();
        G.Expand(wdParagraph);
    }
    const WordRange content = page->Content();
    if (content.End() > content.Start()) {
        content.Copy();
        WordRange &R = *m_range;
        R.Collapse(wdCollapseEnd);
        R.SetStyle(wdStyleNormal);
        R.Paste();
    }
    Warnings.Append(page->Warnings());
}

void TOutputWord::EmbedPictures()
{
    Report(80, QStringLiteral("Saving pictures to document..."));
    WordShapes inlineShapes = m_doc->InlineShapes();
    WordShapes shapes = m_doc->Shapes();
    const int a = inlineShapes.Count(), b = shapes.Count();
    const int total = a + b;
    auto step = [&](int k) {
        Check();
        Report(80 + int(RoundHalfEven(k * 10.0 / total)), QStringLiteral("Saving pictures to document (%1 of %2)...").arg(k).arg(total));
    };
    for (int k = 1; k <= a; ++k) {
        step(k);
        WordShape s = inlineShapes.Item(k);
        if (s.Type() == wdInlineShapeLinkedPicture) {
            s.SetSavePictureWithDocument(true);
            s.BreakLink();
        }
    }
    for (int k = 1; k <= b; ++k) {
        step(a + k);
        WordShape s = shapes.Item(k);
        if (s.Type() == wdShapeLinkedPicture) {
            s.SetSavePictureWithDocument(true);
            s.BreakLink();
        }
    }
}

} // namespace tavrel
