// The main window's layout: window state and geometry kept in the settings file, resizing,
// splitters, show/hide of its parts, the notification-area icon and the host history.
#include "app/mainwindow.h"

#include "app/columnfit.h"
#include "console/xconsole.h"
#include "controls/orvoview.h"
#include "platform/errorreport.h"
#include "platform/apperror.h"
#include "platform/inifile.h"
#include "settings/layout.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QStatusBar>
#include <QListView>
#include <QTreeView>
#include <QScrollBar>
#include <QSplitter>
#include <QSystemTrayIcon>
#include <QToolBar>
#include <QWheelEvent>
#include <QWindowStateChangeEvent>

namespace {

TViewStyle viewStyleFrom(int value, TViewStyle current)
{
    return value >= 0 && value <= 3 ? TViewStyle(value) : current;
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
    const WindowLayout layout = readWindowLayout(*SettingsFile->read(), current);

    Queue->setVisible(layout.QueueVisible);
    MiddleSplitter->setSizes({qMax(50, width() - layout.RemoteSize), layout.RemoteSize});
    Splitter3->setSizes({qMax(50, width() - layout.QueueSize), layout.QueueSize});
    BottomSplitter->setSizes({qMax(100, height() - layout.ServerSize), layout.ServerSize});
    ToolBar->setVisible(layout.ShowToolbar);
    PanelInfo->setVisible(layout.ShowInfoPanel);
    mnuResolveFile->setChecked(layout.ResolveFile);
    Remote->SetViewStyle(viewStyleFrom(layout.RemoteIcon, Remote->ViewStyle()));
    Local->SetViewStyle(viewStyleFrom(layout.LocalIcon, Local->ViewStyle()));
    mnuShowLinks->setChecked(layout.ShowLinks);
    mnuShowQueue->setChecked(layout.ShowQueue);

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

void TfrmMain::SaveLayout()
{
    WindowLayout layout;
    const bool normal = !(windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen))
                        && isVisible();
    const QRect normalGeometry = normal ? geometry() : this->normalGeometry();
    layout.Top = normalGeometry.top();
    layout.Left = normalGeometry.left();
    layout.Width = normalGeometry.width();
    layout.Height = normalGeometry.height();
    Qt::WindowStates states = windowState();
    if (!isVisible())
        states |= Qt::WindowMinimized;  // hidden to the tray counts as minimised
    layout.WindowState = windowStateForExit(states, isActiveWindow());
    layout.RemoteSize = PanelRemote->width();
    layout.ServerSize = PanelMemo->height();
    layout.RemoteIcon = int(Remote->ViewStyle());
    layout.LocalIcon = int(Local->ViewStyle());
    layout.ShowLinks = mnuShowLinks->isChecked();
    layout.ShowQueue = mnuShowQueue->isChecked();
    layout.ShowToolbar = ToolBar->isVisibleTo(this);
    layout.ShowInfoPanel = PanelInfo->isVisibleTo(this);
    layout.QueueVisible = Queue->isVisibleTo(this);
    layout.QueueSize = Queue->width();
    layout.ResolveFile = mnuResolveFile->isChecked();
    SettingsFile->edit([&](IniDocument& doc) { writeWindowLayout(doc, layout, normal && layout.WindowState == 1); });
}

void TfrmMain::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    txtFTPServer->setFocus();  // FormShow
    // The first resize happens as the window appears at its size; a window shown at the
    // size it already had gets no resize event then, so the step runs from here.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (!m_resized && State == SessionState::StartingUp) {
                m_resized = true;
                FirstResize();
            }
        },
        Qt::QueuedConnection);
}

void TfrmMain::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    if (State == SessionState::StartingUp && isVisible() && !m_resized) {
        m_resized = true;
        FirstResize();
    }
    if (TransferRunning())
        return;
    // The status bar's two panels share the width; the size grip is for normal windows.
    StatusText->setMinimumWidth(width() / 2 - 8);
    statusBar()->setSizeGripEnabled(!(windowState() & Qt::WindowMaximized));
}

void TfrmMain::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && (windowState() & Qt::WindowMinimized) && Config().Hide
        && !m_closing) {
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
            for (TOrvoListView* view : {Local, Remote, Queue}) {
                if (view->isAncestorOf(focus) && !view->isAncestorOf(widget)) {
                    auto* wheel = static_cast<QWheelEvent*>(event);
                    const int lines = -wheel->angleDelta().y() / 120 * QApplication::wheelScrollLines();
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

// --- Show and hide ----------------------------------------------------------------------

void TfrmMain::updateOptionsMenu()
{
    mnuShowQueue->setChecked(Queue->isVisibleTo(this));
    mnuShowToolbar->setChecked(ToolBar->isVisibleTo(this));
    mnuShowPrompts->setChecked(PanelInfo->isVisibleTo(this));
    mnuHalt->setEnabled(TransferRunning());
    mnuSiteResumes->setEnabled(State != SessionState::NotConnected && State != SessionState::Connecting);
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

// --- History -------------------------------------------------------------------------------

QStringList TfrmMain::History() const
{
    QStringList items;
    for (int i = 0; i < txtFTPServer->count(); ++i)
        items << txtFTPServer->itemText(i);
    return items;
}

void TfrmMain::AddHistory(const QString& item)
{
    if (txtFTPServer->findText(item, Qt::MatchExactly | Qt::MatchCaseSensitive) >= 0)
        return;
    const QString text = txtFTPServer->currentText();
    m_suppressServerChange = true;
    if (txtFTPServer->count() >= 15)
        txtFTPServer->removeItem(txtFTPServer->count() - 1);
    txtFTPServer->insertItem(0, item);
    txtFTPServer->setEditText(text);
    m_suppressServerChange = false;
}
