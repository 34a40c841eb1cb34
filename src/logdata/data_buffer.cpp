#include "logdata/data_buffer.h"

#include "core/app_error.h"

namespace tarvik {

namespace {
const QString kSource = QStringLiteral("Data Buffer");
}

const std::array<QString, kDataColumns>& columnHeadings() {
    static const std::array<QString, kDataColumns> headings = {
        QStringLiteral("Elapsed Time"), QStringLiteral("RPM"),
        QStringLiteral("VSS"),          QStringLiteral("TPS%"),
        QStringLiteral("Input1 Volts"), QStringLiteral("Input2 Volts"),
        QStringLiteral("Bat Volts"),    QStringLiteral("Input Data"),
        QStringLiteral("Output Data"),  QStringLiteral("Status"),
        QStringLiteral("Stage1 PWM%"),  QStringLiteral("Stage2 PWM%"),
    };
    return headings;
}

float& DataBuffer::at(Column c, int row) {
    if (row < 1 || row > kDataRows) {
        throw AppError::subscriptOutOfRange(kSource);
    }
    return columns_[static_cast<std::size_t>(c)][static_cast<std::size_t>(row - 1)];
}

float DataBuffer::at(Column c, int row) const {
    return const_cast<DataBuffer*>(this)->at(c, row);
}

void DataBuffer::clearDataBuffer() {
    for (int c = static_cast<int>(Column::RPM); c < kDataColumns; ++c) {
        columns_[static_cast<std::size_t>(c)].fill(0.0f);
    }
    firmwareId.clear();
    downloadDate.clear();
    comment.clear();
    logInterval = 0;
    rows = kDataRows;
    bufferEmpty = true;
}

quint8 FramBuffer::at(int address) const {
    if (address < 0 || address >= kSize) {
        throw AppError::subscriptOutOfRange(QStringLiteral("FRAM Buffer"));
    }
    return bytes_[static_cast<std::size_t>(address)];
}

void FramBuffer::set(int address, quint8 value) {
    if (address < 0 || address >= kSize) {
        throw AppError::subscriptOutOfRange(QStringLiteral("FRAM Buffer"));
    }
    bytes_[static_cast<std::size_t>(address)] = value;
}

}  // namespace tarvik
