// Listing lines of the server families we know, read word by word without regular
// expressions: a listing of many thousand lines must parse in a blink.
#include "engine/listparser.h"

#include "platform/core/clock.h"

#include <QLocale>
#include <QVarLengthArray>
#include <limits>

namespace {

constexpr char16_t kSpace = u' ';

// Width of an NT listing's "<DIR>" column with the space that ends it.
constexpr qsizetype kMarkerColumn = 15;

// QStringView::indexOf(QChar) goes through the general substring search, a call that costs
// more than the search itself on the short texts of a listing line.
qsizetype find(QStringView text, char16_t c, qsizetype from = 0)
{
    const char16_t* data = text.utf16();
    for (qsizetype i = from; i < text.size(); ++i) {
        if (data[i] == c)
            return i;
    }
    return -1;
}

bool contains(QStringView text, QStringView needle)
{
    const char16_t first = needle[0].unicode();
    const qsizetype last = text.size() - needle.size();
    for (qsizetype i = find(text, first); i >= 0 && i <= last; i = find(text, first, i + 1)) {
        if (text.sliced(i, needle.size()) == needle)
            return true;
    }
    return false;
}

bool isAsciiDigit(QChar c)
{
    return c.unicode() >= u'0' && c.unicode() <= u'9';
}

// A run of ASCII digits, spaces around it allowed; -1 for anything else.
int smallNumber(QStringView text)
{
    text = text.trimmed();
    if (text.isEmpty() || text.size() > 9)
        return -1;
    int value = 0;
    for (QChar c : text) {
        if (!isAsciiDigit(c))
            return -1;
        value = value * 10 + (c.unicode() - u'0');
    }
    return value;
}

// Sizes beyond 2^31 are common, and some servers write decimals.
bool isListNumber(QStringView word)
{
    qsizetype i = 0;
    while (i < word.size() && isAsciiDigit(word[i]))
        ++i;
    if (i == 0 || i > 20)
        return false;
    if (i == word.size())
        return true;
    if (word[i] != u'.')
        return false;
    qsizetype j = i + 1;
    while (j < word.size() && isAsciiDigit(word[j]))
        ++j;
    return j > i + 1 && j == word.size();
}

int monthNumber(QStringView name)
{
    static constexpr char16_t kMonths[12][4] = {u"Jan", u"Feb", u"Mar", u"Apr", u"May", u"Jun",
                                                u"Jul", u"Aug", u"Sep", u"Oct", u"Nov", u"Dec"};
    if (name.size() != 3)
        return 0;
    for (int m = 0; m < 12; ++m) {
        if (name[0] == kMonths[m][0] && name[1] == kMonths[m][1] && name[2] == kMonths[m][2])
            return m + 1;
    }
    return 0;
}

// Where " ->" begins, or -1. Hyphens are rare enough to look for them alone.
qsizetype linkArrow(QStringView text)
{
    for (qsizetype i = find(text, u'-', 1); i >= 0; i = find(text, u'-', i + 1)) {
        if (text[i - 1] == kSpace && i + 1 < text.size() && text[i + 1] == u'>')
            return i - 1;
    }
    return -1;
}

QStringView cutAtLinkArrow(QStringView text)
{
    const qsizetype arrow = linkArrow(text);
    return arrow < 0 ? text : text.first(arrow);
}

// The first `Count` words of a line, split once, with the same rules as ListWord and ListRest.
template <int Count>
class Words
{
public:
    explicit Words(QStringView line)
        : m_line(line)
    {
        const qsizetype length = line.size();
        qsizetype i = 0;
        for (; m_found < Count; ++m_found) {
            const qsizetype start = i;
            while (i < length && line[i] != kSpace)
                ++i;
            if (i >= length)
                return;  // the last word: no space follows it, so it and the rest stay empty
            m_word[m_found] = line.sliced(start, i - start);
            m_end[m_found] = i;
            while (i < length && line[i] == kSpace)
                ++i;
        }
    }
    QStringView operator[](int k) const { return m_word[k]; }

