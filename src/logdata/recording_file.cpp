#include "logdata/recording_file.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSaveFile>

#include "core/app_error.h"
#include "logdata/csv_fields.h"
#include "logdata/dated_files.h"
#include "logdata/file_writes.h"
#include "logdata/log_file_format.h"
#include "logdata/log_file_writer.h"

namespace tarvik {

const QString RecordingFile::kComment = QStringLiteral("Real-time recording");

namespace {

const QString kSource = QStringLiteral("Record Real Time Data");
const QByteArray kLineEnd("\r\n");
// Copies of one second tried before giving up.
constexpr int kMaxCopies = 999;

std::unique_ptr<QFile> openNewFile(const QString& path, QString& error) {
    auto file = std::make_unique<QFile>(path);
    // Unbuffered: each write reaches the operating system at once, so nothing waits in the
    // program for a flush that a crash would never do.
    if (!file->open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered)) {
        error = file->errorString();
        return nullptr;
    }
    return file;
}

QString hiddenName(const QString& folder) {
    return QDir(folder).filePath(
        QStringLiteral(".recording-%1.part")
            .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0')));
}

QString shown(const QString& path) {
    return QDir::toNativeSeparators(path);
}

QByteArray blankSlot() {
    QByteArray slot(RecordingFile::kSlotBytes - kLineEnd.size(), ' ');
    slot.append(kLineEnd);
    return slot;
}

}  // namespace

RecordingFile::RecordingFile(QString folder, Identity identity)
    : folder_(std::move(folder)), identity_(std::move(identity)), opener_(&openNewFile) {
    const auto about = std::make_unique<DataBuffer>();
    about->logInterval = identity_.interval;
    about->firmwareId = identity_.firmwareId;
    about->controllerVersion = identity_.controllerVersion;
    about->downloadDate = identity_.startText;
    about->comment = kComment;
    QBuffer header(&header_);
    header.open(QIODevice::WriteOnly);
    LogFileWriter(header).writeHeader(*about);
    QBuffer trailer(&trailer_);
    trailer.open(QIODevice::WriteOnly);
    LogFileWriter trailerWriter(trailer);
    trailerWriter.writeIdentity(*about, identity_.brandName);
    trailerWriter.writeComment(*about);
    csv_fields::appendQuoted(markedLine_, log_format::kFirstLine.toLatin1());
    markedLine_.append(',');
    csv_fields::appendQuoted(markedLine_, log_format::kUnfinishedMark.toLatin1());
    markedLine_.append(kLineEnd);
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

void RecordingFile::fail(const QString& what, const QString& reason) const {
    throw AppError(AppError::kFileError, kSource,
                   QStringLiteral("%1: %2").arg(
                       what, reason.isEmpty() ? QStringLiteral("the disk is full") : reason));
}

void RecordingFile::begin() {
    if (!QDir().mkpath(folder_) || !QFileInfo(folder_).isDir()) {
        fail(QStringLiteral("Cannot make the recordings folder %1").arg(shown(folder_)),
             QStringLiteral("the folder cannot be created there"));
    }
    // Two recordings begun within the same second get different names.
    const QDir dir(folder_);
    copy_ = 1;
    while (copy_ < kMaxCopies &&
           dir.exists(fileName(identity_.start, identity_.controllerVersion, copy_, 1))) {
        ++copy_;
    }
    openPart(1);
}

void RecordingFile::openPart(int part) {
    createWhole(part);
    part_ = part;
    rowsInFile_ = 0;
    rows_.clear();
    rows_.reserve(kDataRows * 64);
    files_ << path_;
}

void RecordingFile::createWhole(int part) {
    const bool firstPart = part == 1;
    auto pathOf = [&] {
        return QDir(folder_).filePath(
            fileName(identity_.start, identity_.controllerVersion, copy_, part));
    };
    QString path = pathOf();
    const QString hidden = hiddenName(folder_);
    QString error;
    std::unique_ptr<QFile> file = opener_(hidden, error);
    if (!file) {
        fail(QStringLiteral("Cannot create %1").arg(shown(path)), error);
    }
    QByteArray whole;
    whole.reserve(markedLine_.size() + header_.size() + kDataRows * kSlotBytes + trailer_.size());
    whole.append(markedLine_);
    whole.append(header_.mid(header_.indexOf(kLineEnd) + kLineEnd.size()));
    const QByteArray slot = blankSlot();
    for (int r = 0; r < kDataRows; ++r) {
        whole.append(slot);
    }
    whole.append(trailer_);
    const QString why = file_writes::writeWhole(*file, whole);
    file->close();
    file.reset();
    if (!why.isEmpty()) {
        QFile::remove(hidden);
        fail(QStringLiteral("Cannot create %1").arg(shown(path)), why);
    }
    // The name is taken only now, and never from another file: a name that appeared meanwhile
    // makes the first part try the next copy number.
    while (!QFile::rename(hidden, path)) {
        if (firstPart && copy_ < kMaxCopies && QFileInfo::exists(path)) {
            ++copy_;
            path = pathOf();
            continue;
        }
        QFile::remove(hidden);
        fail(QStringLiteral("Cannot create %1").arg(shown(path)),
             QFileInfo::exists(path) ? QStringLiteral("a file of that name is in the way")
                                     : QStringLiteral("the file cannot be given its name"));
    }
    file_ = std::make_unique<QFile>(path);
    if (!file_->open(QIODevice::ReadWrite | QIODevice::ExistingOnly | QIODevice::Unbuffered)) {
        const QString reason = file_->errorString();
        file_.reset();
        QFile::remove(path);
        fail(QStringLiteral("Cannot write %1").arg(shown(path)), reason);
    }
    path_ = path;
}

void RecordingFile::appendRow(float elapsed, const Row& row) {
    if (!file_) {
        fail(QStringLiteral("Cannot write the recording"), QStringLiteral("it is not open"));
    }
    if (rowsInFile_ == kDataRows) {
        finishPart();
        openPart(part_ + 1);
    }
    const QByteArray line = rowLine(elapsed, row);
    const qsizetype room = kSlotBytes - kLineEnd.size();
    if (line.size() > room) {
        fail(QStringLiteral("Cannot write %1").arg(shown(path_)),
             QStringLiteral("a reading is too long for the file's line (%1 characters)")
                 .arg(line.size()));
    }
    QByteArray slot = line;
    slot.append(room - line.size(), ' ');
    slot.append(kLineEnd);
    const qint64 offset = markedLine_.size() + header_.size() - header_.indexOf(kLineEnd) -
                          kLineEnd.size() + static_cast<qint64>(rowsInFile_) * kSlotBytes;
    const QString why =
        file_->seek(offset) ? file_writes::writeWhole(*file_, slot) : file_writes::reasonOf(*file_);
    if (!why.isEmpty() || file_->pos() != offset + kSlotBytes) {
        fail(QStringLiteral("Cannot write %1").arg(shown(path_)), why);
    }
    rows_.append(line);
    rows_.append(kLineEnd);
    ++rowsInFile_;
    ++rowsTotal_;
}

void RecordingFile::finishPart() {
    // The mark goes first, in place: from here on the file reads as a finished recording even
    // if the compact form below cannot be written.
    QByteArray plainLine = header_.left(header_.indexOf(kLineEnd));
    plainLine.append(markedLine_.size() - kLineEnd.size() - plainLine.size(), ' ');
    plainLine.append(kLineEnd);
    if (file_->seek(0)) {
        file_writes::writeWhole(*file_, plainLine);
    }
    file_->close();
    file_.reset();

    QByteArray compact;
    compact.reserve(header_.size() + rows_.size() + 2 * kDataRows + trailer_.size());
    compact.append(header_);
    compact.append(rows_);
    for (int r = rowsInFile_; r < kDataRows; ++r) {
        compact.append(kLineEnd);  // not a sample line: the reader takes it as padding
    }
    compact.append(trailer_);
    // Replaced in one step or not at all: the file on disk is whole at every moment.
    QSaveFile replacement(path_);
    if (replacement.open(QIODevice::WriteOnly) &&
        file_writes::writeWhole(replacement, compact).isEmpty()) {
        replacement.commit();
    } else {
        replacement.cancelWriting();
    }
    rows_.clear();
}

void RecordingFile::closePart(bool removeIfEmpty) {
    if (!file_) {
        return;
    }
    file_->close();
    file_.reset();
    if (removeIfEmpty && rowsInFile_ == 0 && QFile::remove(path_)) {
        files_.removeAll(path_);
    }
}

void RecordingFile::finish() {
    if (!file_) {
        return;
    }
    if (rowsInFile_ == 0) {
        closePart(true);  // not a single reading: nothing to keep
        return;
    }
    finishPart();
}

void RecordingFile::abandon() {
    closePart(true);
}

}  // namespace tarvik
