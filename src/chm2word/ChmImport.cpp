#include "chm2word/ChmImport.h"

#include "chm2word/ChmTo.h"
#include "chm2word/OutputWord.h"
#include "project/ResourceStrings.h"
#include "text/Messages.h"

#include <QFileInfo>

namespace tavrel {

QString ImportMessage(const QString &id, const QString &argument)
{
    QString text = Resource().GetStringById(id);
    text.replace(QLatin1String("%s"), argument);
    return text;
}

bool ImportBoxesComplete(const QString &helpFile, const QString &wordFile)
{
    return !helpFile.isEmpty() && !wordFile.isEmpty();
}

bool ConfirmImport(const QString &helpFile, const QString &wordFileText, const QString &resolvedWordFile)
{
    if (!QFileInfo(helpFile).isFile()) {
        Messages().ShowError(ImportMessage(QStringLiteral("602"), helpFile));
        return false;
    }
    if (QFileInfo::exists(resolvedWordFile))
        return Messages().Ask(ImportMessage(QStringLiteral("600"), wordFileText), mbYes | mbNo, TMsgIcon::Question) == mbYes;
    return true;
}

THelpFileFacts ReadHelpFileFacts(const QString &chm)
{
    Tchm t;
    t.LoadFromCHM(chm);
    return {t.Title, t.LangID, t.CodePage};
}

void SetImportSettings(TOutputWord &w, const QString &chm, const QString &wordFile, const THelpFileFacts &facts)
{
    w.OnlyWord = true;
    w.chm = chm;
    w.pdf = wordFile;
    w.Title = facts.Title;
    w.Codepage = facts.CodePage;
    w.PaperSize = 7;
    w.Height = w.Width = 0;
    w.Top = w.Bottom = 25;
    w.Left = w.Right = 30;
    w.Cover = w.Header = w.Footer = w.Toc = false;
    w.XE = true;
    w.ShowLevel = 9;
    w.TOCCaption = QStringLiteral("Table of Contents");
    w.TitleNumber = false;
    w.AddHint = false;
    w.HintFormat.clear();
    w.StartNewPage = 0;
    w.Discard = false;
    w.Addenda = QStringLiteral("Addenda");
    w.Panes = 1;
    w.Magnification = 4;
    w.PageLayout = 0;
}

} // namespace tavrel
