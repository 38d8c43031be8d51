// Servers that misbehave the way real ones do (tests/support/faultserver.py): every case ends
// by a deadline with its completion event, error and Success, and leaves the session either
// usable for the next command or closed cleanly.
#include "ftprecorder.h"
#include "serverprocess.h"
#include "testutil.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using testutil::waitFor;

namespace {

enum class Op { List, Retr, Resume, Stor, Dele, Cwd };

struct FaultCase {
    const char* name;
    FaultOptions server;
    Op op;
    bool passive;
    int timeOut;             // TimeOutConnect, seconds
    QStringList errors;      // error events expected, in order ("DataConnection", ...)
    bool sessionEnds;        // the session closes cleanly instead of staying usable
    QString note = {};       // a notice the engine logs
};

const char* eventOf(Op op)
{
    switch (op) {
    case Op::List: return "ListingDone";
    case Op::Retr:
    case Op::Resume: return "FileReceived";
    case Op::Stor: return "FileStored";
    case Op::Dele: return "FileDeleted";
    case Op::Cwd: return "DirectoryChanged";
    }
    return "";
}

FaultOptions replies(const QString& rule)
{
    FaultOptions options;
    options.replies << rule;
    return options;
}

FaultOptions fault(const char* name, bool aborSilent = false)
{
    FaultOptions options;
    options.fault = QString::fromLatin1(name);
    options.aborSilent = aborSilent;
    return options;
}

// fault -> expected outcome
const FaultCase kCases[] = {
    // A final 426 (no 226) ends the transfer as failed; the session goes on.
    {"Final426Retr_passive", fault("final-426"), Op::Retr, true, 0, {}, false},
    {"Final426Retr_active", fault("final-426"), Op::Retr, false, 0, {}, false},
    {"Final426Stor_passive", fault("final-426"), Op::Stor, true, 0, {}, false},
    {"Final426List_passive", fault("final-426"), Op::List, true, 0, {}, false},
    // "150" and then silence on both connections: error 27 after TimeOutConnect, then ABOR.
    {"SilentData_passive", fault("silent-data"), Op::Retr, true, 1, {"DataConnection"}, false},
    {"SilentData_active", fault("silent-data"), Op::Retr, false, 1, {"DataConnection"}, false},
    {"SilentDataList_active", fault("silent-data"), Op::List, false, 1, {"DataConnection"}, false},
    {"SilentDataStor_passive", fault("silent-data"), Op::Stor, true, 1, {"DataConnection"}, false},
    // ... and a server that does not answer the ABOR either loses the session.
    {"SilentDataAndAbor_passive", fault("silent-data", true), Op::Retr, true, 1, {"DataConnection", "DataConnection"}, true},
    // A passive connect that never completes.
    {"NoAccept_passive", fault("no-accept"), Op::Retr, true, 1, {"DataConnection"}, false},
    // Multi-line refusals complete their operation once.
    {"MultilineDele", replies("DELE=550-Cannot delete a.txt:|550 Permission denied."), Op::Dele, true, 0, {}, false},
    {"MultilineCwd", replies("CWD=550-No such directory:|550 /nowhere"), Op::Cwd, true, 0, {}, false},
    {"MultilineRetr_passive", replies("RETR=550-Cannot open a.txt:|550 Permission denied."), Op::Retr, true, 0, {}, false},
    {"MultilineRetr_active", replies("RETR=550-Cannot open a.txt:|550 Permission denied."), Op::Retr, false, 0, {}, false},
    {"MultilineStor_passive", replies("STOR=553-Cannot create:|553 Permission denied."), Op::Stor, true, 0, {}, false},
    {"MultilineStor_active", replies("STOR=553-Cannot create:|553 Permission denied."), Op::Stor, false, 0, {}, false},
    // A refused REST stops a resumed download in either mode (the whole file would land
    // after the part already here).
    {"MultilineRest_active", replies("REST=550-No restart:|550 Not here."), Op::Resume, false, 0, {"ProtocolError"}, false,
     "The server cannot resume a.txt: 550 Not here."},
    {"MultilineRest_passive", replies("REST=550-No restart:|550 Not here."), Op::Resume, true, 0, {"ProtocolError"}, false,
     "The server cannot resume a.txt: 550 Not here."},
};

class Faults : public ::testing::TestWithParam<FaultCase>
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.start(GetParam().server)) << server.error().toStdString();
        ftp.SetFtpServer("127.0.0.1");
        ftp.FtpPort = server.port();
        ftp.UserName = "tester";
        ftp.UserPassword = "pw";
        ftp.UsePasv = GetParam().passive;
        ftp.TimeOutConnect = GetParam().timeOut;
        ASSERT_TRUE(FtpRecorder::connectAndLogin(ftp, rec)) << dump();
        rec.clear();
    }
    std::string dump() const { return rec.events.join('\n').toStdString(); }
    QString local(const QString& name) const { return scratch.filePath(name); }

    // The owner starts its next operation from the completion handler, as a batch does: a
    // second completion of the fault's operation would complete that one early.
    void followUpFromTheHandler(Op op)
    {
        std::function<void()>* hooks[] = {&ftp.OnListingDone, &ftp.OnFileReceived, &ftp.OnFileReceived,
                                          &ftp.OnFileStored,  &ftp.OnFileDeleted,  &ftp.OnDirectoryChanged};
        std::function<void()>& hook = *hooks[int(op)];
        hook = [this, &hook, previous = hook] {
            previous();
            hook = previous;
            successAtEvent = ftp.Success;
            if (ftp.SessionConnected())
                ftp.ChangeDirectoryUp();
        };
    }

    void start(Op op)
    {
        followUpFromTheHandler(op);
        ftp.LocalFile = local(op == Op::Stor ? "up.txt" : "a.txt");
        ftp.RemoteFile = op == Op::Stor ? "up.txt" : "a.txt";
        switch (op) {
        case Op::List: ftp.ListDirectory(); break;
        case Op::Retr: ftp.Download(false); break;
        case Op::Resume:
            testutil::writeFile(local("a.txt"), "line 0000");
            ftp.Download(true);
            break;
        case Op::Stor:
            testutil::writeFile(local("up.txt"), QByteArray(20000, 'u'));
            ftp.ResumePos = 0;
            ftp.Upload();
            break;
        case Op::Dele: ftp.DeleteFile("a.txt"); break;
        case Op::Cwd: ftp.ChangeDirectory("/nowhere"); break;
        }
    }

    QStringList errorCodes() const
    {
        QStringList codes;
        for (const QString& e : rec.events) {
            if (e.startsWith("error "))
                codes << e.section(' ', 1, 1);
        }
        return codes;
    }

    FaultServer server;
    QTemporaryDir scratch;
    TFtp ftp;
    FtpRecorder rec{ftp};
    bool successAtEvent = true;
};

