// Desktop launchers: the Exec line a desktop reads back to the exact arguments, file names,
// foreign files; programs started detached with an environment of their own.
#include "platform/desktop/desktopentry.h"
#include "platform/desktop/launcher.h"
#include "testutil.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// A program that writes its arguments, each ended by a NUL byte, to `out`.
QString argumentRecorder(const QString& dir, const QString& out)
{
    const QString script = QDir(dir).filePath("record args $HOME.sh");
    testutil::writeFile(script, ("#!/bin/sh\nfor a in \"$@\"; do printf '%s\\0' \"$a\"; done > '" + out + "'\n").toUtf8());
    QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return script;
}

// Names with the characters the Exec rules reserve come back as the exact argv when the
// desktop's own launcher (gio) starts the file; the file passes desktop-file-validate.
TEST(DesktopEntry, ExecLineParsesBackToTheExactArguments)
{
    const QString gio = QStandardPaths::findExecutable("gio");
    if (gio.isEmpty())
        GTEST_SKIP() << "gio is not installed (make deps installs libglib2.0-bin)";
    QTemporaryDir dir;
    const QStringList names = {
        "100% \"quoted\" $HOME site",
        "back\\slash `tick` 'single' ; & | < > ( ) * ? #",
        " leading space=and equals %f %%",
        "plain",
    };
    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        const QString out = dir.filePath("argv.bin");
        QFile::remove(out);
        DesktopEntry::Launcher launcher{name, "comment", argumentRecorder(dir.path(), out), {name, "second arg"}, dir.path(), "folder"};
        const QString file = dir.filePath("test.desktop");
        ASSERT_EQ(DesktopEntry::write(file, launcher, false), DesktopEntry::WriteResult::Written);
        if (QFileInfo::exists("/usr/bin/desktop-file-validate")) {
            QProcess validate;
            validate.start("/usr/bin/desktop-file-validate", {file});
            ASSERT_TRUE(validate.waitForFinished(10000));
            EXPECT_EQ(validate.exitCode(), 0) << validate.readAllStandardOutput().toStdString();
        }
        ASSERT_EQ(QProcess::execute(gio, {"launch", file}), 0);
        ASSERT_TRUE(testutil::waitFor([&] { return QFileInfo(out).size() > 0; }, 10000));
        testutil::spin(100);
        EXPECT_EQ(QString::fromUtf8(testutil::readFile(out)), name + QChar(0) + "second arg" + QChar(0));
        EXPECT_NE(QFile::permissions(file) & QFile::ExeOwner, 0);
    }
}

// The shortcut's file name; a launcher of someone else's is kept unless replacing is asked
// for, one of ours is rewritten.
TEST(DesktopEntry, FileNamesAndForeignFiles)
{
    const std::pair<const char*, const char*> names[] = {
        {"my.server.net", "my.server.desktop"}, {"Home", "Home.desktop"}, {".hidden", ".hidden.desktop"},
        {"a b.c", "a b.desktop"}};
    for (const auto& [name, file] : names)
        EXPECT_EQ(DesktopEntry::fileName(name), file) << name;

    QTemporaryDir dir;
    const QString file = dir.filePath("Home.desktop");
    const QByteArray foreign = "[Desktop Entry]\nType=Application\nName=Mine\nExec=true\n";
    testutil::writeFile(file, foreign);
    const DesktopEntry::Launcher launcher{"Home", "", "/usr/bin/orvoftp", {"Home"}, "", ""};
    EXPECT_EQ(DesktopEntry::write(file, launcher, false), DesktopEntry::WriteResult::Foreign);
    EXPECT_EQ(testutil::readFile(file), foreign);
    EXPECT_EQ(DesktopEntry::write(file, launcher, true), DesktopEntry::WriteResult::Written);
    EXPECT_TRUE(DesktopEntry::isOurs(file));
    EXPECT_EQ(DesktopEntry::write(file, launcher, false), DesktopEntry::WriteResult::Written);
    EXPECT_EQ(DesktopEntry::write(dir.filePath("missing/x.desktop"), launcher, false), DesktopEntry::WriteResult::Failed);
}

// A detached program gets exactly the arguments and the environment it was given.
TEST(Launcher, StartDetachedPassesArgumentsAndEnvironment)
{
    QTemporaryDir dir;
    const QString out = dir.filePath("out.txt");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("ORVOFTP_SESSION_USER", "joe doe");
    ASSERT_TRUE(StartDetached("/bin/sh", {"-c", "printf '%s|%s' \"$ORVOFTP_SESSION_USER\" \"$1\" > \"$2\"", "sh", "a b", out}, env));
    ASSERT_TRUE(testutil::waitFor([&] { return QFileInfo(out).size() > 0; }, 10000));
    testutil::spin(50);
    EXPECT_EQ(testutil::readFile(out), "joe doe|a b");
    EXPECT_FALSE(StartDetached(dir.filePath("no-such-program"), {}, env));
}

}  // namespace
