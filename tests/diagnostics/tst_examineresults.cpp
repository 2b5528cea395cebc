#include "Blocks.h"
#include "ScriptedPort.h"
#include "ScriptedPrompts.h"
#include "diagnostics/SignalDiagnostics.h"
#include "link/MeterLink.h"
#include "shared/ConfigRecord.h"
#include "shared/SignalArrays.h"

#include <QTest>

// An analysis reply that arrives after the exchange gave up: the one further
// read takes it only when the two together make exactly one whole reply.
class TestExamineResults : public QObject {
    Q_OBJECT
private slots:
    void lateReply_data() {
        QTest::addColumn<int>("delivered"); // bytes of the reply that arrive late
        QTest::addColumn<qint64>("at");     // when the first of them arrives
        QTest::addColumn<bool>("taken");
        // The three writes give up about 2.55 s after the first; the further
        // read waits a quarter of a second more.
        QTest::newRow("whole reply, late") << 561 << qint64(2450) << true;
        QTest::newRow("reply still incomplete") << 561 << qint64(2700) << false;
        QTest::newRow("reply cut short") << 400 << qint64(2450) << false;
        QTest::newRow("reply with a stray byte") << 562 << qint64(2450) << false;
    }
    void lateReply() {
        QFETCH(int, delivered);
        QFETCH(qint64, at);
        QFETCH(bool, taken);
        VirtualWaiter waiter;
        ScriptedPort port(waiter);
        ScriptedPrompts prompts;
        MeterLink link(port, waiter, prompts);
        SignalArrays arrays;
        ConfigRecord config;
        SignalDiagnostics diag(link, arrays, config);

        const QByteArray data = block({{1, "07000000"}, {513, "00009841"}});
        QByteArray reply = QByteArray("XR,1,540,").leftJustified(21, '\0') + data;
        if (delivered > 561)
            reply.prepend(QByteArray(delivered - 561, 'x'));
        port.deliver(reply.left(delivered), at);
        const QByteArray block = diag.ExamineResults(1);
        QCOMPARE(block == data, taken);
        QCOMPARE(block.size() == 540, taken);
        QCOMPARE(port.countWrites("XR,1\n"), 3);
    }
};

QTEST_GUILESS_MAIN(TestExamineResults)
#include "tst_examineresults.moc"
