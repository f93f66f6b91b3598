#include "project/NewProject.h"

#include "project/ResourceStrings.h"
#include "text/Messages.h"

#include <QFileInfo>

namespace tavrel {

QString WizardProjectFile(const QString &position, const QString &fileName)
{
    QString folder = position;
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder + fileName + QStringLiteral(".tvp");
}

QString TNewProjectWizard::Title() const
{
    return Resource().GetStringById(QStringLiteral("WizardTitle") + QString::number(Page));
}

QString TNewProjectWizard::Description() const
{
    return Resource().GetStringById(QStringLiteral("WizardDescription") + QString::number(Page));
}

TNewProjectWizard::Result TNewProjectWizard::Press(int tag, const QString &position, const QString &fileName)
{
    switch (tag) {
    case tagBack:
        if (Page > 0)
            --Page;
        return Moved;
    case tagNext:
        if (Page == 0) {
            if (QFileInfo::exists(WizardProjectFile(position, fileName))) {
                const QString text = Resource().GetStringById(QStringLiteral("600"))
                                         .replace(QLatin1String("%s"), fileName + QStringLiteral(".tvp"));
                if (Messages().Ask(text, mbYes | mbNo, TMsgIcon::Question) != mbYes)
                    return Stayed;
            }
            Page = 1;
        }
        return Moved;
    case tagFinish:
        return Finished;
    default:
        return Stayed;
    }
}

} // namespace tavrel
