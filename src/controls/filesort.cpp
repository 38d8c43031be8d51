#include "controls/filesort.h"

#include "controls/localedatereader.h"

#include <QCollator>
#include <QHash>
#include <algorithm>
#include <limits>
#include <numeric>

TSortField SortFieldOfColumn(int column)
{
    switch (column) {
    case 1: return TSortField::Size;
    case 2: return TSortField::Date;
    default: return TSortField::Name;
    }
}

QStringView FileExtension(QStringView name)
{
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QStringView() : name.mid(dot);
}

std::optional<qint64> ReadSizeText(QStringView text, QStringView groupSeparator)
{
    text = text.trimmed();
    bool negative = false;
    if (!text.isEmpty() && (text.front() == QLatin1Char('-') || text.front() == QLatin1Char('+'))) {
        negative = text.front() == QLatin1Char('-');
        text = text.mid(1);
        if (text.isEmpty())
            return std::nullopt;
    }
    quint64 value = 0;
    int digits = 0;
    const quint64 limit = quint64(std::numeric_limits<qint64>::max()) + (negative ? 1 : 0);
    for (qsizetype i = 0; i < text.size();) {
        if (!groupSeparator.isEmpty() && text.mid(i).startsWith(groupSeparator)) {
            i += groupSeparator.size();
            continue;
        }
        const int digit = text.at(i).digitValue();
        if (digit < 0 || value > (limit - quint64(digit)) / 10)
            return std::nullopt;
        value = value * 10 + quint64(digit);
        ++digits;
        ++i;
    }
    if (digits == 0 && !text.isEmpty())
        return std::nullopt;
    return negative ? qint64(0 - value) : qint64(value);
}

namespace {

bool isParentEntry(const TListItem& item)
{
    return item.Caption == QLatin1String("..");
}

// Everything a comparison needs, computed once per sort. Name keys are made when first asked
// for: a size or date sort needs them only to break ties.
class SortKeys
{
public:
    SortKeys(const std::vector<TListItem>& items, TSortField field, const QLocale& locale)
        : m_items(items), m_collator(locale)
    {
        m_collator.setCaseSensitivity(Qt::CaseInsensitive);
        const size_t n = items.size();
        parent.reserve(n);
        kind.reserve(n);
        for (const TListItem& item : items) {
            parent.push_back(isParentEntry(item) ? 1 : 0);
            kind.push_back(item.ImageIndex);
        }
        m_names.resize(n);
        if (field == TSortField::Size) {
            const QString separator = locale.groupSeparator();
            value.reserve(n);
            for (const TListItem& item : items)
                value.push_back(ReadSizeText(item.columnText(1), separator).value_or(0));
        } else if (field == TSortField::Date) {
            const LocaleDateReader reader(locale);
            value.reserve(n);
            for (const TListItem& item : items) {
                value.push_back(reader.read(item.columnText(2))
                                    .value_or(std::numeric_limits<qint64>::min()));
            }
        } else if (field == TSortField::Extension) {
            value = extensionRanks(items);
        }
    }

    const QCollatorSortKey& name(int row)
    {
        std::optional<QCollatorSortKey>& key = m_names[size_t(row)];
        if (!key)
            key.emplace(m_collator.sortKey(m_items[size_t(row)].Caption));
        return *key;
    }

    std::vector<char> parent;
    std::vector<int> kind;
    std::vector<qint64> value;  // size, date or the rank of the extension

private:
    // A listing holds few distinct extensions: rank those once by collation, so rows compare
    // as integers.
    std::vector<qint64> extensionRanks(const std::vector<TListItem>& items) const
    {
        QHash<QString, int> distinct;
        std::vector<int> extensionOf;
        extensionOf.reserve(items.size());
        for (const TListItem& item : items) {
            const QString extension = FileExtension(item.Caption).toString();
            auto it = distinct.constFind(extension);
            if (it == distinct.cend())
                it = distinct.insert(extension, int(distinct.size()));
            extensionOf.push_back(*it);
        }
        QStringList names(distinct.size());
        for (auto it = distinct.cbegin(); it != distinct.cend(); ++it)
            names[it.value()] = it.key();
        std::vector<int> byCollation(size_t(names.size()));
        std::iota(byCollation.begin(), byCollation.end(), 0);
        std::sort(byCollation.begin(), byCollation.end(), [&](int a, int b) {
            return m_collator.compare(names[a], names[b]) < 0;
        });
        std::vector<qint64> rankOf(byCollation.size());
        qint64 rank = 0;
        for (size_t i = 0; i < byCollation.size(); ++i) {
            if (i > 0 && m_collator.compare(names[byCollation[i - 1]], names[byCollation[i]]) != 0)
                ++rank;  // equal but for case: same rank
            rankOf[size_t(byCollation[i])] = rank;
        }
        std::vector<qint64> ranks;
        ranks.reserve(items.size());
        for (int index : extensionOf)
            ranks.push_back(rankOf[size_t(index)]);
        return ranks;
    }

    const std::vector<TListItem>& m_items;
    QCollator m_collator;
    std::vector<std::optional<QCollatorSortKey>> m_names;
};

}  // namespace

std::vector<int> FileSortOrder(const std::vector<TListItem>& items, const TSortRequest& request,
                               const QLocale& locale)
{
    SortKeys keys(items, request.Field, locale);
    const bool grouped = !request.Mixed || request.Field == TSortField::Extension;
    const bool nameDescending = !request.Ascending;
    // The ascending date order puts the newest entry first.
    const bool valueDescending =
        request.Field == TSortField::Date ? request.Ascending : !request.Ascending;

    auto ordered = [](int c, bool descending) { return descending ? c > 0 : c < 0; };
    auto less = [&](int a, int b) {
        if (keys.parent[a] != keys.parent[b])
            return keys.parent[a] > keys.parent[b];
        if (grouped && keys.kind[a] != keys.kind[b])
            return keys.kind[a] < keys.kind[b];
        if (!keys.value.empty() && keys.value[a] != keys.value[b])
            return valueDescending ? keys.value[a] > keys.value[b] : keys.value[a] < keys.value[b];
        if (const int c = keys.name(a).compare(keys.name(b)))
            return ordered(c, nameDescending);
        // Names equal but for case: keep them in a fixed order whatever the input order.
        if (const int c = items[a].Caption.compare(items[b].Caption))
            return ordered(c, nameDescending);
        return a < b;
    };

    std::vector<int> order(items.size());
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), less);
    return order;
}
