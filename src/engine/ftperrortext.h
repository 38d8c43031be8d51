#pragma once

#include <QString>

// The words for the engine's error codes, as the log shows them ("ERROR: Connection Refused").
// Empty for codes that are not reported.
QString FtpErrorMessage(quint8 code, const QString& addinfo);
