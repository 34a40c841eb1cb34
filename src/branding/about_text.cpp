#include "branding/about_text.h"

namespace tarvik {

QString aboutText(const QStringList& brandLines) {
    if (brandLines.isEmpty()) {
        return kRevisionText.trimmed();
    }
    const QString crlf = QStringLiteral("\r\n");
    QString text = brandLines.first() + kRevisionText + crlf + crlf;
    for (qsizetype i = 1; i < brandLines.size(); ++i) {
        text += brandLines[i] + crlf;
    }
    return text;
}

}  // namespace tarvik
