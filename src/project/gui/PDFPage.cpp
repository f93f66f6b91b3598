#include "project/gui/PDFPage.h"

#include "project/ProjectSetting.h"

#include "ui_PDFPage.h"

namespace tavrel {

TpagePDF::TpagePDF(QWidget *parent) : TSettingsPage(parent), ui(std::make_unique<Ui::TpagePDF>())
{
    ui->setupUi(this);
}

TpagePDF::~TpagePDF() = default;

void TpagePDF::Bind(TBindingTable &table)
{
    table.Text(ui->edtPDF, &TProject::PDFFile);
    table.Index(ui->cbPanes, &TProject::Panes);
    table.Index(ui->cbMagnification, &TProject::Magnification);
    table.Index(ui->cbPageLayout, &TProject::PageLayout);
}

} // namespace tavrel
