#pragma once
// The template editor window: the template's files in a list, a coloured source view, a picture
// view and a rendered preview; Save packs the folder back into the project's stream.
#include "editing/HTMLEditor.h"

#include <QColor>
#include <QDialog>
#include <functional>
#include <memory>

namespace Ui {
class TfrmHTMLEditor;
}

namespace tavrel {

class TProject;
class TPreviewView;

class TfrmHTMLEditor : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmHTMLEditor(QWidget *parent = nullptr);
    ~TfrmHTMLEditor() override;

    TProject *Project = nullptr; // not owned; set before Open

    // Unpacks stream and shows its files; false (after telling the author) when it cannot.
    bool Open(QByteArray *Stream);
    void Refresh();
    // Shows the list entry index (a click on it).
    void ShowEntry(int index);
    // Writes the source view back, then packs the folder into the stream. False when it could
    // not; the stream is then as it was.
    bool Save();
    // Replaces the selection with Code, selects it and colours the view anew.
    void InsertCode(const QString &Code);

    const THTMLEditorCore &Core() const { return m_core; }
    const std::vector<TFilesInTemplate> &Files() const { return m_files; }
    int CurrentItemIndex() const { return m_current; }
    QColor SwatchColour() const { return m_swatch; }
    TPreviewView *Preview() const;

public Q_SLOTS:
    void reject() override;

private:
    bool writeBackSource();
    void showPicture(const QString &file);
    void showPreview();
    void setSwatch(const QColor &colour);
    void replaceImage();
    void selectionChanged();

    std::unique_ptr<Ui::TfrmHTMLEditor> ui;
    THTMLEditorCore m_core;
    std::vector<TFilesInTemplate> m_files;
    int m_current = -1;
    int m_sourceEntry = 0;     // list index + 1 of the file the source view holds; 0 none
    TSourceFile m_source;      // how that file was stored
    QString m_previewFile;
    bool m_folderChanged = false; // files written since the last Save
    QColor m_swatch;
};

// What an "Edit..." button does: the editor over stream, modal. True when the stream changed.
// run shows the dialog (exec unless a test replaces it).
bool EditTemplate(QWidget *parent, TProject &project, QByteArray &stream,
                  const std::function<int(TfrmHTMLEditor &)> &run = {});

} // namespace tavrel