    // ListRest(line, n) without walking the words again.
    QStringView rest(int n) const
    {
        static_assert(Count > 0);
        return n >= 1 && n <= m_found ? cutAtLinkArrow(m_line.sliced(m_end[n - 1] + 1)) : QStringView();
    }

private:
    QStringView m_line;
    QStringView m_word[Count];
    qsizetype m_end[Count] = {};
    int m_found = 0;
};

// Joins words with single spaces without touching the heap.
class Joined
{
public:
    Joined(std::initializer_list<QStringView> parts)
    {
        bool first = true;
        for (QStringView part : parts) {
            if (!first)
                m_text.append(QChar(kSpace));
            m_text.append(part.data(), part.size());
            first = false;
        }
    }
    QStringView view() const { return QStringView(m_text.constData(), m_text.size()); }

private:
    QVarLengthArray<QChar, 64> m_text;
};

// Formatting through QLocale costs more than parsing the whole line, and a listing repeats
// its dates and times: keep the texts of the current default locale. Texts handed out are
// shared, so a repeated date costs no allocation either.
class DateTexts
{
public:
    QString format(const QDate& date, const QTime& time)
    {
        const QLocale locale;
        if (locale != m_locale)
            forget(locale);
        const qint64 day = date.toJulianDay();
        const int minute = time.hour() * 60 + time.minute();
        Slot& full = m_full[quint64(day * 1440 + minute) % kSlots];
        if (full.day == day && full.minute == minute)
            return full.text;
        Slot& datePart = m_dates[quint64(day) % kSlots];
        if (datePart.day != day) {
            datePart.day = day;
            datePart.text = m_locale.toString(date, QLocale::ShortFormat);
        }
        QString& timePart = m_times[minute];
        if (timePart.isEmpty())
            timePart = m_locale.toString(time, QLocale::ShortFormat);
        full.day = day;
        full.minute = minute;
        full.text.clear();
        full.text.reserve(datePart.text.size() + 1 + timePart.size());
        full.text.append(datePart.text).append(QChar(kSpace)).append(timePart);
        return full.text;
    }

private:
    static constexpr qint64 kNoDay = std::numeric_limits<qint64>::min();
    static constexpr int kSlots = 256;
    struct Slot
    {
        qint64 day = kNoDay;
        int minute = 0;
        QString text;
    };

    void forget(const QLocale& locale)
    {
        m_locale = locale;
        for (Slot& slot : m_full)
            slot.day = kNoDay;
        for (Slot& slot : m_dates)
            slot.day = kNoDay;
        for (QString& text : m_times)
            text.clear();
    }

