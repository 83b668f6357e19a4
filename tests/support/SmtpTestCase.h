#pragma once

#include "SendFixture.h"

#include <QObject>

// The base of the mail component's end-to-end test classes. Every case
// needs the test certificates, made once per process: without them nothing
// is run.
class SmtpTestCase : public QObject
{
    Q_OBJECT

protected Q_SLOTS:
    // A test class with set-up of its own calls this first.
    void initTestCase();
};
