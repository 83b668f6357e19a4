#pragma once

#include <QObject>

class QAbstractButton;

// Makes a button's access key (Alt+letter) click it at once, as its keyboard
// shortcut does, instead of after the press Qt shows first (animateClick
// emits clicked() only when the press look ends). The press look is still
// shown, for as long as Qt shows it. clicked() comes once per key, as before.
class ImmediateMnemonic : public QObject
{
    Q_OBJECT

public:
    // Watches button; lives as its child.
    static void install(QAbstractButton *button);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    explicit ImmediateMnemonic(QAbstractButton *button);
    void release();

    QAbstractButton *m_button;
    bool m_showingPress = false;
};
