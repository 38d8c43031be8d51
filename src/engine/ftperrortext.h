#pragma once

#include <QString>

// The words for the engine's error codes, as the log shows them ("ERROR: Connection Refused").
// Empty for codes that are not reported.
QString FtpErrorMessage(quint8 code, const QString& addinfo);

// Symbolic names of the information and error codes ("ReplyLine", "ConnectionRefused") for
// traces and test transcripts; the number as text for a code without a name.
QString FtpInfoName(quint8 info);
QString FtpErrorName(quint8 error);