    QLocale m_locale;
    Slot m_full[kSlots];
    Slot m_dates[kSlots];
    QString m_times[24 * 60];
};

QString formatDateTime(const QDate& date, const QTime& time)
{
    static thread_local DateTexts texts;
    return texts.format(date, time);
}

// CMS names are "FILENAME FILETYPE" in two columns.
QString dotted(QStringView name, QStringView type)
{
    QString joined;
    joined.reserve(name.size() + 1 + type.size());
    joined.append(name).append(QChar(u'.')).append(type);
    return joined;
}

QStringView afterFirstSpace(QStringView text)
{
    const qsizetype space = find(text, kSpace);
    return space < 0 ? QStringView() : text.sliced(space + 1);
}

QStringView skipSpaces(QStringView text)
{
    qsizetype i = 0;
    while (i < text.size() && text[i] == kSpace)
        ++i;
    return text.sliced(i);
}

// ls --color output: "ESC[01;34mname ESC[0m".
QStringView stripColour(QStringView name)
{
    if (name.isEmpty() || name[0] != u'\x1b')
        return name;
    const qsizetype m = find(name, u'm');
    if (m < 0)
        return {};
    name = name.sliced(m + 1);
    const qsizetype escape = find(name, u'\x1b');
    // A name whose colour is never reset is kept whole rather than lost.
    return escape < 0 ? name : name.first(escape);
}

template <typename TodayFn>
QString unixDate(QStringView text, const TodayFn& todayFn)
{
    const int day = smallNumber(text.mid(4, 2));
    const int month = monthNumber(text.left(3));
    const qsizetype colon = find(text, u':');
    int year = -1;
    int hour = 0;
    int minute = 0;
    if (colon < 0) {
        year = smallNumber(text.right(4));
    } else {
        hour = smallNumber(text.mid(qMax<qsizetype>(0, colon - 2), qMin<qsizetype>(2, colon)));
        minute = smallNumber(text.mid(colon + 1, 2));
        if (day >= 0 && month > 0) {
            // ls shows a time instead of the year for the last six months.
            const auto today = todayFn();
            year = today.year;
            if (month > today.month || (month == today.month && day > today.day))
                --year;
        }
    }
    const QDate date(year, month, day);
    const QTime time(hour, minute);
    if (year < 0 || day < 0 || month == 0 || !date.isValid() || !time.isValid())
        return text.toString();
    return formatDateTime(date, time);
}

bool typeFromFirstChar(QStringView line, ListEntry& entry)
{
    entry.IsLink = false;
    entry.IsDir = false;
    if (line.isEmpty())
        return false;
    switch (line[0].unicode()) {
    case u'-':
    case u'f':
        return true;
    case u'd':
        entry.IsDir = true;
        return true;
    case u'l':
        entry.IsLink = true;
        return true;
    default:
        return false;
    }
}

bool parseWinNT(QStringView line, ListEntry& entry)
{
    if (contains(line, u"*.*"))
        return false;
    const Words<3> w(line);
    QStringView name = w.rest(3);
    if (w[2].startsWith(u'<') && w[2].endsWith(u'>')) {
        // "<DIR>" is padded to the width of the size column (IIS: ten spaces follow it);
        // as after a size, only spaces beyond that column belong to the name.
        qsizetype padding = kMarkerColumn - 1 - w[2].size();
        while (padding-- > 0 && name.startsWith(QChar(kSpace)))
            name = name.sliced(1);
    }
    if (name.isEmpty())
        return false;
    entry.IsDir = false;
    entry.IsLink = false;
    entry.Owner.clear();
    entry.Date = DosDate(Joined{w[0], w[1]}.view());
    if (w[2] == u"<DIR>") {
        entry.Size = QStringLiteral("0");
        entry.IsDir = true;
    } else {
        entry.Size = w[2].toString();
    }
    entry.Name = name.toString();
    return true;
}

bool parseVm(QStringView line, ListEntry& entry)
{
    const Words<8> w(line);
    entry.Name = dotted(w[0], w[1]);
    entry.Size = w[3].toString();
    entry.Date = Joined{w[6], w[7]}.view().toString();
    entry.IsDir = false;
    return true;
}

bool parseVmVps(QStringView line, ListEntry& entry)
{
    if (find(line, u'=') >= 0 || contains(line, u"totals:") || contains(line, u" rf trks")
        || contains(line, u"track limit"))
        return false;
    const Words<8> w(line);
    entry.Name = dotted(w[0], w[1]);
    entry.Size = w[2].toString();
    entry.Date = Joined{w[7], w[6]}.view().toString();
    entry.IsDir = false;
    return true;
}

}  // namespace

QStringView ListWord(QStringView line, qsizetype n)
{
    if (n < 0)
        return {};
    const qsizetype length = line.size();
    qsizetype i = 0;
    for (qsizetype k = 0;; ++k) {
        const qsizetype start = i;
        while (i < length && line[i] != kSpace)
            ++i;
        if (i >= length)
            return {};
        if (k == n)
            return line.sliced(start, i - start);
        while (i < length && line[i] == kSpace)
            ++i;
    }
}

