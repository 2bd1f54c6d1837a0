#pragma once

#include <QLabel>

namespace velmora::gui {

/** A section of the "馬連" | "枠連" header over a pair of bet lists: raised, centred, not clickable. */
inline QLabel *HeaderSection(const QString &text, QWidget *parent)
{
    auto *section = new QLabel(text, parent);
    section->setAlignment(Qt::AlignCenter);
    section->setFrameStyle(QFrame::Panel | QFrame::Raised);
    return section;
}

} // namespace velmora::gui
