#include "platform/core/inidocument.h"
#include "settings/layout.h"

#include <gtest/gtest.h>

namespace {

TEST(WindowLayout, AFirstStartUsesDefaultsAndTheWindowsOwnValues)
{
    WindowLayout current;
    current.Top = 5;
    current.Left = 6;
    current.Width = 1000;
    current.Height = 700;
    current.RemoteSize = 500;
    current.QueueSize = 500;
    const WindowLayout l = readWindowLayout(IniDocument(), current);
    EXPECT_EQ(l.WindowState, 3);
    EXPECT_EQ(l.Top, 5);
    EXPECT_EQ(l.Width, 1000);
    EXPECT_EQ(l.RemoteSize, 500);
    EXPECT_EQ(l.QueueSize, 500);
    EXPECT_EQ(l.ServerSize, 80);
    EXPECT_TRUE(l.QueueVisible && l.ShowQueue && l.ShowToolbar && l.ShowInfoPanel && l.ShowLinks);
    EXPECT_FALSE(l.ResolveFile);
    EXPECT_EQ(l.RemoteIcon, 3);
    EXPECT_EQ(l.LocalIcon, 3);
}

TEST(WindowLayout, ExitWritesGeometryOnlyInTheNormalState)
{
    WindowLayout l;
    l.Top = 1;
    l.Left = 2;
    l.Width = 3;
    l.Height = 4;
    l.WindowState = 2;
    l.RemoteSize = 300;
    l.QueueSize = 200;
    l.ServerSize = 90;

    IniDocument maximised = IniDocument::parse("[Setup]\nTop=50\nEmail=x\n");
    writeWindowLayout(maximised, l, false);
    EXPECT_EQ(maximised.sectionKeys("Setup"),
              QStringList({"Top", "Email", "Version", "WindowState", "RemoteSize", "ServerSize", "RemoteIcon",
                           "LocalIcon", "ShowLinks", "ShowQueue", "ShowToolbar", "ShowInfoPanel",
                           "QueueVisible", "QueueSize", "ResolveFile"}));
    EXPECT_EQ(maximised.readInteger("Setup", "Top", 0), 50);  // the last normal geometry stays
    EXPECT_EQ(maximised.readString("Setup", "Version"), "2.50");

    IniDocument normal;
    writeWindowLayout(normal, l, true);
    EXPECT_EQ(normal.sectionKeys("Setup").mid(0, 5), QStringList({"Top", "Left", "Width", "Height", "Version"}));
    EXPECT_EQ(readWindowLayout(normal, WindowLayout{}), l);
}

TEST(WindowLayout, StateStoredAtExit)
{
    EXPECT_EQ(windowStateForExit(Qt::WindowNoState, true, false), 1);
    EXPECT_EQ(windowStateForExit(Qt::WindowMaximized, true, false), 2);
    EXPECT_EQ(windowStateForExit(Qt::WindowMinimized, true, false), 0);
    EXPECT_EQ(windowStateForExit(Qt::WindowMinimized | Qt::WindowMaximized, true, false), 0);
    EXPECT_EQ(windowStateForExit(Qt::WindowNoState, false, false), 2);
    // A minimised window is never the active one here; it still comes back normal.
    EXPECT_EQ(windowStateForExit(Qt::WindowMinimized, false, false), 0);
    // Hidden to the notification area: the next start is maximised.
    EXPECT_EQ(windowStateForExit(Qt::WindowNoState, false, true), 2);
    EXPECT_EQ(windowStateForExit(Qt::WindowMinimized, false, true), 2);
}

TEST(WindowLayout, HistoryAndPendingQueueSite)
{
    IniDocument d = IniDocument::parse("[History]\nh1=old1\nh2=old2\nh3=old3\n");
    writeHistory(d, {"new", "", "host:user:pw:2121"});
    EXPECT_EQ(readHistory(d), QStringList({"new", "host:user:pw:2121"}));
    EXPECT_FALSE(d.valueExists("History", "h3"));

    writeQueueSite(d, "Work");
    EXPECT_EQ(readQueueSite(d), "Work");
    writeQueueSite(d, "");
    EXPECT_FALSE(d.sectionExists("Queue"));
    writeQueueSite(d, "Home");
    eraseQueue(d);
    EXPECT_EQ(readQueueSite(d), "");
}

}  // namespace
