#pragma once

#include <vector>

#include <QString>
#include <QWidget>

namespace velmora::gui {

/**
 * A control array: the controls of one kind gathered in order, so that code
 * reaches the control of race slot r as item r - 1 instead of by name.
 * `Element` is the control class the array accepts.
 */
template <typename Element> class ControlArray
{
  public:
    /** The control of an item, or nothing when the index is negative or not below count(). */
    Element *item(int index) const
    {
        return index >= 0 && index < count() ? m_items[static_cast<size_t>(index)] : nullptr;
    }
    Element *operator[](int index) const { return item(index); }

    int count() const { return static_cast<int>(m_items.size()); }

    /**
     * Appends a control and returns its index; a control of another class is refused
     * with -1 and `error` set to its class name + " オブジェクトは受け入れられません".
     */
    int add(QWidget *control, QString *error = nullptr)
    {
        auto *element = qobject_cast<Element *>(control);
        if (!element) {
            if (error)
                *error = QString::fromLatin1(control ? control->metaObject()->className() : "nullptr") +
                         QStringLiteral(" オブジェクトは受け入れられません");
            return -1;
        }
        m_items.push_back(element);
        return count() - 1;
    }

    /** Drops an item; indexes out of range are ignored. */
    void remove(int index)
    {
        if (index >= 0 && index < count())
            m_items.erase(m_items.begin() + index);
    }

    /** The index of a control, or -1. */
    int indexOf(const QWidget *control) const
    {
        for (int i = 0; i < count(); ++i) {
            if (m_items[static_cast<size_t>(i)] == control)
                return i;
        }
        return -1;
    }

  private:
    std::vector<Element *> m_items;
};

} // namespace velmora::gui
