// Targets that exist, against pyftpdlib: ResumeMode and UploadMode 0-3 and every button of
// "File Exists" give the bytes they promise; the final name (rename rule, case rule) is what
// is checked; uploads check the exact name against everything listed; a resumed download
// goes past 4 GiB.
#include "batchfixture.h"

#include <QFile>

namespace {

constexpr qint64 FullSize = 200 * 1024;
constexpr qint64 PartSize = 50 * 1024;

using Choice = FileConflictAnswer::Choice;

class BatchConflicts : public BatchTest
{
protected:
    QByteArray pattern() const { return testutil::readFile(server.path("f.bin")); }
    static QByteArray garbage() { return QByteArray(PartSize, 'X'); }
    // The server's f.bin (and h.bin) in full; the local ones hold a different first part.
    void prepareDownloads(bool two)
    {
        ASSERT_TRUE(testutil::writePatternFile(server.path("f.bin"), FullSize, 5));
        QFile::copy(server.path("f.bin"), server.path("h.bin"));
        QFile::remove(localPath("f.bin"));
        QFile::remove(localPath("h.bin"));
        QFile::remove(localPath("g.bin"));
        testutil::writeFile(localPath("f.bin"), garbage());
        if (two)
            testutil::writeFile(localPath("h.bin"), garbage());
    }
    QByteArray resumed() const { return garbage() + pattern().mid(PartSize); }
    quint64 download(const QStringList& names)
    {
        // The listing is taken again: earlier cases changed the server's files.
        session->RefreshCurrent();
        waitIdle();
        return runner->StartDownload(remoteSelection(names));
    }
};

}  // namespace

TEST_F(BatchConflicts, ResumeModesAndEveryButtonOfADownload)
{
    START_OR_SKIP(ServerKind::Pyftpdlib);
    ASSERT_TRUE(testutil::writePatternFile(server.path("f.bin"), FullSize, 5));
    ASSERT_TRUE(connect());
    // pyftpdlib refuses the login's REST probe (sent in ASCII mode): the user says the site
    // resumes, as "Site R&esumes" does.
    session->SetSiteResumes(true);
    const struct {
        const char* why;
        int mode;
        std::optional<Choice> answer;
        QString newName;
        bool resumedBytes;  // f.bin ends as the old part followed by the rest
        bool fullBytes;     // f.bin ends as the server's file
        QString skipLine;
        bool cancelled;
    } cases[] = {
        {"mode 1 resumes", 1, {}, {}, true, false, {}, false},
        {"mode 2 overwrites", 2, {}, {}, false, true, {}, false},
        {"mode 3 skips", 3, {}, {}, false, false, "Skipping file: f.bin(3)", false},
        {"Overwrite", 0, Choice::Overwrite, {}, false, true, {}, false},
        {"Resume", 0, Choice::Resume, {}, true, false, {}, false},
        {"Rename", 0, Choice::Rename, "g.bin", false, false, {}, false},
        {"Skip", 0, Choice::Skip, {}, false, false, "Skipping file: f.bin(2)", false},
        {"Cancel", 0, Choice::Cancel, {}, false, false, {}, true},
    };
    for (const auto& c : cases) {
        prepareDownloads(false);
        settings->config().ResumeMode = c.mode;
        prompt.clear();
        if (c.answer)
            prompt.answer(*c.answer, c.newName);
        log.clear();
        queue->clear();
        const BatchSummary summary = waitBatch(download({"f.bin"}));
        const QByteArray bytes = testutil::readFile(localPath("f.bin"));
        if (c.resumedBytes)
            EXPECT_EQ(bytes, resumed()) << c.why;
        else if (c.fullBytes)
            EXPECT_EQ(bytes, pattern()) << c.why;
        else
            EXPECT_EQ(bytes, garbage()) << c.why;
        EXPECT_EQ(prompt.conflicts().size(), c.answer ? 1u : 0u) << c.why;
        EXPECT_EQ(prompt.unanswered(), 0) << c.why;
        if (!c.skipLine.isEmpty()) {
            EXPECT_TRUE(log.contains(c.skipLine)) << c.why << "\n" << joinedLog().toStdString();
        }
        if (!c.newName.isEmpty()) {
            EXPECT_EQ(testutil::readFile(localPath(c.newName)), pattern()) << c.why;
        }
        EXPECT_EQ(summary.cancelled, c.cancelled) << c.why;
        EXPECT_EQ(queue->count(), c.cancelled ? 1 : 0) << c.why;  // Cancel leaves the entry queued
        EXPECT_EQ(session->State(), SessionState::Idle) << c.why;
    }
    // What the window showed: the local file, both sizes, Resume enabled (the site resumes
    // and the local file is smaller).
    queue->clear();
    prepareDownloads(false);
    settings->config().ResumeMode = 0;
    prompt.clear();
    prompt.answer(Choice::Skip);
    waitBatch(download({"f.bin"}));
    ASSERT_EQ(prompt.conflicts().size(), 1u);
    const FileConflict& shown = prompt.conflicts().front();
    EXPECT_FALSE(shown.upload);
    EXPECT_EQ(shown.duplicate, "Duplicate local file: " + localPath("f.bin"));
    EXPECT_TRUE(shown.top.startsWith("Remote file: 204,800 bytes, ")) << shown.top.toStdString();
    EXPECT_TRUE(shown.bottom.startsWith("Local file: 51,200 bytes, ")) << shown.bottom.toStdString();
    EXPECT_EQ(shown.renameText, localPath("f.bin"));
    EXPECT_TRUE(shown.resumeEnabled);
}

