#pragma once

#include <QByteArray>
#include <QList>

namespace tarvik {

/// Comma-separated fields as spreadsheets and Python's csv module write them (RFC 4180): a text
/// field in double quotes, a quote inside it doubled.
namespace csv_fields {

/// `text` as one quoted field: opening quote, every `"` doubled, closing quote.
void appendQuoted(QByteArray& out, const QByteArray& text);

/// Splits one line into its fields. A field that begins with a quote runs to the quote that is
/// followed by a comma or the line's end; inside it a doubled quote is one quote and a comma is
/// part of the text. Files written before quotes were doubled may hold a lone quote inside a
/// field (`"6" slicks"`): such a quote is dropped, as those files have always been read, and so
/// is any quote in a field that does not begin with one. A quoted field left open at the line's
/// end ends there.
QList<QByteArray> split(const QByteArray& line);

}  // namespace csv_fields

}  // namespace tarvik
