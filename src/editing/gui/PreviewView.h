#pragma once
// A page preview confined to one folder: every request outside it is refused, and the page's
// scripts run only when switched on.
#include <QWidget>

class QWebEngineProfile;
class QWebEngineView;

namespace tavrel {

class TPreviewGuard;

class TPreviewView : public QWidget
{
    Q_OBJECT
public:
    explicit TPreviewView(QWidget *parent = nullptr);
    ~TPreviewView() override;

    // Shows file, allowing loads from folder only.
    void ShowFile(const QString &file, const QString &folder);
    // Shows a plain message in place of a page.
    void ShowMessage(const QString &text);
    void SetScriptsEnabled(bool on);
    bool ScriptsEnabled() const;
    // The addresses refused so far, for the author's information and for tests.
    QStringList Refused() const;
    QWebEngineView *View() const { return m_view; }

Q_SIGNALS:
    void LoadFinished(bool ok);

private:
    QWebEngineProfile *m_profile;
    TPreviewGuard *m_guard;
    QWebEngineView *m_view;
};

// Makes the preview usable: call before the application object exists.
void PreparePreviewEngine();

} // namespace tavrel
