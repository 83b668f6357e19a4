#include "SmtpTestCase.h"

void SmtpTestCase::initTestCase()
{
    QVERIFY2(TestCertificates::instance().isValid(), qPrintable(TestCertificates::instance().error()));
}
