#pragma once
// The "PDF" page: the PDF file and how a reader opens it.
#include "project/gui/SettingsPage.h"

#include <memory>

namespace Ui {
class TpagePDF;
}

namespace tavrel {

class TpagePDF : public TSettingsPage
{
    Q_OBJECT
public:
    explicit TpagePDF(QWidget *parent = nullptr);
    ~TpagePDF() override;

    void Bind(TBindingTable &table) override;

private:
    std::unique_ptr<Ui::TpagePDF> ui;
};

} // namespace tavrel
