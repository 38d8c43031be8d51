#pragma once

#include "engine/ftptypes.h"

#include <QString>
#include <QStringList>

// A per-site switch that may defer to the global preference.
enum class TriState : quint8 {
    Global = 0,  // "0": the preference applies
    On = 1,      // "1"
    Off = 2,     // "2" (and any other character)
};

// The `Options` value of a site: ten characters, one setting per position.
struct SiteOptions {
    enum TransferModes : int { Ascii = 0, Binary = 1, Auto = 2, UseDefault = 3 };

    int TransferMode = UseDefault;        // position 1
    TriState AntiIdle = TriState::Global;      // 2
    TriState RestoreState = TriState::Global;  // 3, "Use external redialer"
    TriState LogSession = TriState::Global;    // 4
    bool RenameExtensions = false;             // 5
    TriState ShowHidden = TriState::Global;    // 6
    int ServerType = 0;                        // 7-8, index into serverTypeNames()

    // A value of 4 characters or fewer is ignored as a whole; positions 1-5 are read from a
    // longer one, positions 6-8 only from a value of exactly 10 characters. A transfer mode
    // or server type that is not a number throws AppError (the stored site is damaged);
    // a digit above 3 reads as Use Default and a server type outside 0..19 as Auto-Detect.
    static SiteOptions parse(const QString& text);

    // Always the full ten characters, so every setting reads back.
    QString toString() const;

    bool operator==(const SiteOptions&) const = default;
};

// The options of a new or reset site.
inline const QString FreshSiteOptions = QStringLiteral("3000000000");

// The 20 server types of positions 7-8, index 0 ("Auto-Detect") first.
const QStringList& serverTypeNames();
// Index i is the engine's server type i + 1 (ftpstAutoDetect for 0 ... ftpstWarFTPD for 19).
TFTPServerType engineServerType(int index);
