#include "output/gui/UnitDesigner.h"

#include "output/gui/GetfontForCHM.h"
#include "project/MainWindowLogic.h"
#include "project/ProjectSetting.h"

#include "ui_UnitDesigner.h"

#include <QAbstractButton>
#include <algorithm>
#include <QGuiApplication>
#include <QMenuBar>
#include <QStyle>
#include <QTabBar>
#include <QTreeWidgetItem>


namespace tavrel {

namespace {

const char *const kMemo[] = {
    "Use the panel at the bottom of this window to set the properties of the CHM window. The other elements in "
    "the interface (e.g. Menus, Toolbar) have no real functions.  They only show you the window style visually. "
    "But there are some exceptions:",
    "",
    "1. Move and resize this window to set the default position and size of the window. ",
    "2. Drag the splitter to set the width of the navigation pane on the left of the window. ",
    "",
    "Asterisk (*)  means the properties cannot be shown visually."};

const char *const kTocRows[TDesigner::TocRows] = {
    "Automatically track selection", "Select entire row", "Plus/Minus squares", "Show selection when focus lost",
    "Start line from the root", "Draw lines between items", "Only expand a single heading",
    "Right-to-left reading order*", "Scroll bar on left side*"};

// The face and size a font string gives a sample list; fewer than three parts keep the default.
void sampleFont(QWidget *w, const QString &fontString)
{
    QFont f = QGuiApplication::font();
    const TFontStringParts p = SplitFontString(fontString);
    if (p.Valid) {
        if (!p.Face.trimmed().isEmpty())
            f.setFamily(p.Face.trimmed());
        if (p.Size > 0)
            f.setPointSize(p.Size);
    }
    w->setFont(f);
}

QIcon toolbarIcon(QStyle *style, TDesigner::Button b, bool hideShows)
{
    switch (b) {
    case TDesigner::tbHide: return style->standardIcon(hideShows ? QStyle::SP_ArrowLeft : QStyle::SP_ArrowRight);
    case TDesigner::tbLocate: return style->standardIcon(QStyle::SP_FileDialogContentsView);
    case TDesigner::tbPrev: return style->standardIcon(QStyle::SP_MediaSeekBackward);
    case TDesigner::tbNext: return style->standardIcon(QStyle::SP_MediaSeekForward);
    case TDesigner::tbBack: return style->standardIcon(QStyle::SP_ArrowBack);
    case TDesigner::tbForward: return style->standardIcon(QStyle::SP_ArrowForward);
    case TDesigner::tbStop: return style->standardIcon(QStyle::SP_BrowserStop);
    case TDesigner::tbRefresh: return style->standardIcon(QStyle::SP_BrowserReload);
    case TDesigner::tbHome: return style->standardIcon(QStyle::SP_DirHomeIcon);
    case TDesigner::tbZoom: return style->standardIcon(QStyle::SP_FileDialogDetailedView);
    case TDesigner::tbPrint: return style->standardIcon(QStyle::SP_DialogSaveButton);
    case TDesigner::tbOption: return style->standardIcon(QStyle::SP_FileDialogListView);
    case TDesigner::tbJump1:
    case TDesigner::tbJump2: return style->standardIcon(QStyle::SP_CommandLink);
    default: return QIcon();
    }
}

} // namespace

TfrmDesigner::TfrmDesigner(QWidget *parent)
    : QDialog(parent), HasChild(m_model.HasChild), NoChild(m_model.NoChild), ui(std::make_unique<Ui::TfrmDesigner>())
{
    ui->setupUi(this);
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);
    setWindowFlag(Qt::WindowMinimizeButtonHint, false);

