#pragma once
// Moving content between documents in memory: a copy holds the blocks with everything they
// need from their document (styles, lists, pictures, notes), and pasting maps those into the
// target so that nothing there is overwritten.
#include "word/engine/Model.h"

#include <memory>

namespace tavrel::engine {

// The top-level blocks of the body that [from, to) touches, with what they need; a document of
// its own.
std::unique_ptr<TDocument> CopyBlocks(TDocument &source, int from, int to);

// Puts a copy of the fragment's blocks at pos in target's body (see InsertBlocks). Styles the
// target has keep the target's definition; lists, pictures and notes get new names where they
// would clash; bookmarks and fields get marks of their own. Returns the growth in characters.
int PasteBlocks(TDocument &target, int pos, const TDocument &fragment);

// A deep copy of blocks: new field marks, new shapes, new tables.
std::vector<TBlock> CloneBlocks(const std::vector<TBlock> &blocks);

} // namespace tavrel::engine
