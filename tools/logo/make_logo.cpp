// Draws the Orvenna logo and writes it as a GIF: make_logo <file.gif>.
// Qt reads GIF but cannot write it, so the picture is quantised to 256 colours and written by
// the small GIF89a encoder below. The result is committed as resources/Orvenna_Logo.gif.
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QTextStream>
#include <cstdio>
#include <vector>

namespace {

constexpr int kSize = 140;
const QColor kBackground(250, 250, 247);  // the splash's own background

QImage drawLogo() {
    QImage img(kSize, kSize, QImage::Format_RGB32);
    img.fill(kBackground);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF c(kSize / 2.0, kSize / 2.0);

    // Navy disc with a soft highlight, a chrome ring round it.
    QRadialGradient disc(c.x() - 18, c.y() - 22, 80);
    disc.setColorAt(0.0, QColor(58, 86, 140));
    disc.setColorAt(1.0, QColor(16, 26, 52));
    p.setPen(QPen(QColor(160, 168, 180), 5));
    p.setBrush(disc);
    p.drawEllipse(c, 64, 64);
    p.setPen(QPen(QColor(232, 236, 242), 1.5));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(c, 57, 57);

    // The "O": a thick white ring.
    p.setPen(QPen(QColor(245, 247, 250), 13));
    p.drawEllipse(c, 34, 34);

    // A red-to-orange bolt across it: the nitrous hit.
    QPainterPath bolt;
    bolt.moveTo(86, 14);
    bolt.lineTo(44, 76);
    bolt.lineTo(68, 76);
    bolt.lineTo(52, 126);
    bolt.lineTo(98, 58);
    bolt.lineTo(73, 58);
    bolt.closeSubpath();
    QLinearGradient fire(60, 14, 80, 126);
    fire.setColorAt(0.0, QColor(255, 196, 40));
    fire.setColorAt(0.55, QColor(240, 90, 24));
    fire.setColorAt(1.0, QColor(196, 20, 28));
    p.setPen(QPen(QColor(16, 26, 52), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(fire);
    p.drawPath(bolt);
    p.end();
    return img;
}

// GIF's variable-length LZW, codes packed least significant bit first into 255-byte blocks.
class LzwWriter {
public:
    explicit LzwWriter(QByteArray& out) : out_(out) {}

    void encode(const std::vector<uchar>& pixels) {
        constexpr int kMinCodeSize = 8;
        const int clear = 1 << kMinCodeSize;
        const int end = clear + 1;
        out_.append(char(kMinCodeSize));
        std::vector<int> table;  // (prefix << 8 | byte) -> code, as a flat map
        auto reset = [&] {
            table.assign(4096 * 256, -1);
            next_ = end + 1;
            width_ = kMinCodeSize + 1;
        };
        reset();
        put(clear);
        int prefix = pixels.empty() ? -1 : pixels[0];
        for (size_t i = 1; i < pixels.size(); ++i) {
            const int k = pixels[i];
            const int key = prefix * 256 + k;
            if (table[size_t(key)] >= 0) {
                prefix = table[size_t(key)];
                continue;
            }
            put(prefix);
            if (next_ < 4096) {
                table[size_t(key)] = next_++;
                if (next_ > (1 << width_) && width_ < 12) {
                    ++width_;
                }
            } else {
                put(clear);
                reset();
            }
            prefix = k;
        }
        if (prefix >= 0) {
            put(prefix);
        }
        put(end);
        if (bits_ > 0) {
            block_.append(char(acc_ & 0xFF));
        }
        flushBlock();
        out_.append(char(0));  // block terminator
    }

private:
    void put(int code) {
        acc_ |= quint32(code) << bits_;
        bits_ += width_;
        while (bits_ >= 8) {
            block_.append(char(acc_ & 0xFF));
            acc_ >>= 8;
            bits_ -= 8;
            if (block_.size() == 255) {
                flushBlock();
            }
        }
    }
    void flushBlock() {
        if (!block_.isEmpty()) {
            out_.append(char(block_.size()));
            out_.append(block_);
            block_.clear();
        }
    }

    QByteArray& out_;
    QByteArray block_;
    quint32 acc_ = 0;
    int bits_ = 0;
    int width_ = 9;
    int next_ = 0;
};

void putWord(QByteArray& out, int v) {
    out.append(char(v & 0xFF));
    out.append(char((v >> 8) & 0xFF));
}

QByteArray encodeGif(const QImage& rgb) {
    const QImage img = rgb.convertToFormat(QImage::Format_Indexed8, Qt::DiffuseDither);
    QVector<QRgb> palette = img.colorTable();
    palette.resize(256, qRgb(0, 0, 0));

    QByteArray out("GIF89a");
    putWord(out, img.width());
    putWord(out, img.height());
    out.append(char(0xF7));  // global colour table of 256 entries, 8 bits per primary
    out.append(char(0));     // background colour index
    out.append(char(0));     // square pixels
    for (QRgb c : palette) {
        out.append(char(qRed(c)));
        out.append(char(qGreen(c)));
        out.append(char(qBlue(c)));
    }
    out.append(char(0x2C));  // image descriptor
    putWord(out, 0);
    putWord(out, 0);
    putWord(out, img.width());
    putWord(out, img.height());
    out.append(char(0));  // no local table, not interlaced

    std::vector<uchar> pixels;
    pixels.reserve(size_t(img.width() * img.height()));
    for (int y = 0; y < img.height(); ++y) {
        const uchar* line = img.constScanLine(y);
        pixels.insert(pixels.end(), line, line + img.width());
    }
    LzwWriter(out).encode(pixels);
    out.append(char(0x3B));  // trailer
    return out;
}

}  // namespace

int main(int argc, char* argv[]) {
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: make_logo <file.gif>\n");
        return 2;
    }
    const QImage logo = drawLogo();
    const QByteArray gif = encodeGif(logo);
    QFile file(QString::fromLocal8Bit(argv[1]));
    if (!file.open(QIODevice::WriteOnly) || file.write(gif) != gif.size() || !file.flush()) {
        std::fprintf(stderr, "make_logo: cannot write %s\n", argv[1]);
        return 1;
    }
    // Read it back: a GIF that Qt cannot load is of no use to the splash.
    file.close();
    QImage check;
    const QImage expected = logo.convertToFormat(QImage::Format_Indexed8, Qt::DiffuseDither)
                                .convertToFormat(QImage::Format_RGB32);
    if (!check.load(file.fileName(), "GIF") ||
        check.convertToFormat(QImage::Format_RGB32) != expected) {
        std::fprintf(stderr, "make_logo: the written GIF does not read back\n");
        return 1;
    }
    return 0;
}