    // The mock-up's menu bar: empty menus, there to be seen.
    MainMenu1 = new QMenuBar(this);
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));
    for (const char *m : {"&File", "&Edit", "&View", "&Go", "&Help"})
        MainMenu1->addMenu(QString::fromLatin1(m));
    layout()->setMenuBar(MainMenu1);

    // The viewer's toolbar and tabs use a small face; the captions fit the 48-pixel buttons.
    ui->ToolBar1->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    QFont small = font();
    small.setPointSizeF(std::max(6.0, small.pointSizeF() * 0.8));
    ui->ToolBar1->setFont(small);
    ui->pcPan->tabBar()->setFont(small);

    QStringList memo;
    for (const char *line : kMemo)
        memo << QString::fromLatin1(line);
    ui->Memo1->setPlainText(memo.join(QLatin1Char('\n')));
    QPalette maroon = ui->Memo1->palette();
    maroon.setColor(QPalette::Text, QColor(0x80, 0, 0));
    ui->Memo1->setPalette(maroon);

    for (const char *row : kTocRows) {
        auto *item = new QListWidgetItem(QString::fromLatin1(row), ui->clbTOC);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
        item->setCheckState(Qt::Unchecked);
    }
    for (QWidget *hidden : {static_cast<QWidget *>(ui->cbPrev), static_cast<QWidget *>(ui->cbNext),
                            static_cast<QWidget *>(ui->cbZoom), static_cast<QWidget *>(ui->cbJump1),
                            static_cast<QWidget *>(ui->cbJump2), static_cast<QWidget *>(ui->cbHideToolbarText)})
        hidden->hide();
    ui->ListBox1->addItems({QStringLiteral("Keyword 1"), QStringLiteral("Keyword 2"), QStringLiteral("  Keyword 1.1")});

    // The sample contents: six entries, three with sub-entries, one of those with four more.
    auto add = [](QTreeWidgetItem *parent, const char *text) {
        auto *i = new QTreeWidgetItem(parent, {QString::fromLatin1(text)});
        return i;
    };
    auto top = [this](const char *text) { return new QTreeWidgetItem(ui->TreeView1, {QString::fromLatin1(text)}); };
    top("Welcome");
    QTreeWidgetItem *start = top("Getting started");
    add(start, "Installing");
    add(start, "First steps");
    QTreeWidgetItem *use = top("Using the program");
    add(use, "Projects");
    QTreeWidgetItem *build = add(use, "Building");
    for (const char *t : {"HTML Help", "WebHelp", "PDF", "Context help"})
        add(build, t);
    add(use, "Settings");
    QTreeWidgetItem *ref = top("Reference");
    add(ref, "Menus");
    add(ref, "Keys");
    top("Questions");
    top("Contact");
    start->setExpanded(true);

    for (int b = 0; b < TDesigner::BoxCount; ++b) {
        const auto which = static_cast<TDesigner::Box>(b);
        QAbstractButton *cb = box(which);
        if (cb)
            connect(cb, &QAbstractButton::toggled, this, [this, which](bool on) { boxToggled(which, on); });
    }
    connect(ui->cbShowPane, &QGroupBox::toggled, this, [this](bool on) { boxToggled(TDesigner::cbShowPane, on); });
    connect(ui->clbTOC, &QListWidget::itemChanged, this, [this](QListWidgetItem *item) {
        if (m_syncing)
            return;
        m_model.SetToc(ui->clbTOC->row(item), item->checkState() == Qt::Checked);
        render();
    });
    connect(ui->pcPan, &QTabWidget::currentChanged, this, [this](int tab) {
        if (m_syncing)
            return;
        m_model.ShowTab(tab);
        render();
    });
    connect(ui->cbDefaultTab, &QComboBox::activated, this, [this](int index) {
        m_model.ChooseDefaultTab(index);
        render();
    });
    connect(ui->PageControl2, &QTabWidget::currentChanged, this, [this](int page) {
        if (!m_syncing)
            m_model.PropertyPage = page;
    });
    connect(ui->Splitter1, &QSplitter::splitterMoved, this, [this] { m_model.PaneWidth = ui->pnlPan->width(); });
    connect(ui->TreeView1, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem *i) { itemOpened(i, true); });
    connect(ui->TreeView1, &QTreeWidget::itemCollapsed, this, [this](QTreeWidgetItem *i) { itemOpened(i, false); });
    connect(ui->SpeedButton3, &QToolButton::clicked, this, [this] { fontButton(true); });
    connect(ui->SpeedButton4, &QToolButton::clicked, this, [this] { fontButton(false); });
    connect(ui->btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui->btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    // Where the position cannot be read, it is typed; the size still follows the window.
    if (BoundsAreTyped()) {
        ui->pnlTypedBounds->show();
        auto typed = [this] {
            if (m_syncing)
                return;
            m_model.NormalLeft = ui->edtLeft->value();
            m_model.NormalTop = ui->edtTop->value();
            if (!isMaximized())
                resize(ui->edtWidth->value(), ui->edtHeight->value());
        };
        for (QSpinBox *s : {ui->edtLeft, ui->edtTop, ui->edtWidth, ui->edtHeight})
            connect(s, &QSpinBox::valueChanged, this, typed);
    }

    RunFontDialog = [](TfrmFont &d) { return d.exec(); };
    m_timer.setInterval(500);
    connect(&m_timer, &QTimer::timeout, this, &TfrmDesigner::ReadBounds);
    m_timer.start();
    render();
}

TfrmDesigner::~TfrmDesigner() = default;

