#pragma once
// Runs LibreOffice for the conversions a native engine should not do itself. Every run gets a
// private profile, its own process group and a time limit; a time-out kills the whole group
// (soffice is a wrapper that starts soffice.bin). LibreOffice exits 0 even when it failed to
// load the source, so a run succeeds only when the expected output file exists and is not empty;
// callers check that it parses.
#include <QByteArray>
#include <QString>
#include <QStringList>

namespace tavrel::engine {

class TLibreOffice
{
public:
    // The program found on PATH ("soffice", else "libreoffice"); empty when it is not installed.
    static QString Program();
    static bool Available() { return !Program().isEmpty(); }

    struct TConversion
    {
        QString Input;        // the file to convert
        QStringList MoreInputs; // further files converted in the same run, with the same filter
        QString OutputFolder; // where the output goes
        QString ConvertTo;    // "docx:MS Word 2007 XML", "pdf:writer_pdf_Export", "html:HTML (StarWriter)", ...
        QString InputFilter;  // "MS Word 97", "Rich Text Format", "writer8"; empty for none
        QString DisplayName;  // the name of the document in messages
        int TimeoutMs = 180000;
    };

    // Runs one conversion and returns the path of the output file. Raises an Exception naming
    // the program, the document and what happened: not installed, failed to start, time-out,
    // non-zero exit, or no output.
    static QString Convert(const TConversion &c, QByteArray *log = nullptr);

    // Every input of one run (Input, then MoreInputs); the outputs in the same order. One run
    // saves the start-up of LibreOffice for each further file.
    static QStringList ConvertAll(const TConversion &c, QByteArray *log = nullptr);

    // The expected output name: the input's base name with the target's extension.
    static QString OutputFileFor(const TConversion &c, const QString &input = QString());
};

} // namespace tavrel::engine
