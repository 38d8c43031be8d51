// Real listing lines gathered from other FTP clients' test suites (data/listings/README.md):
// for the families we read, each line those clients take as an entry must give the same
// name, kind and size here, unless listed below as a known difference with its reason.
// No line of any file may crash or hang the parser under any server type.
#include "engine/listparser.h"
#include "platform/core/clock.h"

#include <QFile>
#include <QSet>
#include <QStringList>
#include <functional>
#include <gtest/gtest.h>

namespace {

struct CorpusRow
{
    int row = 0;  // 1-based data row, as provenance.tsv counts
    QString source;
    QByteArray raw;  // unescaped bytes, possibly several physical lines
    QString name, type, size;
};

// The corpus escapes TAB, CR, LF, backslash and bytes that are not UTF-8.
QByteArray unescape(const QByteArray& text)
{
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 >= text.size()) {
            out.append(text[i]);
            continue;
        }
        const char next = text[++i];
        if (next == 't')
            out.append('\t');
        else if (next == 'r')
            out.append('\r');
        else if (next == 'n')
            out.append('\n');
        else if (next == 'x' && i + 2 < text.size()) {
            out.append(char(text.mid(i + 1, 2).toInt(nullptr, 16)));
            i += 2;
        } else
            out.append(next);
    }
    return out;
}

QList<CorpusRow> loadFamily(const QString& file)
{
    QFile f(QStringLiteral(ORVO_LISTING_CORPUS_DIR "/") + file);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QList<CorpusRow> rows;
    const QList<QByteArray> lines = f.readAll().split('\n');
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QList<QByteArray> fields = lines[i].split('\t');
        if (fields.size() < 5)
            continue;
        CorpusRow row;
        row.row = int(i);
        row.source = QString::fromUtf8(fields[0]);
        row.raw = unescape(fields[1]);
        row.name = QString::fromUtf8(unescape(fields[2]));
        row.type = QString::fromUtf8(fields[3]);
        row.size = QString::fromUtf8(fields[4]);
        rows.append(row);
    }
    return rows;
}

// What the data connection hands the parser: lines split at LF, a CR before it dropped,
// decoded as UTF-8, empty lines skipped.
QStringList physicalLines(const QByteArray& raw)
{
    QStringList out;
    for (QByteArray line : raw.split('\n')) {
        line.replace('\0', QByteArray());
        if (line.endsWith('\r'))
            line.chop(1);
        if (!line.isEmpty())
            out.append(QString::fromUtf8(line));
    }
    return out;
}

QList<ListEntry> parseRow(TFTPServerType type, const QByteArray& raw)
{
    TListParser parser;
    QList<ListEntry> entries;
    for (const QString& line : physicalLines(raw)) {
        ListEntry entry;
        if (parser.ParseListLine(type, line, entry))
            entries.append(entry);
    }
    return entries;
}

QString kindWord(const ListEntry& e)
{
    return e.IsDir ? QStringLiteral("dir") : e.IsLink ? QStringLiteral("link") : QStringLiteral("file");
}

enum Field { Entries, Name, Type, Size };

// The fields in which the parse differs from what the peer states.
QList<Field> differences(const CorpusRow& row, const QList<ListEntry>& entries)
{
    if (entries.size() != 1)
        return {Entries};
    const ListEntry& e = entries.first();
    QList<Field> diffs;
    if (!row.name.isEmpty() && e.Name != row.name)
        diffs << Name;
    if (!row.type.isEmpty() && kindWord(e) != row.type)
        diffs << Type;
    // Sizes are text; the views drop thousands separators before reading the number.
    if (!row.size.isEmpty() && QString(e.Size).remove(QLatin1Char(',')) != row.size)
        diffs << Size;
    return diffs;
}

// A known difference explains either whole rows, or one field of the rows of a source for
// which `explains` holds.
struct KnownDifference
{
    QString file;
    const char* reason;
    QList<int> rows;
    QString source;  // empty: any
    Field field;
    std::function<bool(const CorpusRow&, const ListEntry&)> explains;
};

KnownDifference rowsDiffer(const char* file, const char* reason, QList<int> rows)
{
    return {QString::fromLatin1(file), reason, std::move(rows), {}, Entries, {}};
}

KnownDifference fieldDiffers(const char* file, const char* reason, const char* source, Field field,
                             std::function<bool(const CorpusRow&, const ListEntry&)> explains)
{
    return {QString::fromLatin1(file), reason, {}, QString::fromLatin1(source), field, std::move(explains)};
}

