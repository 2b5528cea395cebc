// The real message boxes behind the prompts seam: which button Enter and
// Escape choose. A wrong default would let Enter erase a meter.
#include "ui/QtPrompts.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <QtTest>

using Answer = Prompts::Answer;
using Buttons = Prompts::Buttons;

class tst_qtprompts : public QObject {
    Q_OBJECT
private slots:
    void keys_data() {
        QTest::addColumn<int>("buttons");
        QTest::addColumn<int>("defaultAnswer");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("answer");
        const auto row = [](const char* name, Buttons b, Answer d, Qt::Key k, Answer a) {
            QTest::newRow(name) << int(b) << int(d) << int(k) << int(a);
        };
        // The master erase question: Yes/No with No as the default.
        row("Enter on Yes/No, default No", Buttons::YesNo, Answer::No, Qt::Key_Return, Answer::No);
        row("Escape on Yes/No", Buttons::YesNo, Answer::Yes, Qt::Key_Escape, Answer::No);
        row("Enter on Yes/No, default Yes", Buttons::YesNo, Answer::Yes, Qt::Key_Return,
            Answer::Yes);
        row("Escape on Yes/No/Cancel", Buttons::YesNoCancel, Answer::Yes, Qt::Key_Escape,
            Answer::Cancel);
        row("Escape on OK", Buttons::Ok, Answer::Ok, Qt::Key_Escape, Answer::Ok);
    }

    void keys() {
        QFETCH(int, key);
        QFETCH(int, buttons);
        QFETCH(int, defaultAnswer);
        QtPrompts prompts;
        bool pressed = false;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            pressed = true;
            QTest::keyClick(box, Qt::Key(key));
        });
        const Answer answer =
            prompts.ask("This will Master Erase the Unit - continue ?", "Master Erase Unit",
                        Buttons(buttons), Prompts::Icon::Exclamation, Answer(defaultAnswer));
        QVERIFY(pressed);
        QTEST(int(answer), "answer");
    }
};

QTEST_MAIN(tst_qtprompts)
#include "tst_qtprompts.moc"
