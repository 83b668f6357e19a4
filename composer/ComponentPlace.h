#pragma once

#include <QPixmap>
#include <QWidget>

// The mail component's spot in the window: a picture while it is idle, a
// pie of the share of the message sent while it sends. Never takes focus.
class ComponentPlace : public QWidget
{
    Q_OBJECT

public:
    explicit ComponentPlace(QWidget *parent = nullptr);

    bool isSending() const { return m_sending; }
    int percent() const { return m_percent; }

    void setProgress(qint64 sent, qint64 total);
    void setIdle();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    bool m_sending = false;
    int m_percent = 0;
    QPixmap m_idle;
};
