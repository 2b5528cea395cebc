#include "ScriptedPrompts.h"
#include "about/SystemInfo.h"
#include "about/frmAbout.h"
#include "shared/ServiceSwitches.h"

#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

// The About window's captions and its two hidden switches.
class TestFrmAbout : public QObject {
    Q_OBJECT

    struct Rig {
        ServiceSwitches switches;
        ScriptedPrompts prompts;
        frmAbout about{switches, prompts};
        QLabel* label(const char* name) { return about.findChild<QLabel*>(name); }
        // field switch, lblRep shown/enabled, serial switch, Label1 enabled
        QString state() {
            return QString("%1 %2%3 %4 %5")
                .arg(switches.fieldDiagnostics())
                .arg(!label("lblRep")->isHidden())
                .arg(label("lblRep")->isEnabled())
                .arg(switches.serialNumberControls())
                .arg(label("Label1")->isEnabled());
        }
    };

private slots:
    void captions() {
        Rig rig;
        QCOMPARE(rig.about.windowTitle(), "About Corvane");
        QCOMPARE(rig.label("lblTitle")->text(), "Corvane");
        QVERIFY(rig.label("lblVersion")->text().startsWith("Version 1."));
        QCOMPARE(rig.label("lblRep")->text(), "Special Version for Field Diagnostics");
        if (const QString dir = qEnvironmentVariable("CORVANE_SHOT_DIR"); !dir.isEmpty()) {
            rig.switches.setFieldDiagnostics(true);
            rig.about.show();
            rig.about.grab().save(dir + "/about.png");
        }
    }

    void switches_data() {
        QTest::addColumn<QString>("clicks"); // F<button> on the frame, I<button> on the icon
        QTest::addColumn<QString>("state");
        const auto row = [](const char* clicks, const char* state) {
            QTest::newRow(*clicks ? clicks : "none") << QString(clicks) << QString(state);
        };
        row("", "0 01 0 1");
        row("FL", "0 01 0 1"); // a left click on the frame does nothing
        row("FR", "1 10 0 1"); // a right click on the frame turns field diagnostics on
        row("FR FR", "0 01 0 1");
        row("IL", "0 01 1 0"); // the icon, any button
        row("IL IR", "0 01 0 1");
    }
    void switches() {
        QFETCH(QString, clicks);
        Rig rig;
        for (const QString& c : clicks.split(' ', Qt::SkipEmptyParts)) {
            const Qt::MouseButton b = c[1] == 'R' ? Qt::RightButton : Qt::LeftButton;
            QWidget* target = rig.about.findChild<QWidget*>(c[0] == 'F' ? "Frame1" : "picIcon");
            QTest::mouseClick(target, b);
        }
        QTEST(rig.state(), "state");
    }

    // System Info names the serial devices and whether they may be opened
    // (on Linux), or starts Windows' own program.
    void systemInfo() {
        Rig rig;
        QTemporaryDir dev;
        for (const char* name : {"ttyUSB0", "ttyS10", "ttyS2", "null"}) {
            QFile f(dev.filePath(name));
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        QFile(dev.filePath("ttyS2")).setPermissions(QFile::ReadOwner);
        const QStringList devices = SystemInfo::serialDevices(dev.path());
        QCOMPARE(devices.size(), 3);
        QVERIFY(devices[0].startsWith(dev.filePath("ttyUSB0")));
        QVERIFY(devices[0].endsWith("this account may open it"));
        QVERIFY(devices[1].startsWith(dev.filePath("ttyS2")));
#ifdef Q_OS_WIN
        // Windows keeps one read-only mark for everyone, and Qt reports it so.
        QVERIFY2(devices[1].contains(" r-r-r- "), qPrintable(devices[1]));
#else
        QVERIFY2(devices[1].contains(" r----- "), qPrintable(devices[1]));
#endif
        // The superuser may open any device; everyone else is told the group.
        if (QFileInfo(dev.filePath("ttyS2")).isWritable() == false)
            QVERIFY(devices[1].contains("this account may not open it (join group "));
        QVERIFY(devices[2].startsWith(dev.filePath("ttyS10")));
#ifndef Q_OS_WIN
        rig.about.deviceDir = dev.path();
        rig.about.cmdSysInfo_Click();
        QCOMPARE(rig.prompts.shown.size(), 1);
        QCOMPARE(rig.prompts.shown[0].title, "System Information");
        QVERIFY(rig.prompts.shown[0].text.contains("Qt version: "));
        QVERIFY(rig.prompts.shown[0].text.contains(dev.filePath("ttyUSB0")));
#else
        // Windows' own system information program is started when the
        // machine names one; otherwise the program says it has none.
        QStringList started;
        rig.about.startProgram = [&](const QString& program) {
            started << program;
            return true;
        };
        rig.about.cmdSysInfo_Click();
        if (const QString program = SystemInfo::windowsProgram(); program.isEmpty()) {
            QCOMPARE(rig.prompts.texts(),
                     QStringList{"System Information Is Unavailable At This Time"});
            QVERIFY(started.isEmpty());
        } else {
            QCOMPARE(started, QStringList{program});
            QVERIFY(rig.prompts.shown.isEmpty());
        }
#endif
    }
};

QTEST_MAIN(TestFrmAbout)
#include "tst_frmabout.moc"
