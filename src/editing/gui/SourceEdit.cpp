#include "editing/gui/SourceEdit.h"

#include <QPainter>
#include <QTextBlock>

namespace tavrel {

namespace {
class TLineNumberArea : public QWidget
{
public:
    explicit TLineNumberArea(TSourceEdit *edit) : QWidget(edit), m_edit(edit) {}
    QSize sizeHint() const override { return {m_edit->LineNumberAreaWidth(), 0}; }

protected:
    void paintEvent(QPaintEvent *event) override { m_edit->PaintLineNumbers(event); }

private:
    TSourceEdit *m_edit;
};
} // namespace

void TSourceHighlighter::Recolour(TSourceKind kind)
{
    // Positions in the spans count the document's characters with one per line break, as the
    // blocks do.
    m_spans = ColourSource(document()->toPlainText(), kind);
    rehighlight();
}

void TSourceHighlighter::highlightBlock(const QString &text)
{
    const int start = currentBlock().position();
    const int end = start + static_cast<int>(text.size());
    // Spans are in order: find the first that reaches into this block.
    auto it = std::lower_bound(m_spans.cbegin(), m_spans.cend(), start,
                               [](const TColourSpan &s, int pos) { return s.Start + s.Length <= pos; });
    for (; it != m_spans.cend() && it->Start < end; ++it) {
        const int from = std::max(it->Start, start), to = std::min(it->Start + it->Length, end);
        if (to > from)
            setFormat(from - start, to - from, QColor::fromRgb(it->Colour));
    }
}

TSourceEdit::TSourceEdit(QWidget *parent)
    : QPlainTextEdit(parent), m_lineNumbers(new TLineNumberArea(this)), m_highlighter(new TSourceHighlighter(document()))
{
    setLineWrapMode(QPlainTextEdit::NoWrap);
    QFont mono(QStringLiteral("DejaVu Sans Mono"));
    mono.setStyleHint(QFont::Monospace);
    setFont(mono);
    connect(this, &QPlainTextEdit::blockCountChanged, this, [this] { updateMargin(); });
    connect(this, &QPlainTextEdit::updateRequest, this, [this](const QRect &rect, int dy) {
        if (dy)
            m_lineNumbers->scroll(0, dy);
        else
            m_lineNumbers->update(0, rect.y(), m_lineNumbers->width(), rect.height());
    });
    updateMargin();
}

void TSourceEdit::Recolour()
{
    m_highlighter->Recolour(m_kind);
}

bool TSourceEdit::FindNext(const QString &text)
{
    if (text.isEmpty())
        return false;
    if (find(text))
        return true;
    const QTextCursor keep = textCursor();
    moveCursor(QTextCursor::Start);
    if (find(text))
        return true;
    setTextCursor(keep);
    return false;
}

int TSourceEdit::LineNumberAreaWidth() const
{
    int digits = 1;
    for (int n = std::max(1, blockCount()); n >= 10; n /= 10)
        ++digits;
    return 8 + fontMetrics().horizontalAdvance(QLatin1Char('9')) * std::max(digits, 3);
}

void TSourceEdit::PaintLineNumbers(QPaintEvent *event)
{
    QPainter painter(m_lineNumbers);
    painter.fillRect(event->rect(), palette().color(QPalette::AlternateBase));
    painter.setPen(palette().color(QPalette::PlaceholderText));
    QTextBlock block = firstVisibleBlock();
    int top = qRound(blockBoundingGeometry(block).translated(contentOffset()).top());
    while (block.isValid() && top <= event->rect().bottom()) {
        const int height = qRound(blockBoundingRect(block).height());
        if (block.isVisible())
            painter.drawText(0, top, m_lineNumbers->width() - 4, fontMetrics().height(), Qt::AlignRight,
                             QString::number(block.blockNumber() + 1));
        block = block.next();
        top += height;
    }
}

void TSourceEdit::resizeEvent(QResizeEvent *event)
{
    QPlainTextEdit::resizeEvent(event);
    const QRect r = contentsRect();
    m_lineNumbers->setGeometry(r.left(), r.top(), LineNumberAreaWidth(), r.height());
}

void TSourceEdit::keyReleaseEvent(QKeyEvent *event)
{
    QPlainTextEdit::keyReleaseEvent(event);
    Q_EMIT KeyReleased();
}

void TSourceEdit::mouseDoubleClickEvent(QMouseEvent *event)
{
    QPlainTextEdit::mouseDoubleClickEvent(event);
    QTextCursor c = textCursor();
    const auto [from, to] = WordSelection(document()->toPlainText(), c.selectionStart(), c.selectionEnd());
    c.setPosition(from);
    c.setPosition(to, QTextCursor::KeepAnchor);
    setTextCursor(c);
}

void TSourceEdit::updateMargin()
{
    setViewportMargins(LineNumberAreaWidth(), 0, 0, 0);
}

} // namespace tavrel
