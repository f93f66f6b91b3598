#pragma once
// The desktop program's message interface: real message boxes and save dialogs, always shown
// on the main thread (a worker thread's call waits until the user has answered).
#include "text/Messages.h"

class QWidget;

namespace tavrel {

class TDesktopMessages : public TMessageInterface
{
public:
    explicit TDesktopMessages(QWidget *parent = nullptr) : m_parent(parent) {}
    void SetParent(QWidget *parent) { m_parent = parent; }

    void ShowError(const QString &text) override;
    void ShowInfo(const QString &text) override;
    TMsgButton Ask(const QString &text, TMsgButtons buttons, TMsgIcon icon) override;
    QString AskSaveFileName(const QString &suggested, const QString &filter, const QString &caption) override;

private:
    QWidget *m_parent;
};

} // namespace tavrel
