#include "project/Contents.h"

namespace tavrel {

TContentsItems::TContentsItems() : m_navSetting(std::make_unique<TNavSetting>()) {}

TContentsItem *TContentsItems::Add(std::unique_ptr<TContentsItem> item)
{
    m_items.push_back(std::move(item));
    return m_items.back().get();
}

void TContentsItems::Delete(int i)
{
    m_items.erase(m_items.begin() + i);
}

} // namespace tavrel
