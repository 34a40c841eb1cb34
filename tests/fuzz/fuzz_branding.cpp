// libFuzzer entry for the branding file reader: any bytes must parse within the size limits,
// without crashing, hanging or keeping more than the reader promises.
#include <QByteArray>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "branding/branding.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tarvik;
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const BrandingRead r = parseBranding(bytes);

    // The promises the rest of the program relies on.
    if (r.branding.splashLines.size() > branding_limits::kMaxLinesKept ||
        r.branding.brandLines.size() > branding_limits::kMaxLinesKept) {
        std::abort();
    }
    for (const QStringList* list : {&r.branding.splashLines, &r.branding.brandLines}) {
        for (const QString& line : *list) {
            if (line.size() > branding_limits::kMaxLineChars) {
                std::abort();
            }
        }
    }
    if (r.ok() != r.problems.isEmpty() || (r.ok() && r.splashLineCount < kSplashLinesUsed)) {
        std::abort();
    }
    if (!r.ok() && r.describeProblems().isEmpty()) {
        std::abort();
    }
    // The splash's readings of the lines must cope with whatever text came out.
    for (const QString& line : r.branding.splashLines) {
        (void)brandingFontSize(line);
        (void)brandingBold(line);
        (void)brandingNoLogo(line);
    }
    return 0;
}
