#include "frmPoly.h"

#include "LogDirectoryScan.h"
#include "LogDownload.h"
#include "LogErase.h"
#include "LogGraphPanel.h"
#include "VdlFile.h"
#include "dbg.h"
#include "frmProgress.h"
#include "link/LineOwner.h"
#include "link/MeterLink.h"
#include "link/SerialPort.h"
#include "link/Waiter.h"
#include "shared/ConfigRecord.h"
#include "shared/SchedulingFlags.h"
#include "ui/Prompts.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QTime>
#include <QVBoxLayout>

namespace {

// How long opening the window waits for configuration reads still pending:
// they take a few seconds at most; a meter that stopped answering must not
// keep the window shut.
constexpr qint64 kPendingReadsWaitMs = 5000;

const QString kFileFilter = QStringLiteral("Log Files (*.VDL *.vdl);;All Files (*.*)");
const QString kFileSuffix = QStringLiteral("VDL");
const QString kNoLog = QStringLiteral("No Datalog Loaded");

} // namespace

frmPoly::frmPoly(MeterLink& link, LineOwner& owner, SchedulingFlags& flags, ConfigRecord& config,
                 DatalogRecord& log, Host host, QWidget* parent)
    : QMainWindow(parent), link_(link), owner_(owner), flags_(flags), config_(config), log_(log),
      host_(std::move(host)) {
    setObjectName(QStringLiteral("frmPoly"));
    setWindowTitle(QStringLiteral("CorvaneLink Datalog Retrieval Program"));
    progress_ = new frmProgress(this);
    dbg_ = new dbg(this);
    buildControls();
    connect(&owner_, &LineOwner::exclusiveChanged, this,
            [this](bool running) { setMeterControlsEnabled(!running); });
    Form_Load();
}

