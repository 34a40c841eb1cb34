#include "chart/chart_template.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStringList>
#include <cmath>

#include "platform/regular_file.h"

namespace tarvik {

const QString ChartTemplate::kSignature = QStringLiteral("tarvik-chart-template 1");

namespace {

struct Entry {
    QString value;
    int line = 0;
};
struct Section {
    int line = 0;  ///< where its heading is
    QHash<QString, Entry> keys;
};

// Reads the sections and keys; the values are checked when the template is built from them.
class Reader {
public:
    explicit Reader(QString* error) : error_(error) {}

    bool fail(const QString& why) {
        if (error_ != nullptr && ok_) {
            *error_ = why;
        }
        ok_ = false;
        return false;
    }
    // A value that does not read: said with the line it is on.
    bool failHere(const QString& why) { return fail(QStringLiteral("line %1: ").arg(line_) + why); }
    bool ok() const { return ok_; }

    bool read(const QString& text) {
        const QStringList lines = text.split(u'\n');
        lastLine_ = static_cast<int>(lines.size());
        bool signed_ = false;
        QString section;
        for (qsizetype n = 0; n < lines.size(); ++n) {
            const QString line = lines[n].trimmed();
            const QString where = QStringLiteral("line %1: ").arg(n + 1);
            if (line.isEmpty() || line.startsWith(u'#')) {
                continue;
            }
            if (!signed_) {
                if (line != ChartTemplate::kSignature) {
                    return fail(where + QStringLiteral("not a chart template"));
                }
                signed_ = true;
                continue;
            }
            if (line.startsWith(u'[')) {
                if (!line.endsWith(u']')) {
                    return fail(where + QStringLiteral("unclosed section"));
                }
                section = line.mid(1, line.size() - 2).simplified();
                if (!kSections.contains(section)) {
                    return fail(where + QStringLiteral("unknown section ") + section);
                }
                if (sections_.contains(section)) {
                    return fail(where + QStringLiteral("section given twice: ") + section);
                }
                sections_.insert(section, Section{static_cast<int>(n + 1), {}});
                continue;
            }
            const qsizetype eq = line.indexOf(u'=');
            if (eq < 0 || section.isEmpty()) {
                return fail(where + QStringLiteral("expected key = value inside a section"));
            }
            const QString key = line.left(eq).trimmed();
            Section& s = sections_[section];
            if (s.keys.contains(key)) {
                return fail(where + QStringLiteral("key given twice: ") + key);
            }
            s.keys.insert(key, Entry{line.mid(eq + 1).trimmed(), static_cast<int>(n + 1)});
        }
        if (!signed_) {
            return fail(QStringLiteral("line %1: not a chart template (the file has no content)")
                            .arg(lastLine_));
        }
        return true;
    }

    // Each value is taken once; keys left over afterwards are unknown.
    QString take(const QString& section, const QString& key) {
        auto s = sections_.find(section);
        if (s == sections_.end()) {
            line_ = lastLine_;
            failHere(QStringLiteral("the file ends without section [%1]").arg(section));
            return {};
        }
        auto v = s->keys.find(key);
        if (v == s->keys.end()) {
            line_ = s->line;
            failHere(QStringLiteral("[%1] misses %2").arg(section, key));
            return {};
        }
        const QString value = v->value;
        line_ = v->line;
        s->keys.erase(v);
        return value;
    }

    void checkNothingLeft() {
        for (auto s = sections_.cbegin(); s != sections_.cend(); ++s) {
            if (!s->keys.isEmpty()) {
                line_ = s->keys.cbegin()->line;
                failHere(QStringLiteral("[%1] has an unknown key %2")
                             .arg(s.key(), s->keys.cbegin().key()));
                return;
            }
        }
    }

    QColor color(const QString& section, const QString& key) {
        const QString v = take(section, key);
        if (!ok_) {
            return {};
        }
        QColor c = QColor::fromString(v);
        if (!c.isValid()) {
            failHere(QStringLiteral("[%1] %2: not a colour: %3").arg(section, key, v));
        }
        return c;
    }

    QString text(const QString& section, const QString& key) {
        const QString v = take(section, key);
        if (!ok_) {
            return {};
        }
        // Quoted, so that leading and trailing blanks (" ON ") survive.
        if (v.size() < 2 || !v.startsWith(u'"') || !v.endsWith(u'"')) {
            failHere(QStringLiteral("[%1] %2: text must be in double quotes").arg(section, key));
            return {};
        }
        return v.mid(1, v.size() - 2);
    }

