#include "transfers/pendingqueue.h"

#include "platform/core/apperror.h"
#include "platform/core/inifile.h"
#include "platform/core/prompt.h"
#include "session/pathhelpers.h"
#include "session/sessioncontroller.h"
#include "settings/layout.h"

#include <QFile>

PendingQueue::PendingQueue(QString queueFile, IniFile& settings)
    : m_fileName(std::move(queueFile))
    , m_settings(settings)
{
}

bool PendingQueue::fileExists() const
{
    return QFile::exists(m_fileName);
}

QString PendingQueue::site() const
{
    return readQueueSite(*m_settings.read());
}

void PendingQueue::save(const std::vector<QueueEntry>& entries, const QString& site)
{
    const QueueFile::WriteResult written = QueueFile::write(m_fileName, entries);
    if (!written.ok)
        throw AppError(written.error);
    m_settings.edit([&](IniDocument& doc) { writeQueueSite(doc, site); });
}

QueueFile::ReadResult PendingQueue::load() const
{
    return QueueFile::read(m_fileName);
}

void PendingQueue::forgetSite()
{
    m_settings.edit([](IniDocument& doc) { eraseQueue(doc); });
}

void PendingQueue::discard()
{
    forgetSite();
    if (QFile::exists(m_fileName) && !QFile::remove(m_fileName))
        throw AppError(QStringLiteral("Unable to delete ") + m_fileName);
}

PendingQueue::Offer PendingQueue::ask()
{
    Offer offer;
    if (!fileExists()) {
        if (m_settings.sectionExists(QStringLiteral("Queue")))
            forgetSite();
        return offer;
    }
    offer.site = site();
    const Prompt::Button button = prompts().messageBox(
        QStringLiteral("A transfer batch to \"") + offer.site
            + QStringLiteral("\" was not completed.  Do you want to connect and finish the transfer now? "),
        QString::fromLatin1(SessionController::Caption), Prompt::Icon::Information, Prompt::Yes | Prompt::No | Prompt::Cancel);
    switch (button) {
    case Prompt::Yes:
        offer.answer = Answer::Resume;
        offer.loaded = load();
        return offer;
    case Prompt::Cancel:
        forgetSite();
        offer.answer = Answer::Forget;
        return offer;
    default:
        offer.answer = Answer::Later;
        return offer;
    }
}

QString PendingQueue::resumeDirectory(const QueueEntry& first)
{
    const QString& remote = first.remotePath();
    if (remote.startsWith(QLatin1String("~/")) || !remote.startsWith(QLatin1Char('/')))
        return {};
    return DirectoryPart(remote).value_or(QString());
}
