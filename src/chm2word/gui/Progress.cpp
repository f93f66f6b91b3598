#include "chm2word/gui/Progress.h"

#include "chm2word/OutputWord.h"

#include "ui_Progress.h"

#include <QCloseEvent>
#include <QTimer>

#include <algorithm>

namespace tavrel {

TfrmProgress::TfrmProgress(QWidget *parent) : QDialog(parent), ui(std::make_unique<Ui::TfrmProgress>())
{
    ui->setupUi(this);
    FormCreate();
    connect(ui->btnCancel, &QPushButton::clicked, this, &TfrmProgress::btnCancelClick);
}

TfrmProgress::~TfrmProgress()
{
    if (m_writer && m_writer->isRunning())
        m_writer->StopIt();
}

void TfrmProgress::FormCreate()
{
    m_writer = std::make_unique<TOutputWord>();
}

void TfrmProgress::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!m_started) {
        m_started = true;
        // Started once the window is on screen, so the first progress step has somewhere to go.
        QTimer::singleShot(0, this, &TfrmProgress::FormShow);
    }
}

void TfrmProgress::FormShow()
{
    if (m_ended)
        return;
    m_writer->FOnUpdate = [this](TOutputWord *w) { WriterUpdated(w); };
    connect(m_writer.get(), &QThread::finished, this, &TfrmProgress::ProgressFinished, Qt::QueuedConnection);
    m_writer->start();
}

void TfrmProgress::WriterUpdated(TOutputWord *w)
{
    ui->Gauge1->setValue(std::clamp(w->position, 0, 100));
    ui->lbInfo->setText(w->info);
    if (w->OK)
        ui->btnCancel->setText(QStringLiteral("Close"));
}

void TfrmProgress::btnCancelClick()
{
    if (ui->btnCancel->text() == QLatin1String("Cancel") && m_writer->isRunning()) {
        ui->btnCancel->setEnabled(false);
        ui->lbInfo->setText(QStringLiteral("Stopping..."));
        m_writer->StopIt();
    }
    if (!m_ended) {
        m_ended = true;
        done(m_writer->Failed || !m_writer->OK ? QDialog::Rejected : QDialog::Accepted);
    }
}

void TfrmProgress::ProgressFinished()
{
    m_writer->wait();
    if (m_ended)
        return;
    m_ended = true;
    done(m_writer->Failed ? QDialog::Rejected : QDialog::Accepted);
}

void TfrmProgress::closeEvent(QCloseEvent *event)
{
    // Closing the window is a cancel: the run never outlives it.
    event->ignore();
    btnCancelClick();
}

void TfrmProgress::reject()
{
    btnCancelClick();
}

} // namespace tavrel