const QList<KnownDifference>& knownDifferences()
{
    const auto always = [](const CorpusRow&, const ListEntry&) { return true; };
    static const QList<KnownDifference> list = {
        // --- unix.tsv
        rowsDiffer("unix.tsv", "device nodes: only -, f, d and l begin an entry", {10, 11, 30, 31}),
        rowsDiffer("unix.tsv", "owner or group names holding spaces shift the columns",
                   {41, 42, 49, 54, 72, 200, 577}),
        rowsDiffer("unix.tsv",
                   "dates not written as month name, day and time or year (ISO, numeric, dotted, "
                   "\"Oct 08, 2002 09:47\")",
                   {44, 56, 68, 69, 70, 74, 78, 79, 83, 85, 211, 582, 583}),
        rowsDiffer("unix.tsv", "size with a unit suffix (33.5k)", {71}),
        rowsDiffer("unix.tsv", "octal mode and no date: a layout we do not read", {73}),
        rowsDiffer("unix.tsv", "size run into the group column", {84}),
        rowsDiffer("unix.tsv", "no owner and group columns", {87}),
        rowsDiffer("unix.tsv", "no date columns", {90}),
        rowsDiffer("unix.tsv", "NetPresenz layout (\"folder\" column): read under the MacOS server type",
                   {127, 128, 199, 574}),
        rowsDiffer("unix.tsv", "negative size: a number is digits only", {567}),
        rowsDiffer("unix.tsv", "mode column of Plan 9 or garbage: the first character decides",
                   {580, 587, 588, 589}),
        fieldDiffers("unix.tsv",
                     "jlaffaye/ftp gives 0 for directories and links; we keep the listed number, "
                     "as the other clients do",
                     "jlaffaye-ftp", Size,
                     [](const CorpusRow& r, const ListEntry& e) {
                         return r.size == u"0" && (e.IsDir || e.IsLink);
                     }),
        fieldDiffers("unix.tsv", "leading spaces: indentation from the peer's test source, not a server",
                     "", Entries, [](const CorpusRow& r, const ListEntry&) { return r.raw.startsWith(' '); }),
        fieldDiffers("unix.tsv", "a line feed inside the name: the data connection ends the line there",
                     "", Name, [](const CorpusRow& r, const ListEntry&) { return r.raw.contains('\n'); }),
        // --- nt.tsv
        rowsDiffer("nt.tsv",
                   "\"<DIR>\" is padded to its column with ten spaces; an eleventh belongs to the "
                   "name, as after a file's size",
                   {26, 30}),
        rowsDiffer("nt.tsv", "AM or PM as a word of its own shifts the columns", {85, 86}),
        rowsDiffer("nt.tsv", "junctions are not read as links", {145, 146}),
        // --- vms.tsv
        fieldDiffers("vms.tsv", "sizes stay the server's text, in blocks (used/allocated); the peers convert",
                     "", Size, always),
        fieldDiffers("vms.tsv", "chromium lower-cases VMS names", "chromium", Name,
                     [](const CorpusRow& r, const ListEntry& e) { return e.Name.toLower() == r.name; }),
        fieldDiffers("vms.tsv", "FileZilla keeps the version of files", "filezilla", Name,
                     [](const CorpusRow& r, const ListEntry& e) {
                         return r.name.startsWith(e.Name + QLatin1Char(';'));
                     }),
        fieldDiffers("vms.tsv", "commons-net keeps the .DIR of directories", "commons-net", Name,
                     [](const CorpusRow& r, const ListEntry& e) {
                         return e.Name + QStringLiteral(".DIR") == r.name;
                     }),
        rowsDiffer("vms.tsv", "columns in another order", {33, 34}),
        rowsDiffer("vms.tsv", "names without a version (;n): the layout is told by it", {62, 63}),
        rowsDiffer("vms.tsv", "a directory prefix ([A.DIR]) stays in the name", {64}),
        // --- vm.tsv
        rowsDiffer("vm.tsv", "the size column is the record length; FileZilla multiplies it by the records",
                   {1}),
        rowsDiffer("vm.tsv", "directories (DIR) are not read; row 9's file-mode column shifts the name",
                   {9, 12, 13, 14, 15}),
        // --- macos.tsv
        rowsDiffer("macos.tsv", "NetPresenz: we take the data-fork column, the peers the total", {13, 14}),
    };
    return list;
}

struct Family
{
    QString file;
    TFTPServerType type;
};

void PrintTo(const Family& family, std::ostream* out)
{
    *out << family.file.toStdString();
}

class ListingCorpus : public ::testing::TestWithParam<Family>
{
protected:
    void SetUp() override
    {
        Clock::setSource([] { return QDateTime(QDate(2024, 6, 15), QTime(12, 0)); });
    }
    void TearDown() override { Clock::setSource({}); }
};

