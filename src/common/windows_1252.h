#pragma once

#include <QByteArrayView>
#include <QString>

namespace tarvik {

/// Reads 8-bit text written on Windows in its Western code page (Windows-1252): Latin-1 except
/// for the bytes 0x80-0x9F, which hold the euro sign, curly quotes, dashes, the trade mark sign
/// and a few letters. The five bytes the code page leaves unassigned (0x81, 0x8D, 0x8F, 0x90,
/// 0x9D) keep their Latin-1 code points, as Windows itself reads them, so no byte is lost.
QString fromWindows1252(QByteArrayView bytes);

}  // namespace tarvik
