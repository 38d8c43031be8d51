#pragma once

#include <QString>

class TSiteDatabase;

// The site manager's "&Import": the open-file window with its two filters, then the import
// the chosen filter names into `group`: the text import for the first, the older version's
// "orvoftp.ini" for the second. The text import ends with "Import Complete: ..."; the
// older-version import says nothing unless entries were left out. Failures are shown, and
// every window goes through prompts(). True when a file was imported (the caller shows the
// lists again).
class TfrmImport
{
public:
    static constexpr const char* Caption = "Import Sites";
    static constexpr const char* Filter = "Text files (*.txt)|*.txt|OrvoFTP 1.X files (OrvoFTP.ini)|orvoftp.ini";
    enum FilterIndex { TextFilter = 0, OlderVersionFilter = 1 };

    static bool Execute(TSiteDatabase& sites, const QString& group);
};
