#include "project/gui/whelp.h"

#include "editing/gui/ColorSelector.h"
#include "editing/gui/SetNavigation.h"
#include "output/Template.h"
#include "output/gui/ContextSetting.h"
#include "build/BuildProject.h"
#include "project/MainWindowLogic.h"
#include "project/OwnHelp.h"
#include "project/NewProject.h"
#include "project/ResourceStrings.h"
#include "build/gui/Building.h"
#include "project/gui/NewProject.h"
#include "text/Exceptions.h"
#include "text/InstallFolder.h"
#include "text/LanguageProcess.h"
#include "text/Messages.h"
#include "text/Shell.h"
#include "text/functions.h"
#include "text/gui/BrowseForFolder.h"

#include "ui_NewProject.h"
#include "ui_whelp.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QSplashScreen>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

namespace tavrel {

namespace {

const QString kProjectFilter = QStringLiteral("Tavrel for Word Project (*.tvp)");

// Fields the window disables are drawn in the button face colour, enabled ones in the window
// colour, so the state reads at a glance.
void setFieldEnabled(QWidget *w, bool enabled)
{
    w->setEnabled(enabled);
    QPalette p = w->palette();
    p.setColor(QPalette::Base, QApplication::palette().color(enabled ? QPalette::Base : QPalette::Button));
    w->setPalette(p);
}

// The labels of every form on a page share one width, so the fields of its groups line up.
void alignLabels(QWidget *page)
{
    QList<QLabel *> labels;
    int width = 0;
    for (QGridLayout *grid : page->findChildren<QGridLayout *>()) {
        for (int r = 0; r < grid->rowCount(); ++r) {
            QLayoutItem *item = grid->itemAtPosition(r, 0);
            auto *label = item ? qobject_cast<QLabel *>(item->widget()) : nullptr;
            if (label && label->buddy()) {
                labels << label;
                width = std::max(width, label->sizeHint().width());
            }
        }
    }
    for (QLabel *l : labels)
        l->setMinimumWidth(width);
}

QIcon contentsIcon(int index)
{
    QIcon icon(ContentsIconFile(index));
    const QString hi = InstallPath(QStringLiteral("webhelp/icons-png/%1@2x.png").arg(index + 1));
    if (QFileInfo(hi).isFile())
        icon.addFile(hi);
    return icon;
}

} // namespace

TfrmMain::TfrmMain(const QStringList &args, QWidget *parent)
    : QMainWindow(parent), ui(new Ui::TfrmMain), m_args(args)
{
    ui->setupUi(this);
    FormCreate();
}

TfrmMain::~TfrmMain()
{
    // FormDestroy: the project just worked on heads the recent list next time.
    if (m_project && !m_project->IsNew)
        TRecentProjects::Add(m_project->ProjectFilename);
    delete ui;
}

void TfrmMain::FormCreate()
{
    setWindowIcon(contentsIcon(0));
    // Window titles read exactly as set: an empty display name keeps the window system from
    // appending the program's name to the caption, which already begins with it.
    QApplication::setApplicationDisplayName(QString());
    // The icon lists of the contents entries: "1" to "42", entry i showing icon i - 1.
    for (QComboBox *cb : {ui->cbbHasChild, ui->cbbNoChild}) {
        cb->setIconSize(QSize(16, 16));
        for (int i = 0; i < 42; ++i)
            cb->addItem(contentsIcon(i), QString::number(i + 1));
        cb->setMaxVisibleItems(14);
    }
    for (int i = 0; i < Languages().GetCount(); ++i)
        ui->cbLanguage->addItem(Languages().GetItem(i).Name);
    ui->cbLanguage->setMaxVisibleItems(20);
    ui->cbHtmlHelpOutputEncoding->addItems(HtmlHelpCharsets());
    ui->cbHtmlHelpOutputEncoding->setMaxVisibleItems(20);
    ui->cbWebBackground->addItems(BackgroundItems());
    for (int i = 0; i < ui->PageControl1->count(); ++i)
        alignLabels(ui->PageControl1->widget(i));

    // A toolbar for the common commands; "Open" also offers the recent projects.
    QToolBar *bar = addToolBar(QStringLiteral("Project"));
    bar->setObjectName(QStringLiteral("tbProject"));
    bar->setMovable(false);
    bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    ui->miNew->setIcon(style()->standardIcon(QStyle::SP_FileIcon));
    ui->miOpen->setIcon(style()->standardIcon(QStyle::SP_DialogOpenButton));
    ui->miSave->setIcon(style()->standardIcon(QStyle::SP_DialogSaveButton));
    bar->addAction(ui->miNew);
    bar->addAction(ui->miOpen);
    bar->addAction(ui->miSave);
    pmRecent = new QMenu(this);
    pmRecent->setObjectName(QStringLiteral("pmRecent"));
    if (auto *b = qobject_cast<QToolButton *>(bar->widgetForAction(ui->miOpen))) {
        b->setMenu(pmRecent);
        b->setPopupMode(QToolButton::MenuButtonPopup);
    }
    bar->addSeparator();
    QAction *build = bar->addAction(style()->standardIcon(QStyle::SP_MediaPlay), QStringLiteral("Build"));
    connect(build, &QAction::triggered, this, [this] { BuildProject(false); });

    ui->miNew->setData(1);
    ui->miOpen->setData(2);
    ui->miSave->setData(3);
    ui->miSaveAs->setData(4);
    ui->miExit->setData(5);
    for (QAction *a : {ui->miNew, ui->miOpen, ui->miSave, ui->miSaveAs, ui->miExit})
        connect(a, &QAction::triggered, this, [this, a] { ProjectOperation(a->data().toInt()); });
    // The program's own help, where the installation ships it (a build tree has none).
    ui->miHowToUse->setVisible(FindOwnHelp().Installed());
    connect(ui->miHowToUse, &QAction::triggered, this, [] { OpenOwnHelp(FindOwnHelp(), Shell()); });
    connect(ui->miAbout, &QAction::triggered, this, &TfrmMain::About);

    m_idle = new QTimer(this);
    m_idle->setSingleShot(true);
    m_idle->setInterval(0);
    connect(m_idle, &QTimer::timeout, this, &TfrmMain::Action2Update);

    tmOutputStatus = new QTimer(this);
    tmOutputStatus->setInterval(1000);
    connect(tmOutputStatus, &QTimer::timeout, this, &TfrmMain::CheckOutputFiles);
    connect(ui->PageControl1, &QTabWidget::currentChanged, this, [this](int) {
        if (ui->PageControl1->currentWidget() == ui->tsBuild) {
            CheckOutputFiles();
            tmOutputStatus->start();
        } else {
            tmOutputStatus->stop();
        }
    });

    tmMainFormLoaded = new QTimer(this);
    tmMainFormLoaded->setSingleShot(true);
    tmMainFormLoaded->setInterval(100);
    connect(tmMainFormLoaded, &QTimer::timeout, this, [this] {
        tmMainFormLoaded->stop();
        if (m_args.size() >= 2 && m_args[1].compare(QLatin1String("/b"), Qt::CaseInsensitive) == 0)
            BuildProject(true);
    });

    ConnectControls();

    m_project = std::make_unique<TProject>();
    // The controls show the default project first, so the start-up open sees no edits in them.
    ProjectToControl();
    LoadRecentProjects();
    // The sample goes to the documents folder before anything is opened, so the author edits a
    // copy and never the installation.
    CopySampleProject();
    if (!m_args.isEmpty()) {
        OpenProject(m_args.first());
        ProjectToControl();
        return;
    }
    const QString file = StartupProjectFile(TRecentProjects::Load());
    OpenProject(file);
    ProjectToControl();
}

void TfrmMain::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!tmMainFormLoaded->property("fired").toBool()) {
        tmMainFormLoaded->setProperty("fired", true);
        tmMainFormLoaded->start();
    }
}

