#pragma once
// Pages written on Windows name "Images/Logo.GIF" for "images/logo.gif". This finds the name
// on disk that differs from a reference only in letter case, listing each folder once.
#include <QHash>
#include <QString>

namespace tavrel {

class TCaseLookup
{
public:
    // The path below base ("/"-separated, relative) as spelled on disk: each name as given when
    // something stands there, else the entry of its folder that differs only in letter case
    // (the first by name when several do). Empty when a name has neither.
    QString FindBelow(const QString &base, const QString &relative);
    // The existing regular file whose path differs from path only in letter case (folders
    // included); empty when there is none.
    QString FindFile(const QString &path);

private:
    const QHash<QString, QString> &Listing(const QString &folder);
    QHash<QString, QHash<QString, QString>> m_folders;
};

} // namespace tavrel
