#pragma once
// Contents lists and projects for the WebHelp writer tests: a compact way to write the items,
// and the two sample projects that the browser tests open.
#include "project/Contents.h"
#include "project/ProjectSetting.h"

#include <QString>
#include <vector>

namespace tavrel::test {

struct TWebItem
{
    int Level = 1;
    QString Title{};
    QString Url{};      // empty: a heading without a page
    int Icon = 11;
    QString Keywords{}; // one per line
    QString Body{};
    bool Outside = false; // Url is an outside address (a link-only entry)
};

// Fills items with the entries, sets page status, children, accessibility and the HTML title,
// then lets the list compute last-in-level marks and previous/next links.
void FillContents(TContentsItems &items, const std::vector<TWebItem> &entries);

// The sample projects (their settings go into project, their items into items). Output folder
// and project folder are left to the caller.
void BasicSample(TProject &project, std::vector<TWebItem> &items);
void TrickySample(TProject &project, std::vector<TWebItem> &items);

} // namespace tavrel::test