void TfrmMain::ConnectControls()
{
    auto schedule = [this] { ScheduleUpdate(); };
    for (QLineEdit *e : findChildren<QLineEdit *>())
        connect(e, &QLineEdit::textChanged, this, schedule);
    for (QCheckBox *c : findChildren<QCheckBox *>())
        connect(c, &QCheckBox::toggled, this, schedule);
    for (QComboBox *c : findChildren<QComboBox *>())
        connect(c, &QComboBox::currentIndexChanged, this, schedule);
    connect(ui->seNavWidth, &QSpinBox::valueChanged, this, schedule);
    for (TframSelectColor *f : findChildren<TframSelectColor *>())
        connect(f, &TframSelectColor::Changed, this, schedule);

    connect(ui->btnSelectWordFile, &QPushButton::clicked, this, &TfrmMain::btnSelectWordFileClick);
    connect(ui->btnBrowseWordFile, &QToolButton::clicked, this, &TfrmMain::btnSelectWordFileClick);
    connect(ui->btnOpenWordFile, &QPushButton::clicked, this, &TfrmMain::btnOpenWordFileClick);
    connect(ui->btnCreateWordFile, &QPushButton::clicked, this, &TfrmMain::btnCreateWordFileClick);
    connect(ui->btnOpenWordFolder, &QPushButton::clicked, this, &TfrmMain::btnOpenWordFolderClick);
    connect(ui->btnCopyright, &QToolButton::clicked, this, [this] { InsertFooter(QStringLiteral("&copy;")); });
    connect(ui->btnRegistered, &QToolButton::clicked, this, [this] { InsertFooter(QStringLiteral("&reg;")); });
    connect(ui->btnSetNavigation, &QPushButton::clicked, this, &TfrmMain::btnSetNavigationClick);
    connect(ui->btnCompiledFile, &QToolButton::clicked, this, &TfrmMain::btnCompiledFileClick);
    connect(ui->btnContextFile, &QToolButton::clicked, this, &TfrmMain::btnContextFileClick);
    connect(ui->btnContextSetting, &QPushButton::clicked, this, &TfrmMain::btnContextSettingClick);
    connect(ui->btnHHPFolder, &QToolButton::clicked, this, [this] { FolderButtonClick(1); });
    connect(ui->btnWebHelpFolder, &QToolButton::clicked, this, [this] { FolderButtonClick(2); });
    connect(ui->cbLanguage, &QComboBox::activated, this, &TfrmMain::cbLanguageChange);
    connect(ui->cbPDFOutput, &QCheckBox::clicked, this, &TfrmMain::cbPDFOutputClick);
    connect(ui->cbWebBackground, &QComboBox::currentIndexChanged, this, &TfrmMain::cbWebBackgroundChange);
    connect(ui->btnCHMTemplateImport, &QPushButton::clicked, this, [this] { TemplateImport(m_project->HtmlHelpTemplateStream); });
    connect(ui->btnCHMTemplateExport, &QPushButton::clicked, this, [this] { TemplateExport(m_project->HtmlHelpTemplateStream); });
    connect(ui->btnWeblHelpTemplateImport, &QPushButton::clicked, this, [this] { TemplateImport(m_project->WebHelpTemplateStream); });
    connect(ui->btnWeblHelpTemplateExport, &QPushButton::clicked, this, [this] { TemplateExport(m_project->WebHelpTemplateStream); });
    connect(ui->btnBuild, &QPushButton::clicked, this, [this] { BuildProject(false); });
    connect(ui->btnOpenCHM, &QPushButton::clicked, this, [this] { OpenOutput(0, false); });
    connect(ui->btnCHMFolder, &QPushButton::clicked, this, [this] { OpenOutput(0, true); });
    connect(ui->btnOpenWebHelp, &QPushButton::clicked, this, [this] { OpenOutput(1, false); });
    connect(ui->btnWebHelpFolderOpen, &QPushButton::clicked, this, [this] { OpenOutput(1, true); });
    connect(ui->btnOpenPDF, &QPushButton::clicked, this, [this] { OpenOutput(2, false); });
    connect(ui->btnPDFFolder, &QPushButton::clicked, this, [this] { OpenOutput(2, true); });
}

