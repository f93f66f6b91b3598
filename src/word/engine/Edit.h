#pragma once
// Edits of a story by character positions: the primitives under the object API's ranges. Each
// keeps the story's index current; a change inside one paragraph costs that paragraph's length
// plus a logarithmic index update, a change of paragraph structure one linear re-index.
#include "word/engine/Model.h"

#include <QString>
#include <functional>

namespace tavrel::engine {

struct TLocation
{
    int Paragraph = -1; // index in the story
    int Local = 0;      // offset from the paragraph's start
};

TLocation Locate(TStory &story, int pos);

// Inserts text at pos; "\r" (or "\n") in text starts a new paragraph. The text takes the
// formatting of the text it joins. Returns the number of characters the story grew by.
int InsertText(TStory &story, int pos, const QString &text);

// Deletes [from, to). A field whose marks are cut is deleted whole (the range grows to cover
// it); paragraphs whose marks fall inside are joined when they share a container. Returns the
// actual range deleted.
std::pair<int, int> DeleteRange(TStory &story, int from, int to);

// The text of [from, to) with Word's special characters (paragraph mark "\r", field marks 0x13
// 0x14 0x15, object 0x01, row end 0x07).
QString RangeText(TStory &story, int from, int to);

struct TFieldSpan
{
    int Begin = -1, Separator = -1, End = -1; // positions of the three marks (Separator -1: none)
    bool Valid() const { return Begin >= 0 && End > Begin; }
    int CodeStart() const { return Begin + 1; }
    int CodeEnd() const { return Separator >= 0 ? Separator : End; }
    int ResultStart() const { return Separator >= 0 ? Separator + 1 : End; }
    int ResultEnd() const { return End; }
};

// Where a field's marks are now; invalid when the field is gone.
TFieldSpan LocateField(TStory &story, const TFieldInfo &field);
// The characters of a field's code: text between its begin and separator, nested fields' codes
// and results included, marks left out.
QString FieldCodeText(TStory &story, const TFieldInfo &field);
// Fields whose begin mark lies in [from, to), in order of their begin marks (nested ones too).
std::vector<std::shared_ptr<TFieldInfo>> FieldsIn(TStory &story, int from, int to);

// The position of a shape (its inline character or, floating, its anchor point); -1 when gone.
int LocateShape(TStory &story, const TShape &shape);

// Changes the formatting of the text inlines in [from, to), splitting them at the ends.
void ChangeRunProps(TStory &story, int from, int to, const std::function<void(TRunProps &)> &change);
// Sets the paragraph style of every paragraph touching [from, to].
void SetParagraphStyle(TStory &story, int from, int to, const QString &styleId);

// The visible text of a bookmark (field codes left out); empty when there is no such bookmark.
QString BookmarkText(TStory &story, const QString &name, bool *found = nullptr);

} // namespace tavrel::engine

namespace tavrel::engine {

// Puts marks, fields and shapes at pos, after any zero-width marks already there, splitting the
// text inline it falls in. Returns the number of characters the story grew by.
int InsertInlines(TStory &story, int pos, std::vector<TInline> inlines);

// The first start mark of a bookmark (letter case ignored) in document order: its paragraph's
// index and its place among the paragraph's inlines; false when there is none.
bool FirstBookmarkStart(TStory &story, const QString &name, int &paragraph, size_t &inlineIndex);
// Where a bookmark (letter case ignored) starts and ends; false when there is none.
bool LocateBookmark(TStory &story, const QString &name, int &from, int &to);
// Takes a bookmark's marks out; true when there was one.
bool RemoveBookmark(TStory &story, const QString &name);
// Puts whole blocks at pos: before the paragraph pos starts, or after the part of it before pos
// (split off; with joinLeadingText that part joins the first new paragraph instead). Returns
// the number of characters the story grew by.
int InsertBlocks(TStory &story, int pos, std::vector<TBlock> blocks, bool joinLeadingText);
// A bookmark id no other bookmark of this process has.
int NewBookmarkId();

} // namespace tavrel::engine
