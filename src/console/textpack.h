#pragma once

#include <QColor>
#include <QList>
#include <QString>
#include <deque>
#include <functional>

// Colours as callers hand them to the console and as its inline codes store them:
// 0x00BBGGRR, blue byte first.
using TColor = quint32;

constexpr TColor clBlack = 0x000000;
constexpr TColor clGreen = 0x008000;
constexpr TColor clNavy = 0x800000;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clBlue = 0xFF0000;
// "No colour" for AddText; inside the text a colour code with this value means "back to the
// console's default" (what a URL restores when no colour was set before it).
constexpr TColor clNone = 0xFFFBFF;

QColor ColorToQColor(TColor color);
TColor QColorToColor(const QColor& color);

// Formatting codes inside a line's text. The characters 1, 2 and 3 never occur as text:
// AddText removes every character below 32 before it adds its own codes.
namespace ConsoleCode {

constexpr char16_t Style = 1;  // + 2 hex digits: style bits
constexpr char16_t Color = 2;  // + 6 hex digits: text colour
constexpr char16_t Back = 3;   // + 6 hex digits: background colour

enum StyleBits : int { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };

inline bool IsCode(char16_t c) { return c >= Style && c <= Back; }
// Characters a code occupies, its own included.
inline int CodeLength(char16_t c) { return c == Style ? 3 : 7; }

QString StyleCode(int style);
QString ColorCode(TColor color);
QString BackCode(TColor color);

// The hexadecimal value of the code at `pos` (0 when the digits are cut short or invalid).
quint32 CodeValue(const QString& text, int pos);

QString WithoutControls(const QString& text);
// The text as the reader sees it: neither the code characters nor their digits.
QString PlainText(const QString& text);

}  // namespace ConsoleCode

// One logical line of the console.
struct TTextPack
{
    QList<int> Breaks;  // end offset of each visual row; the last one is the text length
    QString Text;       // characters and inline codes
    qint32 Height = 0;  // rows x row height (at least the image height); 0 until wrapped
    qint32 Image = -1;  // index into the console's Images, -1 = none
};

// The lines held, oldest first. A deque keeps appending at the bottom and dropping at the top
// constant-time whatever the count. Serials number every line ever appended, so the re-wrap
// worker can tell which lines are still there after trimming.
class TLines
{
public:
    int Count() const { return int(m_items.size()); }
    bool IsEmpty() const { return m_items.empty(); }
    const TTextPack& operator[](int index) const { return m_items[size_t(index)]; }

    qint64 TotalHeight() const { return m_totalHeight; }
    qint64 FirstSerial() const { return m_firstSerial; }
    qint64 EndSerial() const { return m_firstSerial + Count(); }

    void Append(TTextPack line);
    // Drops the `count` oldest lines and returns the height they took.
    qint64 RemoveOldest(int count);
    void Clear();
    // Lets `change` rewrite one line, keeping the total height in step.
    void Update(int index, const std::function<void(TTextPack&)>& change);

private:
    std::deque<TTextPack> m_items;
    qint64 m_totalHeight = 0;
    qint64 m_firstSerial = 0;
};
