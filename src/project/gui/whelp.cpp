#include "project/gui/whelp.h"

#include "build/BuildProject.h"
#include "build/gui/Building.h"
#include "editing/gui/ColorSelector.h"
#include "project/MainWindowLogic.h"
#include "project/OwnHelp.h"
#include "project/gui/BuildPage.h"
#include "project/gui/NewProject.h"
#include "project/gui/SourceFilesPage.h"
#include "word/gui/CreateNewdoc.h"
#include "text/Exceptions.h"
#include "text/InstallFolder.h"
#include "text/Messages.h"
#include "text/Shell.h"
#include "text/functions.h"
#include "text/gui/BrowseForFolder.h"

#include "ui_whelp.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>
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

} // namespace

TfrmMain::TfrmMain(const QStringList &args, QWidget *parent)
    : QMainWindow(parent), ui(std::make_unique<Ui::TfrmMain>()), m_args(args)
{
    ui->setupUi(this);
    FormCreate();
}

TfrmMain::~TfrmMain()
{
    // FormDestroy: the project just worked on heads the recent list next time.
    if (m_project && !m_project->IsNew)
        TRecentProjects::Add(m_project->ProjectFilename);
}

void TfrmMain::FormCreate()
{
    setWindowIcon(ContentsIcon(0));
    // Window titles read exactly as set: an empty display name keeps the window system from
    // appending the program's name to the caption, which already begins with it.
    QApplication::setApplicationDisplayName(QString());
    for (int i = 0; i < ui->PageControl1->count(); ++i)
        alignLabels(ui->PageControl1->widget(i));
    for (TSettingsPage *page : Pages()) {
        page->Attach(this);
        page->Bind(m_bindings);
    }

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
    for (QSpinBox *s : findChildren<QSpinBox *>())
        connect(s, &QSpinBox::valueChanged, this, schedule);
    for (TframSelectColor *f : findChildren<TframSelectColor *>())
        connect(f, &TframSelectColor::Changed, this, schedule);
}

void TfrmMain::ScheduleUpdate()
{
    if (!m_filling)
        m_idle->start();
}

// --- The project and its controls ----------------------------------------------------------

QList<TSettingsPage *> TfrmMain::Pages() const
{
    QList<TSettingsPage *> pages;
    for (int i = 0; i < ui->PageControl1->count(); ++i)
        if (auto *page = qobject_cast<TSettingsPage *>(ui->PageControl1->widget(i)))
            pages << page;
    return pages;
}

void TfrmMain::ShowFields()
{
    m_filling = true;
    m_bindings.Show(*m_project);
    m_filling = false;
}

void TfrmMain::ProjectToControl()
{
    ShowFields();
    m_project->ProjectChanged = false;
    CheckOutputFiles();
    SetCaption();
    // The enable rules and titles follow at once; equal values leave the project unchanged.
    ScheduleUpdate();
}

void TfrmMain::Action2Update()
{
    if (m_filling || !m_project)
        return;
    m_bindings.Take(*m_project);
    for (TSettingsPage *page : Pages())
        page->UpdateControls(*m_project);
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
    ui->tsBuild->ShowOutputStatus(*m_project);
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
    // The compiled file was renamed after the project.
    ShowFields();
    ScheduleUpdate();
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
    wizard.Prepare(CanCancel, GetNewProjectFolder(), QStringLiteral("help"));
    if (RunWizard(wizard) != QDialog::Accepted)
        return false;
    const QString file = wizard.ProjectFile();
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
    if (wizard.SelectsDocument())
        ui->tsSourceFiles->SelectWordFile();
    else if (wizard.CreatesDocument())
        ui->tsSourceFiles->CreateWordFile();
    else if (wizard.ImportsHelpFile())
        ui->tsSourceFiles->ImportChm();
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
    box->setIconPixmap(ContentsIcon(0).pixmap(32, 32));
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

int TfrmMain::RunCreateNewDocument(TfrmCreateNewDocument &dialog)
{
    return dialog.exec();
}

void TfrmMain::SelectLanguage(const QString &langId)
{
    ui->tsHtmlHelp->SelectLanguage(langId);
}

void TfrmMain::SetProjectTitle(const QString &title)
{
    ui->tsCommon->SetTitle(title);
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
    p.drawPixmap(QRect(36, 48, 32, 32), ContentsIcon(0).pixmap(QSize(32, 32), dpr));
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
