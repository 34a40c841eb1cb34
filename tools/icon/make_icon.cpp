// Renders the application icon's drawing (resources/icons/org.tarvik.Tarvik.svg) into the PNG
// sizes the desktop and the program's windows use, and the Windows installer's .ico. Run by hand
// when the drawing changes; its output is committed:  make_icon
// resources/icons/org.tarvik.Tarvik.svg resources/icons
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cstdio>

int main(int argc, char* argv[]) {
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_icon <drawing.svg> <output folder>\n");
        return 2;
    }
    QSvgRenderer svg(QString::fromLocal8Bit(argv[1]));
    if (!svg.isValid()) {
        std::fprintf(stderr, "make_icon: %s is not a drawing Qt can read\n", argv[1]);
        return 1;
    }
    const QDir out(QString::fromLocal8Bit(argv[2]));
    for (int size : {16, 32, 48, 128, 256}) {
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        svg.render(&painter);
        painter.end();
        const QString path = out.filePath(QStringLiteral("org.tarvik.Tarvik-%1.png").arg(size));
        if (!image.save(path)) {
            std::fprintf(stderr, "make_icon: cannot write %s\n", qPrintable(path));
            return 1;
        }
        // The Windows installer's icon.
        if (size == 256 &&
            !image.save(out.filePath(QStringLiteral("org.tarvik.Tarvik.ico")), "ICO")) {
            std::fprintf(stderr, "make_icon: cannot write the .ico file\n");
            return 1;
        }
    }
    return 0;
}
