#pragma once
// The state behind the object API's handles, shared by the files that implement the members.
#include "text/Exceptions.h"
#include "word/engine/Model.h"
#include "word/engine/Word.h"

#include <QTemporaryDir>
#include <algorithm>
#include <memory>
#include <vector>

namespace tavrel {

using namespace engine;

// --- shared state ------------------------------------------------------------------------------

struct WordRangeState
{
    std::shared_ptr<WordDocState> Doc;
    int Start = 0, End = 0;
};

struct WordDocState : std::enable_shared_from_this<WordDocState>
{
    std::unique_ptr<TDocument> Model;
    std::unique_ptr<QTemporaryDir> WorkFolder; // converted copies of .doc/.rtf/.odt sources
    std::vector<std::weak_ptr<WordRangeState>> Ranges;
    QString FullName;
    QString Package; // the .docx the model was read from: FullName itself, or the converted copy
    int SavedFormat = -1; // the format of the last SaveAs, which Save writes again; -1: none yet
    bool Closed = false;
    bool ShowHiddenBookmarks = false;

    TDocument &model()
    {
        if (Closed || !Model)
            throw Exception(QStringLiteral("The document has been closed."));
        return *Model;
    }
    TStory &story() { return model().Body; }

    WordRange makeRange(int start, int end)
    {
        auto st = std::make_shared<WordRangeState>();
        st->Doc = shared_from_this();
        int len = story().Length();
        st->Start = std::clamp(start, 0, len);
        st->End = std::clamp(end, st->Start, len);
        Ranges.push_back(st);
        if (Ranges.size() > 64 && Ranges.size() % 64 == 0)
            prune();
        return WordRange(st);
    }

    void prune()
    {
        Ranges.erase(std::remove_if(Ranges.begin(), Ranges.end(), [](const auto &w) { return w.expired(); }), Ranges.end());
    }

    // Ranges after an insertion point move with the text; self is the range that inserted and
    // grows over the new text.
    void inserted(int pos, int n, WordRangeState *self)
    {
        if (n <= 0)
            return;
        prune();
        for (auto &w : Ranges) {
            auto r = w.lock();
            if (!r)
                continue;
            if (r.get() == self) {
                // The start stays where the new text starts (InsertBefore) or where it was.
                r->End += n;
                continue;
            }
            if (r->Start >= pos)
                r->Start += n;
            if (r->End > pos)
                r->End += n;
            r->End = std::max(r->End, r->Start);
        }
    }

    void deleted(int from, int to)
    {
        int n = to - from;
        if (n <= 0)
            return;
        prune();
        auto shift = [&](int x) { return x >= to ? x - n : (x > from ? from : x); };
        for (auto &w : Ranges) {
            auto r = w.lock();
            if (!r)
                continue;
            r->Start = shift(r->Start);
            r->End = std::max(shift(r->End), r->Start);
        }
    }

    bool isHeading(TParagraph *p) { return OutlineLevel(model(), *p) < 10; }

    // The start of the first heading paragraph from paragraph index first on; -1 when none.
    // The headings pass calls it from each heading to the next, so the whole pass is linear.
    int headingFrom(int first)
    {
        TStory &s = story();
        const int count = s.ParagraphCount();
        for (int i = std::max(0, first); i < count; ++i)
            if (isHeading(s.ParagraphAt(i)))
                return s.ParagraphStart(i);
        return -1;
    }
};

// The id of a built-in style by Word's number (-1 Normal, -2 to -10 heading 1 to 9, -11 to -19
// index 1 to 9, -20 to -28 TOC 1 to 9, -86 Hyperlink), created with Word's look when missing.
QString BuiltinStyleId(TDocument &doc, int builtin);

// Reads a linked picture (from the document's carry folders only) into the document's media;
// false, with a warning, when it cannot be read.
bool EmbedLinkedPicture(TDocument &doc, TShape &shape);

} // namespace tavrel
