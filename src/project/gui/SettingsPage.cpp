#include "project/gui/SettingsPage.h"

#include "chm2word/gui/ImportChm.h"
#include "editing/gui/ChooseTemplate.h"
#include "editing/gui/ColorSelector.h"
#include "editing/gui/HTMLEditor.h"
#include "output/Template.h"
#include "project/MainWindowLogic.h"
#include "project/ProjectSetting.h"
#include "project/ResourceStrings.h"
#include "text/Exceptions.h"
#include "text/InstallFolder.h"
#include "text/Messages.h"
#include "text/Shell.h"
#include "text/functions.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QLineEdit>
#include <QSpinBox>

namespace tavrel {

void TBindingTable::Text(QLineEdit *edit, QString TProject::*field)
{
    Custom([edit, field](const TProject &p) { edit->setText(p.*field); },
           [edit, field](TProject &p, bool &changed) { UpdateText(p.*field, edit->text(), changed); });
}

void TBindingTable::Flag(QCheckBox *box, bool TProject::*field)
{
    Custom([box, field](const TProject &p) { box->setChecked(p.*field); },
           [box, field](TProject &p, bool &changed) { UpdateFlag(p.*field, box->isChecked(), changed); });
}

void TBindingTable::Index(QComboBox *box, int TProject::*field)
{
    Custom([box, field](const TProject &p) { box->setCurrentIndex(p.*field); },
           [box, field](TProject &p, bool &changed) {
               if (box->currentIndex() >= 0)
                   UpdateNumber(p.*field, box->currentIndex(), changed);
           });
}

void TBindingTable::Number(QSpinBox *spin, int TProject::*field)
{
    Custom([spin, field](const TProject &p) { spin->setValue(p.*field); },
           [spin, field](TProject &p, bool &changed) { UpdateNumber(p.*field, spin->value(), changed); });
}

void TBindingTable::Color(TframSelectColor *frame, QString TProject::*field)
{
    Custom([frame, field](const TProject &p) { frame->SetText(p.*field); },
           [frame, field](TProject &p, bool &changed) { UpdateText(p.*field, frame->Text(), changed); });
}

void TBindingTable::Custom(ShowFn show, TakeFn take)
{
    m_rows.push_back({std::move(show), std::move(take)});
}

void TBindingTable::Show(const TProject &project) const
{
    for (const Row &r : m_rows)
        r.show(project);
}

void TBindingTable::Take(TProject &project) const
{
    for (const Row &r : m_rows)
        r.take(project, project.ProjectChanged);
}

int TPageHost::RunDialog(QDialog &dialog)
{
    return dialog.exec();
}

bool TPageHost::RunImportChm(TImportChmHooks &hooks)
{
    return btnImportChmClick(hooks);
}

void TSettingsPage::TemplateChoose(QByteArray &stream, const QString &templateType)
{
    ChooseTemplateFor(this, Host().Project(), stream, templateType, DialogRunner<TfrmChooseTemplate>());
}

void TSettingsPage::TemplateEdit(QByteArray &stream)
{
    EditTemplate(this, Host().Project(), stream, DialogRunner<TfrmHTMLEditor>());
}

void TSettingsPage::TemplateImport(QByteArray &stream)
{
    const QString file = Host().ChooseOpenFile(QStringLiteral("Please select the template file"), QString(),
                                               QStringLiteral("Template file (*.htm *.html)"));
    if (file.isEmpty())
        return;
    if (Messages().Ask(QStringLiteral("Are you sure to overwrite the current template?"), mbYes | mbNo, TMsgIcon::Question) != mbYes)
        return;
    QByteArray packed;
    try {
        TemplateFileToStream(file, packed);
    } catch (const Exception &e) {
        Messages().ShowError(e.Message());
        return;
    }
    stream = packed;
    Host().Project().ProjectChanged = true;
    Messages().ShowInfo(QStringLiteral("Imported sucessfully!"));
}

void TSettingsPage::TemplateExport(const QByteArray &stream)
{
    QString folder;
    if (!Host().ChooseFolder(folder))
        return;
    if (!IsFolderEmpty(folder)) {
        switch (Messages().Ask(Resource().GetStringById(QStringLiteral("500")), mbYes | mbNo | mbCancel, TMsgIcon::Question)) {
        case mbYes:
            if (!DeleteFolder(folder) || !QDir().mkpath(folder)) {
                Messages().ShowError(QStringLiteral("The folder \"%1\" cannot be emptied.").arg(folder));
                return;
            }
            break;
        case mbNo:
            break;
        default:
            return;
        }
    }
    try {
        StreamToTemplateFiles(stream, folder);
    } catch (const Exception &e) {
        Messages().ShowError(e.Message());
        return;
    }
    if (Messages().Ask(QStringLiteral("OK! Do you want to browser the folder?"), mbYes | mbNo, TMsgIcon::Question) == mbYes)
        Shell().OpenDocument(folder);
}

void TSettingsPage::ChooseOutputFolder(int pathType, QLineEdit *edit)
{
    Host().Action2Update();
    QString folder = Host().Project().RealPath(pathType);
    if (!IsBlankText(folder) && !QFileInfo(folder).isDir() && !QDir().mkpath(folder))
        folder = QDir::homePath();
    if (!Host().ChooseFolder(folder))
        return;
    edit->setText(folder);
}

void SetFieldEnabled(QWidget *w, bool enabled)
{
    w->setEnabled(enabled);
    QPalette p = w->palette();
    p.setColor(QPalette::Base, QApplication::palette().color(enabled ? QPalette::Base : QPalette::Button));
    w->setPalette(p);
}

void BindOwnTitle(TBindingTable &table, QCheckBox *same, QLineEdit *edit, QString TProject::*field)
{
    table.Custom([edit, field](const TProject &p) { edit->setText(p.*field); },
                 [same, edit, field](TProject &p, bool &changed) {
                     if (!same->isChecked())
                         UpdateText(p.*field, edit->text(), changed);
                 });
}

void FollowTitle(QCheckBox *same, QLineEdit *edit, const QString &title)
{
    SetFieldEnabled(edit, !same->isChecked());
    if (same->isChecked() && edit->text() != title) {
        const QSignalBlocker b(edit);
        edit->setText(title);
    }
}

QIcon ContentsIcon(int index)
{
    QIcon icon(ContentsIconFile(index));
    const QString hi = InstallPath(QStringLiteral("webhelp/icons-png/%1@2x.png").arg(index + 1));
    if (QFileInfo(hi).isFile())
        icon.addFile(hi);
    return icon;
}

} // namespace tavrel
