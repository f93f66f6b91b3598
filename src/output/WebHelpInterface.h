#pragma once
// The interface texts of the WebHelp frame pages: the English keys shipped in
// "webhelp/languages.txt", the project's dictionary of translations (key=translation lines), the
// ".tsl" translation files and the "languages.js" script the pages read.
#include "text/StringList.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace tavrel {

class TWebHelpInterfaceLanguage : public TObject
{
public:
    // Reads the keys of the installation's "webhelp/languages.txt".
    TWebHelpInterfaceLanguage();
    // Reads the keys of the given keys file (a missing file gives no keys).
    explicit TWebHelpInterfaceLanguage(const QString &keysFile);

    // The keys of a keys file's text: per line the trimmed text between the first '["' and the
    // first '"]'; lines without both, in the wrong order or with an empty key give none.
    static QStringList ParseKeys(const QString &text);

    // The translation of Name: the part after the first "=" of the first line whose part before
    // it equals Name ignoring case; Name itself when there is none or it is empty.
    static QString GetValue(const QString &Name, const TStringList &Dictionary);
    static QString GetValue(const QString &Name, const QStringList &Dictionary);

    // "var strings = new Object();" and one strings["key"] = "translation"; line per key,
    // each ended by CR LF. Uses Dictionary (an empty one when unset).
    QString GetLanguageJS() const;

    // A translation file: the key=translation lines, one per key in key order, CR LF ended; as
    // written, UTF-8 with a byte-order mark.
    QString CreateTsl(const TStringList &Dictionary) const;
    static void WriteTslFile(const QString &file, const QString &text);
    // The key=translation lines of a ".tsl" file. A file with a byte-order mark is read in its
    // encoding; one without must be UTF-8: anything else raises an Exception that says so, as
    // does a file that cannot be read, so a wrong file never fills the rows with garbled text.
    static QStringList ReadTslFile(const QString &file);
    // The same for the bytes of a file; file names it in the message.
    static QStringList ParseTsl(const QByteArray &bytes, const QString &file);

    // The rows of the translation dialog: one translation per key, in key order.
    // Each row starts with the key's current translation.
    QStringList LoadStrings(const TStringList &Dictionary) const;
    // Rows whose key has a non-empty translation in Dict take it; the others stay.
    void LoadDictionary(QStringList &Rows, const QStringList &Dict) const;
    // The key=translation lines of all rows, each ended by CR LF. A line break inside a
    // translation would split its line in two, so it becomes a blank.
    QString CreateDictionary(const QStringList &Rows) const;
    // Replaces Dictionary by the key=translation lines of all rows.
    void SaveDictionary(const QStringList &Rows, TStringList &Dictionary) const;
    // Line r of a quick translation, trimmed, becomes the translation of row r; rows without a
    // line keep theirs.
    static void QuickTranslate(QStringList &Rows, const QString &Text);
    // The translation Dict holds for Name, empty when it has none or an empty one.
    static QString FindTranslation(const QString &Name, const QStringList &Dict);

    QStringList Names;                        // the interface keys in file order
    const TStringList *Dictionary = nullptr;  // borrowed: the project's dictionary
};

} // namespace tavrel
