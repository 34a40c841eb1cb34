#pragma once

#include <QString>
#include <cstdint>
#include <stdexcept>

namespace tarvik {

/// The program's one kind of error: a code, the source that raised it and the description that
/// the error box shows. Thrown by the serial layer, the file dialogs, conversions and the
/// stores; caught by the error traps of the routines that have one.
class AppError : public std::runtime_error {
public:
    // Codes. Application errors are 0x80040000 + n, as the controller link and the file
    // dialogs have always used; the rest name the failure.
    static constexpr std::uint32_t kCommError = 0x800403E8;       // application error 1000
    static constexpr std::uint32_t kFileOpenCancel = 0x800403E8;  // same code, source "File Open"
    static constexpr std::uint32_t kFileSaveCancel = 0x800403E9;  // application error 1001
    /// The serial adapter went away (pulled out, or its device failed): application error 1002.
    static constexpr std::uint32_t kAdapterGone = 0x800403EA;
    static constexpr std::uint32_t kOverflow = 6;
    static constexpr std::uint32_t kSubscriptOutOfRange = 9;
    static constexpr std::uint32_t kTypeMismatch = 13;
    static constexpr std::uint32_t kInvalidPropertyValue = 380;
    static constexpr std::uint32_t kFileError = 75;
    static constexpr std::uint32_t kPrinterError = 482;
    static constexpr std::uint32_t kSettingsWrite = 0x800403F0;

    AppError(std::uint32_t code, QString source, QString description)
        : std::runtime_error(description.toStdString()),
          code_(code),
          source_(std::move(source)),
          description_(std::move(description)) {}

    std::uint32_t code() const { return code_; }
    const QString& source() const { return source_; }
    const QString& description() const { return description_; }

    /// The serial layer's error: "Comm Error" with the given text.
    static AppError commError(const QString& description) {
        return AppError(kCommError, QStringLiteral("Comm Error"), description);
    }
    static AppError overflow(const QString& source) {
        return AppError(kOverflow, source, QStringLiteral("Overflow"));
    }
    static AppError typeMismatch(const QString& source) {
        return AppError(kTypeMismatch, source, QStringLiteral("Type mismatch"));
    }
    static AppError subscriptOutOfRange(const QString& source) {
        return AppError(kSubscriptOutOfRange, source, QStringLiteral("Subscript out of range"));
    }

private:
    std::uint32_t code_;
    QString source_;
    QString description_;
};

}  // namespace tarvik
