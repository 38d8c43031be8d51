#include "scripting/netrc.h"

#include "session/connectionrequest.h"

#include <QDir>
#include <QFile>
#include <vector>

namespace {

// Reads the words of a netrc file; quoted words keep their blanks, comments are skipped.
class NetrcWords
{
public:
    explicit NetrcWords(const QString& text)
        : m_text(text)
    {
        m_text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    }

    std::optional<QString> next()
    {
        skipBlanksAndComments();
        if (m_pos >= m_text.size())
            return std::nullopt;
        return m_text[m_pos] == QLatin1Char('"') ? quoted() : plain();
    }

    // A macro's body runs to the next empty line and holds no entries.
    void skipMacroBody()
    {
        const qsizetype end = m_text.indexOf(QLatin1String("\n\n"), m_pos);
        m_pos = end < 0 ? m_text.size() : end + 2;
    }

private:
    void skipBlanksAndComments()
    {
        while (m_pos < m_text.size()) {
            if (m_text[m_pos].isSpace()) {
                ++m_pos;
            } else if (m_text[m_pos] == QLatin1Char('#')) {
                while (m_pos < m_text.size() && m_text[m_pos] != QLatin1Char('\n'))
                    ++m_pos;
            } else {
                return;
            }
        }
    }

    QString plain()
    {
        const qsizetype start = m_pos;
        while (m_pos < m_text.size() && !m_text[m_pos].isSpace())
            ++m_pos;
        return m_text.mid(start, m_pos - start);
    }

    QString quoted()
    {
        QString word;
        for (++m_pos; m_pos < m_text.size() && m_text[m_pos] != QLatin1Char('"'); ++m_pos) {
            QChar c = m_text[m_pos];
            if (c == QLatin1Char('\\') && m_pos + 1 < m_text.size()) {
                c = m_text[++m_pos];
                if (c == QLatin1Char('n'))
                    c = QLatin1Char('\n');
                else if (c == QLatin1Char('r'))
                    c = QLatin1Char('\r');
                else if (c == QLatin1Char('t'))
                    c = QLatin1Char('\t');
            }
            word += c;
        }
        ++m_pos;  // the closing quote
        return word;
    }

    QString m_text;
    qsizetype m_pos = 0;
};

struct Candidate
{
    bool isDefault = false;
    QString machine;
    NetrcEntry entry;
};

std::vector<Candidate> netrcEntries(const QString& text)
{
    std::vector<Candidate> entries;
    NetrcWords words(text);
    while (const auto word = words.next()) {
        if (*word == QLatin1String("default")) {
            entries.push_back({true, {}, {}});
            continue;
        }
        const auto value = words.next();
        if (!value)
            break;
        if (*word == QLatin1String("machine"))
            entries.push_back({false, *value, {}});
        else if (*word == QLatin1String("macdef"))
            words.skipMacroBody();
        else if (entries.empty())
            continue;  // stray words before the first entry
        else if (*word == QLatin1String("login"))
            entries.back().entry.login = *value;
        else if (*word == QLatin1String("password"))
            entries.back().entry.password = *value;
        else if (*word == QLatin1String("account"))
            entries.back().entry.account = *value;
    }
    return entries;
}

std::optional<NetrcEntry> firstFitting(const std::vector<Candidate>& entries, bool isDefault, const QString& host,
                                       const QString& user)
{
    for (const Candidate& candidate : entries) {
        if (candidate.isDefault != isDefault)
            continue;
        if (!isDefault && candidate.machine.compare(host, Qt::CaseInsensitive) != 0)
            continue;
        if (!user.isEmpty() && candidate.entry.login != user)
            continue;
        if (candidate.entry.password.isEmpty())
            continue;
        return candidate.entry;
    }
    return std::nullopt;
}

}  // namespace

std::optional<NetrcEntry> LookupNetrc(const QByteArray& content, const QString& host, const QString& user)
{
    const std::vector<Candidate> entries = netrcEntries(QString::fromUtf8(content));
    if (auto found = firstFitting(entries, false, host, user))
        return found;
    return firstFitting(entries, true, host, user);
}

QString NetrcPath()
{
    return QDir::homePath() + QStringLiteral("/.netrc");
}

bool ApplyNetrc(ConnectionRequest& request, const QString& path)
{
    if (!request.password.isEmpty() || request.host.isEmpty())
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const auto entry = LookupNetrc(file.readAll(), request.host, request.user);
    if (!entry)
        return false;
    if (request.user.isEmpty())
        request.user = entry->login;
    request.password = entry->password;
    if (request.account.isEmpty())
        request.account = entry->account;
    return true;
}
