#pragma once

#include <QElapsedTimer>
#include <QPixmap>
#include <QTimer>
#include <QWidget>

// The mail component's spot in the window: a picture while it is idle, a
// pie of the share of the message sent while it sends. Never takes focus.
// It repaints only when the whole percent it draws changes, and tells a
// screen reader the share at the start, at 100 % and at most a few times a
// second in between (the last share always follows).
class ComponentPlace : public QWidget
{
    Q_OBJECT

public:
    // The least time between two announcements of the share in between.
    static constexpr int kAnnounceIntervalMs = 250;

    explicit ComponentPlace(QWidget *parent = nullptr);

    bool isSending() const { return m_sending; }
    int percent() const { return m_percent; }
    bool hasBeenPainted() const { return m_painted; }

    void setProgress(qint64 sent, qint64 total);
    void setIdle();

Q_SIGNALS:
    // Once, when the place (and so the window around it) is first painted.
    void firstPainted();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void announce(bool now);
    void announceLatest();

    bool m_sending = false;
    bool m_painted = false;
    int m_percent = 0;
    QPixmap m_idle;
    QElapsedTimer m_announced;
    QTimer m_pendingAnnouncement;
};
