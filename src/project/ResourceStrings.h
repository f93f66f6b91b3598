#pragma once
// The numbered message table shared by the main window, the wizard and the document dialogs.
// Built once on first use and read-only afterwards.
#include "text/StringList.h"

#include <QString>

namespace tavrel {

class TResource : public TObject
{
public:
    TResource();
    // The value of the line named Id; empty when there is none.
    QString GetStringById(const QString &Id) const;
    const TStringList &Strings() const { return m_strings; }

private:
    TStringList m_strings;
};

// The program's one table.
const TResource &Resource();

} // namespace tavrel
