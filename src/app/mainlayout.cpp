// The main window's layout: window state and geometry kept in the settings file, resizing,
// splitters, show/hide of its parts, the notification-area icon, Escape and the wheel.
#include "app/mainwindow.h"

#include "app/filepanel.h"
#include "app/quickconnectbar.h"
#include "app/wheelsteps.h"
#include "console/xconsole.h"
#include "controls/columnfit.h"
#include "controls/orvoview.h"
#include "platform/core/inifile.h"
#include "session/sessioncontroller.h"
#include "settings/layout.h"
#include "settings/settingsstore.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLayout>
#include <QLabel>
#include <QListView>
#include <QScrollBar>
#include <QSplitter>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QToolBar>
#include <QTreeView>
#include <QWheelEvent>

namespace {

TViewStyle viewStyleFrom(int value, TViewStyle current)
{
    return value >= 0 && value <= 3 ? TViewStyle(value) : current;
}

// Sizes of a two-pane splitter giving the second pane `second` pixels exactly: the splitter
// scales sizes that do not add up to its own width, and a few pixels lost at every start
// would make the panes drift.
QList<int> splitterSizes(const QSplitter* splitter, int second, int minimumFirst)
{
    const int extent = splitter->orientation() == Qt::Horizontal ? splitter->width() : splitter->height();
    const int available = extent - splitter->handleWidth();
    const int first = qMax(minimumFirst, available - second);
    return {first, qMax(0, available - first)};
}

}  // namespace

void TfrmMain::ApplyLayout()
{
    WindowLayout current;
    current.Top = geometry().top();
    current.Left = geometry().left();
    current.Width = width();
    current.Height = height();
    current.RemoteSize = width() / 2;
    current.QueueSize = width() / 2;
    m_layout = std::make_unique<WindowLayout>(readWindowLayout(*Settings->file().read(), current));
    const WindowLayout& layout = *m_layout;

    Queue->setVisible(layout.QueueVisible);
    ToolBar->setVisible(layout.ShowToolbar);
    QuickConnect->PanelInfo->setVisible(layout.ShowInfoPanel);
    command(QStringLiteral("mnuResolveFile"))->setChecked(layout.ResolveFile);
    Session->Remote().filter().resolveLinks = layout.ResolveFile;
    RemotePanel->View()->SetViewStyle(viewStyleFrom(layout.RemoteIcon, RemotePanel->View()->ViewStyle()));
    LocalPanel->View()->SetViewStyle(viewStyleFrom(layout.LocalIcon, LocalPanel->View()->ViewStyle()));
    command(QStringLiteral("mnuShowLinks"))->setChecked(layout.ShowLinks);
    Session->Remote().filter().showLinks = layout.ShowLinks;
    command(QStringLiteral("mnuShowQueue"))->setChecked(layout.ShowQueue);

    switch (layout.WindowState) {
    case 0:
        break;
    case 1:
        setGeometry(layout.Left, layout.Top, layout.Width, layout.Height);
        setWindowState(Qt::WindowNoState);
        break;
    case 2:
    case 3:
        setGeometry(layout.Left, layout.Top, layout.Width, layout.Height);
        setWindowState(Qt::WindowMaximized);
        break;
    default:
        setGeometry(layout.Left, layout.Top, layout.Width, layout.Height);
        break;
    }
}

// At the first resize the window has its size: the panes get theirs.
void TfrmMain::applyPaneSizes()
{
    // The splitters must have their own final sizes first.
    if (layout())
        layout()->activate();
    if (centralWidget()->layout())
        centralWidget()->layout()->activate();
    if (Settings->firstRun() || !m_layout) {
        Splitter3->setSizes({width() / 2, width() / 2});
        MiddleSplitter->setSizes({width() / 2, width() / 2});
        return;
    }
    MiddleSplitter->setSizes(splitterSizes(MiddleSplitter, m_layout->RemoteSize, 50));
    Splitter3->setSizes(splitterSizes(Splitter3, m_layout->QueueSize, 50));
    BottomSplitter->setSizes(splitterSizes(BottomSplitter, m_layout->ServerSize, 100));
}