bool TfrmDesigner::BoundsAreTyped()
{
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

QAbstractButton *TfrmDesigner::box(TDesigner::Box b) const
{
    if (b == TDesigner::cbShowPane)
        return nullptr; // a check box group, connected on its own
    return findChild<QAbstractButton *>(QString::fromLatin1(TDesigner::BoxName(b)));
}

void TfrmDesigner::ClassToControl(const TCHMProject &Chm, bool HasContentAndIndex)
{
    m_model.ClassToControl(Chm, HasContentAndIndex);
    m_syncing = true;
    setWindowState(windowState() & ~Qt::WindowMaximized);
    move(Chm.Left, Chm.Top);
    resize(Chm.Width, Chm.Height);
    ui->edtLeft->setValue(Chm.Left);
    ui->edtTop->setValue(Chm.Top);
    ui->edtWidth->setValue(Chm.Width);
    ui->edtHeight->setValue(Chm.Height);
    m_syncing = false;
    ui->pnlPan->resize(Chm.PaneWidth, ui->pnlPan->height());
    ui->Splitter1->setSizes({Chm.PaneWidth, std::max(1, Chm.Width - Chm.PaneWidth)});
    sampleFont(ui->TreeView1, m_model.ContentsFontA);
    sampleFont(ui->ListBox1, m_model.IndexFontA);
    render();
    setWindowTitle(m_model.Caption());
}

void TfrmDesigner::ControlToClass(TCHMProject &Chm)
{
    ReadBounds();
    m_model.ControlToClass(Chm);
}

void TfrmDesigner::ReadBounds()
{
    // Until the window is on screen its geometry is only what was asked for, not where the
    // window system put it.
    if (!isVisible()) {
        setWindowTitle(m_model.Caption());
        return;
    }
    const bool maximized = isMaximized();
    const QRect r = normalGeometry().isValid() && maximized ? normalGeometry() : QRect(pos(), size());
    const bool typed = BoundsAreTyped();
    const bool wasMax = m_model.Checked[TDesigner::cbMaximize];
    m_model.WindowBounds(typed ? m_model.NormalLeft : r.x(), typed ? m_model.NormalTop : r.y(),
                         maximized ? m_model.NormalWidth : r.width(), maximized ? m_model.NormalHeight : r.height(),
                         maximized);
    setWindowTitle(m_model.Caption());
    if (wasMax != m_model.Checked[TDesigner::cbMaximize])
        render();
}

void TfrmDesigner::changeEvent(QEvent *event)
{
    QDialog::changeEvent(event);
    // Maximising the dialog is how the author asks for a maximised help window.
    if (event->type() == QEvent::WindowStateChange && !m_syncing)
        ReadBounds();
}

void TfrmDesigner::boxToggled(TDesigner::Box b, bool on)
{
    if (m_syncing)
        return;
    m_model.SetChecked(b, on);
    render();
}

void TfrmDesigner::render()
{
    m_syncing = true;
    const TDesigner &m = m_model;
    ui->cbShowPane->setChecked(m.Checked[TDesigner::cbShowPane]);
    for (int b = 0; b < TDesigner::BoxCount; ++b) {
        if (QAbstractButton *cb = box(static_cast<TDesigner::Box>(b))) {
            cb->setChecked(m.Checked[b]);
            cb->setEnabled(m.Enabled[b]);
        }
    }
    for (int r = 0; r < TDesigner::TocRows; ++r)
        ui->clbTOC->item(r)->setCheckState(m.Toc[r] ? Qt::Checked : Qt::Unchecked);

    for (int b = 0; b < TDesigner::ButtonCount; ++b) {
        const auto which = static_cast<TDesigner::Button>(b);
        auto *tb = findChild<QToolButton *>(QString::fromLatin1(TDesigner::ButtonName(which)));
        tb->setVisible(m.ButtonVisible[b]);
        tb->setIcon(toolbarIcon(style(), which, m.HideShows));
        tb->setToolButtonStyle(m.ToolbarText ? Qt::ToolButtonTextUnderIcon : Qt::ToolButtonIconOnly);
        tb->setFixedSize(m.ToolbarText ? QSize(48, 40) : QSize(20, 20));
        tb->setIconSize(m.ToolbarText ? QSize(20, 20) : QSize(16, 16));
    }
    ui->tbHide->setText(m.HideShows ? QStringLiteral("Hide") : QStringLiteral("Show"));
    ui->ToolBar1->setVisible(m.ToolbarVisible);
    MainMenu1->setVisible(m.MenuVisible);
    ui->pnlPan->setVisible(m.PaneVisible);
    for (int t = 0; t < TDesigner::TabCount; ++t)
        ui->pcPan->setTabVisible(t, m.TabVisible[t]);
    if (m.ShownTab >= 0 && m.TabVisible[m.ShownTab])
        ui->pcPan->setCurrentIndex(m.ShownTab);

    ui->cbDefaultTab->clear();
    ui->cbDefaultTab->addItems(m.DefaultTabItems);
    ui->cbDefaultTab->setCurrentIndex(m.DefaultTabIndex);

    ui->PageControl2->setTabVisible(1, m.PageToolbarVisible);
    ui->PageControl2->setTabVisible(2, m.PageNavVisible);
    ui->PageControl2->setTabVisible(3, m.PageTocVisible);
    ui->PageControl2->setCurrentIndex(m.PropertyPage);

    if (m.Maximized != isMaximized())
        setWindowState(m.Maximized ? (windowState() | Qt::WindowMaximized) : (windowState() & ~Qt::WindowMaximized));

    renderTree();
    m_syncing = false;
}

void TfrmDesigner::renderTree()
{
    const TDesigner &m = m_model;
    QTreeWidget *tree = ui->TreeView1;
    tree->setMouseTracking(m.HotTrack);
    tree->setAllColumnsShowFocus(m.RowSelect);
    tree->setRootIsDecorated(m.LinesAtRoot || m.PlusMinusButtons);
    tree->setIndentation(m.Lines ? 19 : 12);
    tree->setStyleSheet(m.HotTrack ? QStringLiteral("QTreeView::item:hover { text-decoration: underline; color: blue; }") : QString());
    QPalette pal = tree->palette();
    const QPalette base = QGuiApplication::palette();
    pal.setColor(QPalette::Inactive, QPalette::Highlight,
                 m.HideSelection ? pal.color(QPalette::Inactive, QPalette::Base) : base.color(QPalette::Inactive, QPalette::Highlight));
    pal.setColor(QPalette::Inactive, QPalette::HighlightedText,
                 m.HideSelection ? pal.color(QPalette::Inactive, QPalette::Text) : base.color(QPalette::Inactive, QPalette::HighlightedText));
    tree->setPalette(pal);
    std::function<void(QTreeWidgetItem *)> walk = [&](QTreeWidgetItem *item) {
        const int icon = m.SampleIcon(item->childCount() > 0, item->isExpanded());
        item->setIcon(0, QIcon(ContentsIconFile(std::clamp(icon, 0, 41))));
        for (int k = 0; k < item->childCount(); ++k)
            walk(item->child(k));
    };
    for (int k = 0; k < tree->topLevelItemCount(); ++k)
        walk(tree->topLevelItem(k));
}

void TfrmDesigner::itemOpened(QTreeWidgetItem *item, bool expanded)
{
    // Only one heading open at a time when the tree expands single headings.
    if (expanded && m_model.SingleExpand) {
        QTreeWidgetItem *parent = item->parent();
        const int n = parent ? parent->childCount() : ui->TreeView1->topLevelItemCount();
        for (int k = 0; k < n; ++k) {
            QTreeWidgetItem *sibling = parent ? parent->child(k) : ui->TreeView1->topLevelItem(k);
            if (sibling != item && sibling->isExpanded())
                sibling->setExpanded(false);
        }
    }
    const int icon = m_model.SampleIcon(item->childCount() > 0, expanded);
    item->setIcon(0, QIcon(ContentsIconFile(std::clamp(icon, 0, 41))));
}

void TfrmDesigner::fontButton(bool contents)
{
    TfrmFont d(this);
    d.setWindowTitle(contents ? QStringLiteral("Font of Contents") : QStringLiteral("Font of Index"));
    QString &fontString = contents ? m_model.ContentsFontA : m_model.IndexFontA;
    d.FontString = fontString;
    d.GetFontAndSize();
    if (RunFontDialog(d) != QDialog::Accepted)
        return;
    fontString = d.FontString;
    QWidget *sample = contents ? static_cast<QWidget *>(ui->TreeView1) : static_cast<QWidget *>(ui->ListBox1);
    QFont f = sample->font();
    f.setFamily(d.fontName.isEmpty() ? QStringLiteral("Microsoft Sans Serif") : d.fontName);
    if (d.fontSize > 0)
        f.setPointSize(d.fontSize);
    sample->setFont(f);
}

bool DesignCHMStyle(QWidget *parent, TProject &project, const std::function<int(TfrmDesigner &)> &run)
{
    TfrmDesigner d(parent);
    d.HasChild = project.HasChild;
    d.NoChild = project.NoChild;
    d.ClassToControl(project.CHMSetting, true);
    if ((run ? run(d) : d.exec()) != QDialog::Accepted)
        return false;
    d.ControlToClass(project.CHMSetting);
    project.ProjectChanged = true;
    return true;
}

} // namespace tavrel