void TfrmMain::ScheduleUpdate()
{
    if (!m_filling)
        m_idle->start();
}

// --- The project and its controls ----------------------------------------------------------

void TfrmMain::ProjectToControl()
{
    TProject &p = *m_project;
    m_filling = true;
    ui->edtSourceFile->setText(p.SourceFile);
    ui->edtChmTitle->setText(p.Title);
    ui->edtNavSetting->setText(p.NavSetting);
    ui->edtCopyright->setText(p.CopyRight);
    ui->edtPrevHint->setText(p.PrevHint);
    ui->edtNextHint->setText(p.NextHint);
    ui->edtCompiledFile->setText(p.CompiledFile);
    ui->edtHtmlHelpTitle->setText(p.HtmlHelpTitle);
    ui->cbHtmlHelpTitleSame->setChecked(p.HtmlHelpTitleSame);
    ui->cbLanguage->setCurrentIndex(Languages().GetIndexById(p.CHMSetting.Language));
    // A charset the list does not hold selects nothing, so showing the project cannot replace
    // the stored charset with whatever was selected before.
    ui->cbHtmlHelpOutputEncoding->setCurrentIndex(CharsetIndex(p.HtmlHelpOutputEncoding));
    ui->cbbHasChild->setCurrentIndex(p.HasChild);
    ui->cbbNoChild->setCurrentIndex(p.NoChild);
    ui->cbHtmlHelpExtension->setCurrentIndex(p.HtmlHelpExtension);
    ui->cbOutputContext->setChecked(p.HtmlHelpOutputContext);
    ui->edtContextFile->setText(p.HtmlHelpContextFile);
    ui->cbOutputHHP->setChecked(p.OutputHHP);
    ui->edtHHPFolder->setText(p.HHPFolder);
    ui->edtWebHelpOutputFolder->setText(p.WebHelpOutputFolder);
    ui->edtWebHelpTitle->setText(p.WebHelpTitle);
    ui->cbWebHelpTilteSame->setChecked(p.WebHelpTilteSame);
    ui->cbWebHelpExtension->setCurrentIndex(p.WebHelpExtension);
    ui->framWebFontColor->SetText(p.WebFontColor);
    ui->framWebBackColor->SetText(p.WebBackColor);
    ui->cbWebBackground->setCurrentIndex(p.WebBackground);
    ui->cbStartFromRoot->setChecked(p.StartFromRoot);
    ui->cbDrawLines->setChecked(p.DrawLines);
    ui->cbAutoCollapse->setChecked(p.AutoCollapse);
    ui->cbRealColorIcon->setChecked(p.RealColorIcon);
    ui->cbShowIndex->setChecked(p.ShowIndex);
    ui->seNavWidth->setValue(p.NavWidth);
    ui->framTOCbackColor->SetText(p.TOCBackColor);
    ui->edtPDF->setText(p.PDFFile);
    ui->cbPanes->setCurrentIndex(p.Panes);
    ui->cbMagnification->setCurrentIndex(p.Magnification);
    ui->cbPageLayout->setCurrentIndex(p.PageLayout);
    ui->cbHTMLHelpOutput->setChecked(p.HtmlHelpOutput);
    ui->cbWebHelpOutput->setChecked(p.WebHelpOutput);
    ui->cbPDFOutput->setChecked(p.PDFOutput && IsLibreOfficeAvailable());
    m_filling = false;
    p.ProjectChanged = false;
    cbWebBackgroundChange();
    CheckOutputFiles();
    SetCaption();
    // The enable rules and titles follow at once; equal values leave the project unchanged.
    ScheduleUpdate();
}

