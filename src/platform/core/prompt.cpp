#include "platform/core/prompt.h"

#include <QRegularExpression>

namespace {

Prompt* installed = nullptr;
Prompt* fallback = nullptr;

// Nobody to ask: every question is dismissed, so nothing is overwritten or deleted on a
// guess, and every input box is cancelled.
class HeadlessPrompt final : public Prompt
{
public:
    Button messageBox(const QString&, const QString&, Icon, Buttons buttons) override { return dismissButton(buttons); }
    std::optional<QString> inputBox(const QString&, const QString&, const QString&, bool) override { return {}; }
    std::optional<std::pair<QString, QString>> loginBox(const QString&, const QString&) override { return {}; }
    std::optional<QString> openFile(const QString&, const QString&, const QString&) override { return {}; }
    std::optional<QString> saveFile(const QString&, const QString&, const QString&) override { return {}; }
    std::optional<QString> pickFolder(const QString&, const QString&) override { return {}; }
};

}  // namespace

std::optional<Prompt::FontChoice> Prompt::chooseFont(const QString&, const FontChoice&)
{
    return std::nullopt;
}

Prompt::Button Prompt::dismissButton(Buttons buttons)
{
    if (buttons & Cancel)
        return Cancel;
    if (buttons & No)
        return No;
    if (buttons & Abort)
        return Abort;
    return Ok;
}

std::optional<Prompt::ChosenFile> Prompt::openFileOfType(const QString& caption, const QString& directory,
                                                         const QString& filter)
{
    const std::optional<QString> file = openFile(caption, directory, filter);
    if (!file)
        return std::nullopt;
    return ChosenFile{*file, matchingFilter(filter, *file)};
}

int Prompt::matchingFilter(const QString& filter, const QString& file)
{
    const QString name = file.mid(file.lastIndexOf(QLatin1Char('/')) + 1);
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (int i = 1; i < parts.size(); i += 2) {
        for (const QString& pattern : parts[i].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            const QRegularExpression match(QRegularExpression::wildcardToRegularExpression(pattern.trimmed()),
                                           QRegularExpression::CaseInsensitiveOption);
            if (match.match(name).hasMatch())
                return i / 2;
        }
    }
    return 0;
}

Prompt::CertificateAnswer Prompt::certificateBox(const CertificateQuestion&)
{
    return CertificateAnswer::Cancel;
}

QString Prompt::certificateText(const CertificateQuestion& q)
{
    const QString hostPort = q.host.contains(QLatin1Char(':')) ? QStringLiteral("[%1]:%2").arg(q.host).arg(q.port)
                                                               : QStringLiteral("%1:%2").arg(q.host).arg(q.port);
    QString text = q.changed
                       ? QStringLiteral("The certificate of %1 has CHANGED since you chose to trust it always. "
                                        "Somebody may be intercepting the connection.\n\n")
                             .arg(hostPort)
                       : QStringLiteral("The certificate of %1 cannot be verified.\n\n").arg(hostPort);
    const QString format = QStringLiteral("yyyy-MM-dd HH:mm 'UTC'");
    QString fingerprint;
    for (int i = 0; i < q.sha256.size(); i += 2)
        fingerprint += (i ? QStringLiteral(":") : QString()) + q.sha256.mid(i, 2).toUpper();
    text += QStringLiteral("Problem: %1\nSubject: %2\nIssuer: %3\nValid: %4 to %5\nSHA-256: %6")
                .arg(q.problem, q.subject, q.issuer, q.notBefore.toUTC().toString(format),
                     q.notAfter.toUTC().toString(format), fingerprint);
    return text;
}

FileConflictAnswer Prompt::fileExists(const FileConflict&)
{
    return FileConflictAnswer::of(FileConflictAnswer::Choice::Cancel);
}

Prompt& prompts()
{
    if (installed)
        return *installed;
    if (fallback)
        return *fallback;
    static HeadlessPrompt headless;
    return headless;
}

void setPrompt(Prompt* prompt)
{
    installed = prompt;
}

void setDefaultPrompt(Prompt* prompt)
{
    fallback = prompt;
}
