#pragma once

#include <QByteArray>
#include <QString>

#include "logdata/data_buffer.h"
#include "logdata/fram_decoder.h"

namespace tarvik::test {

/// A loaded data set with different, download-like values in every row and column.
inline void fillDownloadLike(DataBuffer& b) {
    b.clearDataBuffer();
    b.logInterval = static_cast<float>(1 * 0.016);
    fillElapsedTimes(b);
    for (int row = 1; row <= kDataRows; ++row) {
        const auto v = static_cast<quint8>((row * 37) % 256);
        b.at(Column::RPM, row) = static_cast<float>((row * 97) % 14000);
        b.at(Column::VSS, row) = fram_convert::vss(v, row % 2 == 0);
        b.at(Column::TPSPercent, row) = fram_convert::tpsPercent(v, 26.0f, 204.0f);
        b.at(Column::Input1Volts, row) = fram_convert::inputVolts(v);
        b.at(Column::Input2Volts, row) = fram_convert::inputVolts(static_cast<quint8>(255 - v));
        b.at(Column::BatVolts, row) = fram_convert::batteryVolts(v);
        b.at(Column::InputData, row) = static_cast<float>(row % 8);
        b.at(Column::OutputData, row) = static_cast<float>(row % 32);
        b.at(Column::Status, row) = static_cast<float>(row % 7);
        b.at(Column::Stage1PWM, row) = static_cast<float>(row % 101);
        b.at(Column::Stage2PWM, row) = static_cast<float>((row * 3) % 101);
    }
    b.firmwareId = QStringLiteral("QX-2 V4.1");
    b.controllerVersion = QStringLiteral("QX-2");
    b.downloadDate = QStringLiteral("05/03/2024 14:02:11");
    b.comment = QStringLiteral("Third pass, 1.2 bar");
    b.bufferEmpty = false;
}

/// The example data set: every row 6500 rpm at 35 km/h and so on, two seconds apart.
inline void fillExample(DataBuffer& b) {
    b.clearDataBuffer();
    b.logInterval = 2.0f;
    for (int row = 1; row <= kDataRows; ++row) {
        const float values[kDataColumns] = {
            static_cast<float>(2 * row), 6500, 35, 12, 2.5f, 1.2f, 13.8f, 1, 0, 1, 0, 0};
        for (int c = 0; c < kDataColumns; ++c) {
            b.at(static_cast<Column>(c), row) = values[c];
        }
    }
    b.firmwareId = QStringLiteral("QX-1");
    b.controllerVersion = QStringLiteral("QX-1");
    b.downloadDate = QStringLiteral("05/03/2024 14:02:11");
    b.comment.clear();
    b.bufferEmpty = false;
}

inline QByteArray exampleFileText() {
    QByteArray t =
        "\"Data Logging Interval\"\r\n2\r\n"
        "\"Elapsed Time\",\"RPM\",\"VSS\",\"TPS%\",\"Input1 Volts\",\"Input2 Volts\","
        "\"Bat Volts\",\"Input Data\",\"Output Data\",\"Status\",\"Stage1 PWM%\","
        "\"Stage2 PWM%\"\r\n";
    for (int row = 1; row <= kDataRows; ++row) {
        t += QByteArray::number(2 * row) + ",6500,35,12,2.5,1.2,13.8,1,0,1,0,0\r\n";
    }
    t += "\"Firmware ID\",\"QX-1\"\r\n"
         "\"Orvenna QX-1 Nitrous Controller Data Downloaded\",\"05/03/2024 14:02:11\"\r\n"
         "\"Comment\",\" \"\r\n";
    return t;
}

}  // namespace tarvik::test