void TfrmMain::Action2Update()
{
    if (m_filling || !m_project)
        return;
    TProject &p = *m_project;
    bool &ch = p.ProjectChanged;

    const bool hasSource = !ui->edtSourceFile->text().isEmpty();
    ui->btnOpenWordFile->setEnabled(hasSource);
    ui->btnOpenWordFolder->setEnabled(hasSource);

    auto titleRule = [&](QCheckBox *same, QLineEdit *edit, QString &field) {
        setFieldEnabled(edit, !same->isChecked());
        if (same->isChecked()) {
            if (edit->text() != ui->edtChmTitle->text()) {
                const QSignalBlocker b(edit);
                edit->setText(ui->edtChmTitle->text());
            }
        } else {
            UpdateText(field, edit->text(), ch);
        }
    };
    titleRule(ui->cbHtmlHelpTitleSame, ui->edtHtmlHelpTitle, p.HtmlHelpTitle);
    titleRule(ui->cbWebHelpTilteSame, ui->edtWebHelpTitle, p.WebHelpTitle);

    const bool hhp = ui->cbOutputHHP->isChecked();
    setFieldEnabled(ui->edtHHPFolder, hhp);
    ui->btnHHPFolder->setEnabled(hhp);
    const bool context = ui->cbOutputContext->isChecked();
    setFieldEnabled(ui->edtContextFile, context);
    ui->btnContextFile->setEnabled(context);
    ui->btnContextSetting->setEnabled(context);

    UpdateText(p.SourceFile, ui->edtSourceFile->text(), ch);
    UpdateText(p.Title, ui->edtChmTitle->text(), ch);
    UpdateText(p.NavSetting, ui->edtNavSetting->text(), ch);
    UpdateText(p.CopyRight, ui->edtCopyright->text(), ch);
    UpdateText(p.PrevHint, ui->edtPrevHint->text(), ch);
    UpdateText(p.NextHint, ui->edtNextHint->text(), ch);
    UpdateText(p.CompiledFile, ui->edtCompiledFile->text(), ch);
    UpdateFlag(p.HtmlHelpTitleSame, ui->cbHtmlHelpTitleSame->isChecked(), ch);
    if (ui->cbLanguage->currentIndex() >= 0)
        UpdateText(p.CHMSetting.Language, Languages().GetItem(ui->cbLanguage->currentIndex()).Id, ch);
    // Charset names ignore letter case: a stored "WINDOWS-1251" is the entry shown, not an edit.
    if (ui->cbHtmlHelpOutputEncoding->currentIndex() >= 0) {
        const QString charset = CharsetOfEntry(ui->cbHtmlHelpOutputEncoding->currentText());
        if (charset.compare(p.HtmlHelpOutputEncoding, Qt::CaseInsensitive) != 0)
            UpdateText(p.HtmlHelpOutputEncoding, charset, ch);
    }
    if (ui->cbbHasChild->currentIndex() >= 0)
        UpdateNumber(p.HasChild, ui->cbbHasChild->currentIndex(), ch);
    if (ui->cbbNoChild->currentIndex() >= 0)
        UpdateNumber(p.NoChild, ui->cbbNoChild->currentIndex(), ch);
    if (ui->cbHtmlHelpExtension->currentIndex() >= 0)
        UpdateNumber(p.HtmlHelpExtension, ui->cbHtmlHelpExtension->currentIndex(), ch);
    UpdateFlag(p.HtmlHelpOutputContext, context, ch);
    UpdateText(p.HtmlHelpContextFile, ui->edtContextFile->text(), ch);
    UpdateFlag(p.OutputHHP, hhp, ch);
    UpdateText(p.HHPFolder, ui->edtHHPFolder->text(), ch);
    UpdateText(p.WebHelpOutputFolder, ui->edtWebHelpOutputFolder->text(), ch);
    UpdateFlag(p.WebHelpTilteSame, ui->cbWebHelpTilteSame->isChecked(), ch);
    if (ui->cbWebHelpExtension->currentIndex() >= 0)
        UpdateNumber(p.WebHelpExtension, ui->cbWebHelpExtension->currentIndex(), ch);
    UpdateText(p.WebFontColor, ui->framWebFontColor->Text(), ch);
    UpdateText(p.WebBackColor, ui->framWebBackColor->Text(), ch);
    if (ui->cbWebBackground->currentIndex() >= 0)
        UpdateNumber(p.WebBackground, ui->cbWebBackground->currentIndex(), ch);
    UpdateFlag(p.StartFromRoot, ui->cbStartFromRoot->isChecked(), ch);
    UpdateFlag(p.DrawLines, ui->cbDrawLines->isChecked(), ch);
    UpdateFlag(p.AutoCollapse, ui->cbAutoCollapse->isChecked(), ch);
    UpdateFlag(p.RealColorIcon, ui->cbRealColorIcon->isChecked(), ch);
    UpdateFlag(p.ShowIndex, ui->cbShowIndex->isChecked(), ch);
    UpdateNumber(p.NavWidth, ui->seNavWidth->value(), ch);
    UpdateText(p.TOCBackColor, ui->framTOCbackColor->Text(), ch);
    UpdateText(p.PDFFile, ui->edtPDF->text(), ch);
    if (ui->cbPanes->currentIndex() >= 0)
        UpdateNumber(p.Panes, ui->cbPanes->currentIndex(), ch);
    if (ui->cbMagnification->currentIndex() >= 0)
        UpdateNumber(p.Magnification, ui->cbMagnification->currentIndex(), ch);
    if (ui->cbPageLayout->currentIndex() >= 0)
        UpdateNumber(p.PageLayout, ui->cbPageLayout->currentIndex(), ch);
    UpdateFlag(p.HtmlHelpOutput, ui->cbHTMLHelpOutput->isChecked(), ch);
    UpdateFlag(p.WebHelpOutput, ui->cbWebHelpOutput->isChecked(), ch);
    UpdateFlag(p.PDFOutput, ui->cbPDFOutput->isChecked(), ch);
    SetCaption();
}

