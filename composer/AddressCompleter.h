#pragma once

#include "addresses/AddressEntry.h"

#include <QObject>

class AddressMemory;
class QAbstractItemView;
class QCompleter;
class QLineEdit;
class QStringListModel;

// Offers, under an address box, the remembered addresses that match the item
// being typed (a long name shown cut short); the one chosen (Down and Return,
// or a click) takes that item's place whole, followed by ", " when it is the
// last. Shift+Canc on a suggestion forgets it.
class AddressCompleter : public QObject
{
    Q_OBJECT

public:
    // box and memory outlive the completer, a child of box.
    AddressCompleter(QLineEdit *box, AddressMemory &memory);

    QCompleter *completer() const { return m_completer; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QAbstractItemView *popup();
    void offer(bool anew);
    void take(const QString &chosen);
    void forgetCurrent();

    QLineEdit *m_box;
    AddressMemory &m_memory;
    QCompleter *m_completer;
    QStringListModel *m_model;
    QList<AddressEntry> m_offered;
    bool m_taking = false;
    bool m_popupMade = false;
};
