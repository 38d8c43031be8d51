#include "platform/core/prompt.h"

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
