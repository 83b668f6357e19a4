// korvane-bench: the measuring side of bench/run.sh.
//   korvane-bench send SERVER FILE [COUNT]   COUNT sends in a row (default 1)
//   korvane-bench dump FILE OUT              the message as the component builds it
//   korvane-bench charset FILE               time to choose the file's type and charset
//   korvane-bench idle MS                    the stall meter alone, as a control
//   korvane-bench ports SERVER PLAIN SUBMISSION TLS CAFILE USER|- PASSWORD COUNT
//                                            time to the outcome with no port typed
//   korvane-bench close SERVER               send, close the window on a line of stdin
//   korvane-bench typing MB 0|1 SECONDS [0|1]
//                                            key latency in a body of MB megabytes,
//                                            without or with the recovery copy; then
//                                            prose, without or with spelling
//   korvane-bench longbox BOX ITEMS KEYS [end|middle]
//                                            a key's cost in a box of ITEMS items,
//                                            against a bare line edit (BOX bare)
//   korvane-bench window SERVER FILE         the window, waiting for the send key
//   korvane-bench addresses LENGTH SECONDS [0|1]
//                                            key latency in an address box, with a
//                                            full address file of LENGTH-long names,
//                                            without or with the address checks
#include "AddressBench.h"
#include "CloseBench.h"
#include "LongBoxBench.h"
#include "PortBench.h"
#include "SendBench.h"
#include "StallMeter.h"
#include "TypingBench.h"
#include "WindowBench.h"

#include <QApplication>
#include <QStringList>
#include <QTimer>

#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments().mid(1);
    const QString mode = args.value(0);
    if (mode == u"send" && (args.size() == 3 || args.size() == 4)) {
        const int count = args.size() == 4 ? args[3].toInt() : 1;
        if (count < 1)
            return 2;
        SendBench bench(args[1], args[2], count);
        bench.start();
        return QApplication::exec();
    }
    if (mode == u"dump" && args.size() == 3)
        return dumpMessage(args[1], args[2]) ? 0 : 1;
    if (mode == u"charset" && args.size() == 2)
        return timeCharset(args[1]) ? 0 : 1;
    if (mode == u"ports")
        return runPortBench(args.mid(1));
    if (mode == u"close" && args.size() == 2)
        return runCloseBench(args[1]);
    if (mode == u"typing" && (args.size() == 4 || args.size() == 5))
        return runTypingBench(args[1].toInt(), args[2] == u"1", args[3].toInt(),
                              args.size() == 5 ? int(args[4] == u"1") : -1);
    if (mode == u"addresses" && (args.size() == 3 || args.size() == 4))
        return runAddressBench(args[1].toInt(), args[2].toInt(), args.value(3) == u"1");
    if (mode == u"longbox" && (args.size() == 4 || args.size() == 5))
        return runLongBoxBench(args[1], args[2].toInt(), args[3].toInt(), args.value(4) == u"middle");
    if (mode == u"window" && args.size() == 3)
        return runWindowBench(args[1], args[2]);
    if (mode == u"idle" && args.size() == 2) {
        // What the machine alone does to the event loop: the same meter with
        // no send, so a stall during a send can be told from the scheduler's.
        StallMeter stalls;
        stalls.start();
        QTimer::singleShot(args[1].toInt(), &app, [&stalls] {
            stalls.stop();
            std::printf("longest_gap_ms=%.3f\n", stalls.longestGapMs());
            QApplication::quit();
        });
        return QApplication::exec();
    }
    std::fprintf(stderr,
                 "usage: korvane-bench send SERVER FILE [COUNT] | dump FILE OUT | charset FILE"
                 " | idle MS | close SERVER | typing MB 0|1 SECONDS [0|1] | window SERVER FILE"
                 " | addresses LENGTH SECONDS [0|1] | longbox BOX ITEMS KEYS [end|middle]"
                 " | ports SERVER PLAIN SUBMISSION TLS CAFILE USER|- PASSWORD COUNT\n");
    return 2;
}
