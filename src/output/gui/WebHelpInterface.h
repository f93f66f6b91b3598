#pragma once
// The translation of the WebHelp interface texts: one row per interface key with its
// translation, ".tsl" files to load and save, and a copy-and-paste exchange with an outside
// translation tool.
#include "output/WebHelpInterface.h"

#include <QDialog>

#include <functional>
#include <memory>

class QLineEdit;

namespace Ui {
class TfrmWebHelpInterface;
class TfrmQuickTranslate;
}

namespace tavrel {

class TProject;

class TfrmQuickTranslate : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmQuickTranslate(QWidget *parent = nullptr);
    ~TfrmQuickTranslate() override;
    void SetText(const QString &text);
    QString Text() const;
    static QString ServiceAddress();

private:
    std::unique_ptr<Ui::TfrmQuickTranslate> ui;
};

class TfrmWebHelpInterface : public QDialog
{
    Q_OBJECT
public:
    // keysFile: the interface keys; empty for the installation's list.
    explicit TfrmWebHelpInterface(QWidget *parent = nullptr, const QString &keysFile = QString());
    ~TfrmWebHelpInterface() override;

    TStringList *Dictionary = nullptr; // borrowed: the project's dictionary
    // For row r, List[2r] is the key field and List[2r + 1] the translation field.
    QList<QLineEdit *> List;

    void LoadStrings();
    void LoadDictionary(const QStringList &Dict);
    QString CreateDictionary() const;
    void SaveDictionary();
    QStringList Translations() const;

    void btnLoadClick();
    void btnSaveClick();
    void btnRestoreClick();
    void Button1Click();

    // The file dialogs and the quick translation; tests replace them.
    std::function<QString(const QString &caption, const QString &start, const QString &filter)> ChooseOpenFile;
    std::function<QString(const QString &caption, const QString &proposal, const QString &filter)> ChooseSaveFile;
    std::function<int(TfrmQuickTranslate &)> RunQuickTranslate;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void setTranslations(const QStringList &rows);

    std::unique_ptr<Ui::TfrmWebHelpInterface> ui;
    TWebHelpInterfaceLanguage m_lang;
};

// The WebHelp interface "Set...": the dialog on the project's dictionary; OK saves the rows into
// it and marks the project changed, Cancel leaves both alone. True on OK.
bool SetWebHelpInterface(QWidget *parent, TProject &project, const std::function<int(TfrmWebHelpInterface &)> &run = {});

} // namespace tavrel
