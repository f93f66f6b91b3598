#include "build/gui/Building.h"

#include "build/build.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QProgressBar>
#include <QTimer>
#include <QVBoxLayout>

namespace tavrel {

namespace {
// The one build that runs; the window is modal, so there is never a second.
Tbuild *g_build = nullptr;
} // namespace

TfrmBuilding::TfrmBuilding(TProject &project, QWidget *parent, std::function<std::unique_ptr<Tbuild>(TProject &)> factory)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint),
      m_project(project)
{
    setObjectName(QStringLiteral("frmBuilding"));
    setWindowTitle(QStringLiteral("Building..."));
    setModal(true);
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setMinimumWidth(360);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(ProgressBar1);
    FormCreate(std::move(factory));
}

TfrmBuilding::~TfrmBuilding()
{
    if (m_build)
        m_build->wait();
    if (g_build == m_build.get())
        g_build = nullptr;
}

void TfrmBuilding::FormCreate(std::function<std::unique_ptr<Tbuild>(TProject &)> factory)
{
    m_build = factory ? factory(m_project) : std::make_unique<Tbuild>(&m_project);
    g_build = m_build.get();
    m_build->FOnUpdate = [this](Tbuild *b) { BuildUpdated(b); };
    connect(m_build.get(), &QThread::finished, this, &TfrmBuilding::BuildTerminated, Qt::QueuedConnection);
    m_build->start();
}

void TfrmBuilding::BuildUpdated(Tbuild *sender) { ProgressBar1->setValue(sender->Position); }

void TfrmBuilding::BuildTerminated()
{
    m_build->wait();
    Outcome = OutcomeOf(*m_build);
    if (!Outcome.Ok)
        ErrorMsg = Outcome.ErrorMsg;
    m_ended = true;
    m_result = Outcome.Ok ? QDialog::Accepted : QDialog::Rejected;
    // The result is set only once the window is showing: a build that ends before exec() has
    // begun closes the window as soon as it appears.
    if (m_shown)
        done(m_result);
}

void TfrmBuilding::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    m_shown = true;
    if (m_ended)
        QTimer::singleShot(0, this, [this] { done(m_result); });
}

void TfrmBuilding::closeEvent(QCloseEvent *event)
{
    // The system's close command cannot stop a build halfway.
    if (!m_ended)
        event->ignore();
    else
        QDialog::closeEvent(event);
}

void TfrmBuilding::keyPressEvent(QKeyEvent *event)
{
    // Escape would reject the dialog while the build still runs.
    if (event->key() == Qt::Key_Escape && !m_ended)
        return;
    QDialog::keyPressEvent(event);
}

TBuildOutcome TDialogBuildRunner::Run(TProject &project)
{
    TfrmBuilding form(project, m_parent, Factory);
    form.exec();
    return form.Outcome;
}

} // namespace tavrel
