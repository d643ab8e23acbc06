// skingen: draws the player's skin and writes it as BMP files named *.DAT.
// Usage: skingen OUTDIR [--preview PNGDIR]
// With --preview it also writes each window's four state images as PNGs, cropped to what the
// window shows, and a 2x sheet of all four per window.
#include "SkinArt.h"

#include <QDir>
#include <QFontDatabase>
#include <QGuiApplication>

#include <cstdio>

namespace {

bool save(const QImage &image, const QString &path, const char *format)
{
    if (image.save(path, format))
        return true;
    std::fprintf(stderr, "skingen: cannot write %s\n", qPrintable(QDir::toNativeSeparators(path)));
    return false;
}

struct StateImages {
    QImage up, down, onUp, onDown;
};

StateImages drawWindow(const SkinLayout::Window &w)
{
    const QImage background = SkinArt::drawBackground(w);
    return {SkinArt::drawStateImage(w, background, false, false),
            SkinArt::drawStateImage(w, background, true, false),
            SkinArt::drawStateImage(w, background, false, true),
            SkinArt::drawStateImage(w, background, true, true)};
}

bool writeSkin(const QDir &out, const SkinLayout::Window &w, const StateImages &images)
{
    bool ok = save(images.up, out.filePath(w.upFile), "BMP") &&
              save(images.down, out.filePath(w.downFile), "BMP");
    // Windows without two-state buttons use their up and down files for the on states too.
    if (w.onUpFile != w.upFile)
        ok = ok && save(images.onUp, out.filePath(w.onUpFile), "BMP") &&
             save(images.onDown, out.filePath(w.onDownFile), "BMP");
    return ok;
}

bool writePreview(const QDir &out, const SkinLayout::Window &w, const StateImages &images)
{
    const QRect client(QPoint(0, 0), w.clientSize);
    const QImage states[] = {images.up, images.down, images.onUp, images.onDown};
    const char *names[] = {"up", "down", "onup", "ondown"};
    const int gap = 8;
    QImage sheet(w.clientSize.width() * 2 + gap, w.clientSize.height() * 2 + gap,
                 QImage::Format_RGB32);
    sheet.fill(QColor(40, 40, 40));
    QPainter p(&sheet);
    bool ok = true;
    for (int i = 0; i < 4; ++i) {
        const QImage shown = states[i].copy(client);
        ok = ok && save(shown,
                        out.filePath(w.id + QLatin1Char('-') + QString::fromLatin1(names[i]) +
                                     QStringLiteral(".png")),
                        "PNG");
        p.drawImage(QPoint((i % 2) * (client.width() + gap), (i / 2) * (client.height() + gap)),
                    shown);
    }
    p.end();
    const QImage twice =
        sheet.scaled(sheet.size() * 2, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    return ok && save(twice, out.filePath(w.id + QStringLiteral("-sheet@2x.png")), "PNG");
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 2 && !(args.size() == 4 && args[2] == QLatin1String("--preview"))) {
        std::fprintf(stderr, "usage: skingen OUTDIR [--preview PNGDIR]\n");
        return 2;
    }
    // Without the Japanese face the labels would come out as empty boxes: refuse.
    if (!QFontDatabase::families().contains(QStringLiteral("IPAGothic"))) {
        std::fprintf(stderr, "skingen: the font IPAGothic (fonts-ipafont-gothic) is missing\n");
        return 1;
    }
    QDir out(args[1]);
    if (!out.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "skingen: cannot create %s\n", qPrintable(args[1]));
        return 1;
    }
    bool ok =
        save(SkinArt::drawThumb(), out.filePath(SkinLayout::ThumbFile), "BMP") &&
        save(SkinArt::drawLineMark(true), out.filePath(SkinLayout::SelectedLineFile), "BMP") &&
        save(SkinArt::drawLineMark(false), out.filePath(SkinLayout::NormalLineFile), "BMP");
    QDir preview;
    if (args.size() == 4) {
        preview.setPath(args[3]);
        ok = ok && preview.mkpath(QStringLiteral("."));
    }
    for (const SkinLayout::Window *w : SkinLayout::allWindows()) {
        const StateImages images = drawWindow(*w);
        ok = ok && writeSkin(out, *w, images);
        if (args.size() == 4)
            ok = ok && writePreview(preview, *w, images);
    }
    return ok ? 0 : 1;
}