void frmPoly::buildControls() {
    auto* central = new QWidget(this);
    setCentralWidget(central);

    Frame1_ = new QGroupBox(QStringLiteral("Log points"), central);
    Frame1_->setObjectName(QStringLiteral("Frame1"));
    Frame1_->setToolTip(QStringLiteral("Double Click to retrieve log points"));
    Frame1_->installEventFilter(this);
    auto* counts = new QGridLayout(Frame1_);
    for (int d = 0; d < DatalogDirectory::FileCount; ++d) {
        auto* caption = new QLabel(QStringLiteral("Log%1-").arg(d), Frame1_);
        caption->setObjectName(QStringLiteral("Label%1").arg(d + 4));
        Logpts_[d] = new QLabel(QStringLiteral("9000"), Frame1_);
        Logpts_[d]->setObjectName(QStringLiteral("Logpts(%1)").arg(d));
        Logpts_[d]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        // Room for the largest count in the font the label has, whatever it is.
        Logpts_[d]->setMinimumWidth(
            Logpts_[d]->fontMetrics().horizontalAdvance(QString::number(DatalogRecord::MaxPoints)));
        Logpts_[d]->setAccessibleName(QStringLiteral("Log%1 points").arg(d));
        counts->addWidget(caption, d % 5, (d / 5) * 2);
        counts->addWidget(Logpts_[d], d % 5, (d / 5) * 2 + 1);
    }

    cmbLogId_ = new QComboBox(central);
    cmbLogId_->setObjectName(QStringLiteral("cmbLogId"));
    cmbLogId_->setAccessibleName(QStringLiteral("Log file"));
    connect(cmbLogId_, &QComboBox::activated, this, [this](int i) { cmbLogId_Click(i); });

    cmdGetLogHeader_ = new QPushButton(QStringLiteral("Get Log Header"), central);
    cmdGetLogHeader_->setObjectName(QStringLiteral("cmdGetLogHeader"));
    connect(cmdGetLogHeader_, &QPushButton::clicked, this, [this] { cmdGetLogHeader_Click(); });
    cmdGetLog_ = new QPushButton(QStringLiteral("Get Log"), central);
    cmdGetLog_->setObjectName(QStringLiteral("cmdGetLog"));
    connect(cmdGetLog_, &QPushButton::clicked, this, [this] { cmdGetLog_Click(); });

    auto* label3 = new QLabel(QStringLiteral("Current Log"), central);
    label3->setObjectName(QStringLiteral("Label3"));
    txtcurrentlog_ = new QLineEdit(central);
    txtcurrentlog_->setObjectName(QStringLiteral("txtcurrentlog"));
    txtcurrentlog_->setReadOnly(true);
    label3->setBuddy(txtcurrentlog_);
    txtcurrentlog_->setAccessibleName(label3->text());
    txtcurrentlog_->setMaximumWidth(100);

    Frame2_ = new QGroupBox(central);
    Frame2_->setObjectName(QStringLiteral("Frame2"));
    Frame2_->installEventFilter(this);
    lblShownLog_ = new QLabel(Frame2_);
    lblShownLog_->setObjectName(QStringLiteral("lblShownLog"));
    lblShownLog_->setWordWrap(true);
    QFont bold = lblShownLog_->font();
    bold.setBold(true);
    lblShownLog_->setFont(bold);
    lblLogInfo_ = new QLabel(kNoLog, Frame2_);
    lblLogInfo_->setObjectName(QStringLiteral("lblLogInfo"));
    lblLogInfo_->setWordWrap(true);
    // Room for the log's three header lines, each wrapped once at most.
    lblLogInfo_->setMinimumHeight(lblLogInfo_->fontMetrics().lineSpacing() * 6);
    lblLogInfo_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    auto* info = new QVBoxLayout(Frame2_);
    info->addWidget(lblShownLog_);
    info->addWidget(lblLogInfo_);

    // The graph and the listing of the log.
    graph_ = new LogGraphPanel(log_, link_.prompts(), central);
    auto* current = new QHBoxLayout;
    current->addWidget(label3);
    current->addWidget(txtcurrentlog_);
    current->addStretch(1);
    auto* left = new QVBoxLayout;
    left->addWidget(Frame1_);
    left->addWidget(cmbLogId_);
    left->addWidget(cmdGetLogHeader_);
    left->addWidget(cmdGetLog_);
    left->addLayout(current);
    left->addWidget(Frame2_);
    left->addStretch(1);
    auto* leftPanel = new QWidget(central);
    leftPanel->setLayout(left);
    left->setContentsMargins(0, 0, 0, 0);
    leftPanel->setFixedWidth(290);
    auto* row = new QHBoxLayout(central);
    row->addWidget(leftPanel);
    row->addWidget(graph_, 1);

    const auto item = [this](QMenu* menu, const char* name, const char* caption,
                             void (frmPoly::*handler)()) {
        QAction* a = menu->addAction(QString::fromLatin1(caption));
        a->setObjectName(QString::fromLatin1(name));
        connect(a, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
        return a;
    };
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("mnuFile"));
    mnuLoad_ = item(file, "mnuLoad", "&Load Log", &frmPoly::mnuLoad_Click);
    mnuSave_ = item(file, "mnuSave", "&Save Log", &frmPoly::mnuSave_Click);
    file->addAction(graph_->exportCsvAction());
    item(file, "mnuAbout", "&About", &frmPoly::mnuAbout_Click);
    item(file, "mnuQuit", "&Quit", &frmPoly::mnuQuit_Click);
    QMenu* logMenu = menuBar()->addMenu(QStringLiteral("&Log"));
    logMenu->setObjectName(QStringLiteral("mnuLog"));
    mnuGetLog_ = item(logMenu, "mnuGetLog", "&Get Log", &frmPoly::mnuGetLog_Click);
    mnuErase_ = item(logMenu, "mnuErase", "&Erase All", &frmPoly::mnuErase_Click);
}

void frmPoly::setCurrentLogFile(int currentLogFile) {
    txtcurrentlog_->setText(DatalogDirectory::currentLogText(currentLogFile));
}

void frmPoly::LogIdInit() {
    log_.CurrentLogId = QStringLiteral("0");
    cmbLogId_->clear();
    for (int d = 0; d < DatalogDirectory::FileCount; ++d)
        cmbLogId_->addItem(QStringLiteral("Log File %1").arg(d));
    cmbLogId_->setCurrentIndex(0);
}

void frmPoly::Form_Load() {
    LogIdInit();
    setCurrentLogFile(config_.SysConfig.CurrentDatalogNumber);
    showLog();
    adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.x() + area.width() / 2 - width() / 2,
             area.y() + area.height() / 2 - height() / 2);
    }
}

void frmPoly::cmbLogId_Click(int index) {
    if (busy() || index < 0 || index >= DatalogDirectory::FileCount)
        return;
    log_.CurrentLogId = QString(QChar(u'0' + index));
}

bool frmPoly::busy() const {
    return owner_.exclusiveRunning() || !queued_.expired();
}

void frmPoly::runExclusive(std::function<void()> body) {
    // The token lives as long as the queued action: when the line owner drops
    // the action (port closed, program closing), the window is free again.
    auto token = std::make_shared<int>(0);
    queued_ = token;
    owner_.runWhenIdle(this, [this, token, body = std::move(body)] {
        queued_.reset();
        LineOwner::Exclusive exclusive(owner_);
        // Whatever the operation or the link has to say belongs to this window.
        const Prompts::ParentScope parent(link_.prompts(), this);
        body();
    });
}

bool frmPoly::meterConnected() const {
    return link_.connection().connected() && !owner_.isShutDown();
}