const char* fieldName(Field f)
{
    static const char* names[] = {"entry count", "name", "type", "size"};
    return names[f];
}

}  // namespace

TEST_P(ListingCorpus, PeerEntriesParseAlikeExceptKnownDifferences)
{
    const Family family = GetParam();
    const QList<CorpusRow> rows = loadFamily(family.file);
    ASSERT_FALSE(rows.isEmpty()) << "corpus file missing: " << family.file.toStdString();

    QSet<const KnownDifference*> used;
    for (const CorpusRow& row : rows) {
        const QList<ListEntry> entries = parseRow(family.type, row.raw);
        const QList<Field> diffs = differences(row, entries);
        const KnownDifference* rowRule = nullptr;
        for (const KnownDifference& known : knownDifferences()) {
            if (known.file == family.file && known.rows.contains(row.row))
                rowRule = &known;
        }
        if (rowRule) {
            used.insert(rowRule);
            EXPECT_FALSE(diffs.isEmpty()) << family.file.toStdString() << " row " << row.row
                                          << " now parses alike; drop it from the known differences";
            continue;
        }
        for (Field field : diffs) {
            const KnownDifference* rule = nullptr;
            for (const KnownDifference& known : knownDifferences()) {
                if (known.file == family.file && known.rows.isEmpty() && known.field == field
                    && (known.source.isEmpty() || known.source == row.source)
                    && known.explains(row, entries.value(0)))
                    rule = &known;
            }
            if (rule) {
                used.insert(rule);
                continue;
            }
            const ListEntry e = entries.value(0);
            ADD_FAILURE() << family.file.toStdString() << " row " << row.row << " ["
                          << row.source.toStdString() << "]: " << fieldName(field) << " differs"
                          << "\n  line: " << row.raw.toStdString() << "\n  want: \""
                          << row.name.toStdString() << "\" " << row.type.toStdString() << " "
                          << row.size.toStdString() << "\n  got:  " << entries.size() << " entries, \""
                          << e.Name.toStdString() << "\" " << kindWord(e).toStdString() << " "
                          << e.Size.toStdString();
        }
    }
    for (const KnownDifference& known : knownDifferences()) {
        if (known.file == family.file) {
            EXPECT_TRUE(used.contains(&known)) << "stale known difference: " << known.reason;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Families, ListingCorpus,
                         ::testing::Values(Family{QStringLiteral("unix.tsv"), ftpstUNIX},
                                           Family{QStringLiteral("nt.tsv"), ftpstWinNT},
                                           Family{QStringLiteral("vms.tsv"), ftpstVmsMultinet},
                                           Family{QStringLiteral("vm.tsv"), ftpstVM},
                                           Family{QStringLiteral("macos.tsv"), ftpstMacOS}),
                         [](const auto& param) { return param.param.file.section(u'.', 0, 0).toStdString(); });

TEST(ListingCorpusRobustness, MvsDatasetsAreNeverEntries)
{
    const QList<CorpusRow> rows = loadFamily(QStringLiteral("mvs.tsv"));
    ASSERT_FALSE(rows.isEmpty());
    for (const CorpusRow& row : rows)
        EXPECT_TRUE(parseRow(ftpstMVS, row.raw).isEmpty()) << row.raw.toStdString();
}

TEST(ListingCorpusRobustness, EveryLineOfEveryFileUnderEveryServerTypeParsesSafely)
{
    // One parser per type reads all lines in a row, so held VMS names meet every kind of
    // following line. Sanitizer and fuzz builds run this too; here it guards against crashes,
    // hangs (the suite's time-out) and entries without a name.
    QList<QByteArray> lines;
    const QStringList files = {"unix.tsv", "nt.tsv", "vms.tsv", "vm.tsv", "macos.tsv",
                               "mvs.tsv", "other.tsv", "rejects.tsv"};
    for (const QString& file : files) {
        QFile f(QStringLiteral(ORVO_LISTING_CORPUS_DIR "/") + file);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << file.toStdString();
        for (const QByteArray& row : f.readAll().split('\n')) {
            for (const QByteArray& field : row.split('\t'))
                lines.append(unescape(field));  // every field: odd texts make good input too
        }
    }
    ASSERT_GT(lines.size(), 5000);
    for (int type = 0; type <= 21; ++type) {
        TListParser parser;
        for (const QByteArray& raw : lines) {
            for (const QString& line : physicalLines(raw)) {
                ListEntry entry;
                if (!parser.ParseListLine(TFTPServerType(type), line, entry))
                    continue;
                EXPECT_FALSE(entry.Name.isEmpty()) << "type " << type << ": " << line.toStdString();
            }
        }
    }
}