QStringView ListRest(QStringView line, qsizetype n)
{
    QStringView rest = line;
    for (qsizetype k = 1; k < n && !rest.isEmpty(); ++k)
        rest = skipSpaces(afterFirstSpace(rest));
    return cutAtLinkArrow(afterFirstSpace(rest));
}

QString UnixDate(QStringView text)
{
    return unixDate(text, [] { return TListParser::Day::of(Clock::now().date()); });
}

QString DosDate(QStringView text)
{
    const qsizetype space = find(text, kSpace);
    const QStringView datePart = space < 0 ? text : text.first(space);
    const QStringView timePart = space < 0 ? QStringView() : text.sliced(space + 1);

    // Month-day-year as the servers write it; year-month-day from the ones that use ISO.
    int fields[3] = {-1, -1, -1};
    qsizetype widths[3] = {0, 0, 0};
    qsizetype start = 0;
    for (int f = 0; f < 3; ++f) {
        qsizetype end = start;
        while (end < datePart.size() && datePart[end] != u'-' && datePart[end] != u'/')
            ++end;
        if ((f < 2) != (end < datePart.size()))
            return {};
        widths[f] = end - start;
        fields[f] = smallNumber(datePart.sliced(start, end - start));
        start = end + 1;
    }
    int year, month, day;
    if (widths[0] == 4) {
        year = fields[0], month = fields[1], day = fields[2];
    } else {
        month = fields[0], day = fields[1], year = fields[2];
        if (widths[2] == 2)
            year += year <= 70 ? 2000 : 1900;
        else if (widths[2] != 4)
            return {};
    }

    const qsizetype colon = find(timePart, u':');
    if (colon < 1)
        return {};
    int hour = smallNumber(timePart.first(colon));
    const int minute = smallNumber(timePart.mid(colon + 1, 2));
    const QStringView suffix = timePart.mid(colon + 3).trimmed();
    if (hour < 0 || minute < 0 || timePart.mid(colon + 1, 2).size() != 2)
        return {};
    if (suffix.compare(u"PM", Qt::CaseInsensitive) == 0) {
        if (hour != 12)
            hour += 12;
    } else if (suffix.compare(u"AM", Qt::CaseInsensitive) == 0) {
        if (hour == 12)
            hour = 0;  // 12:05AM is five past midnight
    } else if (!suffix.isEmpty()) {
        return {};
    }
    const QDate date(year, month, day);
    const QTime time(hour, minute);
    if (fields[0] < 0 || fields[1] < 0 || fields[2] < 0 || !date.isValid() || !time.isValid())
        return {};
    return formatDateTime(date, time);
}

char EntryKind(const ListEntry& entry)
{
    return entry.IsDir ? 'd' : entry.IsLink ? 'l' : 'f';
}

bool TListParser::ParseListLine(TFTPServerType serverType, QStringView line, ListEntry& entry)
{
    switch (serverType) {
    case ftpstDefault:
    case ftpstUNIX:
    case ftpstRedhat:
    case ftpstULTRIX:
    case ftpstU5000:
    case ftpstSINTFTPD:
    case ftpstWarFTPD:
        return parseUnix(serverType, line, entry);
    case ftpstWinNT:
        // IIS can list in the UNIX style; those lines carry "owner" and "group" columns. A
        // DOS line opens with its date, whatever its name holds ("owner.txt").
        if (contains(line, u"owner") && (line.isEmpty() || !isAsciiDigit(line[0])))
            return parseUnix(serverType, line, entry);
        return parseWinNT(line, entry);
    case ftpstVmsMultinet:
    case ftpstVmsUcx:
        return parseVms(line, entry);
    case ftpstVM:
        return parseVm(line, entry);
    case ftpstVMVPS:
        return parseVmVps(line, entry);
    case ftpstMacOS:
        return parseMacOS(line, entry);
    case ftpstAutoDetect:
    case ftpstOrvoFTPd:
    case ftpstMVS:
    case ftpstClix:
    case ftpstQVT:
    case ftpstNCSA:
    case ftpstChameleon:
    case ftpstMacFtpd:
        break;
    }
    return false;
}

