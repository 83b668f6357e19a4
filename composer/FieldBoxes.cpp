#include "FieldBoxes.h"

#include "ComposerLayout.h"
#include "settings/FieldText.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>

#include <algorithm>

namespace {

using FieldTable::Shape;

// A line break can only reach a one-line box from a hand-edited settings
// file. Each one becomes a space, so nothing is hidden from the user and
// nothing is dropped.
QString asOneLine(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    text.replace(u'\r', u' ');
    text.replace(u'\n', u' ');
    return FieldText::trimmed(text);
}

QWidget *controlOf(const QWidget *form, const FieldTable::Row &row)
{
    QWidget *control = nullptr;
    switch (row.shape) {
    case Shape::Line:
        control = form->findChild<QLineEdit *>(row.control, Qt::FindDirectChildrenOnly);
        break;
    case Shape::Text:
        control = form->findChild<QPlainTextEdit *>(row.control, Qt::FindDirectChildrenOnly);
        break;
    case Shape::Choice:
        control = form->findChild<QComboBox *>(row.control, Qt::FindDirectChildrenOnly);
        break;
    }
    if (!control)
        qFatal("Composer fields: %s is not a control of the field's shape", row.control.data());
    return control;
}

constexpr bool addressesInLines()
{
    return std::ranges::all_of(FieldTable::rows, [](const FieldTable::Row &row) {
        return !row.addresses || row.shape == Shape::Line;
    });
}
static_assert(addressesInLines(), "a field of addresses is a one-line box");

} // namespace

FieldBoxes::FieldBoxes(const QWidget *form)
{
    for (std::size_t i = 0; i < m_controls.size(); ++i)
        m_controls[i] = controlOf(form, FieldTable::rows[i]);
}

MailFields FieldBoxes::read() const { return read(true); }

QWidget *FieldBoxes::control(QString MailFields::*text) const
{
    const FieldTable::Row &row = FieldTable::rowOf(text);
    return m_controls.at(std::size_t(&row - FieldTable::rows.data()));
}

MailFields FieldBoxes::readOneLiners() const { return read(false); }

MailFields FieldBoxes::read(bool withText) const
{
    MailFields fields;
    for (std::size_t i = 0; i < m_controls.size(); ++i) {
        const FieldTable::Row &row = FieldTable::rows[i];
        switch (row.shape) {
        case Shape::Line:
            fields.*row.text = static_cast<const QLineEdit *>(m_controls[i])->text();
            break;
        case Shape::Text:
            if (withText)
                fields.*row.text = static_cast<const QPlainTextEdit *>(m_controls[i])->toPlainText();
            break;
        case Shape::Choice:
            fields.*row.index = static_cast<const QComboBox *>(m_controls[i])->currentIndex();
            break;
        }
    }
    return fields;
}

QStringList FieldBoxes::fill(const MailFields &fields) const
{
    QStringList over = overLong(fields);
    for (std::size_t i = 0; i < m_controls.size(); ++i) {
        const FieldTable::Row &row = FieldTable::rows[i];
        if (row.shape == Shape::Line) {
            auto *box = static_cast<QLineEdit *>(m_controls[i]);
            if (!over.contains(box->accessibleName()))
                box->setText(asOneLine(fields.*row.text));
        } else if (row.shape == Shape::Text) {
            static_cast<QPlainTextEdit *>(m_controls[i])->setPlainText(fields.*row.text);
        } else {
            auto *list = static_cast<QComboBox *>(m_controls[i]);
            if (const int index = fields.*row.index; index >= 0 && index < list->count())
                list->setCurrentIndex(index);
        }
    }
    return over;
}

QStringList FieldBoxes::overLong(const MailFields &fields) const
{
    QStringList names;
    for (std::size_t i = 0; i < m_controls.size(); ++i) {
        const FieldTable::Row &row = FieldTable::rows[i];
        if (row.shape == Shape::Line && asOneLine(fields.*row.text).size() > ComposerLayout::lineBoxLimit)
            names << m_controls[i]->accessibleName();
    }
    return names;
}

QList<QLineEdit *> FieldBoxes::addressBoxes() const
{
    QList<QLineEdit *> boxes;
    for (std::size_t i = 0; i < m_controls.size(); ++i) {
        if (FieldTable::rows[i].addresses)
            boxes << static_cast<QLineEdit *>(m_controls[i]);
    }
    return boxes;
}

void FieldBoxes::watch(QObject *context, const std::function<void()> &edited) const
{
    for (QWidget *control : m_controls) {
        if (auto *box = qobject_cast<QLineEdit *>(control))
            QObject::connect(box, &QLineEdit::textChanged, context, edited);
        else if (auto *text = qobject_cast<QPlainTextEdit *>(control))
            QObject::connect(text, &QPlainTextEdit::textChanged, context, edited);
        else if (auto *list = qobject_cast<QComboBox *>(control))
            QObject::connect(list, &QComboBox::currentIndexChanged, context, edited);
    }
}
