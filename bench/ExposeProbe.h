#pragma once

#include <QObject>
#include <QPointer>

class QWidget;

// Waits for a top-level widget's first exposure, lets Qt paint it, prints
// "startup_ms=N" (time since launch) and quits the application. Install it
// before show(): on some platforms the expose event arrives during show().
class ExposeProbe : public QObject
{
    Q_OBJECT

public:
    explicit ExposeProbe(QWidget *window);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void report();

    QPointer<QWidget> m_window;
    bool m_seen = false;
};
