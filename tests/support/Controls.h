#pragma once
// Window tests reach a form's controls by their names, as the forms keep their generated parts
// to themselves.
#include "editing/gui/ColorSelector.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTextEdit>
#include <QToolButton>
#include <QtGlobal>

namespace tavrel::test {

// The control called name below window; a missing one ends the test program at once, naming it.
template <class T>
T *Child(const QObject &window, const char *name)
{
    T *control = window.findChild<T *>(QString::fromLatin1(name));
    if (!control)
        qFatal("no control \"%s\" of the expected kind in %s", name, window.metaObject()->className());
    return control;
}

} // namespace tavrel::test
