#include "transfers/transferqueue.h"

#include <QSet>
#include <algorithm>

TransferQueue::TransferQueue(QObject* parent)
    : QObject(parent)
{
}

int TransferQueue::indexOf(quint64 id) const
{
    if (id == 0)
        return -1;
    // The batch asks for its running entry, which is nearly always the first.
    for (size_t row = 0; row < m_entries.size(); ++row) {
        if (m_entries[row].id == id)
            return int(row);
    }
    return -1;
}

const QueueEntry* TransferQueue::find(quint64 id) const
{
    const int row = indexOf(id);
    return row < 0 ? nullptr : &m_entries[size_t(row)];
}

void TransferQueue::tally(const QueueEntry& entry, int sign)
{
    if (entry.isFolder()) {
        m_totals.folders += sign;
        return;
    }
    m_totals.files += sign;
    if (entry.size > 0)
        m_totals.bytes += sign * entry.size;
}

// --- Adding ------------------------------------------------------------------------------------

std::vector<quint64> TransferQueue::stamp(std::vector<QueueEntry>& entries)
{
    std::vector<quint64> ids;
    ids.reserve(entries.size());
    for (QueueEntry& entry : entries) {
        entry.id = m_nextId++;
        ids.push_back(entry.id);
    }
    return ids;
}

quint64 TransferQueue::append(QueueEntry entry)
{
    std::vector<QueueEntry> one;
    one.push_back(std::move(entry));
    return append(std::move(one)).front();
}

std::vector<quint64> TransferQueue::append(std::vector<QueueEntry> entries)
{
    return insert(count(), std::move(entries));
}

std::vector<quint64> TransferQueue::insertAtFront(std::vector<QueueEntry> entries)
{
    return insert(0, std::move(entries));
}

std::vector<quint64> TransferQueue::insert(int row, std::vector<QueueEntry> entries)
{
    row = std::clamp(row, 0, count());
    std::vector<quint64> ids = stamp(entries);
    if (entries.empty())
        return ids;
    const int added = int(entries.size());
    for (const QueueEntry& entry : entries)
        tally(entry, +1);
    m_entries.insert(m_entries.begin() + row, std::make_move_iterator(entries.begin()),
                     std::make_move_iterator(entries.end()));
    emit entriesInserted(row, added);
    emit contentsChanged();
    return ids;
}

// --- Removing ----------------------------------------------------------------------------------

void TransferQueue::compact(const std::vector<char>& doomed, QList<int>* removed)
{
    size_t out = 0;
    for (size_t in = 0; in < m_entries.size(); ++in) {
        if (doomed[in]) {
            removed->append(int(in));
            tally(m_entries[in], -1);
            continue;
        }
        if (out != in)
            m_entries[out] = std::move(m_entries[in]);
        ++out;
    }
    m_entries.resize(out);
}

bool TransferQueue::removeById(quint64 id)
{
    const int row = indexOf(id);
    if (row < 0)
        return false;
    tally(m_entries[size_t(row)], -1);
    m_entries.erase(m_entries.begin() + row);
    emit entriesRemoved({row});
    emit contentsChanged();
    return true;
}

void TransferQueue::removeIds(const std::vector<quint64>& ids)
{
    if (ids.empty() || m_entries.empty())
        return;
    const QSet<quint64> wanted(ids.begin(), ids.end());
    std::vector<char> doomed(m_entries.size(), 0);
    bool any = false;
    for (size_t row = 0; row < m_entries.size(); ++row) {
        doomed[row] = wanted.contains(m_entries[row].id);
        any = any || doomed[row];
    }
    if (!any)
        return;
    QList<int> removed;
    compact(doomed, &removed);
    emit entriesRemoved(removed);
    emit contentsChanged();
}

void TransferQueue::removeRows(std::vector<int> rows)
{
    std::vector<char> doomed(m_entries.size(), 0);
    bool any = false;
    for (const int row : rows) {
        if (row >= 0 && row < count()) {
            doomed[size_t(row)] = 1;
            any = true;
        }
    }
    if (!any)
        return;
    QList<int> removed;
    compact(doomed, &removed);
    emit entriesRemoved(removed);
    emit contentsChanged();
}

void TransferQueue::clear()
{
    if (m_entries.empty())
        return;
    m_entries.clear();
    m_totals = {};
    emit entriesReset();
    emit contentsChanged();
}

// --- Reordering --------------------------------------------------------------------------------

void TransferQueue::swapRows(int a, int b)
{
    std::swap(m_entries[size_t(a)], m_entries[size_t(b)]);
    emit entriesChanged(std::min(a, b), std::max(a, b));
    emit contentsChanged();
}

bool TransferQueue::moveUp(int row, bool batchRunning)
{
    if (row < 1 || row >= count() || (batchRunning && row == 1))
        return false;
    swapRows(row - 1, row);
    return true;
}

bool TransferQueue::moveDown(int row, bool batchRunning)
{
    if (row < 0 || row + 1 >= count() || (batchRunning && row == 0))
        return false;
    swapRows(row, row + 1);
    return true;
}

std::vector<int> TransferQueue::moveRows(std::vector<int> rows, int before, bool batchRunning)
{
    const int n = count();
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    rows.erase(std::remove_if(rows.begin(), rows.end(), [&](int r) { return r < 0 || r >= n || (batchRunning && r == 0); }),
               rows.end());
    before = std::clamp(before, batchRunning && n > 0 ? 1 : 0, n);
    if (rows.empty())
        return {};

    std::vector<char> moving(size_t(n), 0);
    for (const int row : rows)
        moving[size_t(row)] = 1;
    std::vector<QueueEntry> staying;
    std::vector<QueueEntry> moved;
    staying.reserve(size_t(n) - rows.size());
    moved.reserve(rows.size());
    int insertAt = 0;  // where `before` lands among the entries that stay
    for (int row = 0; row < n; ++row) {
        if (row == before)
            insertAt = int(staying.size());
        (moving[size_t(row)] ? moved : staying).push_back(std::move(m_entries[size_t(row)]));
    }
    if (before >= n)
        insertAt = int(staying.size());
    staying.insert(staying.begin() + insertAt, std::make_move_iterator(moved.begin()),
                   std::make_move_iterator(moved.end()));
    m_entries.assign(std::make_move_iterator(staying.begin()), std::make_move_iterator(staying.end()));

    std::vector<int> now(rows.size());
    for (size_t i = 0; i < rows.size(); ++i)
        now[i] = insertAt + int(i);
    if (now != rows) {
        emit entriesReset();
        emit contentsChanged();
    }
    return now;
}

// --- Changing ----------------------------------------------------------------------------------

void TransferQueue::setTarget(int row, const QString& target)
{
    if (row < 0 || row >= count() || m_entries[size_t(row)].target == target)
        return;
    m_entries[size_t(row)].target = target;
    emit entriesChanged(row, row);
    emit contentsChanged();
}
