#pragma once

#include "util/QEL_SyncArrayBase.h"
#include "util/ServerList.h"

#include <cstddef>

namespace QEL::QEL_Util {

// A growable array whose changes report failure as false instead of letting an exception
// escape. No lock: every use is on one thread. The client holds one as
// QEL_SyncArray<_SERVER_LIST>, in the drop-down list's order.
template <typename T>
class QEL_SyncArray : public QEL_SyncArrayBase<T> {
public:
    QEL_SyncArray() = default;
    // Clears, then the base frees the storage.
    ~QEL_SyncArray() override { Clear(); }

    // Appends a copy at the end: true; false, with the array as it was, when copying the
    // record or growing the storage throws. Takes a reference so the copy itself happens
    // inside the guarded region.
    bool Append(const T& record)
    {
        try {
            this->m_items.push_back(record);
            return true;
        } catch (...) {
            return false;
        }
    }

    // Number of records; 0 for a new or cleared array.
    std::size_t Count() const { return this->m_items.size(); }

    // The record at index when index < Count(); the first record for any other index (the
    // drop-down list's "no selection" -1 included); on an empty array a reference to an
    // empty record (all fields default), so a caller that forgot Count() gets blank
    // values instead of undefined behaviour.
    const T& ItemAt(std::size_t index) const
    {
        if (this->m_items.empty()) {
            static const T empty{};
            return empty;
        }
        return index < this->m_items.size() ? this->m_items[index] : this->m_items.front();
    }

    // Destroys every record (the capacity is kept); true, also when already empty; false
    // if destroying a record throws.
    bool Clear()
    {
        try {
            this->m_items.clear();
            return true;
        } catch (...) {
            return false;
        }
    }
};

} // namespace QEL::QEL_Util
