#pragma once
// The dialog that edits the outline of a new Word document: its target file, the outline with
// indent and outdent, the commonly used titles, and loading and saving the outline as a text
// file. The caller sets the file name and filter before showing it and reads FileName() and
// OutlineLines() after OK; the rules live in word/CreateNewdoc.h.
#include <QDialog>
#include <QStringList>
#include <functional>
#include <memory>

namespace Ui {
class TfrmCreateNewDocument;
}

namespace tavrel {

class TfrmCreateNewDocument : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmCreateNewDocument(QWidget *parent = nullptr);
    ~TfrmCreateNewDocument() override;

    // Resolves a typed file name ("<Project_Folder>", "<My Documents>"); the name normalised
    // when none is set.
    std::function<QString(const QString &)> RealPath;
    // The filter of the Word document dialog, in Qt's form.
    QString WordFilter = QStringLiteral("Word Document (*.doc *.docx)");
    QString DefaultExtension = QStringLiteral(".docx");

    void SetFileName(const QString &name);
    QString FileName() const;
    QStringList OutlineLines() const;

    void Button3Click();
    void SpeedButton1Click(); // Indent
    void SpeedButton2Click(); // Outdent
    void lbCommonTitleDblClick(const QString &title);
    void btnLoadClick();
    void btnSaveClick();
    void OKBtnClick();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    // The file dialogs, so that tests answer them.
    virtual QString ChooseOpenFile(const QString &caption, const QString &start, const QString &filter);
    virtual QString ChooseSaveFile(const QString &caption, const QString &filter, const QString &suffix);

private:
    QString resolve(const QString &name) const;
    std::unique_ptr<Ui::TfrmCreateNewDocument> ui;
};

} // namespace tavrel
