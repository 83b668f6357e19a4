#include "LengthValidator.h"

LengthValidator::LengthValidator(qsizetype limit, QObject *parent) : QValidator(parent), m_limit(limit) {}

QValidator::State LengthValidator::validate(QString &input, int &position) const
{
    Q_UNUSED(position);
    return input.size() <= m_limit ? Acceptable : Invalid;
}
