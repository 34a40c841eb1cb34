#pragma once

#include <QByteArray>
#include <QString>

namespace tarvik {

/// File names as the system gives them. On Linux a name is a string of bytes, and nothing makes
/// it valid UTF-8: a file copied from an old memory card can be called "caf\xE9.log". Qt decodes
/// such bytes to U+FFFD, and the name it makes of that opens nothing. These functions keep every
/// byte instead: a byte that is not part of valid UTF-8 becomes the lone surrogate U+DC00 + byte
/// (the convention Python's file names use), which no valid name holds, and turns back into the
/// same byte when the file is opened. Names that are valid UTF-8, and every name on Windows,
/// come and go exactly as QFile::decodeName and QFile::encodeName make them.
///
/// A path that holds such bytes must reach the system through localPathBytes() (openRegularFile
/// and the tests below do); shownPath() is how a message or a menu shows it.
namespace local_path {

/// The name for the bytes the system gave (a command-line argument, a directory entry).
QString fromBytes(const QByteArray& bytes);
/// The bytes of the name, for the system's calls: the inverse of fromBytes().
QByteArray toBytes(const QString& path);
/// True when the path holds bytes that are not valid UTF-8 (only fromBytes() makes such paths).
bool holdsRawBytes(const QString& path);
/// The path for people: each kept byte shows as the replacement character U+FFFD.
QString shown(const QString& path);

/// What lies at the path, asked with its bytes.
bool exists(const QString& path);
bool isFile(const QString& path);

/// A text form that survives any text store (settings files are UTF-8 and would lose the bytes):
/// a path with kept bytes becomes "file://" and its bytes percent-encoded; any other path stays as
/// it is. fromStored() reads both forms back.
QString toStored(const QString& path);
QString fromStored(const QString& stored);

}  // namespace local_path

}  // namespace tarvik