void TfrmMain::SetCaption()
{
    const QString caption = MainCaption(*m_project);
    if (windowTitle() != caption)
        setWindowTitle(caption);
}

void TfrmMain::CheckOutputFiles()
{
    const QList<TOutputStatus> status = tavrel::CheckOutputFiles(*m_project);
    QLineEdit *paths[3] = {ui->edtCHMOutput, ui->edtWebHelpOutput, ui->edtPDFOutput};
    QLabel *labels[3] = {ui->lbCHMStatus, ui->lbWebHelpStatus, ui->lbPDFStatus};
    QPushButton *opens[3] = {ui->btnOpenCHM, ui->btnOpenWebHelp, ui->btnOpenPDF};
    QPushButton *folders[3] = {ui->btnCHMFolder, ui->btnWebHelpFolderOpen, ui->btnPDFFolder};
    for (int i = 0; i < 3; ++i) {
        const QSignalBlocker b(paths[i]);
        paths[i]->setText(status[i].Path);
        labels[i]->setText(status[i].Label);
        opens[i]->setEnabled(status[i].Exists);
        folders[i]->setEnabled(status[i].Exists);
    }
}

// --- Project commands ----------------------------------------------------------------------

void TfrmMain::ProjectOperation(int tag)
{
    switch (tag) {
    case 1: New(true); break;
    case 2: Open(); break;
    case 3: Save(); break;
    case 4: SaveAs(); break;
    case 5: GoExit(); break;
    default: break;
    }
}

bool TfrmMain::AskSave(const QString &text)
{
    Action2Update();
    if (!m_project->ProjectChanged)
        return true;
    switch (Messages().Ask(text, mbYes | mbNo | mbCancel, TMsgIcon::Question)) {
    case mbYes:
        return Save();
    case mbNo:
        return true;
    default:
        return false;
    }
}

namespace {
const QString kChangedText = QStringLiteral("The project has changed.\nDo you want to save the changes?");
}

