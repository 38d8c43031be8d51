#include "settings/scramble.h"

#include "platform/core/apperror.h"

#include <QRandomGenerator>

std::optional<QString> passwordProblem(const QString& password)
{
    for (const QChar c : password) {
        if (c.category() == QChar::Other_Control)
            return QStringLiteral("Passwords cannot contain control characters.");
    }
    if (password.toUtf8().size() > MaxPasswordBytes)
        return QStringLiteral("Passwords cannot be longer than %1 bytes.").arg(MaxPasswordBytes);
    return std::nullopt;
}

QByteArray ScramblePassword(const QString& password)
{
    if (const std::optional<QString> problem = passwordProblem(password))
        throw AppError(*problem);
    const QByteArray plain = password.toUtf8();
    QByteArray stored;
    stored.reserve(2 * plain.size() + 1);
    stored += ScrambleMarker;
    QRandomGenerator* random = QRandomGenerator::global();
    for (const char byte : plain) {
        stored += char(quint8(quint8(byte) + ScrambleOffset));
        stored += char(random->bounded(50, 100));
    }
    return stored;
}

QString UnscramblePassword(const QByteArray& stored)
{
    QByteArray plain;
    plain.reserve(stored.size() / 2);
    for (qsizetype i = 1; i < stored.size(); i += 2)
        plain += char(quint8(quint8(stored.at(i)) - ScrambleOffset));
    return QString::fromUtf8(plain);
}

bool IsScrambled(const QByteArray& stored)
{
    return !stored.isEmpty() && stored.front() == ScrambleMarker;
}

QString StoredPassword(const QByteArray& stored)
{
    return IsScrambled(stored) ? UnscramblePassword(stored) : QString::fromUtf8(stored);
}