std::string caseName(const ::testing::TestParamInfo<FaultCase>& info)
{
    return info.param.name;
}

}  // namespace

TEST_P(Faults, EndByTheDeadlineWithTheirEventOnce)
{
    const FaultCase& c = GetParam();
    const QString event = QString::fromLatin1(eventOf(c.op));
    start(c.op);
    ASSERT_TRUE(rec.waitFor(event, 1, 8000)) << dump();
    EXPECT_FALSE(successAtEvent) << dump();
    if (c.sessionEnds) {
        ASSERT_TRUE(rec.waitFor("FtpQuit", 1, 5000)) << dump();
    }
    testutil::spin(300);  // a second completion, or a late error, would come now
    const int followUp = rec.indexOf("info CommandSent CDUP");
    EXPECT_EQ((followUp < 0 ? rec.events : rec.events.mid(0, followUp)).count(event), 1) << dump();
    EXPECT_EQ(errorCodes(), c.errors) << dump();
    EXPECT_FALSE(ftp.Busy());
    if (!c.note.isEmpty()) {
        EXPECT_TRUE(rec.has("info Notice " + c.note)) << dump();
    }
    if (c.op == Op::Retr && c.server.fault == "final-426") {
        // What came before the 426 is kept.
        EXPECT_EQ(testutil::readFile(local("a.txt")).size(), 1000);
    }
    if (c.op == Op::Resume) {
        EXPECT_EQ(testutil::readFile(local("a.txt")), "line 0000");  // the partial file as it was
        EXPECT_FALSE(rec.commands.contains("RETR a.txt")) << dump();
    }
    if (c.sessionEnds) {
        EXPECT_FALSE(ftp.SessionConnected());
        return;
    }
    EXPECT_FALSE(rec.has("FtpQuit")) << dump();
    // The operation started in the handler completed on its own replies.
    const int changed = c.op == Op::Cwd ? 2 : 1;
    ASSERT_TRUE(rec.waitFor("DirectoryChanged", changed)) << dump();
    EXPECT_GT(rec.events.lastIndexOf("DirectoryChanged"), rec.events.lastIndexOf("info ReplyLine 257 \"/\" is the current directory."))
        << dump();
    EXPECT_TRUE(ftp.Success) << dump();
    EXPECT_EQ(rec.commands.last(), "PWD");
    // The next command gets its own reply, not a late one of the fault.
    ftp.SendRaw("NOOP");
    ASSERT_TRUE(rec.waitFor("RawCommand")) << dump();
    testutil::spin(100);
    EXPECT_EQ(rec.count("RawCommand"), 1) << dump();
    EXPECT_EQ(rec.replies.last(), "200 NOOP ok.");
}

