#include "platform/core/inidocument.h"

#include "platform/core/apperror.h"

#include <QStringDecoder>
#include <algorithm>
#include <limits>

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\v' || c == '\f';
}

bool isQuote(char c)
{
    return c == '"' || c == '\'';
}

bool hasLineBreakOrNul(const QByteArray& text)
{
    return text.contains('\n') || text.contains('\r') || text.contains('\0');
}

QByteArray unquoted(const QByteArray& value)
{
    if (value.size() >= 2 && isQuote(value.front()) && value.back() == value.front())
        return value.mid(1, value.size() - 2);
    return value;
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

[[noreturn]] void refuse(const QString& text)
{
    throw IniError(text, QString());
}

}  // namespace

// --- Parsing and writing out ------------------------------------------------------------------

IniDocument IniDocument::parse(const QByteArray& data)
{
    IniDocument doc;
    QByteArray body = data;
    if (body.startsWith("\xEF\xBB\xBF")) {
        doc.m_bom = true;
        body.remove(0, 3);
    }
    const qsizetype firstBreak = body.indexOf('\n');
    doc.m_crlf = firstBreak > 0 && body.at(firstBreak - 1) == '\r';

    qsizetype start = 0;
    while (start < body.size()) {
        qsizetype end = body.indexOf('\n', start);
        if (end < 0)
            end = body.size();
        QByteArray raw = body.mid(start, end - start);
        if (raw.endsWith('\r'))
            raw.chop(1);
        doc.m_lines.push_back(parseLine(raw));
        start = end + 1;
    }
    doc.reindex();
    return doc;
}

IniDocument::Line IniDocument::parseLine(const QByteArray& raw)
{
    Line line;
    line.text = raw;
    const QByteArray t = raw.trimmed();
    if (t.isEmpty() || t.front() == ';')
        return line;
    if (t.front() == '[') {
        const qsizetype close = t.indexOf(']');
        line.kind = Line::Section;
        line.name = decodeText(t.mid(1, close < 0 ? -1 : close - 1).trimmed());
        return line;
    }
    const qsizetype eq = t.indexOf('=');
    if (eq <= 0)
        return line;
    const QByteArray name = t.left(eq).trimmed();
    if (name.isEmpty())
        return line;
    line.kind = Line::Key;
    line.name = decodeText(name);
    line.value = unquoted(t.mid(eq + 1).trimmed());
    return line;
}

QByteArray IniDocument::serialize() const
{
    const QByteArray eol = m_crlf ? QByteArrayLiteral("\r\n") : QByteArrayLiteral("\n");
    QByteArray out;
    if (m_bom)
        out += "\xEF\xBB\xBF";
    for (const Line& line : m_lines) {
        out += line.text;
        out += eol;
    }
    return out;
}

void IniDocument::reindex()
{
    m_spans.clear();
    m_firstSpan.clear();
    for (int i = 0; i < int(m_lines.size()); ++i) {
        if (m_lines[size_t(i)].kind != Line::Section)
            continue;
        if (!m_spans.empty())
            m_spans.back().end = i;
        m_spans.push_back(SectionSpan{i, int(m_lines.size()), {}});
    }
    // The first occurrence of a section and of a key is the one that counts.
    for (int s = 0; s < int(m_spans.size()); ++s) {
        SectionSpan& sp = m_spans[size_t(s)];
        const QString name = fold(m_lines[size_t(sp.header)].name);
        if (m_firstSpan.contains(name))
            continue;
        m_firstSpan.insert(name, s);
        for (int i = sp.header + 1; i < sp.end; ++i) {
            const Line& line = m_lines[size_t(i)];
            if (line.kind == Line::Key && !sp.keys.contains(fold(line.name)))
                sp.keys.insert(fold(line.name), i);
        }
    }
}

// --- Reading ----------------------------------------------------------------------------------

const IniDocument::SectionSpan* IniDocument::span(const QString& section) const
{
    const auto it = m_firstSpan.constFind(fold(section.trimmed()));
    return it == m_firstSpan.constEnd() ? nullptr : &m_spans[size_t(*it)];
}

const IniDocument::Line* IniDocument::keyLine(const QString& section, const QString& key) const
{
    const SectionSpan* sp = span(section);
    if (!sp)
        return nullptr;
    const auto it = sp->keys.constFind(fold(key.trimmed()));
    return it == sp->keys.constEnd() ? nullptr : &m_lines[size_t(*it)];
}

bool IniDocument::sectionExists(const QString& section) const
{
    return span(section) != nullptr;
}

