#include "logdata/csv_fields.h"

namespace tarvik::csv_fields {

void appendQuoted(QByteArray& out, const QByteArray& text) {
    out.append('"');
    for (const char c : text) {
        if (c == '"') {
            out.append('"');
        }
        out.append(c);
    }
    out.append('"');
}

QList<QByteArray> split(const QByteArray& line) {
    QList<QByteArray> fields;
    const qsizetype n = line.size();
    qsizetype i = 0;
    for (;;) {
        QByteArray field;
        if (i < n && line.at(i) == '"') {
            ++i;
            while (i < n) {
                const char c = line.at(i);
                if (c != '"') {
                    field.append(c);
                    ++i;
                    continue;
                }
                if (i + 1 < n && line.at(i + 1) == '"') {
                    field.append('"');  // a doubled quote
                    i += 2;
                    continue;
                }
                if (i + 1 == n || line.at(i + 1) == ',') {
                    ++i;  // the closing quote
                    break;
                }
                ++i;  // a lone quote of an older file: dropped, as it always was
            }
        } else {
            while (i < n && line.at(i) != ',') {
                if (line.at(i) != '"') {
                    field.append(line.at(i));
                }
                ++i;
            }
        }
        fields.append(field);
        if (i >= n) {
            break;
        }
        ++i;  // the comma
    }
    return fields;
}

}  // namespace tarvik::csv_fields