INSTANTIATE_TEST_SUITE_P(Server, Faults, ::testing::ValuesIn(kCases), caseName);

TEST(DataFaults, ActiveModeTakesTheDataConnectionOfTheServerOnly)
{
    FaultServer server;
    ASSERT_TRUE(server.start(fault("rogue-data"))) << server.error().toStdString();
    QTemporaryDir scratch;
    TFtp ftp;
    FtpRecorder rec(ftp);
    ftp.SetFtpServer("127.0.0.1");
    ftp.FtpPort = server.port();
    ftp.UsePasv = false;
    ASSERT_TRUE(FtpRecorder::connectAndLogin(ftp, rec));
    ftp.LocalFile = scratch.filePath("a.txt");
    ftp.RemoteFile = "a.txt";
    ftp.Download(false);
    ASSERT_TRUE(rec.waitFor("FileReceived", 1, 8000)) << rec.events.join('\n').toStdString();
    EXPECT_TRUE(ftp.Success);
    const QByteArray got = testutil::readFile(scratch.filePath("a.txt"));
    EXPECT_EQ(got.size(), 5000);
    EXPECT_FALSE(got.contains("ROGUE"));
    EXPECT_TRUE(rec.has("info Notice Refused a data connection from 127.0.0.2: the server is 127.0.0.1"))
        << rec.events.join('\n').toStdString();
    EXPECT_TRUE(server.log().contains("rogue connection closed by the client")) << server.log().join('\n').toStdString();
}

TEST(DataFaults, AnEndlessLineEndsTheConnectionWithABoundedBuffer)
{
    FaultServer server;
    ASSERT_TRUE(server.start(fault("endless-line"))) << server.error().toStdString();
    TFtp ftp;
    FtpRecorder rec(ftp);
    ftp.SetFtpServer("127.0.0.1");
    ftp.FtpPort = server.port();
    ftp.ConnectSession();
    ASSERT_TRUE(rec.waitFor("FtpQuit", 1, 15000)) << rec.events.join('\n').toStdString();
    EXPECT_TRUE(rec.hasError(FtpError::ProtocolError));
    EXPECT_FALSE(ftp.SessionConnected());
    // The client hung up after about a megabyte, not after the server's 64 MiB.
    ASSERT_TRUE(waitFor([&] { return server.log().filter("endless line").size() == 1; }, 5000));
    const qint64 sent = server.log().filter("endless line").first().section(' ', 2, 2).toLongLong();
    EXPECT_LT(sent, 16 * 1024 * 1024) << sent;
}

TEST(DataFaults, AbortingAnActiveListingKeepsTheSession)
{
    for (bool synch : {true, false}) {
        FaultServer server;
        ASSERT_TRUE(server.start(fault("silent-data"))) << server.error().toStdString();
        TFtp ftp;
        FtpRecorder rec(ftp);
        ftp.SetFtpServer("127.0.0.1");
        ftp.FtpPort = server.port();
        ftp.UsePasv = false;
        ASSERT_TRUE(FtpRecorder::connectAndLogin(ftp, rec));
        ftp.ListDirectory();
        ASSERT_TRUE(waitFor([&] { return rec.replies.last().startsWith("150"); })) << synch;
        synch ? ftp.AbortWithSynch() : ftp.Abort();
        // The operation ends with the ABOR's replies, not before them.
        EXPECT_FALSE(rec.has("ListingDone"));
        ASSERT_TRUE(rec.waitFor("ListingDone")) << rec.events.join('\n').toStdString();
        EXPECT_GT(rec.indexOf("ListingDone"), rec.indexOf("info ReplyLine 226 Abort successful."));
        EXPECT_FALSE(ftp.Success);
        ftp.SendRaw("NOOP");
        ASSERT_TRUE(rec.waitFor("RawCommand"));
        EXPECT_EQ(rec.replies.last(), "200 NOOP ok.");
        EXPECT_FALSE(rec.has("FtpQuit")) << rec.events.join('\n').toStdString();
        EXPECT_TRUE(ftp.SessionConnected());
    }
}