void TfrmMain::SaveLayout(bool hiddenToTray)
{
    WindowLayout layout;
    const Qt::WindowStates states = windowState();
    const bool normal = !(states & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen)) && !hiddenToTray;
    const QRect normalGeometry = normal ? geometry() : this->normalGeometry();
    layout.Top = normalGeometry.top();
    layout.Left = normalGeometry.left();
    layout.Width = normalGeometry.width();
    layout.Height = normalGeometry.height();
    layout.WindowState = windowStateForExit(states, isActiveWindow(), hiddenToTray);
    layout.RemoteSize = RemotePanel->width();
    layout.ServerSize = PanelMemo->height();
    layout.RemoteIcon = int(RemotePanel->View()->ViewStyle());
    layout.LocalIcon = int(LocalPanel->View()->ViewStyle());
    layout.ShowLinks = command(QStringLiteral("mnuShowLinks"))->isChecked();
    layout.ShowQueue = command(QStringLiteral("mnuShowQueue"))->isChecked();
    layout.ShowToolbar = ToolBar->isVisibleTo(this);
    layout.ShowInfoPanel = QuickConnect->PanelInfo->isVisibleTo(this);
    layout.QueueVisible = Queue->isVisibleTo(this);
    layout.QueueSize = Queue->width();
    layout.ResolveFile = command(QStringLiteral("mnuResolveFile"))->isChecked();
    Settings->file().edit([&](IniDocument& doc) { writeWindowLayout(doc, layout, normal); });
}

void TfrmMain::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    QuickConnect->txtFTPServer->setFocus();  // FormShow
    // The first resize happens as the window appears at its size; a window shown at the
    // size it already had gets no resize event then, so the step runs from here.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (!m_resized && Session->State() == SessionState::StartingUp) {
                m_resized = true;
                FirstResize();
            }
        },
        Qt::QueuedConnection);
}

void TfrmMain::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    if (Session->State() == SessionState::StartingUp && isVisible() && !m_resized) {
        m_resized = true;
        FirstResize();
    }
    if (Session->TransferRunning())
        return;
    // The status bar's two panels share the width; the size grip is for normal windows.
    StatusText->setMinimumWidth(width() / 2 - 8);
    statusBar()->setSizeGripEnabled(!(windowState() & Qt::WindowMaximized));
}

void TfrmMain::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    // Without a notification area the hidden window could not be brought back.
    if (event->type() == QEvent::WindowStateChange && (windowState() & Qt::WindowMinimized) && Config().Hide
        && !m_closing && QSystemTrayIcon::isSystemTrayAvailable()) {
        // AppMinimize: hide to the notification area.
        QMetaObject::invokeMethod(this, [this] { mnuHideClick(); }, Qt::QueuedConnection);
    }
}

void TfrmMain::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        showMinimized();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

bool TfrmMain::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        // The window sees Escape before its controls: it minimises the application.
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget && widget->window() == this && !qobject_cast<QComboBox*>(widget->parentWidget())) {
            showMinimized();
            return true;
        }
    }
    if (event->type() == QEvent::Wheel) {
        // The wheel scrolls the focused file list or queue, wherever the pointer is.
        auto* widget = qobject_cast<QWidget*>(watched);
        QWidget* focus = QApplication::focusWidget();
        if (widget && widget->window() == this && focus) {
            for (TOrvoListView* view : {LocalPanel->View(), RemotePanel->View(), Queue}) {
                if (view->isAncestorOf(focus) && !view->isAncestorOf(widget)) {
                    static int remainder = 0;
                    const int lines = WheelScrollLines(static_cast<QWheelEvent*>(event)->angleDelta().y(),
                                                       QApplication::wheelScrollLines(), remainder);
                    QAbstractScrollArea* pane = view->ViewStyle() == vsReport
                                                    ? static_cast<QAbstractScrollArea*>(view->DetailsView())
                                                    : static_cast<QAbstractScrollArea*>(view->IconView());
                    QScrollBar* bar = pane->verticalScrollBar();
                    bar->setValue(bar->value() + lines * bar->singleStep());
                    return true;
                }
            }
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

// --- Notification area ---------------------------------------------------------------------

void TfrmMain::mnuHideClick()
{
    TrayIcon->setToolTip(QApplication::applicationDisplayName().left(63));
    TrayIcon->show();
    hide();
}

void TfrmMain::RestoreFromTray()
{
    showNormal();
    raise();
    activateWindow();
    TrayIcon->hide();
}
