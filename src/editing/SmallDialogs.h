#pragma once
// The rules of the small setting dialogs: the navigation string and its preview, the text form
// of colours, the font-list preview and the data files the snippet and font dialogs list.
#include <QColor>
#include <QList>
#include <QString>
#include <QStringList>

namespace tavrel {

// --- Navigation string ---------------------------------------------------------------------
struct TNavFields
{
    QString StartString;
    QString Delimiter;
    bool EndWithDelimiter = false;
    bool IncludeTopic = false;
};
// The fields of a stored setting string, the two texts with character references decoded.
TNavFields LoadNavFields(const QString &settingStr);
// "start","delimiter","1|0","1|0" from the fields as typed.
QString NavSettingString(const TNavFields &fields);
// start + "Heading1" + delimiter + "Heading2", a closing delimiter when either box is checked,
// then "Topic" when the topic is included.
QString NavPreview(const TNavFields &fields);
// "End with the delimiter" means nothing once the topic ends the trail.
inline bool EndWithDelimiterEnabled(const TNavFields &fields) { return !fields.IncludeTopic; }

// --- Colours -------------------------------------------------------------------------------
// "#RRGGBB", upper case.
QString ColorToText(const QColor &color);
// Every "#" removed; fewer than six characters left give black; six hexadecimal digits give
// that colour; anything else gives the no-colour value (an invalid QColor).
QColor TextToColor(const QString &text);

// --- Font list preview ---------------------------------------------------------------------
struct TFontRun
{
    int Start = 0;
    int Length = 0;
    QString Font; // empty: the preview's own font
};
// The runs of text shown in their own fonts: every name followed by a comma, trimmed, over
// exactly its characters. The text outside these runs keeps the preview's font.
QList<TFontRun> FontPreviewRuns(const QString &text);

// --- Data files ----------------------------------------------------------------------------
// The non-empty lines of a data file of the installation ("css.dat", "fonts.dat"); none when
// the file is missing.
QStringList LoadDataLines(const QString &fileName);
// Names of the entries of folder ending in ".html" or ".htm" (any letter case), sorted.
QStringList TemplateHtmlFiles(const QString &folder);

} // namespace tavrel
