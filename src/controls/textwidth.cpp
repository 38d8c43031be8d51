#include "controls/textwidth.h"

#include <algorithm>
#include <vector>

namespace {
// Kerning and shaping can shorten a text a little against the sum of its characters, so a
// handful of the estimated widest are measured to find the true widest.
constexpr int ExactCandidates = 24;
}  // namespace

TextWidthMeter::TextWidthMeter(const QFont& font)
    : m_metrics(font)
{
    std::fill(std::begin(m_latin1), std::end(m_latin1), -1);
}

int TextWidthMeter::advance(QChar c)
{
    const char16_t code = c.unicode();
    if (code < 256) {
        int& cached = m_latin1[code];
        if (cached < 0)
            cached = m_metrics.horizontalAdvance(c);
        return cached;
    }
    auto it = m_other.find(code);
    if (it == m_other.end())
        it = m_other.insert(code, c.isSurrogate() ? m_metrics.averageCharWidth()
                                                  : m_metrics.horizontalAdvance(c));
    return *it;
}

int TextWidthMeter::estimate(QStringView text)
{
    int width = 0;
    for (QChar c : text)
        width += advance(c);
    return width;
}

int TextWidthMeter::widest(int count, const std::function<QString(int)>& textAt,
                           int* exactWidth)
{
    if (count <= 0)
        return -1;
    std::vector<std::pair<int, int>> estimates;  // (width, index)
    estimates.reserve(size_t(count));
    for (int i = 0; i < count; ++i)
        estimates.emplace_back(estimate(textAt(i)), i);
    const size_t candidates = std::min(estimates.size(), size_t(ExactCandidates));
    std::partial_sort(estimates.begin(), estimates.begin() + qsizetype(candidates),
                      estimates.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    int best = -1;
    int bestWidth = -1;
    for (size_t i = 0; i < candidates; ++i) {
        const int width = m_metrics.horizontalAdvance(textAt(estimates[i].second));
        if (width > bestWidth) {
            bestWidth = width;
            best = estimates[i].second;
        }
    }
    if (exactWidth)
        *exactWidth = bestWidth;
    return best;
}
