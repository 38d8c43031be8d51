#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

// The contents of one INI file with the semantics of the classic private-profile functions:
// section and key names match without regard to case, the first occurrence of a section or
// key is the one that counts, values are seen up to 1,023 bytes, integers are decimal or
// "0x" hexadecimal, booleans are "1" and "0", and numbered lists (`h1`, `h2`, ...) end at
// the first missing or empty key. Lines the program does not understand (comments, blank
// lines, stray text) are kept as they are; a changed key keeps its place in the file.
//
// Values are byte strings so that scrambled passwords survive unchanged. Around a value,
// blanks are not significant when reading (hand-edited "Key = value" works) and one pair of
// matching quotes is removed; the writer quotes exactly the values that would otherwise
// lose something, so every value without a line break reads back as written.
//
// Editing functions throw IniError when a name or value cannot be stored (a line break,
// a "]" in a section name, ...); nothing is changed then.
class IniDocument
{
public:
    static constexpr int MaxValueLength = 1023;

    IniDocument() = default;
    static IniDocument parse(const QByteArray& data);
    QByteArray serialize() const;

    // --- Reading ------------------------------------------------------------------------------
    bool sectionExists(const QString& section) const;
    bool valueExists(const QString& section, const QString& key) const;
    QStringList sections() const;                       // first occurrences, in file order
    QStringList sectionKeys(const QString& section) const;  // as spelled in the file

    // The stored value cut to MaxValueLength bytes; `def` when the key is missing.
    QByteArray readBytes(const QString& section, const QString& key, const QByteArray& def = {}) const;
    // UTF-8 text (a file in a single-byte code page reads as Latin-1), cut to at most
    // MaxValueLength bytes without splitting a character.
    QString readString(const QString& section, const QString& key, const QString& def = {}) const;
    // Decimal, or hexadecimal after "0x"/"0X"; empty, malformed or out-of-range text gives `def`.
    int readInteger(const QString& section, const QString& key, int def) const;
    bool readBool(const QString& section, const QString& key, bool def) const;
    // prefix1, prefix2, ... up to the first missing or empty one.
    QStringList readList(const QString& section, const QString& prefix) const;

    // --- Editing ------------------------------------------------------------------------------
    void writeBytes(const QString& section, const QString& key, const QByteArray& value);
    void writeString(const QString& section, const QString& key, const QString& value);
    void writeInteger(const QString& section, const QString& key, int value);
    void writeBool(const QString& section, const QString& key, bool value);
    void deleteKey(const QString& section, const QString& key);
    // Removes every occurrence of the section with all its lines.
    void eraseSection(const QString& section);
    // Erases the section and writes prefix1..prefixN; empty entries are left out, since
    // they would end the list for the reader.
    void writeList(const QString& section, const QString& prefix, const QStringList& entries);

    // The value conversions, public for the callers that store numbers as text.
    static std::optional<int> parseInteger(const QByteArray& text);
    static QString decodeText(const QByteArray& value);

private:
    struct Line {
        enum Kind : quint8 { Other, Section, Key };
        QByteArray text;  // the raw line without its line break
        Kind kind = Other;
        QString name;      // section or key name, trimmed
        QByteArray value;  // key value, unquoted, not yet cut
    };
    struct SectionSpan {
        int header = 0;
        int end = 0;  // one past the last line that belongs to the section
        QHash<QString, int> keys;  // folded key name -> line of its first occurrence
    };

    static Line parseLine(const QByteArray& raw);
    static QByteArray encodeValue(const QByteArray& value);
    static QString fold(const QString& name) { return name.toCaseFolded(); }
    void reindex();
    const SectionSpan* span(const QString& section) const;
    const Line* keyLine(const QString& section, const QString& key) const;
    QString checkedSection(const QString& section) const;
    QString checkedKey(const QString& key) const;

    std::vector<Line> m_lines;
    std::vector<SectionSpan> m_spans;      // in file order, duplicates included
    QHash<QString, int> m_firstSpan;       // folded section name -> index into m_spans
    bool m_crlf = false;
    bool m_bom = false;
};
