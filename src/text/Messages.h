#pragma once
// The core's way of talking to the user. Some operations show an error box, ask a question or
// ask for another file name themselves; the core never includes widgets, so it calls this
// interface. The desktop program installs an implementation with real dialogs; without one the
// headless implementation prints to standard error and answers without waiting for input.
// Every implementation may be called from any thread.
#include <QString>

namespace tavrel {

enum TMsgButton : int {
    mbNone = 0,
    mbOK = 1,
    mbCancel = 2,
    mbYes = 4,
    mbNo = 8,
    mbAbort = 16,
    mbRetry = 32,
    mbIgnore = 64,
};
using TMsgButtons = int;

enum class TMsgIcon { None, Information, Warning, Error, Question };

class TMessageInterface
{
public:
    virtual ~TMessageInterface() = default;
    // An error box with the error icon and an OK button.
    virtual void ShowError(const QString &text) = 0;
    // An information box with an OK button.
    virtual void ShowInfo(const QString &text) = 0;
    // A question with the given buttons; returns the button chosen.
    virtual TMsgButton Ask(const QString &text, TMsgButtons buttons, TMsgIcon icon = TMsgIcon::Question) = 0;
    // A save dialog preset with a file name; returns the chosen name, or empty when cancelled.
    // The filter is in Qt's form ("Web Page (*.htm *.html)").
    virtual QString AskSaveFileName(const QString &suggested, const QString &filter, const QString &caption) = 0;
};

// Prints to standard error and never waits: a question is answered with its most careful
// button (Abort, else Cancel, else No, else OK); a file-name request is cancelled.
class THeadlessMessages : public TMessageInterface
{
public:
    void ShowError(const QString &text) override;
    void ShowInfo(const QString &text) override;
    TMsgButton Ask(const QString &text, TMsgButtons buttons, TMsgIcon icon) override;
    QString AskSaveFileName(const QString &suggested, const QString &filter, const QString &caption) override;
    static TMsgButton CarefulAnswer(TMsgButtons buttons);
};

// The interface currently installed (the headless one until a program installs another).
TMessageInterface &Messages();
// Installs an implementation (not owned; nullptr restores the headless one). Returns the old one.
TMessageInterface *SetMessages(TMessageInterface *messages);

} // namespace tavrel
