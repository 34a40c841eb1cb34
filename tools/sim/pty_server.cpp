#include "pty_server.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <string.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>

namespace tarvik::sim {

PtyServer::~PtyServer() {
    if (slave_ >= 0) {
        ::close(slave_);
    }
    if (master_ >= 0) {
        ::close(master_);
    }
}

qint64 PtyServer::nowUs() const {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

bool PtyServer::open() {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
        error_ = QString::fromLocal8Bit(strerror(errno));
        return false;
    }
    const char* name = ::ptsname(master_);
    if (name == nullptr) {
        error_ = QString::fromLocal8Bit(strerror(errno));
        return false;
    }
    path_ = QString::fromLocal8Bit(name);
    // Holding the slave open keeps the master readable when the program closes and reopens the
    // port, and lets us put the line in raw mode before anyone uses it.
    slave_ = ::open(name, O_RDWR | O_NOCTTY);
    if (slave_ < 0) {
        error_ = QString::fromLocal8Bit(strerror(errno));
        return false;
    }
    termios tio{};
    if (::tcgetattr(slave_, &tio) == 0) {
        ::cfmakeraw(&tio);
        ::tcsetattr(slave_, TCSANOW, &tio);
    }
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    return true;
}

void PtyServer::serve(const std::atomic<bool>& stop) {
    QByteArray replies;
    QByteArray out;
    while (!stop.load()) {
        const qint64 now = nowUs();
        long waitUs = 200'000;
        std::optional<qint64> due = model_.nextDueUs();
        if (const std::optional<qint64> onLine = line_.nextDueUs()) {
            due = due ? std::min(*due, *onLine) : *onLine;
        }
        if (due) {
            waitUs = static_cast<long>(std::clamp<qint64>(*due - now, 0, 200'000));
        }
        pollfd pfd{master_, POLLIN, 0};
        const timespec ts{waitUs / 1'000'000, (waitUs % 1'000'000) * 1000};
        const int r = ::ppoll(&pfd, 1, &ts, nullptr);
        if (r < 0 && errno != EINTR) {
            return;
        }
        if (r > 0 && (pfd.revents & POLLIN) != 0) {
            unsigned char buf[512];
            const ssize_t n = ::read(master_, buf, sizeof buf);
            const qint64 at = nowUs();
            for (ssize_t i = 0; i < n; ++i) {
                // The byte reaches the controller once it has crossed the wire.
                model_.receive(buf[i], line_.towardsController(at));
            }
        }
        replies.clear();
        const qint64 sentAt = nowUs();
        model_.takeDue(sentAt, replies);
        for (char c : replies) {
            line_.fromController(static_cast<quint8>(c), sentAt);
        }
        out.clear();
        line_.takeDue(nowUs(), out);
        qsizetype sent = 0;
        while (sent < out.size()) {
            const ssize_t w =
                ::write(master_, out.constData() + sent, static_cast<size_t>(out.size() - sent));
            if (w > 0) {
                sent += w;
            } else if (w < 0 && errno != EAGAIN && errno != EINTR) {
                break;
            } else {
                pollfd wp{master_, POLLOUT, 0};
                ::poll(&wp, 1, 50);
            }
        }
    }
}

}  // namespace tarvik::sim
