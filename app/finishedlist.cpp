#include "finishedlist.h"

#include <QPushButton>

_VIDEO_FINISHED_INFO_ CFinishedList::at(size_t row) const
{
    _VIDEO_FINISHED_INFO_ entry;
    entry.VideoFileInfo = m_records.At(int(row));
    QWidget* widget = m_table ? m_table->cellWidget(int(row), 0) : nullptr;
    if (widget) {
        entry.pBtnOpen = widget->findChild<QPushButton*>(QLatin1String(kFinishedOpenButton));
        entry.pBtnDelete = widget->findChild<QPushButton*>(QLatin1String(kFinishedDeleteButton));
    }
    return entry;
}
