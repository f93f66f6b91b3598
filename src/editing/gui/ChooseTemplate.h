#pragma once
// The built-in template chooser: the catalogue's templates for one output, each previewed as a
// page, the project's current template first.
#include "editing/ChooseTemplate.h"

#include <QDialog>
#include <functional>
#include <map>
#include <memory>

namespace Ui {
class TfrmChooseTemplate;
}

namespace tavrel {

class TPreviewView;
class TProject;

class TfrmChooseTemplate : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmChooseTemplate(QWidget *parent = nullptr);
    ~TfrmChooseTemplate() override;

    QString TemplateType;    // "htmlHelp" or "WebHelp"
    QString CurrentTemplate; // main page of the current template, unpacked by the caller

    void LoadTemplate();
    // The selected template's main page in the installation; empty for the current template or
    // when nothing is selected.
    QString GetTemplateFile() const;
    // Shows the entry index (a click on it).
    void ShowEntry(int index);

    const std::vector<TTemplateBlock> &Offered() const { return m_blocks; }
    const TWarnings &Warnings() const { return m_warnings; }
    TPreviewView *Preview() const;

private:
    std::unique_ptr<Ui::TfrmChooseTemplate> ui;
    std::vector<TTemplateBlock> m_blocks; // entry i + 1 of the list
    std::vector<QString> m_pages;         // their main pages, empty when refused
    TWarnings m_warnings;
    // Installed templates are previewed from private copies: the installation is never written.
    std::map<int, std::pair<QString, QString>> m_copies; // entry -> main page of its copy, preview page
    std::vector<QString> m_folders;
    QString m_currentPreview;
};

// What a "Choose..." button does: shows the chooser for the output whose catalogue key is
// templateType over stream, and on "Choose" packs the chosen template into stream and marks the
// project changed. True when the stream changed.
// run shows the dialog (exec unless a test replaces it).
bool ChooseTemplateFor(QWidget *parent, TProject &project, QByteArray &stream, const QString &templateType,
                       const std::function<int(TfrmChooseTemplate &)> &run = {});

} // namespace tavrel