bool TfrmMain::ReadProject(const QString &file)
{
    // Read into a scratch project first: a file that is no project, or cannot be read, must not
    // leave the current project cleared or half replaced.
    try {
        TProject probe;
        probe.ReadFromIni(file);
    } catch (const Exception &e) {
        Messages().ShowError(e.Message());
        return false;
    }
    if (!m_project->IsNew)
        AddRecentProject(m_project->ProjectFilename);
    m_project->Clear();
    try {
        m_project->ReadFromIni(file);
    } catch (const Exception &e) {
        Messages().ShowError(e.Message());
        return false;
    }
    SetCaption();
    ProjectToControl();
    return true;
}

void TfrmMain::Open()
{
    if (!AskSave(kChangedText))
        return;
    const QString start = m_project->IsNew ? GetSpecialFolder(5) : QFileInfo(m_project->ProjectFilename).absolutePath();
    const QString file = ChooseOpenFile(QStringLiteral("Open"), start, kProjectFilter);
    if (!file.isEmpty())
        ReadProject(file);
}

bool TfrmMain::OpenProject(const QString &ProFile)
{
    if (!QFileInfo(ProFile).isFile()) {
        Messages().ShowError(ProFile + QStringLiteral(" doesn't exist!"));
        return false;
    }
    if (!AskSave(kChangedText))
        return false;
    return ReadProject(ProFile);
}

bool TfrmMain::Save()
{
    Action2Update();
    if (m_project->IsNew)
        return SaveAs();
    try {
        AddRecentProject(m_project->ProjectFilename);
        m_project->Save();
    } catch (const Exception &e) {
        // Said aloud: a save that silently did nothing would let the author quit without it.
        Messages().ShowError(QStringLiteral("The project could not be saved.\n") + e.Message());
        return false;
    }
    SetCaption();
    return true;
}

bool TfrmMain::SaveAs()
{
    Action2Update();
    TProject &p = *m_project;
    if (p.IsNew && !p.RootDir.isEmpty())
        QDir().mkpath(p.RootDir);
    const QString file = ChooseSaveFile(QStringLiteral("Save As"), SaveAsProposal(p), kProjectFilter, QStringLiteral("tvp"), true);
    if (file.isEmpty())
        return false;
    const QString oldCompiled = p.CompiledFile;
    ApplySaveAsName(p, file);
    try {
        p.SaveToIni(file);
    } catch (const Exception &e) {
        // The name change belongs to the save that did not happen.
        p.CompiledFile = oldCompiled;
        Messages().ShowError(e.Message());
        return false;
    }
    p.IsNew = false;
    {
        const QSignalBlocker b(ui->edtCompiledFile);
        ui->edtCompiledFile->setText(p.CompiledFile);
    }
    SetCaption();
    return true;
}

bool TfrmMain::New(bool CanCancel)
{
    if (!AskSave(kChangedText))
        return false;
    if (!m_project->IsNew)
        AddRecentProject(m_project->ProjectFilename);
    TfrmNewProject wizard(this);
    wizard.ui->btnCancel->setEnabled(CanCancel);
    wizard.ui->edtProjectPosition->setText(GetNewProjectFolder());
    wizard.ui->edtFilename->setText(QStringLiteral("help"));
    if (RunWizard(wizard) != QDialog::Accepted)
        return false;
    const QString file = WizardProjectFile(wizard.ui->edtProjectPosition->text(), wizard.ui->edtFilename->text());
    // Write the new project before the current one is replaced: a folder that cannot be made
    // keeps the project that was open.
    {
        TProject fresh;
        try {
            fresh.SaveToIni(file);
        } catch (const Exception &e) {
            Messages().ShowError(e.Message());
            return false;
        }
    }
    m_project->Clear();
    SetCaption();
    ProjectToControl();
    m_project->IsNew = false;
    try {
        m_project->SaveToIni(file);
    } catch (const Exception &e) {
        Messages().ShowError(e.Message());
    }
    SetCaption();
    if (wizard.ui->rb1->isChecked())
        btnSelectWordFileClick();
    else if (wizard.ui->rb2->isChecked())
        btnCreateWordFileClick();
    return true;
}

void TfrmMain::GoExit()
{
    if (!AskSave(kChangedText))
        return;
    m_closing = true;
    close();
}

void TfrmMain::closeEvent(QCloseEvent *event)
{
    if (m_closing) {
        event->accept();
        return;
    }
    if (!AskSave(QStringLiteral("The project has been changed.\nDo you want to save the changes?"))) {
        event->ignore();
        return;
    }
    event->accept();
}

void TfrmMain::LoadRecentProjects()
{
    ui->mnuRecent->clear();
    pmRecent->clear();
    const QStringList list = TRecentProjects::Load();
    for (const QString &path : list) {
        for (QMenu *m : {ui->mnuRecent, pmRecent}) {
            QAction *a = m->addAction(path);
            connect(a, &QAction::triggered, this, [this, path] { RecentClick(path); });
        }
    }
    ui->mnuRecent->setEnabled(!list.isEmpty());
}

