#pragma once
// The font-name dialog: pick a font list of "fonts.dat", see each named font in itself.
#include <QDialog>
#include <memory>

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
    QString FontName() const;

private:
    void UpdatePreview();

    std::unique_ptr<Ui::TfrmSelectFontName> ui;
};

} // namespace tavrel
