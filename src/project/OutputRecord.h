#pragma once
// What the builds of one project wrote: every output path with the content it had when the
// build finished. A later build may replace an existing file or empty an existing folder only
// when the record says the program wrote it and nobody changed it since; everything else needs
// the user's word (see the folder guard).
//
// The record lives in the user's data folder, keyed by the project file's path, not beside the
// project: a project folder can come from anywhere, and a record shipped with it could claim any
// file of the user's (a shell start-up file has well-known default contents) as an earlier output.
#include <QJsonObject>
#include <QString>
#include <QStringList>

namespace tavrel {

class TOutputRecord
{
public:
    // Reads the record of the project file (its canonical path); an unreadable or foreign record
    // counts as empty.
    explicit TOutputRecord(const QString &projectFile);

    // True when the record has an entry for the path (resolved, without trailing "/").
    bool Knows(const QString &path) const;
    // True when what stands at path is the program's own: a file with the recorded content, or
    // a folder whose files are all recorded with unchanged content (and holds no symbolic link).
    bool IsOurs(const QString &path) const;

    // What stands at path now, in the form the record keeps (the content's hashes); empty when
    // nothing is there. A build compares it before and after, so that what a failed build
    // changed counts as its own.
    static QJsonObject State(const QString &path);
    // After the build: the outputs it wrote, with their content as it is now.
    void RecordWritten(const QStringList &paths);
    // Writes the record through a private file renamed into place; false when that fails.
    bool Save() const;

    QString FileName() const { return m_file; }
    // The folder of every project's record: "<user data folder>/tavrel/outputs".
    static QString Folder();

private:
    QString m_project; // canonical path of the project file
    QString m_file;    // the record's own file; empty when the project has no file
    QJsonObject m_outputs;
};

} // namespace tavrel
