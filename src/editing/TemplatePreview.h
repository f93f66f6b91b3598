#pragma once
// What a template preview shows and what it may load: the template's main page with a sample
// topic poured in, written beside the main page so its own files resolve, and a rule that keeps
// the preview inside the template's folder.
#include "text/Warnings.h"

#include <QString>
#include <QUrl>

namespace tavrel {

// The page of the template whose main page is mainFile, made from the files in its folder as
// they are now, with the sample topic of the installation ("preview/sample-topic.htm").
QString MakePreviewPage(const QString &mainFile, TWarnings *warnings = nullptr);

// Writes that page beside mainFile, as UTF-8, into previewFile; an empty previewFile gets a new
// name that no file of the folder has. Raises an Exception when it cannot be written.
void WritePreviewPage(const QString &mainFile, QString &previewFile, TWarnings *warnings = nullptr);

// Whether a preview of the template in folder may load url: files inside folder (after links
// are resolved), inline data and the blank page; nothing else, no network, no other file.
bool PreviewMayLoad(const QUrl &url, const QString &folder);

} // namespace tavrel
