#pragma once
// Asks for the help file to import and the name of the new document.
#include <QDialog>
#include <functional>
#include <memory>

namespace Ui {
class TfrmChm2Word;
}

namespace tavrel {

class TfrmChm2Word : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmChm2Word(QWidget *parent = nullptr);
    ~TfrmChm2Word() override;

    QString SourceFile() const;
    void SetSourceFile(const QString &file);
    QString WordFile() const;
    void SetWordFile(const QString &file);
    // The save dialog's filter and default extension come from the main window.
    QString SaveFilter = QStringLiteral("Word Document (*.docx)");
    QString DefaultWordExtension = QStringLiteral(".docx");
    // The project's resolution of stored paths ("<Project_Folder>/help.docx").
    std::function<QString(const QString &)> RealPath = [](const QString &p) { return p; };

private:
    void Button7Click();
    void Button1Click();
    void edtSourceFileChange();
    void OKBtnClick();

    std::unique_ptr<Ui::TfrmChm2Word> ui;
};

} // namespace tavrel