void frmPoly::RetreveUnitLog() {
    if (busy()) {
        show();
        raise();
        return;
    }
    flags_.LiveMonitorActive = false;
    link_.waiter().waitUntil(
        [this] {
            return !(flags_.NeedSysConfig || flags_.NeedSSConfig || flags_.NeedLrnData ||
                     flags_.NeedFlowData);
        },
        link_.waiter().now() + kPendingReadsWaitMs);
    // Without a meter the counts and the current log would be an earlier
    // connection's, or none the meter ever sent: nothing is shown.
    if (meterConnected()) {
        setCurrentLogFile(config_.SysConfig.CurrentDatalogNumber);
    } else {
        txtcurrentlog_->clear();
        for (QLabel* count : Logpts_)
            count->clear();
    }
    show();
    raise();
    GetLogHeaders();
}

void frmPoly::cmdGetLogHeader_Click() {
    GetLogHeaders();
}

void frmPoly::Frame1_DblClick() {
    GetLogHeaders();
}

void frmPoly::Frame2_Click() {
    dbg_->show();
    dbg_->raise();
}

void frmPoly::GetLogHeaders() {
    if (!meterConnected() || busy())
        return;
    runExclusive([this] {
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        // A count shows once its log has been read, never an older one.
        for (QLabel* count : Logpts_)
            count->clear();
        LogDirectoryScan scan(link_);
        scan.onFile = [this](int d, qint32 points) {
            Logpts_[d]->setText(QString::number(points));
        };
        scan.run(directory_);
        QGuiApplication::restoreOverrideCursor();
    });
}

void frmPoly::cmdGetLog_Click() {
    dbg_->clear();
    mnuGetLog_Click();
}

void frmPoly::mnuGetLog_Click() {
    if (busy())
        return;
    const Prompts::ParentScope parent(link_.prompts(), this);
    if (!meterConnected()) {
        link_.prompts().message(QStringLiteral("No meter is connected, so no log can be "
                                               "downloaded. Connect to the meter from the Comm "
                                               "menu of the main window and try again."),
                                Prompts::Icon::Exclamation);
        return;
    }
    runExclusive([this] {
        // The file is the one chosen when the download starts.
        const QString logId = log_.CurrentLogId;
        const bool polling = host_.pollingActive && host_.pollingActive();
        if (host_.setPolling)
            host_.setPolling(false);
        progress_->Init(QStringLiteral("Downloading Datalog"));
        // The log is rewritten while the download runs: the graph draws
        // nothing of it until showLog().
        graph_->logReplacing();
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        LogDownload download(
            link_, {[this](float p) { progress_->SetProg(p); },
                    [this](const QString& c) { progress_->setCancelCaption(c); },
                    [this] { return frmProgress::CancelRequested || owner_.isShutDown(); },
                    [this](const QByteArray& line) { dbg_->append(line); }});
        const LogDownload::Outcome outcome =
            download.run(log_, host_.modelText ? host_.modelText() : QString(),
                         host_.versionText ? host_.versionText() : QString(), logId);
        QGuiApplication::restoreOverrideCursor();
        progress_->Done();
        if (owner_.isShutDown())
            return;
        if (!outcome.ok) {
            // The log shown before, its graph and listing stay until a
            // download is complete.
            graph_->logKept();
            const QString message = outcome.message();
            if (!message.isEmpty())
                link_.prompts().message(
                    log_.loaded() ? message + QStringLiteral("\nThe log shown before stays.")
                                  : message,
                    Prompts::Icon::Exclamation);
            flags_.NeedSysConfig = true;
        } else {
            shownLog_ =
                QStringLiteral("Datalog %1, downloaded from the meter at %2")
                    .arg(logId, QTime::currentTime().toString(QStringLiteral("h:mm:ss AP")));
            lblShownLog_->setToolTip(QString());
            showLog();
        }
        // Polling comes back only if it ran before (not in the demonstration state).
        if (host_.setPolling && polling)
            host_.setPolling(true);
    });
}

void frmPoly::showLog() {
    const bool named = log_.loaded() && !shownLog_.isEmpty();
    lblShownLog_->setText(named ? QStringLiteral("Shown: ") + shownLog_ : QString());
    lblShownLog_->setVisible(named);
    lblLogInfo_->setText(log_.loaded() ? log_.LogLines.mid(0, 3).join(u'\n') : kNoLog);
    graph_->showNewLog();
}