    QList<qreal> numbers(const QString& section, const QString& key, int count) {
        const QString v = take(section, key);
        QList<qreal> out;
        if (!ok_) {
            // Callers index the result: keep its length even after a failure.
            return QList<qreal>(count, 0.0);
        }
        const QStringList parts = v.simplified().split(u' ', Qt::SkipEmptyParts);
        for (const QString& p : parts) {
            bool good = false;
            const qreal n = p.toDouble(&good);
            if (!good || !std::isfinite(n) || std::fabs(n) > 10000) {
                break;
            }
            out << n;
        }
        if (out.size() != count || parts.size() != count) {
            failHere(QStringLiteral("[%1] %2: expected %3 numbers").arg(section, key).arg(count));
            out = QList<qreal>(count, 0.0);
        }
        return out;
    }

    QFont font(const QString& section, const QString& key) {
        const QString v = take(section, key);
        if (!ok_) {
            return {};
        }
        const QStringList parts = v.split(u',');
        bool good = parts.size() >= 2;
        QFont f;
        if (good) {
            f.setFamily(parts[0].trimmed());
            const qreal size = parts[1].trimmed().toDouble(&good);
            good = good && size >= 4 && size <= 72 && !parts[0].trimmed().isEmpty();
            if (good) {
                f.setPointSizeF(size);
            }
        }
        for (qsizetype i = 2; good && i < parts.size(); ++i) {
            const QString style = parts[i].trimmed();
            if (style == QLatin1String("bold")) {
                f.setBold(true);
            } else if (style == QLatin1String("italic")) {
                f.setItalic(true);
            } else {
                good = false;
            }
        }
        if (!good) {
            failHere(QStringLiteral("[%1] %2: expected family, size[, bold][, italic]")
                         .arg(section, key));
        }
        return f;
    }

    template <class T>
    T choice(const QString& section, const QString& key,
             std::initializer_list<std::pair<const char*, T>> names) {
        const QString v = take(section, key);
        for (const auto& [name, value] : names) {
            if (v == QLatin1String(name)) {
                return value;
            }
        }
        if (ok_) {
            failHere(QStringLiteral("[%1] %2: unknown choice %3").arg(section, key, v));
        }
        return names.begin()->second;
    }

private:
    static inline const QStringList kSections{QStringLiteral("chart"),   QStringLiteral("axis X"),
                                              QStringLiteral("axis Y"),  QStringLiteral("axis Y2"),
                                              QStringLiteral("group 1"), QStringLiteral("group 2"),
                                              QStringLiteral("label 1"), QStringLiteral("label 2"),
                                              QStringLiteral("label 3"), QStringLiteral("marker")};

