// Corvane: service and diagnostic tool for Velmar KR flowmeters.
#include "link/EventLoopWaiter.h"
#include "link/LineOwner.h"
#include "link/MeterLink.h"
#include "link/PlatformSerialPort.h"
#include "link/PortSettingsStore.h"
#include "monitor/frmKVT7210.h"
#include "ui/PromptGate.h"
#include "ui/QtPrompts.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QCommandLineParser>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QSettings>
#include <QTabWidget>
#include <QTextStream>

#include <cstdio>
#include <cstdlib>

#ifdef Q_OS_WIN
#include <windows.h>
#endif
#include <QTimer>

#include <memory>
#include <optional>

namespace {

// The text a control shows, for the check of a running program.
std::optional<QString> shownText(const QWidget* w) {
    if (const auto* label = qobject_cast<const QLabel*>(w))
        return label->text();
    if (const auto* edit = qobject_cast<const QLineEdit*>(w))
        return edit->text();
    if (const auto* box = qobject_cast<const QPlainTextEdit*>(w))
        return box->toPlainText().replace('\n', "\\n");
    if (const auto* combo = qobject_cast<const QComboBox*>(w))
        return combo->currentText();
    if (const auto* button = qobject_cast<const QAbstractButton*>(w)) {
        const QString state =
            button->isCheckable() ? (button->isChecked() ? " [x]" : " [ ]") : QString();
        return button->text() + state;
    }
    return std::nullopt;
}

// Prints the window's caption, model and version, then every named control
// of the page that is shown as name=text, and whether it is shown.
void printShownPage(const frmKVT7210& window) {
    QTextStream out(stdout);
    out << "caption=" << window.windowTitle() << '\n';
    QList<const QWidget*> controls{window.findChild<QLabel*>("Label23"),
                                   window.findChild<QLabel*>("Label22")};
    const auto* tabs = window.findChild<QTabWidget*>("SSTab1");
    out << "page=" << tabs->tabText(tabs->currentIndex()) << '\n';
    for (const QWidget* w : tabs->currentWidget()->findChildren<QWidget*>())
        controls << w;
    for (const QWidget* w : controls) {
        const std::optional<QString> text = w ? shownText(w) : std::nullopt;
        if (!text || w->objectName().isEmpty())
            continue;
        out << w->objectName() << '=' << *text << '\n';
        out << w->objectName() << ".shown=" << (w->isHidden() ? 0 : 1) << '\n';
    }
    out.flush();
}

// Names an INI file that Corvane uses instead of the user's settings.
constexpr const char* SettingsVariable = "CORVANE_SETTINGS";

// Answers --help and --version and ends the program, before the window system
// is opened, so that both work in a terminal without a display.
void answerHelpAndVersion(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QCommandLineParser parser;
    const QString store =
        QSettings(QSettings::NativeFormat, QSettings::UserScope,
                  QCoreApplication::organizationName(), QCoreApplication::applicationName())
            .fileName();
    parser.setApplicationDescription(
        QStringLiteral("Service, diagnostic and datalog tool for Velmar KR flowmeters.\n\n"
                       "The serial port settings are kept in %1.\n"
                       "%2=FILE makes Corvane use that INI file instead.")
            .arg(store, QLatin1String(SettingsVariable)));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    parser.parse(arguments); // the other options are main()'s parser's business
    if (parser.isSet(help) || parser.isSet(version) || parser.isSet("help-all")) {
#ifdef Q_OS_WIN
        // A windowed program has no console of its own: the answer goes to
        // the one it was started from, not into a message box.
        const bool attached = AttachConsole(ATTACH_PARENT_PROCESS);
        if (attached) {
            std::freopen("CONOUT$", "w", stdout);
            std::freopen("CONOUT$", "w", stderr);
        }
        // Without a console Qt answers in a message box, even when the
        // output is a file or a pipe (a script's "corvane --version"); that
        // output gets the answer.
        const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
        if (!attached && out && out != INVALID_HANDLE_VALUE &&
            GetFileType(out) != FILE_TYPE_UNKNOWN) {
            QCoreApplication terminal(argc, argv);
            const QString text = parser.isSet(version)
                                     ? QCoreApplication::applicationName() + u' ' +
                                           QCoreApplication::applicationVersion() + u'\n'
                                     : parser.helpText();
            std::fputs(qPrintable(text), stdout);
            std::fflush(stdout);
            std::exit(EXIT_SUCCESS);
        }
#endif
        QCoreApplication terminal(argc, argv); // lets the usage line name the program
        parser.process(terminal);              // prints, then ends the program
    }
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication::setOrganizationName("Corvane");
    QCoreApplication::setApplicationName("Corvane");
    QCoreApplication::setApplicationVersion(CORVANE_VERSION);
    answerHelpAndVersion(argc, argv);

    QApplication app(argc, argv);
    // The desktop entry's name, so a Wayland desktop matches the window to it.
    QGuiApplication::setDesktopFileName("corvane");
    QApplication::setWindowIcon(QIcon(":/icons/corvane.png"));

    // A check of the running program: after N seconds of live display, print
    // the flow page to standard output and end.
    QCommandLineParser parser;
    QCommandLineOption selfTest("self-test-seconds", "", "N");
    selfTest.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOption(selfTest);
    // With the check: also save a picture of the window, for the README.
    QCommandLineOption screenshot("screenshot", "", "FILE");
    screenshot.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOption(screenshot);
    parser.process(app);

    const QString iniPath = qEnvironmentVariable(SettingsVariable);
    std::unique_ptr<PortSettingsStore> store = iniPath.isEmpty()
                                                   ? std::make_unique<PortSettingsStore>()
                                                   : std::make_unique<PortSettingsStore>(iniPath);

    PlatformSerialPort port([&store](int number) { return store->deviceForPort(number); });
    EventLoopWaiter waiter;
    QtPrompts prompts;
    PromptGate gate(prompts);
    MeterLink link(port, waiter, gate);
    LineOwner owner(link, gate);
    frmKVT7210 window(link, owner, *store);
    window.makeSearchPort = [](const QString& device) -> std::unique_ptr<SerialPort> {
        return std::make_unique<PlatformSerialPort>([device](int) { return device; });
    };
    prompts.setParent(&window);

    // Start-up waits for the meter; with the event loop running, closing the
    // window during identification ends the program like at any other time.
    QTimer::singleShot(0, &window, &frmKVT7210::Form_Load);

    if (parser.isSet(selfTest)) {
        const int seconds = parser.value(selfTest).toInt();
        const QString picture = parser.value(screenshot);
        QTimer::singleShot(seconds * 1000, &window, [&window, picture] {
            if (!picture.isEmpty() && !window.grab().save(picture))
                qWarning("Could not save %s", qPrintable(picture));
            printShownPage(window);
            // Closing as a user would ends any exchange under way at once;
            // leaving the event loop alone would let a wait run on.
            window.close();
        });
    }
    return app.exec();
}
