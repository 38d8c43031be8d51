#pragma once

#include <QWidget>

// The borderless window shown while the main window is created.
class TSplashWindow : public QWidget
{
    Q_OBJECT

public:
    explicit TSplashWindow(QWidget* parent = nullptr);
};
