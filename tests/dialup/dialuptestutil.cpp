#include "dialuptestutil.h"

#include "testutil.h"

#include <QFile>
#include <QJsonDocument>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

void Transcript::attach(TTapi& tapi)
{
    tapi.OnNotify = [this](int error, const QString& text) { lines << QStringLiteral("notify %1 %2").arg(error).arg(text); };
    tapi.OnConnect = [this] { lines << QStringLiteral("connect"); };
    tapi.OnConnectFail = [this](int error, const QString& text) { lines << QStringLiteral("fail %1 %2").arg(error).arg(text); };
    tapi.OnDisconnect = [this](int error, const QString& text) {
        lines << QStringLiteral("disconnect %1 %2").arg(error).arg(text);
    };
    tapi.OnMessage = [this](const QString& text) { lines << QStringLiteral("message ") + text; };
}

int Transcript::count(const QString& prefix) const
{
    return static_cast<int>(std::count_if(lines.begin(), lines.end(), [&](const QString& line) {
        return line == prefix || line.startsWith(prefix + QLatin1Char(' '));
    }));
}

FakeNmcli::FakeNmcli()
    : m_state(m_dir.filePath(QStringLiteral("state.json"))), m_log(m_dir.filePath(QStringLiteral("calls.log")))
{
    testutil::writeFile(m_state, "{\"profiles\": [], \"active\": []}");
    qputenv("FAKE_NMCLI_STATE", m_state.toLocal8Bit());
    qputenv("FAKE_NMCLI_LOG", m_log.toLocal8Bit());
}

FakeNmcli::~FakeNmcli()
{
    qunsetenv("FAKE_NMCLI_STATE");
    qunsetenv("FAKE_NMCLI_LOG");
}

QString FakeNmcli::program()
{
    return testutil::supportDir() + QStringLiteral("/fake-nmcli");
}

QJsonObject FakeNmcli::profile(const QString& name, const QString& uuid, const QString& type, const QString& device,
                               const QJsonObject& settings)
{
    return QJsonObject{{"name", name}, {"uuid", uuid}, {"type", type}, {"device", device}, {"settings", settings}};
}

void FakeNmcli::update(const std::function<void(QJsonObject&)>& change)
{
    const int fd = ::open(m_state.toLocal8Bit().constData(), O_RDWR);
    ASSERT_GE(fd, 0);
    ::flock(fd, LOCK_EX);
    QFile file;
    ASSERT_TRUE(file.open(fd, QIODevice::ReadWrite));
    QJsonObject state = QJsonDocument::fromJson(file.readAll()).object();
    change(state);
    const QByteArray data = QJsonDocument(state).toJson(QJsonDocument::Compact);
    file.seek(0);
    file.write(data);
    file.flush();
    ASSERT_EQ(::ftruncate(fd, data.size()), 0);
    file.close();
    ::close(fd);  // also releases the lock
}

QJsonObject FakeNmcli::state()
{
    QJsonObject copy;
    update([&](QJsonObject& state) { copy = state; });
    return copy;
}

void FakeNmcli::addProfile(const QJsonObject& profile, bool active)
{
    update([&](QJsonObject& state) {
        QJsonArray profiles = state.value("profiles").toArray();
        profiles.append(profile);
        state["profiles"] = profiles;
        if (active) {
            QJsonArray records = state.value("active").toArray();
            records.append(QJsonObject{{"uuid", profile.value("uuid")}, {"state", "activated"}});
            state["active"] = records;
        }
    });
}

QList<FakeNmcli::Call> FakeNmcli::calls() const
{
    QList<Call> calls;
    for (const QByteArray& line : testutil::readFile(m_log).split('\n')) {
        if (line.isEmpty())
            continue;
        const QJsonObject call = QJsonDocument::fromJson(line).object();
        Call entry;
        for (const QJsonValue& arg : call.value("argv").toArray())
            entry.argv << arg.toString();
        entry.lcAll = call.value("lc_all").toString();
        calls << entry;
    }
    return calls;
}

QList<QStringList> FakeNmcli::callsWith(const QString& word) const
{
    QList<QStringList> found;
    for (const Call& call : calls()) {
        if (call.argv.contains(word))
            found << call.argv;
    }
    return found;
}
