#pragma once
// The window's finished list: the compact records of the finished table, row for row (newest
// first), and the buttons of the rows whose widgets have been built. Read like a vector of
// _VIDEO_FINISHED_INFO_, whose entries are made when they are looked at; the records
// themselves are changed through Records(). Guarded by the window's finished mutex.

#include "finishedrecords.h"
#include "taskrows.h"

#include <QPointer>
#include <QTableWidget>
#include <cstddef>

class CFinishedList
{
public:
    // The table whose rows these are (its row widgets hold the buttons).
    void SetTable(QTableWidget* table) { m_table = table; }

    CFinishedRecords& Records() { return m_records; }
    const CFinishedRecords& Records() const { return m_records; }

    size_t size() const { return size_t(m_records.Size()); }
    bool empty() const { return m_records.Empty(); }
    void clear() { m_records.Clear(); }

    // The entry of a row: its record, and its buttons once the row widget is built.
    _VIDEO_FINISHED_INFO_ at(size_t row) const;
    _VIDEO_FINISHED_INFO_ operator[](size_t row) const { return at(row); }
    _VIDEO_FINISHED_INFO_ front() const { return at(0); }

    class Iterator
    {
    public:
        Iterator(const CFinishedList* list, size_t row) : m_list(list), m_row(row) {}
        _VIDEO_FINISHED_INFO_ operator*() const { return m_list->at(m_row); }
        Iterator& operator++()
        {
            ++m_row;
            return *this;
        }
        bool operator!=(const Iterator& other) const { return m_row != other.m_row; }

    private:
        const CFinishedList* m_list;
        size_t m_row;
    };
    Iterator begin() const { return {this, 0}; }
    Iterator end() const { return {this, size()}; }

private:
    CFinishedRecords m_records;
    QPointer<QTableWidget> m_table;
};

// The names the buttons of a finished row widget carry.
inline constexpr char kFinishedOpenButton[] = "open";
inline constexpr char kFinishedDeleteButton[] = "delete";
