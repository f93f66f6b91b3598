#pragma once
// The template editor's source view: a plain text editor with line numbers, colouring by the
// core's rules and whole-word selection on double-click.
#include "editing/HTMLEditorColour.h"

#include <QPlainTextEdit>
#include <QSyntaxHighlighter>

namespace tavrel {

class TSourceHighlighter : public QSyntaxHighlighter
{
public:
    explicit TSourceHighlighter(QTextDocument *doc) : QSyntaxHighlighter(doc) {}
    // Colours the whole text anew (formats only: the undo history and modified flag stay).
    void Recolour(TSourceKind kind);

protected:
    void highlightBlock(const QString &text) override;

private:
    QList<TColourSpan> m_spans;
};

class TSourceEdit : public QPlainTextEdit
{
    Q_OBJECT
public:
    explicit TSourceEdit(QWidget *parent = nullptr);
    void SetKind(TSourceKind kind) { m_kind = kind; }
    TSourceKind Kind() const { return m_kind; }
    // Colours the whole view by its kind.
    void Recolour();
    // Finds text after the caret, wrapping to the start once; false when it is not there.
    bool FindNext(const QString &text);
    int LineNumberAreaWidth() const;
    void PaintLineNumbers(QPaintEvent *event);

Q_SIGNALS:
    void KeyReleased();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    void updateMargin();
    QWidget *m_lineNumbers;
    TSourceHighlighter *m_highlighter;
    TSourceKind m_kind = TSourceKind::Html;
};

} // namespace tavrel