bool IniDocument::valueExists(const QString& section, const QString& key) const
{
    return keyLine(section, key) != nullptr;
}

QStringList IniDocument::sections() const
{
    QStringList names;
    for (int s = 0; s < int(m_spans.size()); ++s) {
        const QString& name = m_lines[size_t(m_spans[size_t(s)].header)].name;
        if (m_firstSpan.value(fold(name)) == s)
            names << name;
    }
    return names;
}

QStringList IniDocument::sectionKeys(const QString& section) const
{
    QStringList names;
    const SectionSpan* sp = span(section);
    if (!sp)
        return names;
    for (int i = sp->header + 1; i < sp->end; ++i) {
        const Line& line = m_lines[size_t(i)];
        if (line.kind == Line::Key && sp->keys.value(fold(line.name)) == i)
            names << line.name;
    }
    return names;
}

QByteArray IniDocument::readBytes(const QString& section, const QString& key, const QByteArray& def) const
{
    const Line* line = keyLine(section, key);
    return line ? line->value.left(MaxValueLength) : def;
}

QString IniDocument::readString(const QString& section, const QString& key, const QString& def) const
{
    const Line* line = keyLine(section, key);
    if (!line)
        return def;
    const QByteArray& value = line->value;
    qsizetype cut = std::min<qsizetype>(value.size(), MaxValueLength);
    if (cut < value.size()) {
        // Do not split a UTF-8 sequence: step back to the start of the cut character.
        while (cut > 0 && (quint8(value.at(cut)) & 0xC0) == 0x80)
            --cut;
    }
    return decodeText(value.left(cut));
}

QString IniDocument::decodeText(const QByteArray& value)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringConverter::Flag::Stateless);
    QString text = utf8(value);
    if (utf8.hasError())
        return QString::fromLatin1(value);  // a file carried over from a single-byte code page
    return text;
}

std::optional<int> IniDocument::parseInteger(const QByteArray& text)
{
    const QByteArray t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    if (t.size() > 2 && t.at(0) == '0' && (t.at(1) == 'x' || t.at(1) == 'X')) {
        quint64 value = 0;
        for (qsizetype i = 2; i < t.size(); ++i) {
            const int digit = hexDigit(t.at(i));
            if (digit < 0)
                return std::nullopt;
            value = value * 16 + quint64(digit);
            if (value > 0xFFFFFFFFu)
                return std::nullopt;
        }
        return int(qint32(quint32(value)));  // 32-bit pattern, so 0xFFFFFFFF is -1
    }
    qsizetype i = 0;
    const bool negative = t.at(0) == '-';
    if (t.at(0) == '-' || t.at(0) == '+')
        ++i;
    if (i == t.size())
        return std::nullopt;
    qint64 value = 0;
    for (; i < t.size(); ++i) {
        const char c = t.at(i);
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
        if (value > qint64(std::numeric_limits<qint32>::max()) + 1)
            return std::nullopt;
    }
    if (negative)
        value = -value;
    if (value > std::numeric_limits<qint32>::max() || value < std::numeric_limits<qint32>::min())
        return std::nullopt;
    return int(value);
}

int IniDocument::readInteger(const QString& section, const QString& key, int def) const
{
    const Line* line = keyLine(section, key);
    if (!line)
        return def;
    return parseInteger(line->value.left(MaxValueLength)).value_or(def);
}

bool IniDocument::readBool(const QString& section, const QString& key, bool def) const
{
    return readInteger(section, key, def ? 1 : 0) != 0;
}

QStringList IniDocument::readList(const QString& section, const QString& prefix) const
{
    QStringList entries;
    if (!span(section))
        return entries;
    for (int n = 1;; ++n) {
        const QString entry = readString(section, prefix + QString::number(n));
        if (entry.isEmpty())
            break;
        entries << entry;
    }
    return entries;
}

// --- Editing ----------------------------------------------------------------------------------

QString IniDocument::checkedSection(const QString& section) const
{
    const QString name = section.trimmed();
    if (name.isEmpty() || name.contains(QLatin1Char(']')) || hasLineBreakOrNul(name.toUtf8()))
        refuse(QStringLiteral("\"%1\" cannot be used as a section name.").arg(section));
    return name;
}

QString IniDocument::checkedKey(const QString& key) const
{
    const QString name = key.trimmed();
    if (name.isEmpty() || name.contains(QLatin1Char('=')) || name.startsWith(QLatin1Char('['))
        || name.startsWith(QLatin1Char(';')) || hasLineBreakOrNul(name.toUtf8()))
        refuse(QStringLiteral("\"%1\" cannot be used as a key name.").arg(key));
    return name;
}

