#include "text/Messages.h"

#include <QTextStream>
#include <atomic>
#include <cstdio>

namespace tavrel {

namespace {
THeadlessMessages g_headless;
std::atomic<TMessageInterface *> g_current{nullptr};

void printLine(const QString &prefix, const QString &text)
{
    QByteArray line = (prefix + text + QLatin1Char('\n')).toLocal8Bit();
    std::fwrite(line.constData(), 1, line.size(), stderr);
    std::fflush(stderr);
}
} // namespace

void THeadlessMessages::ShowError(const QString &text) { printLine(QStringLiteral("Error: "), text); }

void THeadlessMessages::ShowInfo(const QString &text) { printLine(QString(), text); }

TMsgButton THeadlessMessages::CarefulAnswer(TMsgButtons buttons)
{
    for (TMsgButton b : {mbAbort, mbCancel, mbNo, mbOK})
        if (buttons & b)
            return b;
    return mbNone;
}

TMsgButton THeadlessMessages::Ask(const QString &text, TMsgButtons buttons, TMsgIcon)
{
    TMsgButton answer = CarefulAnswer(buttons);
    const char *names[] = {"OK", "Cancel", "Yes", "No", "Abort", "Retry", "Ignore"};
    QString name;
    for (int i = 0; i < 7; ++i)
        if (answer == (1 << i))
            name = QString::fromLatin1(names[i]);
    printLine(QStringLiteral("Question: "), text + QStringLiteral(" -> ") + name);
    return answer;
}

QString THeadlessMessages::AskSaveFileName(const QString &suggested, const QString &, const QString &)
{
    printLine(QStringLiteral("Cannot ask for another file name instead of "), suggested);
    return QString();
}

TMessageInterface &Messages()
{
    TMessageInterface *m = g_current.load();
    return m ? *m : g_headless;
}

TMessageInterface *SetMessages(TMessageInterface *messages)
{
    TMessageInterface *old = g_current.exchange(messages);
    return old ? old : &g_headless;
}

} // namespace tavrel
