#include "text/gui/DesktopMessages.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QThread>

namespace tavrel {

namespace {

// Runs f on the main thread, waiting for it when called from another thread.
template<typename F>
void onMainThread(F &&f)
{
    QCoreApplication *app = QCoreApplication::instance();
    if (!app || QThread::currentThread() == app->thread()) {
        f();
        return;
    }
    QMetaObject::invokeMethod(app, std::forward<F>(f), Qt::BlockingQueuedConnection);
}

QMessageBox::StandardButtons toQt(TMsgButtons b)
{
    QMessageBox::StandardButtons out;
    if (b & mbOK) out |= QMessageBox::Ok;
    if (b & mbCancel) out |= QMessageBox::Cancel;
    if (b & mbYes) out |= QMessageBox::Yes;
    if (b & mbNo) out |= QMessageBox::No;
    if (b & mbAbort) out |= QMessageBox::Abort;
    if (b & mbRetry) out |= QMessageBox::Retry;
    if (b & mbIgnore) out |= QMessageBox::Ignore;
    return out;
}

TMsgButton fromQt(int b)
{
    switch (b) {
    case QMessageBox::Ok: return mbOK;
    case QMessageBox::Cancel: return mbCancel;
    case QMessageBox::Yes: return mbYes;
    case QMessageBox::No: return mbNo;
    case QMessageBox::Abort: return mbAbort;
    case QMessageBox::Retry: return mbRetry;
    case QMessageBox::Ignore: return mbIgnore;
    default: return mbCancel;
    }
}

QMessageBox::Icon toQt(TMsgIcon i)
{
    switch (i) {
    case TMsgIcon::Information: return QMessageBox::Information;
    case TMsgIcon::Warning: return QMessageBox::Warning;
    case TMsgIcon::Error: return QMessageBox::Critical;
    case TMsgIcon::Question: return QMessageBox::Question;
    default: return QMessageBox::NoIcon;
    }
}

} // namespace

void TDesktopMessages::ShowError(const QString &text)
{
    onMainThread([&] { QMessageBox::critical(m_parent, QApplication::applicationDisplayName(), text); });
}

void TDesktopMessages::ShowInfo(const QString &text)
{
    onMainThread([&] { QMessageBox::information(m_parent, QApplication::applicationDisplayName(), text); });
}

TMsgButton TDesktopMessages::Ask(const QString &text, TMsgButtons buttons, TMsgIcon icon)
{
    TMsgButton answer = mbCancel;
    onMainThread([&] {
        QMessageBox box(toQt(icon), QApplication::applicationDisplayName(), text, toQt(buttons), m_parent);
        answer = fromQt(box.exec());
    });
    return answer;
}

QString TDesktopMessages::AskSaveFileName(const QString &suggested, const QString &filter, const QString &caption)
{
    QString chosen;
    onMainThread([&] { chosen = QFileDialog::getSaveFileName(m_parent, caption, suggested, filter); });
    return chosen;
}

} // namespace tavrel
