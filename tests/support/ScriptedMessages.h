#pragma once
// A message interface for tests: it records everything shown and answers questions and
// file-name requests from a script, in order. An unscripted question fails the test.
#include "text/Messages.h"

#include <QMutex>
#include <QStringList>
#include <deque>

namespace tavrel::test {

class TScriptedMessages : public TMessageInterface
{
public:
    TScriptedMessages();
    ~TScriptedMessages() override;

    // The next question is answered with this button.
    void ExpectQuestion(TMsgButton answer);
    // The next save dialog returns this name (empty: cancelled).
    void ExpectFileName(const QString &answer);

    void ShowError(const QString &text) override;
    void ShowInfo(const QString &text) override;
    TMsgButton Ask(const QString &text, TMsgButtons buttons, TMsgIcon icon) override;
    QString AskSaveFileName(const QString &suggested, const QString &filter, const QString &caption) override;

    QStringList Errors() const;
    QStringList Infos() const;
    QStringList Questions() const;
    QStringList FileNameRequests() const;
    QList<TMsgButtons> QuestionButtons() const;
    bool AllAnswersUsed() const;

private:
    mutable QMutex m_mutex;
    std::deque<TMsgButton> m_answers;
    std::deque<QString> m_names;
    QStringList m_errors, m_infos, m_questions, m_nameRequests;
    QList<TMsgButtons> m_buttons;
    TMessageInterface *m_previous;
};

} // namespace tavrel::test
