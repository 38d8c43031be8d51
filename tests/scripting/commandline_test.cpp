// The command line below the window: the options in front, the arguments handed on, the form
// the first argument chooses, and the queue entries GET, PUT and the upload form make.
#include "scripting/commandline.h"
#include "testutil.h"

#include <QDir>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>

namespace {

using Action = ProgramOptions::Action;

TEST(ProgramOptions, OptionsComeFirstAndUnknownOnesAreRefused)
{
    const struct {
        QStringList given;
        Action action;
        QStringList caFiles;
        QStringList arguments;
        const char* problem;  // part of it
    } cases[] = {
        {{}, Action::Run, {}, {}, ""},
        {{"ftp.example.org"}, Action::Run, {}, {"ftp.example.org"}, ""},
        {{"--help"}, Action::Help, {}, {}, ""},
        {{"--ca", "a.pem", "--version"}, Action::Version, {"a.pem"}, {}, ""},
        {{"--ca", "a.pem", "--ca=b.pem", "HOST=h", "GET=/x"}, Action::Run, {"a.pem", "b.pem"}, {"HOST=h", "GET=/x"}, ""},
        // Qt's own options pass, with the value of those that take one.
        {{"-platform", "offscreen", "--ca", "a.pem", "host"}, Action::Run, {"a.pem"}, {"host"}, ""},
        {{"-reverse", "host"}, Action::Run, {}, {"host"}, ""},
        {{"--ca"}, Action::Refuse, {}, {}, "--ca needs a FILE"},
        {{"--ca="}, Action::Refuse, {}, {}, "--ca needs a FILE"},
        {{"--no-such-option"}, Action::Refuse, {}, {}, "unknown option '--no-such-option'"},
        {{"--"}, Action::Refuse, {}, {}, "unknown option '--'"},
        {{"--helpme"}, Action::Refuse, {}, {}, "unknown option"},
        // After the arguments an option would become part of the address.
        {{"host", "--help"}, Action::Refuse, {}, {}, "options come before the arguments: '--help'"},
        // Arguments beginning with one dash or holding "--" later are the forms' own.
        {{"HOST=h", "PASS=--x"}, Action::Run, {}, {"HOST=h", "PASS=--x"}, ""},
    };
    for (const auto& c : cases) {
        const ProgramOptions options = ParseProgramOptions(c.given);
        const std::string what = c.given.join(' ').toStdString();
        EXPECT_EQ(options.action, c.action) << what;
        EXPECT_EQ(options.caFiles, c.caFiles) << what;
        if (c.action == Action::Run) {
            EXPECT_EQ(options.arguments, c.arguments) << what;
        }
        EXPECT_TRUE(options.problem.contains(QLatin1String(c.problem))) << what << ": " << options.problem.toStdString();
    }
}

// The usage lists every option and keyword a user may need.
TEST(ProgramOptions, UsageNamesEveryOptionAndKeyword)
{
    const QString usage = QString::fromLatin1(ProgramUsage);
    EXPECT_TRUE(usage.startsWith("Usage: orvoftp "));
    for (const char* word : {"--help", "--version", "--ca", "--batch", "--keep-going", "HOST=", "USER=", "PASS=",
                             "PORT=", "QUEUE=", "SCRIPT=", "DDE=", "GET=", "PUT=", "QUIT=", "LOCALDIR=", "REMOTEDIR=",
                             "+SCRIPT", "file://"})
        EXPECT_TRUE(usage.contains(QLatin1String(word))) << word;
}

TEST(CommandLineArguments, OnlyTheProgramItselfIsDroppedAndAnEmptyOneEndsThem)
{
    QTemporaryDir dir;
    const QString program = dir.filePath("bin/orvoftp");
    QDir().mkpath(dir.filePath("bin"));
    ASSERT_TRUE(testutil::writeFile(program, "#!"));
    ASSERT_TRUE(QFile::link(program, dir.filePath("link-to-orvoftp")));
    const struct {
        QStringList raw;
        QStringList collected;
    } cases[] = {
        {{program}, {}},
        {{"bin/orvoftp", "HOST=h"}, {"HOST=h"}},          // relative to the start directory
        {{"link-to-orvoftp", "HOST=h"}, {"HOST=h"}},      // a link to it
        {{"GET=/pub/orvoftp.exe", "GET=/pub/ORVOFTP.EXE"}, {"GET=/pub/orvoftp.exe", "GET=/pub/ORVOFTP.EXE"}},
        {{dir.filePath("bin/ORVOFTP.EXE")}, {dir.filePath("bin/ORVOFTP.EXE")}},
        {{"HOST=h", "", "QUIT=1"}, {"HOST=h"}},
        {{"", "HOST=h"}, {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CollectArguments(c.raw, program, dir.path()), c.collected) << c.raw.join(' ').toStdString();
}

TEST(CommandLineArguments, TheFirstArgumentChoosesTheForm)
{
    const struct {
        QStringList arguments;
        CommandLineForm form;
    } cases[] = {
        {{}, CommandLineForm::None},
        {{"HOST=myhost", "GET=/pub/a.txt", "QUIT=1"}, CommandLineForm::Keyword},
        {{"host=myhost"}, CommandLineForm::Keyword},
        {{"+/home/u/night.txt", "HOST=other"}, CommandLineForm::Script},
        {{"/home/u/report.txt"}, CommandLineForm::Upload},
        {{"/home/u/a=b.txt"}, CommandLineForm::Upload},  // a name may hold "="
        {{"file:///home/u/report.txt"}, CommandLineForm::Upload},
        {{"FILE:///home/u/report.txt"}, CommandLineForm::Upload},
        {{"ftp.example.org", "HOST=x"}, CommandLineForm::Address},
        {{"ftp://user@host/pub/"}, CommandLineForm::Address},
        {{"HOST"}, CommandLineForm::Address},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ChooseCommandLineForm(c.arguments), c.form) << c.arguments.join(' ').toStdString();
}

TEST(CommandLineArguments, KeywordsSplitAtTheFirstEqualsSign)
{
    const struct {
        const char* argument;
        const char* keyword;
        const char* value;
    } cases[] = {
        {"HOST=myhost", "HOST", "myhost"},
        {"host=myhost", "HOST", "myhost"},
        {"Pass=a=b ", "PASS", "a=b "},  // the value as written
        {"GET=", "GET", ""},
        {"HOST", "", ""},
        {"=x", "", "x"},
    };
    for (const auto& c : cases) {
        const KeywordArgument split = SplitKeywordArgument(QString::fromUtf8(c.argument));
        EXPECT_EQ(split.keyword, QString::fromUtf8(c.keyword)) << c.argument;
        EXPECT_EQ(split.value, QString::fromUtf8(c.value)) << c.argument;
    }
    EXPECT_EQ(RemoteDirectoryArgument("/pub"), "/pub/");
    EXPECT_EQ(RemoteDirectoryArgument("pub"), "pub/");  // not "pub\"
    EXPECT_EQ(RemoteDirectoryArgument("/"), "/");
    EXPECT_EQ(RemoteDirectoryArgument(""), "");
}

class CommandLineEntries : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        QDir(dir.path()).mkpath("web/site/inner");
        testutil::writeFile(dir.filePath("report.txt"), "12345");
        testutil::writeFile(dir.filePath("a=b.txt"), "x");
    }
    QString at(const QString& name) const { return dir.filePath(name); }
    QTemporaryDir dir;
};

// Folders go to "~/name/" with an empty size, files to "~/name" with theirs; a trailing
// separator does not hide the folder's name; what does not exist is left out and said.
TEST_F(CommandLineEntries, TheUploadFormQueuesIntoTheLoginDirectory)
{
    const QueueAddition added = UploadFormEntries(
        {at("report.txt"), at("web/site/"), at("web/site//"), QUrl::fromLocalFile(at("a=b.txt")).toString(),
         "file://localhost" + at("report.txt"), "web/./site/inner", at("missing.txt"), "file://elsewhere/etc/passwd"},
        dir.path());
    const struct {
        QueueEntry::Kind kind;
        QString source;
        const char* size;
        const char* target;
    } expected[] = {
        {QueueEntry::UploadFile, at("report.txt"), "5", "~/report.txt"},
        {QueueEntry::UploadFolder, at("web/site"), "", "~/site/"},
        {QueueEntry::UploadFolder, at("web/site"), "", "~/site/"},
        {QueueEntry::UploadFile, at("a=b.txt"), "1", "~/a=b.txt"},
        {QueueEntry::UploadFile, at("report.txt"), "5", "~/report.txt"},
        {QueueEntry::UploadFolder, at("web/site/inner"), "", "~/inner/"},
    };
    ASSERT_EQ(added.entries.size(), std::size(expected));
    for (size_t i = 0; i < std::size(expected); ++i) {
        const QueueEntry& entry = added.entries[i];
        EXPECT_EQ(entry.kind, expected[i].kind) << i;
        EXPECT_EQ(entry.source, expected[i].source) << i;
        EXPECT_EQ(entry.sizeText, QString::fromUtf8(expected[i].size)) << i;
        EXPECT_EQ(entry.target, QString::fromUtf8(expected[i].target)) << i;
    }
    ASSERT_EQ(added.logLines.size(), 2);
    EXPECT_EQ(added.logLines[0], "Not queued: \"" + at("missing.txt") + "\" does not exist.");
    EXPECT_TRUE(added.logLines[1].contains("file://elsewhere/etc/passwd")) << added.logLines[1].toStdString();
}

TEST_F(CommandLineEntries, GetDownloadsIntoTheDirectoryGivenOrTheStartDirectory)
{
    const struct {
        const char* value;
        QString defaultDir;
        const char* source;  // "" when nothing is queued
        QString target;
    } cases[] = {
        {"/pub/a.txt", at("start"), "/pub/a.txt", at("start/a.txt")},
        {"/pub/orvoftp.exe", at("start/"), "/pub/orvoftp.exe", at("start/orvoftp.exe")},
        {"/pub/a.txt|web", at("start"), "/pub/a.txt", at("web/a.txt")},
        {"/pub/a.txt|/tmp/x/", at("start"), "/pub/a.txt", "/tmp/x/a.txt"},
        {"/pub/a.txt", "", "/pub/a.txt", QDir::homePath() + "/a.txt"},
        {"/pub/a.txt|", "", "/pub/a.txt", QDir::homePath() + "/a.txt"},
        {"a.txt", at("start"), "a.txt", at("start/a.txt")},
        {"/pub/", at("start"), "", {}},
        {"/pub/..", at("start"), "", {}},
        {"", at("start"), "", {}},
    };
    for (const auto& c : cases) {
        QString logLine;
        const std::optional<QueueEntry> entry = GetArgumentEntry(QString::fromUtf8(c.value), c.defaultDir, dir.path(), &logLine);
        if (*c.source == 0) {
            EXPECT_FALSE(entry) << c.value;
            EXPECT_TRUE(logLine.startsWith("Not queued: ")) << c.value;
            continue;
        }
        ASSERT_TRUE(entry) << c.value << ": " << logLine.toStdString();
        EXPECT_EQ(entry->kind, QueueEntry::DownloadFile) << c.value;
        EXPECT_EQ(entry->source, QString::fromUtf8(c.source)) << c.value;
        EXPECT_EQ(entry->target, c.target) << c.value;
        // Unknown until the server says: a size of 0 would fall under "skip empty files".
        EXPECT_FALSE(entry->sizeKnown()) << c.value;
    }
}

TEST_F(CommandLineEntries, PutUploadsWhatExistsIntoTheDirectoryGivenOrTheLoginDirectory)
{
    const struct {
        const char* value;
        QueueEntry::Kind kind;
        QString source;  // empty when nothing is queued
        const char* size;
        const char* target;
    } cases[] = {
        {"report.txt", QueueEntry::UploadFile, at("report.txt"), "5", "~/report.txt"},
        {"report.txt|/incoming", QueueEntry::UploadFile, at("report.txt"), "5", "/incoming/report.txt"},
        {"report.txt|incoming/", QueueEntry::UploadFile, at("report.txt"), "5", "incoming/report.txt"},
        {"report.txt|", QueueEntry::UploadFile, at("report.txt"), "5", "~/report.txt"},
        {"web/site/|/www", QueueEntry::UploadFolder, at("web/site"), "", "/www/site/"},
        {"missing.txt", QueueEntry::UploadFile, {}, "", ""},
        {"|/www", QueueEntry::UploadFile, {}, "", ""},
    };
    for (const auto& c : cases) {
        QString logLine;
        const std::optional<QueueEntry> entry = PutArgumentEntry(QString::fromUtf8(c.value), dir.path(), &logLine);
        if (c.source.isEmpty()) {
            EXPECT_FALSE(entry) << c.value;
            EXPECT_TRUE(logLine.endsWith("does not exist.")) << c.value << ": " << logLine.toStdString();
            continue;
        }
        ASSERT_TRUE(entry) << c.value << ": " << logLine.toStdString();
        EXPECT_EQ(entry->kind, c.kind) << c.value;
        EXPECT_EQ(entry->source, c.source) << c.value;
        EXPECT_EQ(entry->sizeText, QString::fromUtf8(c.size)) << c.value;
        EXPECT_EQ(entry->target, QString::fromUtf8(c.target)) << c.value;
    }
}

}  // namespace
