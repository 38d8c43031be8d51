#pragma once

#include "console/textpack.h"

#include <QFont>
#include <QFontMetrics>
#include <QHash>
#include <array>
#include <optional>

class QPaintDevice;

// The console font in its sixteen styles, with character advances cached per style: wrapping
// and drawing both add up the same integer advances, so rows drawn never run past the width
// they were wrapped to.
class TConsoleMetrics
{
public:
    TConsoleMetrics();

    // `device` fixes the resolution fonts are measured at (the console's window).
    void SetFont(const QFont& font, const QPaintDevice* device);

    int RowHeight() const { return m_rowHeight; }
    const QFont& Font(int style) const { return m_variants[size_t(style & 15)].font; }
    const QFontMetrics& Metrics(int style) const { return *m_variants[size_t(style & 15)].metrics; }

    int Advance(int style, char32_t codePoint);
    // Sum of the advances of a run that holds no codes.
    int RunWidth(int style, QStringView run);

private:
    struct Variant
    {
        QFont font;
        std::optional<QFontMetrics> metrics;
    };
    // Bold and italic change advances; underline and strike-out do not.
    struct AdvanceTable
    {
        std::array<int, 256> latin{};
        QHash<char32_t, int> other;
    };

    std::array<Variant, 16> m_variants;
    std::array<AdvanceTable, 4> m_advances;
    int m_rowHeight = 0;
};

// What wrapping needs to know of the console besides the font.
struct TWrapGeometry
{
    int clientWidth = 0;
    int imageWidth = 0;  // of the console's image list; 0 without one
    int imageHeight = 0;
    int imageCount = 0;

    // Nothing is computed below this width.
    int MinWidth() const { return imageCount > 0 ? imageWidth + 64 : 64; }
    bool ShowsImage(const TTextPack& line) const { return line.Image >= 0 && line.Image < imageCount; }
    int StartX(const TTextPack& line) const { return ShowsImage(line) ? imageWidth + 3 : 1; }
};

// Sets the line's row breaks and height for the geometry. Returns false and leaves the line
// as it was when the client area is too narrow.
bool WrapLine(TTextPack& line, TConsoleMetrics& metrics, const TWrapGeometry& geometry);
