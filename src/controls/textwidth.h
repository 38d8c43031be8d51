#pragma once

#include <QFontMetrics>
#include <QHash>
#include <QString>
#include <functional>

// Finds the widest of many texts in one font. Shaping a text costs several microseconds
// (most of a second for 100,000 names), so every text is first estimated from cached
// per-character advances and only the widest few are measured exactly.
class TextWidthMeter
{
public:
    explicit TextWidthMeter(const QFont& font);

    int estimate(QStringView text);
    // Index of the widest of `count` texts, -1 when count is 0. `exactWidth` receives its
    // exact width when given.
    int widest(int count, const std::function<QString(int)>& textAt, int* exactWidth = nullptr);

private:
    int advance(QChar c);

    QFontMetrics m_metrics;
    int m_latin1[256];
    QHash<char16_t, int> m_other;
};
