#include "logdata/recording_file.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "core/app_error.h"
#include "logdata/dated_files.h"
#include "logdata/log_file_format.h"
#include "logdata/log_file_writer.h"

namespace tarvik {

const QString RecordingFile::kComment = QStringLiteral("Real-time recording");

namespace {

const QString kSource = QStringLiteral("Record Real Time Data");

std::unique_ptr<QFile> openNewFile(const QString& path, QString& error) {
    auto file = std::make_unique<QFile>(path);
    // Unbuffered: each row reaches the operating system with its own write, so nothing waits
    // in the program for a flush that a crash would never do.
    if (!file->open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered)) {
        error = file->errorString();
        return nullptr;
    }
    return file;
}

}  // namespace

RecordingFile::RecordingFile(QString folder, Identity identity)
    : folder_(std::move(folder)),
      identity_(std::move(identity)),
      opener_(&openNewFile),
      header_(std::make_unique<DataBuffer>()) {
    header_->logInterval = identity_.interval;
    header_->firmwareId = identity_.firmwareId;
    header_->controllerVersion = identity_.controllerVersion;
    header_->downloadDate = identity_.startText;
    header_->comment = kComment;
}

RecordingFile::~RecordingFile() = default;

QString RecordingFile::fileName(const QDateTime& start, const QString& model, int copy, int part) {
    QString name = model.trimmed().isEmpty() ? QStringLiteral("Unknown") : model.trimmed();
    if (part > 1) {
        name += QStringLiteral(" part ") + QString::number(part);
    }
    return dated_files::fileName(start, name, copy, QStringLiteral(".log"));
}

QByteArray RecordingFile::rowLine(float elapsed, const Row& row) {
    QByteArray line;
    line.reserve(96);
    LogFileWriter::appendNumber(line, elapsed);
    for (std::size_t c = 1; c < row.size(); ++c) {
        line.append(',');
        if (row[c]) {
            LogFileWriter::appendNumber(line, *row[c]);
        }
    }
    return line;
}

bool RecordingFile::isOpen() const {
    return file_ != nullptr;
}

void RecordingFile::fail(const QString& what, const QString& reason) {
    throw AppError(AppError::kFileError, kSource,
                   QStringLiteral("%1: %2").arg(
                       what, reason.isEmpty() ? QStringLiteral("the disk is full") : reason));
}

void RecordingFile::begin() {
    if (!QDir().mkpath(folder_) || !QFileInfo(folder_).isDir()) {
        fail(QStringLiteral("Cannot make the recordings folder %1")
                 .arg(QDir::toNativeSeparators(folder_)),
             QStringLiteral("the folder cannot be created there"));
    }
    // Two recordings begun within the same second get different names.
    const QDir dir(folder_);
    copy_ = 1;
    while (dir.exists(fileName(identity_.start, identity_.controllerVersion, copy_, 1))) {
        ++copy_;
    }
    openPart(1);
}

void RecordingFile::openPart(int part) {
    const QString path =
        QDir(folder_).filePath(fileName(identity_.start, identity_.controllerVersion, copy_, part));
    QString error;
    std::unique_ptr<QFile> file = opener_(path, error);
    if (!file) {
        fail(QStringLiteral("Cannot create %1").arg(QDir::toNativeSeparators(path)), error);
    }
    file_ = std::move(file);
    part_ = part;
    rowsInFile_ = 0;
    files_ << path;
    QBuffer header;
    header.open(QIODevice::WriteOnly);
    LogFileWriter(header).writeHeader(*header_);
    write(header.data(), QStringLiteral("Cannot write %1"));
}

void RecordingFile::write(const QByteArray& bytes, const QString& what) {
    const qint64 before = file_->pos();
    const qint64 written = file_->write(bytes);
    if (written != bytes.size()) {
        const QString reason = file_->errorString();
        // A row the disk took only part of would read back as a row with a wrong last value:
        // the file is cut back to its last complete line.
        file_->resize(before);
        fail(what.arg(QDir::toNativeSeparators(file_->fileName())),
             written >= 0 && reason.isEmpty() ? QString() : reason);
    }
}

void RecordingFile::appendRow(float elapsed, const Row& row) {
    if (!file_) {
        fail(QStringLiteral("Cannot write the recording"), QStringLiteral("it is not open"));
    }
    if (rowsInFile_ == kDataRows) {
        finishPart();
        openPart(part_ + 1);
    }
    QByteArray line = rowLine(elapsed, row);
    line.append("\r\n", 2);
    write(line, QStringLiteral("Cannot write %1"));
    ++rowsInFile_;
    ++rowsTotal_;
}

void RecordingFile::finishPart() {
    QBuffer tail;
    tail.open(QIODevice::WriteOnly);
    // The reader expects 2700 sample lines before the trailer; an empty line is not a sample
    // line, so it leaves its row empty.
    QByteArray pad;
    pad.reserve(2 * (kDataRows - rowsInFile_));
    for (int r = rowsInFile_; r < kDataRows; ++r) {
        pad.append("\r\n", 2);
    }
    tail.write(pad);
    LogFileWriter trailer(tail);
    trailer.writeIdentity(*header_, identity_.brandName);
    trailer.writeComment(*header_);
    write(tail.data(), QStringLiteral("Cannot finish %1"));
    file_->close();
    file_.reset();
}

void RecordingFile::finish() {
    if (file_) {
        finishPart();
    }
}

void RecordingFile::abandon() {
    if (file_) {
        file_->close();
        file_.reset();
    }
}

}  // namespace tarvik