bool TListParser::parseUnix(TFTPServerType serverType, QStringView line, ListEntry& entry)
{
    if (!typeFromFirstChar(line, entry))
        return false;
    const Words<8> w(line);
    const bool noGroup = w[1].startsWith(u'[') || serverType == ftpstRedhat || !isListNumber(w[4]);
    const int dateWord = noGroup ? 4 : 5;
    const QStringView name = stripColour(w.rest(noGroup ? 7 : 8));
    if (name.isEmpty())
        return false;
    entry.Owner = shared(m_owner, w[2]);
    if (!noGroup)
        entry.Group = shared(m_group, w[3]);
    entry.Size = w[dateWord - 1].toString();
    entry.Date = unixDate(Joined{w[dateWord], w[dateWord + 1], w[dateWord + 2]}.view(),
                          [this] { return today(); });
    entry.Name = name.toString();
    return true;
}

bool TListParser::parseMacOS(QStringView line, ListEntry& entry)
{
    if (!typeFromFirstChar(line, entry))
        return false;
    const Words<7> w(line);
    const bool folder = entry.IsDir || entry.IsLink;
    // NetPresenz writes "folder" or two fork sizes before the size; other Mac servers
    // (WebSTAR) write plain ls lines with owner and group, which that layout would misread.
    if (monthNumber(folder ? w[3] : w[4]) == 0)
        return parseUnix(ftpstMacOS, line, entry);
    const QStringView name = w.rest(folder ? 6 : 7);
    if (name.isEmpty())
        return false;
    entry.Size = w[2].toString();
    const int dateWord = folder ? 3 : 4;
    entry.Date = Joined{w[dateWord], w[dateWord + 1], w[dateWord + 2]}.view().toString();
    entry.Name = name.toString();
    return true;
}

bool TListParser::parseVms(QStringView line, ListEntry& entry)
{
    QString joined;
    if (!m_held.isEmpty()) {
        // The name filled its line; the columns follow on this one.
        joined.reserve(m_held.size() + 1 + line.size());
        joined.append(m_held).append(QChar(kSpace)).append(line);
        m_held.clear();
        line = joined;
    }
    if (find(line, u';') < 0)
        return false;
    QStringView name = ListWord(line, 0);
    if (name.isEmpty()) {
        // Only a line that is the name alone is held; a line opening with spaces is no
        // name at all, and holding it could chain held lines without end.
        if (!line.startsWith(QChar(kSpace)))
            m_held = line.toString();
        return false;
    }
    const qsizetype semicolon = find(name, u';');
    if (semicolon >= 0)
        name = name.first(semicolon);
    // Only the type ".DIR" makes a directory: ODS-5 names may hold more dots and lower case.
    entry.IsDir = name.endsWith(u".DIR", Qt::CaseInsensitive);
    if (entry.IsDir)
        name.chop(4);
    if (name.isEmpty())
        return false;
    const Words<4> w(line);
    entry.Name = name.toString();
    entry.Size = w[1].toString();
    entry.Date = Joined{w[2], w[3]}.view().toString();
    return true;
}

// Owners and groups repeat from line to line: share one text instead of copying each time.
const QString& TListParser::shared(QString& last, QStringView text)
{
    if (last != text)
        last = text.toString();
    return last;
}

const TListParser::Day& TListParser::today()
{
    // Reading the system clock costs more than a line: once a second is enough.
    const qint64 tick = Clock::tickMs();
    if (m_today.year == 0 || tick - m_todayTick >= 1000) {
        m_today = Day::of(Clock::now().date());
        m_todayTick = tick;
    }
    return m_today;
}