void TfrmMain::AddRecentProject(const QString &path)
{
    TRecentProjects::Add(path);
    LoadRecentProjects();
}

void TfrmMain::RecentClick(const QString &caption)
{
    OpenProject(ExpandMyDocuments(caption));
}

void TfrmMain::About()
{
    std::unique_ptr<QMessageBox> box(CreateAboutBox(this));
    box->exec();
}

QMessageBox *CreateAboutBox(QWidget *parent)
{
    const QString product = QString::fromLatin1(kProductName);
    auto *box = new QMessageBox(parent);
    box->setObjectName(QStringLiteral("frmAbout"));
    box->setWindowTitle(QStringLiteral("About ") + product);
    box->setIconPixmap(contentsIcon(0).pixmap(32, 32));
    box->setText(QStringLiteral("<b>%1 %2</b>").arg(product, QString::fromLatin1(kVersion)));
    box->setInformativeText(QStringLiteral("Help authoring from one Word document: HTML Help, WebHelp and PDF."));
    // A message box sizes itself to its shortest line; give the text room to read as a paragraph.
    box->setStyleSheet(QStringLiteral("QLabel#qt_msgbox_informativelabel { min-width: 300px; }"));
    return box;
}

void TfrmMain::BuildProject(bool Silence)
{
    Action2Update();
    std::unique_ptr<TBuildRunner> runner = RunnerFactory ? RunnerFactory(this) : std::make_unique<TDialogBuildRunner>(this);
    TBuildOptions options;
    options.Silence = Silence;
    const TBuildReport report = tavrel::BuildProject(*m_project, *runner, options);
    CheckOutputFiles();
    if (Silence) {
        SilentStatus = report.Result == TBuildReport::Completed ? 0 : 1;
        QTimer::singleShot(1000, this, [this] { close(); });
    }
}

// --- Dialog hooks --------------------------------------------------------------------------

QString TfrmMain::ChooseOpenFile(const QString &caption, const QString &start, const QString &filter)
{
    return QFileDialog::getOpenFileName(this, caption, start, filter);
}

QString TfrmMain::ChooseSaveFile(const QString &caption, const QString &proposal, const QString &filter,
                                 const QString &suffix, bool confirmOverwrite)
{
    QFileDialog d(this, caption, QFileInfo(proposal).absolutePath(), filter);
    d.setAcceptMode(QFileDialog::AcceptSave);
    d.setDefaultSuffix(suffix);
    d.selectFile(QFileInfo(proposal).fileName());
    if (!confirmOverwrite)
        d.setOption(QFileDialog::DontConfirmOverwrite);
    if (d.exec() != QDialog::Accepted || d.selectedFiles().isEmpty())
        return QString();
    return d.selectedFiles().first();
}

bool TfrmMain::ChooseFolder(QString &folder)
{
    return BrowseForFolder(this, folder, QStringLiteral("Select a folder:"));
}

int TfrmMain::RunWizard(TfrmNewProject &wizard)
{
    return wizard.exec();
}

// --- Page buttons --------------------------------------------------------------------------

void TfrmMain::btnSelectWordFileClick()
{
    const QString start = m_project->RealPath(ui->edtSourceFile->text());
    const QString file = ChooseOpenFile(QStringLiteral("Select the Word document"), start, WordFilterString());
    if (!file.isEmpty())
        ui->edtSourceFile->setText(file);
}

void TfrmMain::btnOpenWordFileClick()
{
    const QString path = m_project->RealPath(ui->edtSourceFile->text());
    if (QFileInfo(path).isFile())
        Shell().OpenDocument(path);
    else
        Messages().ShowError(Resource().GetStringById(QStringLiteral("602")).replace(QLatin1String("%s"), ui->edtSourceFile->text()));
}

void TfrmMain::btnOpenWordFolderClick()
{
    Shell().ShowInFileManager(m_project->RealPath(ui->edtSourceFile->text()));
}

void TfrmMain::InsertFooter(const QString &entity)
{
    QLineEdit *e = ui->edtCopyright;
    const int start = e->hasSelectedText() ? e->selectionStart() : e->cursorPosition();
    const TTextEdit r = InsertAtCaret(e->text(), start, e->hasSelectedText() ? int(e->selectedText().size()) : 0, entity);
    e->setText(r.text);
    e->setSelection(r.selStart, r.selLength);
    e->setFocus();
}

void TfrmMain::btnSetNavigationClick()
{
    TfrmSetNavigation d(this);
    d.LoadSetting(m_project->NavSetting);
    if (d.exec() == QDialog::Accepted)
        ui->edtNavSetting->setText(d.GetSettingStr());
}

