#include "console/consolelog.h"

#include <QFile>
#include <QFileInfo>

namespace ConsoleLog {

bool IsValidLogFileName(const QString& name)
{
    const qsizetype slash = name.lastIndexOf(u'/');
    const QString directory = name.left(slash + 1);
    const QString file = name.mid(slash + 1);
    if (!directory.isEmpty() && !QFileInfo(directory).isDir())
        return false;
    if (file.isEmpty() || file.size() > 256)
        return false;
    static const QString forbidden = QStringLiteral("/\\?\"*:<>|");
    for (QChar c : file) {
        if (c.unicode() < 32 || forbidden.contains(c))
            return false;
    }
    return true;
}

QString AppendLine(const QString& fileName, const QString& line)
{
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return file.errorString();
    const QByteArray bytes = line.toUtf8() + '\n';
    if (file.write(bytes) != bytes.size() || !file.flush())
        return file.errorString();
    file.close();
    return {};
}

}  // namespace ConsoleLog
