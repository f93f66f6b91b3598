#include "output/gui/WebHelpInterface.h"

#include "project/ProjectSetting.h"
#include "text/Exceptions.h"
#include "text/InstallFolder.h"
#include "text/Messages.h"
#include "text/Shell.h"
#include "text/functions.h"

#include "ui_QuickTranslate.h"
#include "ui_WebHelpInterface.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScrollBar>
#include <QWheelEvent>

namespace tavrel {

namespace {

const QString kTslFilter = QStringLiteral("Translated File (*.tsl)");

} // namespace

TfrmQuickTranslate::TfrmQuickTranslate(QWidget *parent) : QDialog(parent), ui(std::make_unique<Ui::TfrmQuickTranslate>())
{
    ui->setupUi(this);
    ui->lblLink->setText(QStringLiteral("<a href=\"%1\">%1</a>").arg(ServiceAddress()));
    connect(ui->lblLink, &QLabel::linkActivated, this, [](const QString &url) { Shell().OpenDocument(url); });
    connect(ui->btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui->btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

TfrmQuickTranslate::~TfrmQuickTranslate() = default;

QString TfrmQuickTranslate::ServiceAddress()
{
    return QStringLiteral("https://translate.google.com/");
}

void TfrmQuickTranslate::SetText(const QString &text)
{
    ui->mmAllStrings->setPlainText(text);
}

QString TfrmQuickTranslate::Text() const
{
    return ui->mmAllStrings->toPlainText();
}

TfrmWebHelpInterface::TfrmWebHelpInterface(QWidget *parent, const QString &keysFile)
    : QDialog(parent), ui(std::make_unique<Ui::TfrmWebHelpInterface>()),
      m_lang(keysFile.isEmpty() ? InstallPath(QStringLiteral("webhelp/languages.txt")) : keysFile)
{
    ui->setupUi(this);
    ui->glInterface->setColumnStretch(0, 1);
    ui->glInterface->setColumnStretch(1, 1);
    ui->ScrollBox1->viewport()->installEventFilter(this);
    ui->pnlRows->installEventFilter(this);
    connect(ui->btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui->btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui->btnLoad, &QPushButton::clicked, this, &TfrmWebHelpInterface::btnLoadClick);
    connect(ui->btnSave, &QPushButton::clicked, this, &TfrmWebHelpInterface::btnSaveClick);
    connect(ui->btnRestore, &QPushButton::clicked, this, &TfrmWebHelpInterface::btnRestoreClick);
    connect(ui->Button1, &QPushButton::clicked, this, &TfrmWebHelpInterface::Button1Click);

    ChooseOpenFile = [this](const QString &caption, const QString &start, const QString &filter) {
        return QFileDialog::getOpenFileName(this, caption, start, filter);
    };
    ChooseSaveFile = [this](const QString &caption, const QString &proposal, const QString &filter) {
        QFileDialog d(this, caption, QFileInfo(proposal).absolutePath(), filter);
        d.setAcceptMode(QFileDialog::AcceptSave);
        d.setDefaultSuffix(QStringLiteral("tsl"));
        d.selectFile(QFileInfo(proposal).fileName());
        if (d.exec() != QDialog::Accepted || d.selectedFiles().isEmpty())
            return QString();
        return d.selectedFiles().first();
    };
    RunQuickTranslate = [](TfrmQuickTranslate &d) { return d.exec(); };
}

TfrmWebHelpInterface::~TfrmWebHelpInterface() = default;

void TfrmWebHelpInterface::LoadStrings()
{
    qDeleteAll(List);
    List.clear();
    static const TStringList empty;
    const QStringList rows = m_lang.LoadStrings(Dictionary ? *Dictionary : empty);
    auto *grid = ui->glRows;
    for (int r = 0; r < m_lang.Names.size(); ++r) {
        auto *key = new QLineEdit(m_lang.Names[r], ui->pnlRows);
        key->setReadOnly(true);
        key->setFocusPolicy(Qt::NoFocus);
        QPalette grey = key->palette();
        grey.setColor(QPalette::Base, grey.color(QPalette::Window));
        key->setPalette(grey);
        auto *value = new QLineEdit(rows[r], ui->pnlRows);
        key->setObjectName(QStringLiteral("edtKey%1").arg(r));
        value->setObjectName(QStringLiteral("edtTranslation%1").arg(r));
        grid->addWidget(key, r, 0);
        grid->addWidget(value, r, 1);
        List << key << value;
    }
    grid->setRowStretch(static_cast<int>(m_lang.Names.size()), 1);
    if (!List.isEmpty())
        ui->ScrollBox1->verticalScrollBar()->setSingleStep(List[0]->sizeHint().height() + grid->verticalSpacing());
}

QStringList TfrmWebHelpInterface::Translations() const
{
    QStringList rows;
    for (int k = 1; k < List.size(); k += 2)
        rows << List[k]->text();
    return rows;
}

void TfrmWebHelpInterface::setTranslations(const QStringList &rows)
{
    for (int r = 0; r < rows.size() && 2 * r + 1 < List.size(); ++r)
        List[2 * r + 1]->setText(rows[r]);
}

void TfrmWebHelpInterface::LoadDictionary(const QStringList &Dict)
{
    QStringList rows = Translations();
    m_lang.LoadDictionary(rows, Dict);
    setTranslations(rows);
}

QString TfrmWebHelpInterface::CreateDictionary() const
{
    return m_lang.CreateDictionary(Translations());
}

void TfrmWebHelpInterface::SaveDictionary()
{
    if (Dictionary)
        m_lang.SaveDictionary(Translations(), *Dictionary);
}

void TfrmWebHelpInterface::btnLoadClick()
{
    const QString file = ChooseOpenFile(QStringLiteral("Open"), InstallPath(QStringLiteral("webhelp/langs")), kTslFilter);
    if (file.isEmpty())
        return;
    try {
        LoadDictionary(TWebHelpInterfaceLanguage::ReadTslFile(file));
    } catch (const Exception &e) {
        Messages().ShowError(e.Message());
    }
}

void TfrmWebHelpInterface::btnSaveClick()
{
    // The installation folder is not the author's to write into: translations start out in
    // the documents folder.
    const QString start = ExpandMyDocuments(QStringLiteral("<My Documents>/newlanguage.tsl"));
    const QString file = ChooseSaveFile(QStringLiteral("Save As"), start, kTslFilter);
    if (file.isEmpty())
        return;
    try {
        TWebHelpInterfaceLanguage::WriteTslFile(file, CreateDictionary());
    } catch (const Exception &e) {
        Messages().ShowError(e.Message());
    }
}

void TfrmWebHelpInterface::btnRestoreClick()
{
    if (Messages().Ask(QStringLiteral("Are you sure to discard the translated text?"), mbYes | mbNo) != mbYes)
        return;
    setTranslations(m_lang.Names);
}

void TfrmWebHelpInterface::Button1Click()
{
    TfrmQuickTranslate d(this);
    d.SetText(m_lang.Names.join(QLatin1Char('\n')));
    if (RunQuickTranslate(d) != QDialog::Accepted)
        return;
    QStringList rows = Translations();
    TWebHelpInterfaceLanguage::QuickTranslate(rows, d.Text());
    setTranslations(rows);
}

bool TfrmWebHelpInterface::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ui->ScrollBox1->viewport() || watched == ui->pnlRows) {
        if (event->type() == QEvent::Wheel) {
            auto *we = static_cast<QWheelEvent *>(event);
            QScrollBar *bar = ui->ScrollBox1->verticalScrollBar();
            const int notches = we->angleDelta().y() / 120;
            bar->setValue(bar->value() - notches * 3 * bar->singleStep());
            return true;
        }
        if (event->type() == QEvent::MouseButtonPress && List.size() > 1) {
            List[1]->setFocus();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

bool SetWebHelpInterface(QWidget *parent, TProject &project, const std::function<int(TfrmWebHelpInterface &)> &run)
{
    TfrmWebHelpInterface d(parent);
    d.Dictionary = &project.WebHelpDictionary;
    d.LoadStrings();
    if ((run ? run(d) : d.exec()) != QDialog::Accepted)
        return false;
    d.SaveDictionary();
    project.ProjectChanged = true;
    return true;
}

} // namespace tavrel
