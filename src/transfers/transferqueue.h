#pragma once

#include "transfers/queueentry.h"

#include <QList>
#include <QObject>
#include <deque>
#include <vector>

// The transfer queue: pending downloads and uploads in execution order. The queue list of
// the main window is a view of it; the batch, the scripts, the command line and the pending
// queue of the last run change it through this class only.
//
// Every operation is linear in the size of the queue at most (a swap of neighbours, taking
// the first entry away and the totals are constant), and tells the views once per operation,
// never once per row, so queues of 100,000 entries stay quick and a batch that takes its
// entries one by one from the front is linear in their number.
class TransferQueue : public QObject
{
    Q_OBJECT

public:
    explicit TransferQueue(QObject* parent = nullptr);

    // --- Reading -------------------------------------------------------------------------
    int count() const { return int(m_entries.size()); }
    bool isEmpty() const { return m_entries.empty(); }
    const QueueEntry& at(int row) const { return m_entries[size_t(row)]; }
    const std::deque<QueueEntry>& entries() const { return m_entries; }
    // A copy in queue order (for saving).
    std::vector<QueueEntry> snapshot() const { return {m_entries.begin(), m_entries.end()}; }
    // The entry a batch runs next; nullptr when the queue is empty.
    const QueueEntry* first() const { return m_entries.empty() ? nullptr : &m_entries.front(); }
    // The row of the entry with this id; -1 when it is no longer queued.
    int indexOf(quint64 id) const;
    const QueueEntry* find(quint64 id) const;
    // Kept up to date by every change.
    QueueTotals totals() const { return m_totals; }

    // --- Adding (each entry gets a new id; the ids given back are in the entries' order) ----
    quint64 append(QueueEntry entry);
    std::vector<quint64> append(std::vector<QueueEntry> entries);
    // Before the first entry, keeping the given order (a folder replaced by its contents).
    std::vector<quint64> insertAtFront(std::vector<QueueEntry> entries);
    std::vector<quint64> insert(int row, std::vector<QueueEntry> entries);

    // --- Removing ------------------------------------------------------------------------
    // False when no entry has that id (the user deleted it meanwhile).
    bool removeById(quint64 id);
    void removeIds(const std::vector<quint64>& ids);
    void removeRows(std::vector<int> rows);
    void clear();

    // --- Reordering ----------------------------------------------------------------------
    // While a batch runs its first entry is in progress: it keeps its place and nothing is
    // put before it. False when the move is not possible (first or last row, or the guard).
    bool moveUp(int row, bool batchRunning);
    bool moveDown(int row, bool batchRunning);
    // Moves `rows` (in their order) to stand before the entry now at `before` (count(): to
    // the end). Gives the rows they occupy afterwards.
    std::vector<int> moveRows(std::vector<int> rows, int before, bool batchRunning);

    // --- Changing ------------------------------------------------------------------------
    void setTarget(int row, const QString& target);

signals:
    // Rows [first, first + count) are new.
    void entriesInserted(int first, int count);
    // These rows went (ascending, numbered as before the removal).
    void entriesRemoved(const QList<int>& rows);
    // Rows first..last hold other contents now.
    void entriesChanged(int first, int last);
    // Any row may differ (cleared or reordered).
    void entriesReset();
    // After each of the above: counts and totals may differ.
    void contentsChanged();

private:
    std::vector<quint64> stamp(std::vector<QueueEntry>& entries);
    void swapRows(int a, int b);
    void compact(const std::vector<char>& doomed, QList<int>* removed);
    void tally(const QueueEntry& entry, int sign);

    std::deque<QueueEntry> m_entries;
    QueueTotals m_totals;
    quint64 m_nextId = 1;
};
