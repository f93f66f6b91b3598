#pragma once
// The logic of the new-project wizard: its two pages, the header texts and button states of
// each, and the replace question when the project file already exists. The dialog only shows
// what this state says.
#include <QString>

namespace tavrel {

// The project file the wizard's fields name: the position with a trailing "/", the file name
// and ".tvp".
QString WizardProjectFile(const QString &position, const QString &fileName);

class TNewProjectWizard
{
public:
    enum Tag { tagFinish = 0, tagBack = 1, tagNext = 2 };
    enum Result { Stayed, Moved, Finished };

    int Page = 0; // counted from 0
    QString Title() const;
    QString Description() const;
    bool BackEnabled() const { return Page > 0; }
    QString NextCaption() const { return Page == 0 ? QStringLiteral("Next >") : QStringLiteral("Finish"); }
    int NextTag() const { return Page == 0 ? tagNext : tagFinish; }

    // A press of "< Back" (tag 1) or of the next button (tag 2 "Next >", tag 0 "Finish"). "Next >"
    // asks through the message interface before it leaves the first page for a project file
    // that exists; No keeps the first page.
    Result Press(int tag, const QString &position, const QString &fileName);
};

} // namespace tavrel
