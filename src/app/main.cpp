// quillmere: the practice player, and its command-line render mode.
#include "app/RenderCommand.h"
#include "mainwindow/MessageBoxPresenter.h"
#include "mainwindow/TForm1.h"
#include "skin/SkinImage.h"

#include <QApplication>
#include <QFileInfo>

#include <cstdio>
#include <memory>

namespace {

constexpr const char *Version = "0.1.0";

void nameTheApplication()
{
    QCoreApplication::setApplicationName(QStringLiteral("quillmere"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(Version));
}

// Modes without a window run without a display: the render mode is used on servers.
int runWithoutWindow(int argc, char **argv, bool &handled)
{
    QCoreApplication app(argc, argv);
    nameTheApplication();
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    handled = true;
    if (arguments.contains(u"--help") || arguments.contains(u"-h")) {
        std::fputs(qPrintable(RenderCommand::usage()), stdout);
        return 0;
    }
    if (arguments.contains(u"--version")) {
        std::printf("quillmere %s\n", Version);
        return 0;
    }
    if (!arguments.isEmpty() && arguments.first() == u"--render")
        return RenderCommand::run(arguments);
    handled = false;
    return 0;
}

int runPlayer(int argc, char **argv)
{
    QApplication app(argc, argv);
    nameTheApplication();
    QStringList paths;
    for (const QString &argument : QCoreApplication::arguments().mid(1))
        paths << QFileInfo(argument).absoluteFilePath();
    std::unique_ptr<TForm1> window;
    try {
        window = std::make_unique<TForm1>(paths);
    } catch (const TForm1::StartupFailed &) {
        return 1;
    } catch (const SkinFileError &e) {
        MessageBoxPresenter().show(QString::fromLocal8Bit(e.what()), MessagePresenter::Icon::Error,
                                   MessagePresenter::Ok);
        return 1;
    }
    window->show();
    return app.exec();
}

} // namespace

int main(int argc, char **argv)
{
    bool handled = false;
    const int status = runWithoutWindow(argc, argv, handled);
    return handled ? status : runPlayer(argc, argv);
}
