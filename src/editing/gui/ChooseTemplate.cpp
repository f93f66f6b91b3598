#include "editing/gui/ChooseTemplate.h"

#include "editing/TemplatePreview.h"
#include "editing/gui/PreviewView.h"
#include "output/Template.h"
#include "project/ProjectSetting.h"
#include "text/Exceptions.h"
#include "text/Messages.h"
#include "text/functions.h"

#include "ui_ChooseTemplate.h"

#include <QFile>
#include <QFileInfo>

namespace tavrel {

TfrmChooseTemplate::TfrmChooseTemplate(QWidget *parent) : QDialog(parent), ui(std::make_unique<Ui::TfrmChooseTemplate>())
{
    ui->setupUi(this);
    ui->Splitter1->setSizes({220, 680});
    ui->lblWarnings->hide();
    ui->OKBtn->setEnabled(false);
    connect(ui->lbTemplateName, &QListWidget::currentRowChanged, this, &TfrmChooseTemplate::ShowEntry);
    connect(ui->lbTemplateName, &QListWidget::itemDoubleClicked, this, [this] {
        if (ui->OKBtn->isEnabled())
            accept();
    });
    connect(ui->OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui->CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui->cbRunScripts, &QCheckBox::toggled, this, [this](bool on) {
        ui->wbPreview->SetScriptsEnabled(on);
        ShowEntry(ui->lbTemplateName->currentRow());
    });
}

TfrmChooseTemplate::~TfrmChooseTemplate()
{
    for (const QString &f : m_folders)
        DeleteFolder(f);
    // The preview page written beside the current template is ours; its folder is the caller's.
    if (!m_currentPreview.isEmpty())
        QFile::remove(m_currentPreview);
}

TPreviewView *TfrmChooseTemplate::Preview() const
{
    return ui->wbPreview;
}

void TfrmChooseTemplate::LoadTemplate()
{
    m_warnings.Clear();
    m_blocks = TemplatesFor(InstalledCatalogue(&m_warnings), TemplateType);
    m_pages.clear();
    const QString folder = InstalledTemplatesFolder();
    const QSignalBlocker block(ui->lbTemplateName);
    ui->lbTemplateName->clear();
    ui->lbTemplateName->addItem(QStringLiteral("<Current template>"));
    for (const auto &b : m_blocks) {
        m_pages.push_back(CatalogueMainPage(folder, b, &m_warnings));
        auto *item = new QListWidgetItem(b.Name, ui->lbTemplateName);
        item->setData(Qt::UserRole, b.Lines);
    }
    ui->lblWarnings->setText(m_warnings.Texts().join(QLatin1Char('\n')));
    ui->lblWarnings->setVisible(!m_warnings.Empty());
    ui->lbTemplateName->setCurrentRow(0);
    ShowEntry(0);
}

QString TfrmChooseTemplate::GetTemplateFile() const
{
    const int row = ui->lbTemplateName->currentRow();
    if (row <= 0 || row > static_cast<int>(m_pages.size()))
        return QString();
    return m_pages[static_cast<size_t>(row - 1)];
}

void TfrmChooseTemplate::ShowEntry(int index)
{
    if (index < 0)
        return;
    if (index == 0) {
        ui->OKBtn->setEnabled(false);
        if (CurrentTemplate.isEmpty() || !QFileInfo(CurrentTemplate).isFile()) {
            ui->wbPreview->ShowMessage(QStringLiteral("The project holds no template for this output."));
            return;
        }
        try {
            WritePreviewPage(CurrentTemplate, m_currentPreview);
            ui->wbPreview->ShowFile(m_currentPreview, QFileInfo(CurrentTemplate).absolutePath());
        } catch (const Exception &e) {
            ui->wbPreview->ShowMessage(e.Message());
        }
        return;
    }
    const QString page = GetTemplateFile();
    ui->OKBtn->setEnabled(!page.isEmpty() && QFileInfo(page).isFile());
    if (!ui->OKBtn->isEnabled()) {
        ui->wbPreview->ShowMessage(QStringLiteral("This template cannot be found in the installation."));
        return;
    }
    try {
        auto it = m_copies.find(index);
        if (it == m_copies.end()) {
            QString folder;
            const QString main = CopyTemplate(page, folder);
            m_folders.push_back(folder);
            it = m_copies.emplace(index, std::make_pair(main, QString())).first;
        }
        WritePreviewPage(it->second.first, it->second.second);
        ui->wbPreview->ShowFile(it->second.second, QFileInfo(it->second.first).absolutePath());
    } catch (const Exception &e) {
        ui->OKBtn->setEnabled(false);
        ui->wbPreview->ShowMessage(e.Message());
    }
}

bool ChooseTemplateFor(QWidget *parent, TProject &project, QByteArray &stream, const QString &templateType,
                       const std::function<int(TfrmChooseTemplate &)> &run)
{
    QString folder, current;
    try {
        current = UnpackTemplateCopy(stream, folder);
    } catch (const Exception &) {
        // A project without a usable template can still choose one; the first entry says so.
    }
    bool changed = false;
    {
        TfrmChooseTemplate d(parent);
        d.TemplateType = templateType;
        d.CurrentTemplate = current;
        d.LoadTemplate();
        if ((run ? run(d) : d.exec()) == QDialog::Accepted && !d.GetTemplateFile().isEmpty()) {
            QByteArray packed;
            TemplateFileToStream(d.GetTemplateFile(), packed);
            if (packed.isEmpty()) {
                Messages().ShowError(QStringLiteral("Unable to find the template file \"%1\".").arg(d.GetTemplateFile()));
            } else {
                changed = packed != stream;
                stream = packed;
                project.ProjectChanged = project.ProjectChanged || changed;
            }
        }
    }
    if (!folder.isEmpty())
        DeleteFolder(folder);
    return changed;
}

} // namespace tavrel