QByteArray IniDocument::encodeValue(const QByteArray& value)
{
    if (value.isEmpty())
        return value;
    const bool quote = isBlank(value.front()) || isBlank(value.back())
                       || (value.size() >= 2 && isQuote(value.front()) && value.back() == value.front());
    return quote ? '"' + value + '"' : value;
}

void IniDocument::writeBytes(const QString& section, const QString& key, const QByteArray& value)
{
    const QString sectionName = checkedSection(section);
    const QString keyName = checkedKey(key);
    if (hasLineBreakOrNul(value))
        refuse(QStringLiteral("The value of \"%1\" in [%2] holds a line break and cannot be stored.")
                   .arg(keyName, sectionName));

    Line line;
    line.kind = Line::Key;
    line.value = value;
    if (const Line* existing = keyLine(sectionName, keyName)) {
        line.name = existing->name;
        line.text = line.name.toUtf8() + '=' + encodeValue(value);
        m_lines[size_t(existing - m_lines.data())] = line;
        return;  // a replaced line changes no index
    }
    line.name = keyName;
    line.text = keyName.toUtf8() + '=' + encodeValue(value);
    if (const SectionSpan* sp = span(sectionName)) {
        int at = sp->end;
        while (at - 1 > sp->header && m_lines[size_t(at - 1)].text.trimmed().isEmpty())
            --at;
        m_lines.insert(m_lines.begin() + at, line);
    } else {
        if (!m_lines.empty() && !m_lines.back().text.trimmed().isEmpty())
            m_lines.push_back(Line{});
        m_lines.push_back(parseLine('[' + sectionName.toUtf8() + ']'));
        m_lines.push_back(line);
    }
    reindex();
}

void IniDocument::writeString(const QString& section, const QString& key, const QString& value)
{
    writeBytes(section, key, value.toUtf8());
}

void IniDocument::writeInteger(const QString& section, const QString& key, int value)
{
    writeBytes(section, key, QByteArray::number(value));
}

void IniDocument::writeBool(const QString& section, const QString& key, bool value)
{
    writeBytes(section, key, value ? QByteArrayLiteral("1") : QByteArrayLiteral("0"));
}

void IniDocument::deleteKey(const QString& section, const QString& key)
{
    const SectionSpan* sp = span(section);
    if (!sp)
        return;
    // Every occurrence in the section, so that no duplicate surfaces in its place.
    const QString folded = fold(key.trimmed());
    const auto first = m_lines.begin() + sp->header + 1;
    const auto last = m_lines.begin() + sp->end;
    const auto removed = std::remove_if(first, last, [&](const Line& l) {
        return l.kind == Line::Key && fold(l.name) == folded;
    });
    if (removed == last)
        return;
    m_lines.erase(removed, last);
    reindex();
}

void IniDocument::eraseSection(const QString& section)
{
    const QString folded = fold(section.trimmed());
    bool changed = false;
    for (int s = int(m_spans.size()) - 1; s >= 0; --s) {
        const SectionSpan& sp = m_spans[size_t(s)];
        if (fold(m_lines[size_t(sp.header)].name) != folded)
            continue;
        m_lines.erase(m_lines.begin() + sp.header, m_lines.begin() + sp.end);
        changed = true;
    }
    if (changed)
        reindex();
}

void IniDocument::writeList(const QString& section, const QString& prefix, const QStringList& entries)
{
    const QString sectionName = checkedSection(section);
    std::vector<Line> lines;
    int n = 0;
    for (const QString& entry : entries) {
        if (entry.isEmpty())
            continue;
        const QByteArray value = entry.toUtf8();
        const QString key = checkedKey(prefix + QString::number(++n));
        if (hasLineBreakOrNul(value))
            refuse(QStringLiteral("The value of \"%1\" in [%2] holds a line break and cannot be stored.")
                       .arg(key, sectionName));
        Line line;
        line.kind = Line::Key;
        line.name = key;
        line.value = value;
        line.text = key.toUtf8() + '=' + encodeValue(value);
        lines.push_back(std::move(line));
    }
    eraseSection(sectionName);
    if (lines.empty())
        return;
    if (!m_lines.empty() && !m_lines.back().text.trimmed().isEmpty())
        m_lines.push_back(Line{});
    m_lines.push_back(parseLine('[' + sectionName.toUtf8() + ']'));
    m_lines.insert(m_lines.end(), lines.begin(), lines.end());
    reindex();
}
