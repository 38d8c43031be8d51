#include "dialup/dialupservice.h"

#include "dialup/nmcliservice.h"

#include <QCoreApplication>
#include <QPointer>

namespace {

DialupService* installedService = nullptr;

}  // namespace

DialupResult DialupResult::failure(Kind kind, int error, const QString& text)
{
    DialupResult result;
    result.kind = kind;
    result.error = error;
    result.text = text.left(100);
    return result;
}

void DialupService::noteDialled(const QString& uuid)
{
    if (!uuid.isEmpty())
        m_dialled.insert(uuid);
}

bool DialupService::isDialupType(const QString& type)
{
    return type == QLatin1String("gsm") || type == QLatin1String("cdma") || type == QLatin1String("pppoe")
           || type == QLatin1String("bluetooth");
}

bool DialupService::isDialup(const DialupConnection& connection) const
{
    return isDialupType(connection.type) || m_dialled.contains(connection.uuid);
}

DialupService& DialupService::shared()
{
    if (installedService)
        return *installedService;
    // Created once and kept: short-lived dial-up components must not look the service up
    // again on every reconnect tick. It goes with the application, before Qt does.
    static QPointer<NmcliService> system;
    if (!system)
        system = new NmcliService(QStringLiteral("nmcli"), QCoreApplication::instance());
    return *system;
}

void DialupService::setShared(DialupService* service)
{
    installedService = service;
}
