#pragma once
// The context map options: the three code pieces of the context file, its encoding, the
// presets of "context.dat" and the menu of template variables.
#include <QDialog>
#include <memory>

class QMenu;

namespace Ui {
class TfrmContextSetting;
}

namespace tavrel {

class TfrmContextSetting : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmContextSetting(QWidget *parent = nullptr);
    ~TfrmContextSetting() override;
    QMenu *PopupMenu1 = nullptr;

    void SetTopCode(const QString &text);
    void SetBottomCode(const QString &text);
    void SetCodeTemplate(const QString &text);
    void SetEncoding(int value);
    QString TopCode() const;
    QString BottomCode() const;
    QString CodeTemplate() const;
    int Encoding() const; // -1 when none is selected

    void InsertVariables(const QString &VarString);
    void cbProgramLanguageChange();
    void mmTopCodeChange();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool m_loading = false;

    std::unique_ptr<Ui::TfrmContextSetting> ui;
};

} // namespace tavrel
