// svg2bmp: renders an SVG picture into a 24-bit Windows bitmap, the format of the console's
// "Product Image" folder. Used at build time; needs no display.
//
//   svg2bmp [--strict] INPUT.svg OUTPUT.bmp [WIDTH HEIGHT]
//
// --strict fails on any warning of the SVG reader (an element it does not draw, a broken
// reference), so the pictures' check catches a drawing that would silently render wrong.
// Without a size the picture's own size is used. Pixels the picture leaves transparent take the
// device panel's background colour, so the bitmap blends into the panel it is shown on.
#include <QByteArray>
#include <QColor>
#include <QGuiApplication>
#include <QImage>
#include <QLoggingCategory>
#include <QPainter>
#include <QSaveFile>
#include <QSvgRenderer>

#include <cstdio>

namespace {
constexpr int kMaxSide = 8192;
const QColor kPanelBackground(241, 255, 213);

void put16(QByteArray& out, quint16 v)
{
    out.append(char(v & 0xFF));
    out.append(char(v >> 8));
}

void put32(QByteArray& out, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        out.append(char((v >> (8 * i)) & 0xFF));
}

// Uncompressed 24-bit DIB, bottom-up rows padded to 4 bytes: what every bitmap reader accepts.
QByteArray encodeBmp24(const QImage& image)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    const int w = rgb.width();
    const int h = rgb.height();
    const quint32 stride = (quint32(w) * 3 + 3) & ~3u;
    const quint32 dataSize = stride * quint32(h);

    QByteArray out;
    out.reserve(int(54 + dataSize));
    out.append("BM", 2);
    put32(out, 54 + dataSize); // file size
    put32(out, 0);             // reserved
    put32(out, 54);            // offset of the pixels
    put32(out, 40);            // BITMAPINFOHEADER
    put32(out, quint32(w));
    put32(out, quint32(h)); // positive: bottom-up
    put16(out, 1);          // planes
    put16(out, 24);         // bits per pixel
    put32(out, 0);          // BI_RGB
    put32(out, dataSize);
    put32(out, 2835); // 72 dpi in pixels per metre
    put32(out, 2835);
    put32(out, 0); // palette colours
    put32(out, 0); // important colours

    for (int y = h - 1; y >= 0; --y) {
        const uchar* line = rgb.constScanLine(y);
        for (int x = 0; x < w; ++x) {
            out.append(char(line[3 * x + 2])); // blue
            out.append(char(line[3 * x + 1])); // green
            out.append(char(line[3 * x]));     // red
        }
        for (quint32 pad = quint32(w) * 3; pad < stride; ++pad)
            out.append('\0');
    }
    return out;
}

int svgWarnings = 0;
QtMessageHandler previousHandler = nullptr;

void countSvgWarnings(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (type != QtDebugMsg && type != QtInfoMsg && context.category &&
        QByteArray(context.category).startsWith("qt.svg"))
        ++svgWarnings;
    previousHandler(type, context, text);
}

bool parseSide(const QString& text, int& side)
{
    bool ok = false;
    side = text.toInt(&ok);
    return ok && side > 0 && side <= kMaxSide;
}
} // namespace

int main(int argc, char** argv)
{
    // A build tool never opens a window; this also keeps it working on machines without a display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Unclassified warnings (such as a missing runtime folder) are noise in a build log; the SVG
    // reader's own warnings keep their category and still show.
    QLoggingCategory::setFilterRules(QStringLiteral("default.warning=false"));
    QGuiApplication app(argc, argv);
    QStringList args = app.arguments();
    const bool strict = args.size() > 1 && args.at(1) == QLatin1String("--strict");
    if (strict) {
        args.removeAt(1);
        previousHandler = qInstallMessageHandler(countSvgWarnings);
    }
    if (args.size() != 3 && args.size() != 5) {
        std::fprintf(stderr, "usage: svg2bmp [--strict] INPUT.svg OUTPUT.bmp [WIDTH HEIGHT]\n");
        return 2;
    }

    QSvgRenderer svg(args.at(1));
    if (!svg.isValid()) {
        std::fprintf(stderr, "svg2bmp: %s is not a readable SVG picture\n", qPrintable(args.at(1)));
        return 1;
    }
    QSize size = svg.defaultSize();
    if (args.size() == 5) {
        int w = 0;
        int h = 0;
        if (!parseSide(args.at(3), w) || !parseSide(args.at(4), h)) {
            std::fprintf(stderr, "svg2bmp: width and height must be between 1 and %d\n", kMaxSide);
            return 2;
        }
        size = QSize(w, h);
    }
    if (size.isEmpty() || size.width() > kMaxSide || size.height() > kMaxSide) {
        std::fprintf(stderr, "svg2bmp: %s has no usable size; give one\n", qPrintable(args.at(1)));
        return 1;
    }

    QImage image(size, QImage::Format_RGB32);
    image.fill(kPanelBackground);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    svg.render(&painter);
    painter.end();
    if (strict && svgWarnings > 0) {
        std::fprintf(stderr, "svg2bmp: %s: %d warning(s) from the SVG reader\n", qPrintable(args.at(1)),
                     svgWarnings);
        return 1;
    }

    QSaveFile file(args.at(2));
    if (!file.open(QIODevice::WriteOnly) || file.write(encodeBmp24(image)) < 0 || !file.commit()) {
        std::fprintf(stderr, "svg2bmp: cannot write %s: %s\n", qPrintable(args.at(2)),
                     qPrintable(file.errorString()));
        return 1;
    }
    return 0;
}
