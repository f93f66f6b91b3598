#include "support/ScriptedMessages.h"

#include <gtest/gtest.h>

namespace tavrel::test {

TScriptedMessages::TScriptedMessages() { m_previous = SetMessages(this); }

TScriptedMessages::~TScriptedMessages() { SetMessages(m_previous); }

void TScriptedMessages::ExpectQuestion(TMsgButton answer)
{
    QMutexLocker l(&m_mutex);
    m_answers.push_back(answer);
}

void TScriptedMessages::ExpectFileName(const QString &answer)
{
    QMutexLocker l(&m_mutex);
    m_names.push_back(answer);
}

void TScriptedMessages::ShowError(const QString &text)
{
    QMutexLocker l(&m_mutex);
    m_errors << text;
}

void TScriptedMessages::ShowInfo(const QString &text)
{
    QMutexLocker l(&m_mutex);
    m_infos << text;
}

TMsgButton TScriptedMessages::Ask(const QString &text, TMsgButtons buttons, TMsgIcon)
{
    QMutexLocker l(&m_mutex);
    m_questions << text;
    m_buttons << buttons;
    if (m_answers.empty()) {
        ADD_FAILURE() << "unscripted question: " << text.toStdString();
        return THeadlessMessages::CarefulAnswer(buttons);
    }
    TMsgButton a = m_answers.front();
    m_answers.pop_front();
    EXPECT_TRUE(buttons & a) << "scripted answer is not one of the buttons of: " << text.toStdString();
    return a;
}

QString TScriptedMessages::AskSaveFileName(const QString &suggested, const QString &, const QString &)
{
    QMutexLocker l(&m_mutex);
    m_nameRequests << suggested;
    if (m_names.empty()) {
        ADD_FAILURE() << "unscripted file-name request for: " << suggested.toStdString();
        return QString();
    }
    QString a = m_names.front();
    m_names.pop_front();
    return a;
}

QStringList TScriptedMessages::Errors() const { QMutexLocker l(&m_mutex); return m_errors; }
QStringList TScriptedMessages::Infos() const { QMutexLocker l(&m_mutex); return m_infos; }
QStringList TScriptedMessages::Questions() const { QMutexLocker l(&m_mutex); return m_questions; }
QStringList TScriptedMessages::FileNameRequests() const { QMutexLocker l(&m_mutex); return m_nameRequests; }
QList<TMsgButtons> TScriptedMessages::QuestionButtons() const { QMutexLocker l(&m_mutex); return m_buttons; }
bool TScriptedMessages::AllAnswersUsed() const { QMutexLocker l(&m_mutex); return m_answers.empty() && m_names.empty(); }

} // namespace tavrel::test
