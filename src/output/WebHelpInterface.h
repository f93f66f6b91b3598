#pragma once
// The interface texts of the WebHelp frame pages: the English keys shipped in
// "webhelp/languages.txt", the project's dictionary of translations (key=translation lines), the
// ".tsl" translation files and the "languages.js" script the pages read.
#include "text/StringList.h"

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
    // The key=translation lines of a ".tsl" file (byte-order mark detected, else the system code
    // page); raises an Exception when it cannot be read.
    static QStringList ReadTslFile(const QString &file);

    QStringList Names;                        // the interface keys in file order
    const TStringList *Dictionary = nullptr;  // borrowed: the project's dictionary
};

} // namespace tavrel
