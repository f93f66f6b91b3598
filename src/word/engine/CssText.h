#pragma once
// Scanning style sheet text: names, strings, blocks, comments and top-level lists, shared by the
// declaration and the sheet parsers.
#include <QString>
#include <QStringList>

namespace tavrel::engine::css {

bool isSpace(QChar c);
bool isNameChar(QChar c);
qsizetype skipString(const QString &s, qsizetype i, qsizetype end);
qsizetype blockEnd(const QString &s, qsizetype i, qsizetype end);
QString withoutComments(const QString &s);
QStringList splitTop(const QString &s, QChar sep);

} // namespace tavrel::engine::css
