#include "editing/gui/PreviewView.h"

#include "editing/TemplatePreview.h"

#include <QCoreApplication>
#include <QMutex>
#include <QVBoxLayout>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineView>
#include <unistd.h>

namespace tavrel {

// Runs on the engine's IO thread: the folder and the refusals are guarded.
class TPreviewGuard : public QWebEngineUrlRequestInterceptor
{
public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;
    void interceptRequest(QWebEngineUrlRequestInfo &info) override
    {
        QMutexLocker lock(&mutex);
        if (!PreviewMayLoad(info.requestUrl(), folder)) {
            refused << info.requestUrl().toString();
            info.block(true);
        }
    }
    mutable QMutex mutex;
    QString folder;
    QStringList refused;
};

namespace {
class TPreviewPage : public QWebEnginePage
{
public:
    TPreviewPage(QWebEngineProfile *profile, TPreviewGuard *guard, QObject *parent)
        : QWebEnginePage(profile, parent), m_guard(guard)
    {
    }

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType, bool) override
    {
        QMutexLocker lock(&m_guard->mutex);
        return PreviewMayLoad(url, m_guard->folder);
    }
    // A template's script must not open windows of its own.
    QWebEnginePage *createWindow(WebWindowType) override { return nullptr; }

private:
    TPreviewGuard *m_guard;
};
} // namespace

void PreparePreviewEngine()
{
    // The engine's own sandbox refuses to start for root.
    if (geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
}

TPreviewView::TPreviewView(QWidget *parent)
    : QWidget(parent), m_profile(new QWebEngineProfile(this)), m_guard(new TPreviewGuard(this)), m_view(new QWebEngineView(this))
{
    m_profile->setUrlRequestInterceptor(m_guard);
    m_profile->setHttpCacheType(QWebEngineProfile::NoCache);
    m_profile->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
    auto *page = new TPreviewPage(m_profile, m_guard, m_view);
    QWebEngineSettings *s = page->settings();
    s->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
    s->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    s->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, true);
    s->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    s->setAttribute(QWebEngineSettings::AutoLoadIconsForPage, false);
    m_view->setPage(page);
    m_view->setContextMenuPolicy(Qt::NoContextMenu);
    connect(m_view, &QWebEngineView::loadFinished, this, &TPreviewView::LoadFinished);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
}

TPreviewView::~TPreviewView()
{
    // The page must go before its profile.
    delete m_view;
    m_view = nullptr;
}

void TPreviewView::ShowFile(const QString &file, const QString &folder)
{
    {
        QMutexLocker lock(&m_guard->mutex);
        m_guard->folder = folder;
    }
    m_view->setUrl(QUrl::fromLocalFile(file));
}

void TPreviewView::ShowMessage(const QString &text)
{
    m_view->setHtml(QStringLiteral("<p style=\"font-family:sans-serif\">%1</p>").arg(text.toHtmlEscaped()));
}

void TPreviewView::SetScriptsEnabled(bool on)
{
    m_view->page()->settings()->setAttribute(QWebEngineSettings::JavascriptEnabled, on);
}

bool TPreviewView::ScriptsEnabled() const
{
    return m_view->page()->settings()->testAttribute(QWebEngineSettings::JavascriptEnabled);
}

QStringList TPreviewView::Refused() const
{
    QMutexLocker lock(&m_guard->mutex);
    return m_guard->refused;
}

} // namespace tavrel
