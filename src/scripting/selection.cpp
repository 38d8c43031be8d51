#include "scripting/selection.h"

#include "session/pathhelpers.h"

bool IsPlainName(const QString& name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..")
        && !name.contains(QLatin1Char('/')) && !name.contains(QChar(0));
}

std::vector<int> SelectByMask(const std::vector<FileEntry>& entries, const QString& mask)
{
    std::vector<int> selected;
    const bool wildcard = mask.contains(QLatin1Char('*'));
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const FileEntry& entry = entries[i];
        if (entry.isParent() || !IsPlainName(entry.name))
            continue;
        if ((wildcard && MatchMask(entry.name, mask)) || entry.name == mask)
            selected.push_back(int(i));
    }
    return selected;
}
