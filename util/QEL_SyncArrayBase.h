#pragma once

#include <vector>

namespace QEL::QEL_Util {

// Owner of a contiguous growable array of T; destroying it destroys the records and
// frees the storage.
template <typename T>
class QEL_SyncArrayBase {
public:
    QEL_SyncArrayBase() = default;
    virtual ~QEL_SyncArrayBase() = default;
    QEL_SyncArrayBase(const QEL_SyncArrayBase&) = delete;
    QEL_SyncArrayBase& operator=(const QEL_SyncArrayBase&) = delete;

protected:
    std::vector<T> m_items;
};

} // namespace QEL::QEL_Util
