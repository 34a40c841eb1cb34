#include "platform/local_path.h"

#include <QFile>
#include <QFileInfo>

#if defined(Q_OS_UNIX)
#include <sys/stat.h>
#endif

namespace tarvik::local_path {

namespace {

#if defined(Q_OS_UNIX)
constexpr char16_t kKeptByteBase = 0xDC00;
const QLatin1String kStoredPrefix("file://");

// The length of the well-formed UTF-8 sequence at `i`, or 0 when the byte there does not begin
// one (a stray continuation byte, an overlong form, a surrogate, a code point past U+10FFFF, or
// a sequence cut short).
int sequenceLength(const QByteArray& s, qsizetype i) {
    const auto at = [&](qsizetype k) { return static_cast<unsigned char>(s.at(k)); };
    const unsigned char b = at(i);
    if (b < 0x80) {
        return 1;
    }
    int length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (b >= 0xC2 && b <= 0xDF) {
        length = 2;
    } else if (b >= 0xE0 && b <= 0xEF) {
        length = 3;
        low = b == 0xE0 ? 0xA0 : 0x80;
        high = b == 0xED ? 0x9F : 0xBF;
    } else if (b >= 0xF0 && b <= 0xF4) {
        length = 4;
        low = b == 0xF0 ? 0x90 : 0x80;
        high = b == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (i + length > s.size()) {
        return 0;
    }
    if (at(i + 1) < low || at(i + 1) > high) {
        return 0;
    }
    for (int k = 2; k < length; ++k) {
        if (at(i + k) < 0x80 || at(i + k) > 0xBF) {
            return 0;
        }
    }
    return length;
}

bool isKeptByte(const QString& path, qsizetype i) {
    const char16_t c = path.at(i).unicode();
    const bool afterHighSurrogate = i > 0 && path.at(i - 1).isHighSurrogate();
    return c >= kKeptByteBase + 0x80 && c <= kKeptByteBase + 0xFF && !afterHighSurrogate;
}

bool statPath(const QString& path, struct stat& st) {
    const QByteArray bytes = toBytes(path);
    return !bytes.isEmpty() && ::stat(bytes.constData(), &st) == 0;
}
#endif

}  // namespace

QString fromBytes(const QByteArray& bytes) {
#if defined(Q_OS_UNIX)
    QString out;
    out.reserve(bytes.size());
    qsizetype i = 0;
    while (i < bytes.size()) {
        const int length = sequenceLength(bytes, i);
        if (length == 0) {
            out.append(QChar(
                static_cast<char16_t>(kKeptByteBase + static_cast<unsigned char>(bytes.at(i)))));
            ++i;
            continue;
        }
        out.append(QString::fromUtf8(bytes.constData() + i, length));
        i += length;
    }
    return out;
#else
    return QFile::decodeName(bytes);
#endif
}

QByteArray toBytes(const QString& path) {
#if defined(Q_OS_UNIX)
    if (!holdsRawBytes(path)) {
        return QFile::encodeName(path);
    }
    QByteArray out;
    out.reserve(path.size() * 2);
    qsizetype runStart = 0;
    for (qsizetype i = 0; i < path.size(); ++i) {
        if (isKeptByte(path, i)) {
            out.append(QFile::encodeName(path.mid(runStart, i - runStart)));
            out.append(static_cast<char>(path.at(i).unicode() - kKeptByteBase));
            runStart = i + 1;
        }
    }
    out.append(QFile::encodeName(path.mid(runStart)));
    return out;
#else
    return QFile::encodeName(path);
#endif
}

bool holdsRawBytes(const QString& path) {
#if defined(Q_OS_UNIX)
    for (qsizetype i = 0; i < path.size(); ++i) {
        if (isKeptByte(path, i)) {
            return true;
        }
    }
#else
    Q_UNUSED(path);
#endif
    return false;
}

QString shown(const QString& path) {
    if (!holdsRawBytes(path)) {
        return path;
    }
    QString out = path;
#if defined(Q_OS_UNIX)
    for (qsizetype i = 0; i < out.size(); ++i) {
        if (isKeptByte(path, i)) {
            out[i] = QChar::ReplacementCharacter;
        }
    }
#endif
    return out;
}

bool exists(const QString& path) {
#if defined(Q_OS_UNIX)
    if (holdsRawBytes(path)) {
        struct stat st {};
        return statPath(path, st);
    }
#endif
    return QFileInfo::exists(path);
}

bool isFile(const QString& path) {
#if defined(Q_OS_UNIX)
    if (holdsRawBytes(path)) {
        struct stat st {};
        return statPath(path, st) && S_ISREG(st.st_mode);
    }
#endif
    return QFileInfo(path).isFile();
}

QString toStored(const QString& path) {
#if defined(Q_OS_UNIX)
    if (holdsRawBytes(path)) {
        return kStoredPrefix + QString::fromLatin1(toBytes(path).toPercentEncoding("/"));
    }
#endif
    return path;
}

QString fromStored(const QString& stored) {
#if defined(Q_OS_UNIX)
    if (stored.startsWith(kStoredPrefix)) {
        return fromBytes(
            QByteArray::fromPercentEncoding(stored.mid(kStoredPrefix.size()).toLatin1()));
    }
#endif
    return stored;
}

}  // namespace tarvik::local_path
