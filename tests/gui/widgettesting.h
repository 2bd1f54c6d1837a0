#pragma once

#include <QListWidget>
#include <QStringList>

namespace velmora::gui::test {

/** The texts of a list box's items, in order. */
inline QStringList ListItems(const QListWidget *list)
{
    QStringList items;
    for (int i = 0; i < list->count(); ++i)
        items.append(list->item(i)->text());
    return items;
}

} // namespace velmora::gui::test
