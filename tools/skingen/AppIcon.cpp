// appicon: draws the program's icon for the desktop, as a scalable SVG and as PNGs.
// Usage: appicon OUTDIR SIZE...
// Writes OUTDIR/quillmere.svg and OUTDIR/quillmere-SIZE.png for each size. The SVG and the
// pictures come from one description, so they show the same icon at every size.
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <cstdio>

namespace {

// The icon on a 256-unit canvas: a navy tile, an aqua ring for the repeated section with its
// A and B marks, and a white eighth note in the middle.
constexpr double Tile = 256;
constexpr double TileMargin = 16;
constexpr double TileRadius = 44;
constexpr double RingX = 128, RingY = 128, RingR = 84, RingWidth = 14;
constexpr double MarkR = 13;
constexpr double MarkAX = 128 - 84, MarkBX = 128 + 84, MarkY = 128;
constexpr double HeadX = 110, HeadY = 168, HeadRx = 26, HeadRy = 19;
constexpr double StemX = 124, StemTop = 70, StemWidth = 12;

const char *const TileTop = "#1c2a8c";
const char *const TileBottom = "#02042c";
const char *const Ring = "#00e5ff";
const char *const Mark = "#ffb020";
const char *const Note = "#ffffff";

const char *const FlagPath = "M136,70 C160,80 184,96 176,134 C170,114 156,104 136,100 Z";

QPainterPath flag()
{
    QPainterPath path(QPointF(136, 70));
    path.cubicTo(160, 80, 184, 96, 176, 134);
    path.cubicTo(170, 114, 156, 104, 136, 100);
    path.closeSubpath();
    return path;
}

QByteArray svg()
{
    QByteArray text;
    text += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"256\" height=\"256\" "
            "viewBox=\"0 0 256 256\">\n";
    text +=
        QStringLiteral("  <defs><linearGradient id=\"tile\" x1=\"0\" y1=\"0\" x2=\"0\" y2=\"1\">"
                       "<stop offset=\"0\" stop-color=\"%1\"/><stop offset=\"1\" "
                       "stop-color=\"%2\"/></linearGradient></defs>\n")
            .arg(QLatin1String(TileTop), QLatin1String(TileBottom))
            .toUtf8();
    text += QStringLiteral("  <rect x=\"%1\" y=\"%1\" width=\"%2\" height=\"%2\" rx=\"%3\" "
                           "fill=\"url(#tile)\"/>\n")
                .arg(TileMargin)
                .arg(Tile - 2 * TileMargin)
                .arg(TileRadius)
                .toUtf8();
    text += QStringLiteral("  <circle cx=\"%1\" cy=\"%2\" r=\"%3\" fill=\"none\" stroke=\"%4\" "
                           "stroke-width=\"%5\"/>\n")
                .arg(RingX)
                .arg(RingY)
                .arg(RingR)
                .arg(QLatin1String(Ring))
                .arg(RingWidth)
                .toUtf8();
    for (double x : {MarkAX, MarkBX})
        text += QStringLiteral("  <circle cx=\"%1\" cy=\"%2\" r=\"%3\" fill=\"%4\"/>\n")
                    .arg(x)
                    .arg(MarkY)
                    .arg(MarkR)
                    .arg(QLatin1String(Mark))
                    .toUtf8();
    text += QStringLiteral("  <ellipse cx=\"%1\" cy=\"%2\" rx=\"%3\" ry=\"%4\" fill=\"%5\"/>\n")
                .arg(HeadX)
                .arg(HeadY)
                .arg(HeadRx)
                .arg(HeadRy)
                .arg(QLatin1String(Note))
                .toUtf8();
    text += QStringLiteral("  <rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" fill=\"%5\"/>\n")
                .arg(StemX)
                .arg(StemTop)
                .arg(StemWidth)
                .arg(HeadY - StemTop)
                .arg(QLatin1String(Note))
                .toUtf8();
    text += QByteArray("  <path d=\"") + FlagPath + "\" fill=\"" + Note + "\"/>\n";
    text += "</svg>\n";
    return text;
}

QImage png(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / Tile, size / Tile);
    QLinearGradient gradient(0, TileMargin, 0, Tile - TileMargin);
    gradient.setColorAt(0, QColor(QLatin1String(TileTop)));
    gradient.setColorAt(1, QColor(QLatin1String(TileBottom)));
    p.setPen(Qt::NoPen);
    p.setBrush(gradient);
    p.drawRoundedRect(QRectF(TileMargin, TileMargin, Tile - 2 * TileMargin, Tile - 2 * TileMargin),
                      TileRadius, TileRadius);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(QLatin1String(Ring)), RingWidth));
    p.drawEllipse(QPointF(RingX, RingY), RingR, RingR);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(QLatin1String(Mark)));
    for (double x : {MarkAX, MarkBX})
        p.drawEllipse(QPointF(x, MarkY), MarkR, MarkR);
    p.setBrush(QColor(QLatin1String(Note)));
    p.drawEllipse(QPointF(HeadX, HeadY), HeadRx, HeadRy);
    p.drawRect(QRectF(StemX, StemTop, StemWidth, HeadY - StemTop));
    p.drawPath(flag());
    return image;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: appicon OUTDIR SIZE...\n");
        return 2;
    }
    const QDir out(args[1]);
    if (!out.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "appicon: cannot create %s\n", qPrintable(args[1]));
        return 1;
    }
    QFile file(out.filePath(QStringLiteral("quillmere.svg")));
    const QByteArray text = svg();
    bool ok = file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
    file.close();
    for (const QString &size : args.mid(2)) {
        const int px = size.toInt();
        ok = ok && px > 0 &&
             png(px).save(out.filePath(QStringLiteral("quillmere-%1.png").arg(px)), "PNG");
    }
    if (!ok)
        std::fprintf(stderr, "appicon: cannot write the icons into %s\n", qPrintable(args[1]));
    return ok ? 0 : 1;
}
