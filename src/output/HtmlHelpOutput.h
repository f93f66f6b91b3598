#pragma once
// Turns the contents list of one build into an HTML Help project and compiles it: empties the
// project folder, writes the attached files and one page per topic through the page template,
// builds the contents list, the keyword index and the context-sensitive help texts, writes the
// optional context file and hands everything to a TCHMProject that writes the project files and
// runs the compiler.
#include "text/StringList.h"
#include "text/Warnings.h"

#include <QString>

namespace tavrel {

class TProject;
class TContentsItems;
struct TConvertedDocument;
class TOutputSwap;

class THtmlHelpMaker : public TObject
{
public:
    // All borrowed; the build sets them before Output. Word, the converted document, may be
    // null (no attached files and no document head), which tests use.
    TProject *Project = nullptr;
    TContentsItems *Contents = nullptr;
    const TConvertedDocument *Word = nullptr;
    QString ProjectFolder; // with a trailing "/"
    // The build's outputs, swapped in when the whole build is done. Without it the compiled
    // file and the context file are still made privately, and each replaces the old one as
    // soon as it is complete.
    TOutputSwap *Swap = nullptr;

    // Checks the folder with the folder guard, deletes it with everything in it, creates it
    // again, copies the document's attached files and writes the pages. Raises when there is no
    // topic with a page, when the guard refuses the folder or when a file cannot be written.
    void Output();
    // The page loop; sets the project's CHMSetting.DefaultTopic to the first page written.
    void OutputPages();
    // The contents list (.hhc body); empty for an empty contents list.
    QString MakeHHCList() const;
    // The keyword index (.hhk body); empty when no topic has a keyword.
    QString MakeHHKList() const;
    // The [ALIAS] text and the map header text, each line ending in CR LF.
    void MakeContextSensitive(QString &Alias, QString &Map) const;
    // Writes the context file of the project's code templates in HtmlHelpContextEncoding.
    void OutputContextFile();
    // Writes the project files on a copy of the project's window settings and compiles them;
    // the compiler's console text. Raises when the compile fails.
    QString Make();

    // What the pages could not carry exactly, for the build's report.
    TWarnings Warnings;
};

// One "<param name=... value=...>" line without its line end; the value as given, except that
// line breaks in it become blanks.
QString SitemapParam(const QString &name, const QString &value);
// The levels of an index keyword: split at "/", "//" standing for a literal "/".
QStringList KeywordLevels(const QString &keyword);
// The fixed keyword order: case-insensitive first, then lower case before upper case; 0 when
// the keys are equal in every respect.
int CompareKeywordKeys(const QString &a, const QString &b);

} // namespace tavrel
