#pragma once
// Shell actions: open a file or folder with the desktop's handler, show a file in the file
// manager, ask whether the desktop has a program for a file. Tests install a recording
// implementation, so they never start programs.
#include <QString>

namespace tavrel {

class TShellInterface
{
public:
    virtual ~TShellInterface() = default;
    virtual bool OpenDocument(const QString &path) = 0;
    // Shows the file selected in the file manager, or its folder where that is not possible.
    virtual bool ShowInFileManager(const QString &path) = 0;
    // Whether the desktop has a default program for the file's type, so opening it shows it.
    virtual bool HasOpenerFor(const QString &path) = 0;
};

class TDesktopShell : public TShellInterface
{
public:
    bool OpenDocument(const QString &path) override;
    bool ShowInFileManager(const QString &path) override;
    bool HasOpenerFor(const QString &path) override;
};

TShellInterface &Shell();
TShellInterface *SetShell(TShellInterface *shell);

} // namespace tavrel