    QString* error_;
    bool ok_ = true;
    int line_ = 0;  ///< the line of the value taken last
    int lastLine_ = 0;
    QHash<QString, Section> sections_;
};

}  // namespace

std::optional<ChartTemplate> ChartTemplate::parse(const QString& text, QString* error) {
    Reader r(error);
    if (!r.read(text)) {
        return std::nullopt;
    }
    ChartTemplate t;
    const QString chart = QStringLiteral("chart");
    t.background = r.color(chart, QStringLiteral("background"));
    t.plotBackground = r.color(chart, QStringLiteral("plot-background"));
    t.gridColor = r.color(chart, QStringLiteral("grid-color"));
    t.minorGridColor = r.color(chart, QStringLiteral("minor-grid-color"));
    const QList<qreal> m = r.numbers(chart, QStringLiteral("margins"), 4);
    t.margins = QMarginsF(m[0], m[1], m[2], m[3]);
    t.legendShown =
        r.choice<bool>(chart, QStringLiteral("legend"), {{"shown", true}, {"hidden", false}});
    t.legendFont = r.font(chart, QStringLiteral("legend-font"));
    t.headerFont = r.font(chart, QStringLiteral("header-font"));
    t.headerColor = r.color(chart, QStringLiteral("header-color"));

    const char* axisNames[] = {"axis X", "axis Y", "axis Y2"};
    for (std::size_t i = 0; i < t.axes.size(); ++i) {
        const QString s = QLatin1String(axisNames[i]);
        Axis& a = t.axes[i];
        a.title = r.text(s, QStringLiteral("title"));
        a.titleFont = r.font(s, QStringLiteral("title-font"));
        a.titleColor = r.color(s, QStringLiteral("title-color"));
        a.labelFont = r.font(s, QStringLiteral("label-font"));
        a.labelColor = r.color(s, QStringLiteral("label-color"));
        a.lineColor = r.color(s, QStringLiteral("line-color"));
    }
    for (std::size_t i = 0; i < t.groups.size(); ++i) {
        const QString s = QStringLiteral("group %1").arg(i + 1);
        t.groups[i].color = r.color(s, QStringLiteral("color"));
        t.groups[i].lineWidth = r.numbers(s, QStringLiteral("line-width"), 1)[0];
        if (r.ok() && !(t.groups[i].lineWidth > 0 && t.groups[i].lineWidth <= 10)) {
            r.failHere(s + QStringLiteral(": line-width must be above 0 and at most 10"));
        }
    }
    for (std::size_t i = 0; i < t.labels.size(); ++i) {
        const QString s = QStringLiteral("label %1").arg(i + 1);
        Label& l = t.labels[i];
        l.text = r.text(s, QStringLiteral("text"));
        const QList<qreal> p = r.numbers(s, QStringLiteral("position"), 2);
        l.position = QPointF(p[0], p[1]);
        const QList<qreal> o = r.numbers(s, QStringLiteral("offset"), 2);
        l.offset = QPointF(o[0], o[1]);
        l.anchor = r.choice<Anchor>(s, QStringLiteral("anchor"),
                                    {{"west", Anchor::West},
                                     {"east", Anchor::East},
                                     {"center", Anchor::Center},
                                     {"north-west", Anchor::NorthWest},
                                     {"north-east", Anchor::NorthEast},
                                     {"south-west", Anchor::SouthWest},
                                     {"south-east", Anchor::SouthEast}});
        l.font = r.font(s, QStringLiteral("font"));
        l.color = r.color(s, QStringLiteral("color"));
        l.background = r.color(s, QStringLiteral("background"));
        l.border = r.color(s, QStringLiteral("border"));
    }
    const QString marker = QStringLiteral("marker");
    t.markerColor = r.color(marker, QStringLiteral("color"));
    t.markerWidth = r.numbers(marker, QStringLiteral("line-width"), 1)[0];
    if (r.ok() && !(t.markerWidth > 0 && t.markerWidth <= 10)) {
        r.failHere(QStringLiteral("marker: line-width must be above 0 and at most 10"));
    }
    t.markerStyle = r.choice<Qt::PenStyle>(marker, QStringLiteral("style"),
                                           {{"solid", Qt::SolidLine},
                                            {"dash", Qt::DashLine},
                                            {"dot", Qt::DotLine},
                                            {"dash-dot", Qt::DashDotLine}});
    r.checkNothingLeft();
    if (!r.ok()) {
        return std::nullopt;
    }
    return t;
}

std::optional<ChartTemplate> ChartTemplate::load(const QString& path, QString* error) {
    // A template is a page of text; anything far larger (or endless, like a device) is not one,
    // and a pipe or device is not even opened for reading.
    constexpr qint64 kLargest = 256 * 1024;
    auto fail = [&](const QString& why) -> std::optional<ChartTemplate> {
        if (error != nullptr) {
            *error = why;
        }
        return std::nullopt;
    };
    const QString file = QStringLiteral("Chart template file ") + QFileInfo(path).fileName();
    QFile f;
    const RegularFileResult opened = openRegularFile(f, path);
    switch (opened.kind) {
        case FileKind::Regular:
            break;
        case FileKind::Missing:
            return fail(QString());  // simply not there
        case FileKind::Folder:
        case FileKind::Special:
            return fail(
                QStringLiteral("%1 is %2, not a chart template.").arg(file, fileKindText(opened)));
        case FileKind::Unreadable:
            return fail(QStringLiteral("%1 cannot be read: %2.").arg(file, opened.error));
    }
    const QString tooLarge =
        QStringLiteral("%1 is larger than 256 KB, not a chart template.").arg(file);
    if (f.size() > kLargest) {
        return fail(tooLarge);
    }
    const QByteArray bytes = f.read(kLargest + 1);
    if (f.error() != QFileDevice::NoError) {
        return fail(QStringLiteral("%1 cannot be read: %2.").arg(file, f.errorString()));
    }
    if (bytes.size() > kLargest) {
        return fail(tooLarge);
    }
    QString why;
    std::optional<ChartTemplate> t = parse(QString::fromUtf8(bytes), &why);
    if (!t) {
        return fail(QStringLiteral("%1 is damaged (%2).").arg(file, why));
    }
    return t;
}

}  // namespace tarvik
