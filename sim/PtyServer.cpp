#include "PtyServer.h"

#include "MeterModel.h"

#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace {

// Default line speed when the terminal's settings cannot be read.
constexpr int DefaultBaud = 19200;
// Bytes handed over together, like a UART's receive FIFO trigger level: the
// program wakes once per chunk instead of once per byte.
constexpr int FifoTrigger = 14;
// A pause between bytes longer than this hands over what has arrived, like
// the FIFO's character time-out.
constexpr qint64 FifoTimeoutMs = 2;
// Noise from another device is handed over in chunks this far apart, so the
// simulator does not wake for every byte of it.
constexpr qint64 NoiseChunkMs = 10;
// A scheduled hang-up closes the terminal this long after the last reply
// left, so that the program has read that reply before the line goes.
constexpr qint64 HangUpGraceMs = 100;
// Largest read from the master in one go.
constexpr int ReadChunk = 4096;

int baudOf(speed_t s) {
    struct Entry {
        speed_t code;
        int baud;
    };
    static constexpr Entry table[] = {
        {B110, 110},       {B300, 300},       {B600, 600},       {B1200, 1200},     {B2400, 2400},
        {B4800, 4800},     {B9600, 9600},     {B19200, 19200},   {B38400, 38400},   {B57600, 57600},
        {B115200, 115200}, {B230400, 230400}, {B460800, 460800}, {B921600, 921600},
    };
    for (const Entry& e : table)
        if (e.code == s)
            return e.baud;
    return 0;
}

// Command bytes as readable text: printable ASCII as it stands, the rest as
// \xHH (\n, \r and \e for the framing bytes).
QByteArray escaped(const QByteArray& bytes) {
    QByteArray out;
    for (const char c : bytes) {
        const auto u = quint8(c);
        if (u == '\n')
            out += "\\n";
        else if (u == '\r')
            out += "\\r";
        else if (u == 27)
            out += "\\e";
        else if (u == '\\')
            out += "\\\\";
        else if (u >= 32 && u < 127)
            out += c;
        else
            out += "\\x" + QByteArray::number(u, 16).rightJustified(2, '0');
    }
    return out;
}

} // namespace

PtyServer::PtyServer(MeterModel& model, QObject* parent) : QObject(parent), model_(model) {
    pacer_ = new QTimer(this);
    pacer_->setSingleShot(true);
    pacer_->setTimerType(Qt::PreciseTimer);
    connect(pacer_, &QTimer::timeout, this, &PtyServer::deliver);
    model_.onCommand = [this](const MeterModel::Received& r) {
        if (!trace_.isOpen())
            return;
        const QByteArray line = QByteArray::number(r.timeMs / 1000.0, 'f', 3) + "  " +
                                escaped(r.command) + "  -> " + QByteArray::number(r.replyLength) +
                                " bytes\n";
        trace_.write(line);
        trace_.flush();
    };
}

PtyServer::~PtyServer() {
    model_.onCommand = nullptr;
    stop();
}

bool PtyServer::setTrace(const QString& path) {
    if (path == "-")
        return trace_.open(stderr, QIODevice::WriteOnly);
    trace_.setFileName(path);
    return trace_.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text);
}