void TfrmMain::btnCompiledFileClick()
{
    const QString path = m_project->RealPath(ui->edtCompiledFile->text().trimmed());
    QString proposal = path;
    if (!path.isEmpty())
        QDir().mkpath(QFileInfo(path).absolutePath());
    const QString file = ChooseSaveFile(QStringLiteral("Compiled file"), proposal, QStringLiteral("Windows HTML help (*.chm)"),
                                        QStringLiteral("chm"), false);
    if (!file.isEmpty())
        ui->edtCompiledFile->setText(file);
}

void TfrmMain::btnContextFileClick()
{
    Action2Update();
    const QString path = m_project->RealPath(ptContextFile);
    const QString file = ChooseSaveFile(QStringLiteral("Context file"), path,
                                        QStringLiteral("C# (*.cs);;VB .NET (*.vb);;Delphi (*.pas);;C (*.h);;All file (*)"),
                                        QString(), true);
    if (!file.isEmpty())
        ui->edtContextFile->setText(file);
}

void TfrmMain::btnContextSettingClick()
{
    TProject &p = *m_project;
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

void TfrmMain::FolderButtonClick(int tag)
{
    Action2Update();
    QString folder = m_project->RealPath(tag == 1 ? ptHHPFolder : ptWebHelpFolder);
    if (!IsBlankText(folder) && !QFileInfo(folder).isDir() && !QDir().mkpath(folder))
        folder = QDir::homePath();
    if (!ChooseFolder(folder))
        return;
    (tag == 1 ? ui->edtHHPFolder : ui->edtWebHelpOutputFolder)->setText(folder);
}

void TfrmMain::cbLanguageChange()
{
    const int entry = ApplyLanguage(*m_project, ui->cbLanguage->currentIndex());
    if (entry >= 0)
        ui->cbHtmlHelpOutputEncoding->setCurrentIndex(entry);
}

void TfrmMain::cbPDFOutputClick()
{
    if (ui->cbPDFOutput->isChecked() && !IsLibreOfficeAvailable()) {
        Messages().Ask(Resource().GetStringById(QStringLiteral("501")), mbOK, TMsgIcon::Warning);
        ui->cbPDFOutput->setChecked(false);
    }
}

void TfrmMain::cbWebBackgroundChange()
{
    const QString file = BackgroundPicture(ui->cbWebBackground->currentIndex());
    if (file.isEmpty())
        ui->imgBackground->clear();
    else
        ui->imgBackground->setPixmap(QPixmap(file));
}

void TfrmMain::TemplateImport(QByteArray &stream)
{
    const QString file = ChooseOpenFile(QStringLiteral("Please select the template file"), QString(),
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
    m_project->ProjectChanged = true;
    Messages().ShowInfo(QStringLiteral("Imported sucessfully!"));
}

void TfrmMain::TemplateExport(const QByteArray &stream)
{
    QString folder;
    if (!ChooseFolder(folder))
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

void TfrmMain::OpenOutput(int index, bool folder)
{
    const TOutputStatus s = tavrel::CheckOutputFiles(*m_project)[index];
    if (folder)
        Shell().ShowInFileManager(s.Target);
    else
        Shell().OpenDocument(s.Target);
}

// --- Start ---------------------------------------------------------------------------------

QPixmap SplashPixmap()
{
    const qreal dpr = qApp->devicePixelRatio();
    QPixmap pm(QSize(420, 220) * dpr);
    pm.setDevicePixelRatio(dpr);
    pm.fill(QColor(0x1f, 0x3b, 0x5c));
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawPixmap(QRect(36, 48, 32, 32), contentsIcon(0).pixmap(QSize(32, 32), dpr));
    QFont f = QApplication::font();
    f.setPointSizeF(f.pointSizeF() * 2.2);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRect(90, 36, 320, 56), Qt::AlignVCenter | Qt::AlignLeft, QString::fromLatin1(kProductName));
    p.setFont(QApplication::font());
    p.setPen(QColor(0xc8, 0xd6, 0xe5));
    p.drawText(QRect(92, 96, 320, 24), Qt::AlignLeft, QStringLiteral("Help authoring from one Word document"));
    p.drawText(QRect(28, 176, 360, 24), Qt::AlignLeft, QStringLiteral("Ver: ") + QString::fromLatin1(kVersion));
    p.end();
    return pm;
}

int RunDesktop(const QStringList &args)
{
    QApplication::setApplicationName(QString::fromLatin1(kProductName));
    QApplication::setApplicationVersion(QString::fromLatin1(kVersion));
    const QPixmap pm = SplashPixmap();
    auto *splash = new QSplashScreen(pm, Qt::WindowStaysOnTopHint);
    splash->show();
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 1000)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    TfrmMain main(args);
    main.show();
    splash->finish(&main);
    delete splash;
    const int status = QApplication::exec();
    return status != 0 ? status : main.SilentStatus;
}

} // namespace tavrel
