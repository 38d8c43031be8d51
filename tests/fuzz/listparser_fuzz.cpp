// Listing lines from a hostile or broken server: every server type reads every line of the
// input in order (so held VMS names meet what follows), and the word and date helpers read
// each line too. Any crash, sanitizer report or broken invariant stops the run.
//   build-fuzz/tests/fuzz/listparser_fuzz -dict=tests/fuzz/listparser.dict CORPUS_DIR
#include "engine/listparser.h"
#include "platform/core/clock.h"

#include <QByteArray>
#include <QLocale>
#include <QStringList>
#include <cstdint>
#include <cstdlib>

namespace {

// The lines the data connection would hand over: split at LF, CR before it and NULs dropped.
QStringList linesOf(const uint8_t* data, size_t size)
{
    QStringList lines;
    QByteArray line;
    for (size_t i = 0; i <= size; ++i) {
        if (i == size || data[i] == '\n') {
            if (line.endsWith('\r'))
                line.chop(1);
            if (!line.isEmpty())
                lines.append(QString::fromUtf8(line));
            line.clear();
        } else if (data[i] != '\0') {
            line.append(char(data[i]));
        }
    }
    return lines;
}

void check(bool condition)
{
    if (!condition)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool ready = [] {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        // A leap day makes "Feb 29" without a year valid this year and not the last.
        Clock::setSource([] { return QDateTime(QDate(2024, 2, 29), QTime(12, 0)); });
        return true;
    }();
    (void)ready;

    const QStringList lines = linesOf(data, size);
    for (int type = 0; type <= 21; ++type) {
        TListParser parser;
        for (const QString& line : lines) {
            ListEntry entry;
            if (parser.ParseListLine(TFTPServerType(type), line, entry))
                check(!entry.Name.isEmpty());
        }
    }
    for (const QString& line : lines) {
        for (int n = 0; n < 10; ++n) {
            check(!ListWord(line, n).contains(u' '));
            check(ListRest(line, n).size() <= line.size());
        }
        (void)UnixDate(line);
        (void)DosDate(line);
    }
    return 0;
}