bool PtyServer::start(const QString& linkPath, QString* error) {
    const auto fail = [&](const QString& what) {
        if (error)
            *error = what + ": " + QString::fromLocal8Bit(std::strerror(errno));
        stop();
        return false;
    };
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0)
        return fail("cannot create a pseudo-terminal");
    if (grantpt(master_) != 0 || unlockpt(master_) != 0)
        return fail("cannot unlock the pseudo-terminal");
    device_ = QString::fromLocal8Bit(ptsname(master_));
    slave_ = ::open(device_.toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
    if (slave_ < 0)
        return fail("cannot open " + device_);
    termios t{};
    tcgetattr(slave_, &t);
    cfmakeraw(&t);
    cfsetispeed(&t, B19200);
    cfsetospeed(&t, B19200);
    tcsetattr(slave_, TCSANOW, &t);
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);

    struct stat st {};
    const QByteArray linkName = linkPath.toLocal8Bit();
    if (lstat(linkName.constData(), &st) == 0) {
        if (!S_ISLNK(st.st_mode)) {
            errno = EEXIST;
            return fail(linkPath + " exists and is not a symbolic link");
        }
        ::unlink(linkName.constData());
    }
    if (symlink(device_.toLocal8Bit().constData(), linkName.constData()) != 0)
        return fail("cannot create the link " + linkPath);
    link_ = linkPath;

    clock_.start();
    notifier_ = new QSocketNotifier(master_, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &PtyServer::readMaster);
    return true;
}

void PtyServer::stop() {
    pacer_->stop();
    delete notifier_;
    notifier_ = nullptr;
    if (!link_.isEmpty()) {
        // Only our own link is removed, never something put there since.
        char target[512];
        const QByteArray name = link_.toLocal8Bit();
        const ssize_t n = readlink(name.constData(), target, sizeof target - 1);
        if (n > 0 && QByteArray(target, int(n)) == device_.toLocal8Bit())
            ::unlink(name.constData());
        link_.clear();
    }
    if (slave_ >= 0)
        ::close(slave_);
    if (master_ >= 0)
        ::close(master_);
    slave_ = master_ = -1;
}

int PtyServer::lineSpeed() const {
    termios t{};
    if (slave_ < 0 || tcgetattr(slave_, &t) != 0)
        return DefaultBaud;
    const int baud = baudOf(cfgetospeed(&t));
    return baud > 0 ? baud : DefaultBaud;
}

void PtyServer::readMaster() {
    char buf[ReadChunk];
    for (;;) {
        const ssize_t n = ::read(master_, buf, sizeof buf);
        if (n > 0) {
            model_.setBaud(lineSpeed());
            model_.receive(QByteArray(buf, int(n)), now());
            continue;
        }
        // EAGAIN: all read. EIO only happens while no slave is open, which
        // our own slave descriptor prevents; either way wait for the next
        // notification instead of spinning.
        break;
    }
    checkLine();
    schedule();
}

void PtyServer::deliver() {
    const QByteArray bytes = model_.takeBytesUntil(now());
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(master_, bytes.constData() + done, size_t(bytes.size() - done));
        if (n <= 0)
            break; // the terminal's buffer is full: what is left is dropped, as on a wire
        done += n;
    }
    checkLine();
    schedule();
}

void PtyServer::schedule() {
    if (master_ < 0)
        return;
    // Deliver at the last byte of a chunk: the FIFO's trigger level, the end
    // of what is queued, or the byte before a pause.
    std::optional<qint64> next;
    for (int k = 0; k < FifoTrigger; ++k) {
        const std::optional<qint64> t = model_.byteTime(k);
        if (!t)
            break;
        next = t;
        const std::optional<qint64> following = model_.byteTime(k + 1);
        if (!following || *following - *t > FifoTimeoutMs)
            break;
    }
    // Noise streams byte after byte: it goes out in chunks of a few
    // milliseconds, as a UART's receive time-out would hand it over.
    const std::optional<qint64> first = model_.nextByteTime();
    const std::optional<qint64> queued = model_.byteTime(0);
    if (first && (!queued || *first < *queued))
        next = std::max(*first, now() + NoiseChunkMs);
    std::optional<qint64> down = model_.hangUpTime();
    if (down)
        *down += HangUpGraceMs;
    if (down && (!next || *down < *next))
        next = down;
    if (!next) {
        pacer_->stop();
        return;
    }
    pacer_->start(int(std::max<qint64>(0, *next - now())));
}

void PtyServer::checkLine() {
    if (master_ >= 0 && model_.lineDown(now() - HangUpGraceMs)) {
        stop();
        emit hungUp();
    }
}
