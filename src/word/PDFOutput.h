#pragma once
// The opening view of an exported PDF: page layout, side pane and magnification are written
// into the document catalog.
#include "text/StringList.h"
#include "text/Warnings.h"

#include <QString>
#include <functional>
#include <optional>

namespace tavrel {

class TProject;
class TOutputSwap;
class WordApplication;

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

// The PDF output of a build: the document exported with bookmarks from its headings, then given
// the project's opening view.
class TPDF : public TObject
{
public:
    TPDF() = default;

    tavrel::WordApplication *WordApplication = nullptr; // the build's running engine
    TProject *Project = nullptr;                        // read for Panes, Magnification, PageLayout
    int Position = 0;                                    // progress 0..100
    std::function<void(TPDF *)> FOnProcess;              // called after each change of Position
    TOutputSwap *Swap = nullptr;                         // the build's outputs, swapped in together
    // The user's document Word is a working copy of: linked pictures resolve against its
    // folder. Empty when Word is the user's document itself.
    QString OriginalFile;
    // What the export left out (outside references that are not carried into the PDF).
    TWarnings Warnings;

    // Exports the document file Word to a private file beside the PDF file Pdf and edits its
    // catalog there; the finished file replaces Pdf (at once, or with the build's other outputs
    // when Swap is set), so a failed export leaves the old PDF as it was.
    void Build(const QString &Word, const QString &Pdf);

private:
    void setPosition(int p);
};

} // namespace tavrel
