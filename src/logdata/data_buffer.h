#pragma once

#include <QString>
#include <QtGlobal>
#include <array>

namespace tarvik {

/// Rows of every data set: a download always decodes 2700 records, a log file holds 2700 lines.
inline constexpr int kDataRows = 2700;
inline constexpr int kDataColumns = 12;

/// Columns of the data set, in the order of the log file's sample lines.
enum class Column : int {
    ElapsedTime = 0,
    RPM,
    VSS,  // kilometres per hour
    TPSPercent,
    Input1Volts,
    Input2Volts,
    BatVolts,
    InputData,
    OutputData,
    Status,
    Stage1PWM,
    Stage2PWM,
};

/// The headings of the twelve columns as the log file writes them.
const std::array<QString, kDataColumns>& columnHeadings();

/// The program's one data set: twelve columns of 2700 singles plus header fields. Fixed
/// storage; nothing is allocated per sample or per download.
class DataBuffer {
public:
    DataBuffer() = default;

    /// The value at (column, row), rows 1-based (row 1 the oldest sample). A row outside 1..2700
    /// throws AppError "Subscript out of range".
    float& at(Column c, int row);
    float at(Column c, int row) const;

    /// Whole column, element k for row k + 1.
    const std::array<float, kDataRows>& column(Column c) const {
        return columns_[static_cast<std::size_t>(c)];
    }
    std::array<float, kDataRows>& column(Column c) { return columns_[static_cast<std::size_t>(c)]; }

    /// Columns 2 to 12 to 0 ("Elapsed Time" is left as it was), header texts to "",
    /// LogInterval to 0, BufferEmpty to true. ControllerVersion is not touched.
    void clearDataBuffer();

    QString firmwareId;
    QString controllerVersion;
    float logInterval = 0;
    /// Rows 1..rows hold the data set's samples. A download and a full log file hold all 2700;
    /// a recording that stopped before 2700 readings holds fewer, and the rows after them are
    /// padding: nothing charts, exports, analyses or counts them.
    int rows = kDataRows;
    QString downloadDate;
    QString comment;
    bool bufferEmpty = true;

private:
    std::array<std::array<float, kDataRows>, kDataColumns> columns_{};
};

/// The image of the controller's 32768-byte FRAM as a download reads it.
class FramBuffer {
public:
    static constexpr int kSize = 32768;

    /// The byte at an address 0..32767; outside that throws AppError "Subscript out of range".
    quint8 at(int address) const;
    void set(int address, quint8 value);
    const std::array<quint8, kSize>& bytes() const { return bytes_; }

    void clearFramBuffer() { bytes_.fill(0); }

private:
    std::array<quint8, kSize> bytes_{};
};

}  // namespace tarvik
