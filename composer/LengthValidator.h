#pragma once

#include <QValidator>

// Accepts a text of at most limit characters and nothing longer. A line edit
// given one undoes, whole, any edit (typing, paste, drop, input method) that
// would have made its text longer, and emits inputRejected(); unlike its own
// maximum length, which keeps the part that fits without a word.
class LengthValidator : public QValidator
{
    Q_OBJECT

public:
    LengthValidator(qsizetype limit, QObject *parent);

    // Acceptable up to limit characters, Invalid beyond.
    State validate(QString &input, int &position) const override;
    qsizetype limit() const { return m_limit; }

private:
    qsizetype m_limit;
};