// Skip All and Overwrite All answer the rest of the batch; the next batch asks again.
TEST_F(BatchConflicts, BulkChoicesLastOneBatch)
{
    START_OR_SKIP(ServerKind::Pyftpdlib);
    ASSERT_TRUE(testutil::writePatternFile(server.path("f.bin"), FullSize, 5));
    ASSERT_TRUE(connect());
    settings->config().ResumeMode = 0;

    prepareDownloads(true);
    prompt.answer(Choice::SkipAll);
    waitBatch(download({"f.bin", "h.bin"}));
    EXPECT_EQ(prompt.conflicts().size(), 1u);
    EXPECT_EQ(logMatching("Skipping file: "), QStringList({"Skipping file: f.bin(2)", "Skipping file: h.bin(1)"}));
    EXPECT_EQ(testutil::readFile(localPath("h.bin")), garbage());

    prepareDownloads(true);
    prompt.clear();
    prompt.answer(Choice::OverwriteAll);
    waitBatch(download({"f.bin", "h.bin"}));
    EXPECT_EQ(prompt.conflicts().size(), 1u);
    EXPECT_EQ(testutil::readFile(localPath("f.bin")), pattern());
    EXPECT_EQ(testutil::readFile(localPath("h.bin")), pattern());
}

TEST_F(BatchConflicts, UploadModesAndButtons)
{
    START_OR_SKIP(ServerKind::Pyftpdlib);
    ASSERT_TRUE(testutil::writePatternFile(localPath("u.bin"), FullSize, 7));
    const QByteArray full = testutil::readFile(localPath("u.bin"));
    ASSERT_TRUE(connect());
    session->SetSiteResumes(true);
    local->read(false);
    const struct {
        const char* why;
        int mode;
        std::optional<Choice> answer;
        QString newName;
        QByteArray expected;  // u.bin on the server afterwards
        QString skipLine;
    } cases[] = {
        {"mode 1 appends", 1, {}, {}, garbage() + full.mid(PartSize), {}},
        {"mode 2 overwrites", 2, {}, {}, full, {}},
        {"mode 3 skips", 3, {}, {}, garbage(), "Skipping file: u.bin(7)"},
        {"Resume", 0, Choice::Resume, {}, garbage() + full.mid(PartSize), {}},
        {"Rename", 0, Choice::Rename, "v.bin", garbage(), {}},
        {"Skip", 0, Choice::Skip, {}, garbage(), "Skipping file: u.bin(6)"},
    };
    for (const auto& c : cases) {
        testutil::writeFile(server.path("u.bin"), garbage());
        QFile::remove(server.path("v.bin"));
        session->RefreshCurrent();
        ASSERT_TRUE(waitIdle());
        settings->config().UploadMode = c.mode;
        prompt.clear();
        if (c.answer)
            prompt.answer(*c.answer, c.newName);
        log.clear();
        waitBatch(runner->StartUpload(localSelection({"u.bin"})));
        EXPECT_EQ(testutil::readFile(server.path("u.bin")), c.expected) << c.why << "\n" << joinedLog().toStdString();
        EXPECT_EQ(prompt.conflicts().size(), c.answer ? 1u : 0u) << c.why;
        if (!c.skipLine.isEmpty()) {
            EXPECT_TRUE(log.contains(c.skipLine)) << c.why;
        }
        if (!c.newName.isEmpty()) {
            EXPECT_EQ(testutil::readFile(server.path(c.newName)), full) << c.why;
        }
    }
    ASSERT_FALSE(prompt.conflicts().empty());
    EXPECT_TRUE(prompt.conflicts().back().upload);
    EXPECT_EQ(prompt.conflicts().back().duplicate, "Duplicate remote file: /u.bin");
    EXPECT_EQ(prompt.conflicts().back().renameText, "u.bin");
}

