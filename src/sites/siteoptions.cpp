#include "sites/siteoptions.h"

#include "platform/core/apperror.h"
#include "platform/core/inidocument.h"

namespace {

constexpr int ServerTypeCount = 20;

TriState triState(QChar c)
{
    if (c == QLatin1Char('0'))
        return TriState::Global;
    if (c == QLatin1Char('1'))
        return TriState::On;
    return TriState::Off;
}

QChar triStateChar(TriState state)
{
    return QLatin1Char(char('0' + int(state)));
}

[[noreturn]] void damaged(const QString& text, const QString& what)
{
    throw AppError(QStringLiteral("The site options \"%1\" are damaged: %2 is not a number.").arg(text, what));
}

}  // namespace

SiteOptions SiteOptions::parse(const QString& text)
{
    SiteOptions options;
    if (text.size() <= 4)
        return options;

    const QChar mode = text.at(0);
    if (!mode.isDigit() || mode.unicode() > '9')
        damaged(text, QStringLiteral("the transfer mode \"%1\"").arg(mode));
    options.TransferMode = mode.unicode() - '0';
    if (options.TransferMode > UseDefault)
        options.TransferMode = UseDefault;
    options.AntiIdle = triState(text.at(1));
    options.RestoreState = triState(text.at(2));
    options.LogSession = triState(text.at(3));
    options.RenameExtensions = text.at(4) != QLatin1Char('0');

    if (text.size() == 10) {
        options.ShowHidden = triState(text.at(5));
        const QString type = text.mid(6, 2);
        const std::optional<int> index = IniDocument::parseInteger(type.toLatin1());
        if (!index)
            damaged(text, QStringLiteral("the server type \"%1\"").arg(type));
        options.ServerType = *index >= 0 && *index < ServerTypeCount ? *index : 0;
    }
    return options;
}

QString SiteOptions::toString() const
{
    const int mode = TransferMode >= Ascii && TransferMode <= UseDefault ? TransferMode : UseDefault;
    const int type = ServerType >= 0 && ServerType < ServerTypeCount ? ServerType : 0;
    QString text;
    text += QLatin1Char(char('0' + mode));
    text += triStateChar(AntiIdle);
    text += triStateChar(RestoreState);
    text += triStateChar(LogSession);
    text += RenameExtensions ? QLatin1Char('1') : QLatin1Char('0');
    text += triStateChar(ShowHidden);
    text += QStringLiteral("%1").arg(type, 2, 10, QLatin1Char('0'));
    text += QStringLiteral("00");
    return text;
}

const QStringList& serverTypeNames()
{
    static const QStringList names = {
        QStringLiteral("Auto-Detect"), QStringLiteral("Unix"),         QStringLiteral("Unix (clone)"),
        QStringLiteral("Windows NT"),  QStringLiteral("OrvoFTPd"),     QStringLiteral("Ultrix"),
        QStringLiteral("U5000"),       QStringLiteral("SIntFtpd"),     QStringLiteral("VMS MultiNet"),
        QStringLiteral("VMS UCX"),     QStringLiteral("MVS"),          QStringLiteral("Clix"),
        QStringLiteral("QVT"),         QStringLiteral("NCSA"),         QStringLiteral("Chameleon"),
        QStringLiteral("VM"),          QStringLiteral("VMVPS"),        QStringLiteral("MacFtpd"),
        QStringLiteral("MacOs"),       QStringLiteral("WarFTPD"),
    };
    return names;
}

TFTPServerType engineServerType(int index)
{
    if (index < 0 || index >= ServerTypeCount)
        index = 0;
    return TFTPServerType(ftpstAutoDetect + index);
}
