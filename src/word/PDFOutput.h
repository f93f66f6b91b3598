#pragma once
// The opening view of an exported PDF: page layout, side pane and magnification are written
// into the document catalog.
#include <QString>
#include <optional>

namespace tavrel {

// What the three project settings ask of the catalog. An empty entry leaves the key as the
// exporter wrote it.
struct TPdfOpenView
{
    enum class Zoom { XYZ, FitH, Fit, FitBH };
    std::optional<QString> PageLayout; // a PDF name without the slash ("SinglePage")
    std::optional<QString> PageMode;   // "UseOutlines", "UseThumbs"
    std::optional<Zoom> OpenAction;    // on the first page
    double Argument = 0;               // zoom factor for XYZ, top for FitH/FitBH

    static TPdfOpenView FromSettings(int panes, int magnification, int pageLayout);
};

// Rewrites the catalog of FileName into NewFileName (which may be the same file) through a
// real PDF parser, so the cross-reference table stays valid whatever object the catalog is.
// Each setting that asks for an entry replaces that key; the others leave it alone. A file
// that cannot be parsed raises an Exception and is left as it was. The result is written to a
// temporary file beside NewFileName and renamed over it.
void EditPdfCatalog(const QString &FileName, const QString &NewFileName, int Panes, int Magnification, int PageLayout);

} // namespace tavrel
