#include "project/gui/HtmlHelpPage.h"

#include "output/gui/ContextSetting.h"
#include "output/gui/UnitDesigner.h"
#include "project/MainWindowLogic.h"
#include "project/ProjectSetting.h"
#include "text/LanguageProcess.h"

#include "ui_HtmlHelpPage.h"

#include <QDir>
#include <QFileInfo>

namespace tavrel {

TpageHtmlHelp::TpageHtmlHelp(QWidget *parent) : TSettingsPage(parent), ui(std::make_unique<Ui::TpageHtmlHelp>())
{
    ui->setupUi(this);
    // The icon lists of the contents entries: "1" to "42", entry i showing icon i - 1.
    for (QComboBox *cb : {ui->cbbHasChild, ui->cbbNoChild}) {
        cb->setIconSize(QSize(16, 16));
        for (int i = 0; i < 42; ++i)
            cb->addItem(ContentsIcon(i), QString::number(i + 1));
        cb->setMaxVisibleItems(14);
    }
    for (int i = 0; i < Languages().GetCount(); ++i)
        ui->cbLanguage->addItem(Languages().GetItem(i).Name);
    ui->cbLanguage->setMaxVisibleItems(20);
    ui->cbHtmlHelpOutputEncoding->addItems(HtmlHelpCharsets());
    ui->cbHtmlHelpOutputEncoding->setMaxVisibleItems(20);

    connect(ui->btnCompiledFile, &QToolButton::clicked, this, &TpageHtmlHelp::CompiledFileClick);
    connect(ui->btnContextFile, &QToolButton::clicked, this, &TpageHtmlHelp::ContextFileClick);
    connect(ui->btnContextSetting, &QPushButton::clicked, this, &TpageHtmlHelp::ContextSettingClick);
    connect(ui->btnHHPFolder, &QToolButton::clicked, this, [this] { ChooseOutputFolder(ptHHPFolder, ui->edtHHPFolder); });
    connect(ui->cbLanguage, &QComboBox::activated, this, &TpageHtmlHelp::LanguageChange);
    connect(ui->btnDesignCHMStyle, &QPushButton::clicked, this, [this] {
        Host().Action2Update();
        DesignCHMStyle(this, Host().Project(), DialogRunner<TfrmDesigner>());
    });
    connect(ui->btnCHMChooseTemplate, &QPushButton::clicked, this,
            [this] { TemplateChoose(Host().Project().HtmlHelpTemplateStream, QStringLiteral("htmlHelp")); });
    connect(ui->btnCHMTemplateEdit, &QPushButton::clicked, this, [this] { TemplateEdit(Host().Project().HtmlHelpTemplateStream); });
    connect(ui->btnCHMTemplateImport, &QPushButton::clicked, this, [this] { TemplateImport(Host().Project().HtmlHelpTemplateStream); });
    connect(ui->btnCHMTemplateExport, &QPushButton::clicked, this, [this] { TemplateExport(Host().Project().HtmlHelpTemplateStream); });
}

TpageHtmlHelp::~TpageHtmlHelp() = default;

void TpageHtmlHelp::Bind(TBindingTable &table)
{
    table.Text(ui->edtCompiledFile, &TProject::CompiledFile);
    BindOwnTitle(table, ui->cbHtmlHelpTitleSame, ui->edtHtmlHelpTitle, &TProject::HtmlHelpTitle);
    table.Flag(ui->cbHtmlHelpTitleSame, &TProject::HtmlHelpTitleSame);
    QComboBox *language = ui->cbLanguage;
    table.Custom([language](const TProject &p) { language->setCurrentIndex(Languages().GetIndexById(p.CHMSetting.Language)); },
                 [language](TProject &p, bool &changed) {
                     if (language->currentIndex() >= 0)
                         UpdateText(p.CHMSetting.Language, Languages().GetItem(language->currentIndex()).Id, changed);
                 });
    QComboBox *charset = ui->cbHtmlHelpOutputEncoding;
    // A charset the list does not hold selects nothing, so showing the project cannot replace
    // the stored charset with whatever was selected before. Charset names ignore letter case: a
    // stored "WINDOWS-1251" is the entry shown, not an edit.
    table.Custom([charset](const TProject &p) { charset->setCurrentIndex(CharsetIndex(p.HtmlHelpOutputEncoding)); },
                 [charset](TProject &p, bool &changed) {
                     if (charset->currentIndex() < 0)
                         return;
                     const QString name = CharsetOfEntry(charset->currentText());
                     if (name.compare(p.HtmlHelpOutputEncoding, Qt::CaseInsensitive) != 0)
                         UpdateText(p.HtmlHelpOutputEncoding, name, changed);
                 });
    table.Index(ui->cbbHasChild, &TProject::HasChild);
    table.Index(ui->cbbNoChild, &TProject::NoChild);
    table.Index(ui->cbHtmlHelpExtension, &TProject::HtmlHelpExtension);
    table.Flag(ui->cbOutputContext, &TProject::HtmlHelpOutputContext);
    table.Text(ui->edtContextFile, &TProject::HtmlHelpContextFile);
    table.Flag(ui->cbOutputHHP, &TProject::OutputHHP);
    table.Text(ui->edtHHPFolder, &TProject::HHPFolder);
}

void TpageHtmlHelp::UpdateControls(const TProject &project)
{
    FollowTitle(ui->cbHtmlHelpTitleSame, ui->edtHtmlHelpTitle, project.Title);
    const bool hhp = ui->cbOutputHHP->isChecked();
    SetFieldEnabled(ui->edtHHPFolder, hhp);
    ui->btnHHPFolder->setEnabled(hhp);
    const bool context = ui->cbOutputContext->isChecked();
    SetFieldEnabled(ui->edtContextFile, context);
    ui->btnContextFile->setEnabled(context);
    ui->btnContextSetting->setEnabled(context);
}

void TpageHtmlHelp::CompiledFileClick()
{
    const QString path = Host().Project().RealPath(ui->edtCompiledFile->text().trimmed());
    if (!path.isEmpty())
        QDir().mkpath(QFileInfo(path).absolutePath());
    const QString file = Host().ChooseSaveFile(QStringLiteral("Compiled file"), path, QStringLiteral("Windows HTML help (*.chm)"),
                                               QStringLiteral("chm"), false);
    if (!file.isEmpty())
        ui->edtCompiledFile->setText(file);
}

void TpageHtmlHelp::ContextFileClick()
{
    Host().Action2Update();
    const QString path = Host().Project().RealPath(ptContextFile);
    const QString file = Host().ChooseSaveFile(QStringLiteral("Context file"), path,
                                               QStringLiteral("C# (*.cs);;VB .NET (*.vb);;Delphi (*.pas);;C (*.h);;All file (*)"),
                                               QString(), true);
    if (!file.isEmpty())
        ui->edtContextFile->setText(file);
}

void TpageHtmlHelp::ContextSettingClick()
{
    TProject &p = Host().Project();
    TfrmContextSetting d(this);
    d.SetTopCode(p.HtmlHelpContextTopCode);
    d.SetBottomCode(p.HtmlHelpContextBottomCode);
    d.SetCodeTemplate(p.HtmlHelpContextCodeTemplate);
    d.SetEncoding(p.HtmlHelpContextEncoding);
    if (d.exec() != QDialog::Accepted)
        return;
    UpdateText(p.HtmlHelpContextTopCode, d.TopCode(), p.ProjectChanged);
    UpdateText(p.HtmlHelpContextBottomCode, d.BottomCode(), p.ProjectChanged);
    UpdateText(p.HtmlHelpContextCodeTemplate, d.CodeTemplate(), p.ProjectChanged);
    UpdateNumber(p.HtmlHelpContextEncoding, d.Encoding(), p.ProjectChanged);
}

void TpageHtmlHelp::SelectLanguage(const QString &langId)
{
    const int index = Languages().GetIndexById(langId);
    if (index < 0)
        return;
    ui->cbLanguage->setCurrentIndex(index);
    LanguageChange();
}

void TpageHtmlHelp::LanguageChange()
{
    const int entry = ApplyLanguage(Host().Project(), ui->cbLanguage->currentIndex());
    if (entry >= 0)
        ui->cbHtmlHelpOutputEncoding->setCurrentIndex(entry);
}

} // namespace tavrel
