#include "logdata/caption_rule.h"

namespace tarvik {

namespace {
constexpr qsizetype kMaxNameChars = 60;
}

QString captionFileName(const QString& path) {
    const qsizetype cut = std::max(path.lastIndexOf(u'\\'), path.lastIndexOf(u'/'));
    return cut < 0 ? path : path.mid(cut + 1);
}

QString fileCaption(const QString& baseTitle, const QString& path) {
    const QString name = captionFileName(path);
    if (name.size() <= kMaxNameChars) {
        return baseTitle + QStringLiteral(" - ") + name;
    }
    return baseTitle + QStringLiteral(" - ...") + name.right(kMaxNameChars);
}

}  // namespace tarvik
