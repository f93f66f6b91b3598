#include "project/ResourceStrings.h"

namespace tavrel {

TResource::TResource()
{
    // Message 501 names what the PDF export needs here, not a Windows program.
    static const char *const lines[] = {
        "500=This is not an empty folder. Do you want to empty it?",
        "501=This function needs LibreOffice to be installed!",
        "600=\"%s\" already exists. Do you want to replace it?",
        "601=The Word file \"%s\" has been created. Do you want to open it?",
        "602=\"%s\" does not exist!",
        "603=The word file is created successful! Open it?",
        "604=The convertion is failed!",
        "WizardTitle0=Place the project",
        "WizardDescription0=Set the position where you want to save the project file.",
        "WizardTitle1=Set the Word document",
        "WizardDescription1=There are several ways to get Word document.",
    };
    for (const char *line : lines)
        m_strings.Add(QString::fromUtf8(line));
}

QString TResource::GetStringById(const QString &Id) const
{
    const int i = m_strings.IndexOfName(Id);
    return i < 0 ? QString() : m_strings.ValueFromIndex(i);
}

const TResource &Resource()
{
    static const TResource table;
    return table;
}

} // namespace tavrel