// The name checked is the one the file will have: an upload of page.htm under the rule
// .htm → .html meets the server's page.html; a download of page.html meets the local
// page.htm; the case rule likewise. Uploads compare the exact name with everything listed,
// whatever the view's filter shows.
TEST_F(BatchConflicts, TheFinalNameIsTheOneChecked)
{
    START_OR_SKIP(ServerKind::Pyftpdlib);
    ASSERT_TRUE(server.putFile("page.html", "server page"));
    ASSERT_TRUE(server.putFile("Readme.TXT", "server readme"));
    ASSERT_TRUE(server.putFile("data.txt", "server data"));
    testutil::writeFile(localPath("page.htm"), "local page");
    testutil::writeFile(localPath("readme.txt"), "local readme");
    testutil::writeFile(localPath("data.txt"), "local data");
    local->read(false);
    settings->prefs().RenameRules = QStringList{".htm,.html"};
    // The session's rename switch comes from a site's options.
    TSiteRecord site;
    site.IP = "127.0.0.1";
    site.Port = QString::number(server.port());
    site.User = server.user();
    site.Pass = server.password();
    site.Options = "2000100000";  // rename extensions on
    sites->saveGroups({"Personal"}, 1);
    sites->writeSite("Pages", site);
    sites->saveGroupSites("Personal", {"Pages"});
    session->SetState(SessionState::LoggingIn);
    session->Connect(requestFromSite("Pages", sites->readSite("Pages"), "guest@example.com"));
    ASSERT_TRUE(waitIdle());
    ASSERT_TRUE(session->RenameExtensions());

    prompt.answer(Choice::Skip);
    waitBatch(runner->StartUpload(localSelection({"page.htm"})));
    ASSERT_EQ(prompt.conflicts().size(), 1u) << joinedLog().toStdString();
    EXPECT_EQ(prompt.conflicts().front().duplicate, "Duplicate remote file: /page.html");
    EXPECT_EQ(testutil::readFile(server.path("page.html")), "server page");

    prompt.clear();
    prompt.answer(Choice::Skip);
    waitBatch(runner->StartDownload(remoteSelection({"page.html"})));
    ASSERT_EQ(prompt.conflicts().size(), 1u);
    EXPECT_EQ(prompt.conflicts().front().duplicate, "Duplicate local file: " + localPath("page.htm"));
    EXPECT_EQ(testutil::readFile(localPath("page.htm")), "local page");

    // Case: readme.txt is not Readme.TXT on the server; data.txt is there though the view
    // shows *.log only.
    session->Remote().filter().mask = "*.log";
    session->RefreshCurrent();
    ASSERT_TRUE(waitIdle());
    prompt.clear();
    prompt.answer(Choice::Skip);
    waitBatch(runner->StartUpload(localSelection({"readme.txt", "data.txt"})));
    ASSERT_EQ(prompt.conflicts().size(), 1u);
    EXPECT_EQ(prompt.conflicts().front().duplicate, "Duplicate remote file: /data.txt");
    EXPECT_EQ(testutil::readFile(server.path("readme.txt")), "local readme");
    EXPECT_EQ(testutil::readFile(server.path("Readme.TXT")), "server readme");
    EXPECT_EQ(testutil::readFile(server.path("data.txt")), "server data");

    // The case rule: a download of DATA.TXT meets the local data.txt.
    ASSERT_TRUE(server.putFile("DATA.TXT", "upper"));
    settings->config().ForceLowerCase = 2;
    session->Remote().filter().mask = "*.*";
    session->RefreshCurrent();
    ASSERT_TRUE(waitIdle());
    prompt.clear();
    prompt.answer(Choice::Overwrite);
    waitBatch(runner->StartDownload(remoteSelection({"DATA.TXT"})));
    EXPECT_EQ(prompt.conflicts().size(), 1u);
    EXPECT_EQ(testutil::readFile(localPath("data.txt")), "upper");
    EXPECT_FALSE(QFileInfo::exists(localPath("DATA.TXT")));
}

// A resumed download past 4 GiB of a sparse file: REST carries the 64-bit offset and only
// the tail moves.
TEST_F(BatchConflicts, ResumePastFourGibibytes)
{
    START_OR_SKIP(ServerKind::Pyftpdlib);
    constexpr qint64 FourGiB = 4LL * 1024 * 1024 * 1024;
    const QByteArray tail = QByteArray(64 * 1024, 'T');
    {
        QFile big(server.path("big.img"));
        ASSERT_TRUE(big.open(QIODevice::WriteOnly));
        ASSERT_TRUE(big.seek(FourGiB));
        ASSERT_EQ(big.write(tail), tail.size());
        QFile part(localPath("big.img"));
        ASSERT_TRUE(part.open(QIODevice::WriteOnly));
        ASSERT_TRUE(part.resize(FourGiB));
    }
    ASSERT_TRUE(connect());
    settings->config().ResumeMode = 1;
    const BatchSummary summary = waitBatch(runner->StartDownload(remoteSelection({"big.img"})));
    EXPECT_TRUE(summary.ok()) << joinedLog().toStdString();
    EXPECT_EQ(summary.bytes, tail.size());
    EXPECT_TRUE(log.contains("REST 4294967296")) << joinedLog().toStdString();
    QFile result(localPath("big.img"));
    ASSERT_EQ(result.size(), FourGiB + tail.size());
    ASSERT_TRUE(result.open(QIODevice::ReadOnly));
    ASSERT_TRUE(result.seek(FourGiB - 16));
    EXPECT_EQ(result.read(16), QByteArray(16, '\0'));
    EXPECT_EQ(result.readAll(), tail);
}
