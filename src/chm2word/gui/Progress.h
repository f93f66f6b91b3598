#pragma once
// The modal window behind which a help file is converted: it starts the writer when it is
// shown, follows its progress, and closes itself when the writer ends. Cancel stops the writer
// and waits for it, so nothing of the run outlives the window.
#include <QDialog>
#include <memory>

namespace Ui {
class TfrmProgress;
}

namespace tavrel {

class TOutputWord;

class TfrmProgress : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmProgress(QWidget *parent = nullptr);
    ~TfrmProgress() override;

    // Set up by the caller before the window is shown.
    TOutputWord &OutputWord() { return *m_writer; }

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void reject() override;

private:
    void FormCreate();
    void FormShow();
    void btnCancelClick();
    void ProgressFinished();
    void WriterUpdated(TOutputWord *sender);

    std::unique_ptr<Ui::TfrmProgress> ui;
    std::unique_ptr<TOutputWord> m_writer;
    bool m_started = false;
    bool m_ended = false;
};

} // namespace tavrel
