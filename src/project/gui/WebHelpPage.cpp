#include "project/gui/WebHelpPage.h"

#include "editing/gui/ColorSelector.h"
#include "output/gui/WebHelpInterface.h"
#include "project/MainWindowLogic.h"
#include "project/ProjectSetting.h"

#include "ui_WebHelpPage.h"

namespace tavrel {

TpageWebHelp::TpageWebHelp(QWidget *parent) : TSettingsPage(parent), ui(std::make_unique<Ui::TpageWebHelp>())
{
    ui->setupUi(this);
    ui->cbWebBackground->addItems(BackgroundItems());
    connect(ui->btnWebHelpFolder, &QToolButton::clicked, this, [this] { ChooseOutputFolder(ptWebHelpFolder, ui->edtWebHelpOutputFolder); });
    connect(ui->cbWebBackground, &QComboBox::currentIndexChanged, this, &TpageWebHelp::ShowBackground);
    connect(ui->btnWebhelpChooseTemplate, &QPushButton::clicked, this,
            [this] { TemplateChoose(Host().Project().WebHelpTemplateStream, QStringLiteral("WebHelp")); });
    connect(ui->btnWebHelpTemplateEdit, &QPushButton::clicked, this, [this] { TemplateEdit(Host().Project().WebHelpTemplateStream); });
    connect(ui->btnWebHelpInterface, &QPushButton::clicked, this,
            [this] { SetWebHelpInterface(this, Host().Project(), DialogRunner<TfrmWebHelpInterface>()); });
    connect(ui->btnWeblHelpTemplateImport, &QPushButton::clicked, this, [this] { TemplateImport(Host().Project().WebHelpTemplateStream); });
    connect(ui->btnWeblHelpTemplateExport, &QPushButton::clicked, this, [this] { TemplateExport(Host().Project().WebHelpTemplateStream); });
}

TpageWebHelp::~TpageWebHelp() = default;

void TpageWebHelp::Bind(TBindingTable &table)
{
    table.Text(ui->edtWebHelpOutputFolder, &TProject::WebHelpOutputFolder);
    BindOwnTitle(table, ui->cbWebHelpTilteSame, ui->edtWebHelpTitle, &TProject::WebHelpTitle);
    table.Flag(ui->cbWebHelpTilteSame, &TProject::WebHelpTilteSame);
    table.Index(ui->cbWebHelpExtension, &TProject::WebHelpExtension);
    table.Color(ui->framWebFontColor, &TProject::WebFontColor);
    table.Color(ui->framWebBackColor, &TProject::WebBackColor);
    // The preview follows even when the shown entry stays the same.
    table.Custom([this](const TProject &p) { ui->cbWebBackground->setCurrentIndex(p.WebBackground); ShowBackground(); },
                 [this](TProject &p, bool &changed) {
                     if (ui->cbWebBackground->currentIndex() >= 0)
                         UpdateNumber(p.WebBackground, ui->cbWebBackground->currentIndex(), changed);
                 });
    table.Flag(ui->cbStartFromRoot, &TProject::StartFromRoot);
    table.Flag(ui->cbDrawLines, &TProject::DrawLines);
    table.Flag(ui->cbAutoCollapse, &TProject::AutoCollapse);
    table.Flag(ui->cbRealColorIcon, &TProject::RealColorIcon);
    table.Flag(ui->cbShowIndex, &TProject::ShowIndex);
    table.Number(ui->seNavWidth, &TProject::NavWidth);
    table.Color(ui->framTOCbackColor, &TProject::TOCBackColor);
}

void TpageWebHelp::UpdateControls(const TProject &project)
{
    FollowTitle(ui->cbWebHelpTilteSame, ui->edtWebHelpTitle, project.Title);
}

void TpageWebHelp::ShowBackground()
{
    const QString file = BackgroundPicture(ui->cbWebBackground->currentIndex());
    if (file.isEmpty())
        ui->imgBackground->clear();
    else
        ui->imgBackground->setPixmap(QPixmap(file));
}

} // namespace tavrel
