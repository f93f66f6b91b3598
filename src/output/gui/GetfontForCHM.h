#pragma once
// The font of the help window's contents or index pane: face, point size and character set,
// handed in and back as one "face,size,charset" string.
#include <QDialog>

#include <memory>

namespace Ui {
class TfrmFont;
}

namespace tavrel {

class TfrmFont : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmFont(QWidget *parent = nullptr);
    ~TfrmFont() override;

    QString FontString; // in before GetFontAndSize, out after OK
    QString fontName;
    int fontSize = 8;

    // Fills the fields from FontString (only a string of three or more parts).
    void GetFontAndSize();
    void btnDefaultClick();
    void btnOKClick();

private:
    void drawSample();

    std::unique_ptr<Ui::TfrmFont> ui;
    QString m_sampleFace;
};

} // namespace tavrel
