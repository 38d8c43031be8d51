#pragma once

#include <QString>
#include <optional>

class QWidget;

// The folder picker: shows the "Browse" dialog modally on InitialDir and, after "&OK",
// leaves the chosen folder in Directory.
class TOrvoBrowseDir
{
public:
    QString CaptionText;
    QString InitialDir;
    bool ReadOnly = false;
    QString Directory;

    // True when "&OK" closed the dialog; Directory is empty after "Ca&ncel".
    bool Execute(QWidget* parent = nullptr);

    // The prompt interface's folder question answered with this picker (parented to the
    // active window); empty when cancelled.
    static std::optional<QString> pick(const QString& caption, const QString& startDirectory);
};
