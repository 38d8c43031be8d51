#pragma once

#include <QByteArray>
#include <QString>
#include <exception>

// An error the user has to be told about, raised by code that has no windows of its own
// (settings and site files, stored-data checks). The window that started the operation, or
// failing that the application-wide handler, shows text() through prompts() (see
// showAppError in platform/errorreport.h). The operation stops where it was thrown; files
// are written atomically, so nothing half-written is left behind.
class AppError : public std::exception
{
public:
    explicit AppError(QString text) : m_text(std::move(text)), m_what(m_text.toUtf8()) {}

    const QString& text() const { return m_text; }
    const char* what() const noexcept override { return m_what.constData(); }

private:
    QString m_text;
    QByteArray m_what;
};

// A settings-style file could not be written ("Unable to write to <file>"), or a name or
// value cannot be represented in such a file.
class IniError : public AppError
{
public:
    IniError(QString text, QString fileName) : AppError(std::move(text)), m_fileName(std::move(fileName)) {}

    const QString& fileName() const { return m_fileName; }

private:
    QString m_fileName;
};