void frmPoly::mnuSave_Click() {
    if (busy())
        return;
    Prompts& prompts = link_.prompts();
    const Prompts::ParentScope parent(prompts, this);
    if (!log_.loaded()) {
        prompts.message(QStringLiteral("No Log To Save"));
        return;
    }
    QString name;
    for (;;) {
        // The filter hides files without the extension: it is added when
        // the user typed none, before the question about replacing a file.
        name = Prompts::withDefaultSuffix(
            prompts.saveFileName(QStringLiteral("Save DataLog File"), kFileFilter, QString()),
            kFileSuffix);
        if (name.isEmpty())
            return;
        if (!QFileInfo::exists(name))
            break;
        const Prompts::Answer answer = prompts.ask(
            QStringLiteral("Replace existing file - ") + name + u'?', QString(),
            Prompts::Buttons::YesNoCancel, Prompts::Icon::Question, Prompts::Answer::No);
        if (answer == Prompts::Answer::Yes)
            break;
        if (answer == Prompts::Answer::No)
            return; // the existing file stays as it is
    }
    QString error;
    if (VdlFile::save(log_, name, &error))
        prompts.message(QStringLiteral("Log saved to ") + name);
    else
        prompts.message(QStringLiteral("The log was not saved to %1: %2 Any file of that name "
                                       "was left as it was.")
                            .arg(name, error),
                        Prompts::Icon::Exclamation);
}

void frmPoly::mnuLoad_Click() {
    if (busy())
        return;
    Prompts& prompts = link_.prompts();
    const Prompts::ParentScope parent(prompts, this);
    QString name;
    for (;;) {
        name = prompts.openFileName(QStringLiteral("Load DataLog File"), kFileFilter, QString());
        if (name.isEmpty())
            return;
        if (QFileInfo::exists(name))
            break;
        prompts.message(QStringLiteral("File Not Found"));
    }
    QString error;
    std::optional<DatalogRecord> fresh = VdlFile::load(name, &error);
    if (!fresh) {
        prompts.message(
            QStringLiteral("%1 was not loaded. %2 The log shown before stays.").arg(name, error),
            Prompts::Icon::Exclamation);
        return;
    }
    fresh->CurrentLogId = log_.CurrentLogId;
    log_ = std::move(*fresh);
    shownLog_ = QStringLiteral("file ") + QFileInfo(name).fileName();
    lblShownLog_->setToolTip(QDir::toNativeSeparators(QFileInfo(name).absoluteFilePath()));
    showLog();
}

void frmPoly::mnuErase_Click() {
    if (busy())
        return;
    Prompts& prompts = link_.prompts();
    const Prompts::ParentScope parent(prompts, this);
    const Prompts::Answer answer = prompts.ask(
        QStringLiteral("This will erase all Datalogs stored in the uniit.  Are you sure you want "
                       "to do this?"),
        QString(), Prompts::Buttons::YesNo, Prompts::Icon::Question, Prompts::Answer::No);
    if (answer != Prompts::Answer::Yes) {
        prompts.message(QStringLiteral("Erase Aborted"));
        return;
    }
    if (!meterConnected()) {
        prompts.message(QStringLiteral("No meter is connected, so nothing was erased. Connect "
                                       "to the meter from the Comm menu of the main window and "
                                       "try again."),
                        Prompts::Icon::Exclamation);
        return;
    }
    runExclusive([this] {
        progress_->Init(QStringLiteral("Erasing Datalogs"));
        LogErase erase(link_, [this](float p) { progress_->SetProg(p); });
        const LogErase::Outcome outcome = erase.run(config_.LrnConfig.LoggingActive != 0);
        progress_->Done();
        if (owner_.isShutDown())
            return;
        flags_.NeedSysConfig = true;
        if (!outcome.ok && !outcome.message.isEmpty())
            link_.prompts().message(outcome.message, Prompts::Icon::Exclamation);
    });
}

void frmPoly::mnuAbout_Click() {
    if (host_.showAbout)
        host_.showAbout(this);
}

void frmPoly::mnuQuit_Click() {
    Form_Unload();
}

void frmPoly::Form_Unload() {
    flags_.SetupOpen = false;
    flags_.LiveMonitorActive = true;
    hide();
}

void frmPoly::closeEvent(QCloseEvent* event) {
    Form_Unload();
    event->accept();
}

bool frmPoly::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Frame1_ && event->type() == QEvent::MouseButtonDblClick)
        Frame1_DblClick();
    else if (watched == Frame2_ && event->type() == QEvent::MouseButtonPress)
        Frame2_Click();
    return QMainWindow::eventFilter(watched, event);
}

void frmPoly::setMeterControlsEnabled(bool enabled) {
    for (QWidget* w : {static_cast<QWidget*>(cmbLogId_), static_cast<QWidget*>(cmdGetLog_),
                       static_cast<QWidget*>(cmdGetLogHeader_)})
        w->setEnabled(enabled);
    for (QAction* a : {mnuLoad_, mnuSave_, mnuGetLog_, mnuErase_})
        a->setEnabled(enabled);
}
