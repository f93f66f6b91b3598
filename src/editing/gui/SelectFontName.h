#pragma once
// The font-name dialog: pick a font list of "fonts.dat", see each named font in itself.
#include <QDialog>

namespace Ui {
class TfrmSelectFontName;
}

namespace tavrel {

class TfrmSelectFontName : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmSelectFontName(QWidget *parent = nullptr);
    ~TfrmSelectFontName() override;
    Ui::TfrmSelectFontName *ui;
    QString FontName() const;

private:
    void UpdatePreview();
};

} // namespace tavrel
