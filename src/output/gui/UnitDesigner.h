#pragma once
// The HTML Help window designer: a dialog that looks like the help viewer's window. Its own
// position, size and splitter give the window's rectangle and navigation width; the property
// panel at the lower right sets everything else. The rules live in TDesigner; this window
// mirrors its state and reports clicks back.
#include "output/UnitDesigner.h"

#include <QDialog>
#include <QTimer>

#include <functional>
#include <memory>

class QAbstractButton;
class QMenuBar;
class QTreeWidgetItem;

namespace Ui {
class TfrmDesigner;
}

namespace tavrel {

class TfrmFont;
class TProject;

class TfrmDesigner : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmDesigner(QWidget *parent = nullptr);
    ~TfrmDesigner() override;

    // The project's icon numbers for sample entries with and without sub-entries.
    int &HasChild;
    int &NoChild;

    void ClassToControl(const TCHMProject &Chm, bool HasContentAndIndex);
    void ControlToClass(TCHMProject &Chm);
    const TDesigner &Model() const { return m_model; }

    // Runs the font dialog; replaced by tests.
    std::function<int(TfrmFont &)> RunFontDialog;
    // Reads the dialog's bounds into the designer (the half-second timer calls it).
    void ReadBounds();
    // True where the window system does not tell a window its position: the values are typed.
    static bool BoundsAreTyped();

protected:
    void changeEvent(QEvent *event) override;

private:
    void render();
    void renderTree();
    void boxToggled(TDesigner::Box b, bool on);
    void fontButton(bool contents);
    void itemOpened(QTreeWidgetItem *item, bool expanded);
    QAbstractButton *box(TDesigner::Box b) const;

    std::unique_ptr<Ui::TfrmDesigner> ui;
    TDesigner m_model;
    QMenuBar *MainMenu1 = nullptr;
    QTimer m_timer;
    bool m_syncing = false;
};

// "Design CHM Style...": the designer on the project's window settings and its icon numbers;
// only OK writes the settings back, and then the project counts as changed. run shows the
// dialog (exec unless a test replaces it). True when the settings were taken.
bool DesignCHMStyle(QWidget *parent, TProject &project, const std::function<int(TfrmDesigner &)> &run = {});

} // namespace tavrel
