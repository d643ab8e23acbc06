// quillmere: the practice player, and its command-line render mode.
#include "app/HandOffServer.h"
#include "app/QuitSignals.h"
#include "app/RenderCommand.h"
#include "app/SingleInstance.h"
#include "common/TLxMutex.h"
#include "desktop/MprisService.h"
#include "mainwindow/MessageBoxPresenter.h"
#include "mainwindow/QtTranslation.h"
#include "mainwindow/QuitRequest.h"
#include "mainwindow/TForm1.h"
#include "skinwidgets/DesktopWindow.h"

#include <QApplication>
#include <QFileInfo>
#include <QLocalSocket>
#include <QSessionManager>

#include <cstdio>
#include <memory>

namespace {

constexpr const char *Version = "0.1.0";

void nameTheApplication()
{
    QCoreApplication::setApplicationName(QStringLiteral("quillmere"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(Version));
}

// Against the working folder of the copy that was started; symbolic links stay as given.
QStringList absolutePaths(const QStringList &arguments)
{
    QStringList paths;
    for (const QString &argument : arguments)
        paths << QFileInfo(argument).absoluteFilePath();
    return paths;
}

// Modes without a window run without a display: the render mode is used on servers, and a
// second copy only hands its paths to the running one.
int runWithoutWindow(int argc, char **argv, SingleInstance::StartupGate &gate, bool &handled)
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
    QLocalSocket socket;
    const SingleInstance::StartupGate::Role role = gate.decide(socket);
    if (role == SingleInstance::StartupGate::Role::NoAnswer) {
        // Never a second player beside the one that is starting: its lists would overwrite
        // each other's files.
        std::fputs("quillmere: another copy is still starting and does not answer; "
                   "start again once its window is open\n",
                   stderr);
        return 1;
    }
    if (role == SingleInstance::StartupGate::Role::SecondCopy) {
        if (!SingleInstance::handOff(socket, absolutePaths(arguments)))
            std::fputs("quillmere: the running copy stopped answering\n", stderr);
        return 0;
    }
    handled = false;
    return 0;
}

// A failure before the window exists: one line on standard error, and a box where a user can
// see one (never on the offscreen or minimal platform, where nobody could answer it).
void reportStartupFailure(const QString &message)
{
    MessageBoxPresenter presenter;
    presenter.setStartupFailures(true);
    presenter.show(message, MessagePresenter::Icon::Error, MessagePresenter::Ok);
}

int runPlayer(int argc, char **argv, SingleInstance::StartupGate &gate)
{
    QApplication app(argc, argv);
    nameTheApplication();
    installQtTranslation();
    // Listening before the window is built lets a copy started meanwhile connect and wait
    // for its acknowledgements instead of starting a second player.
    // Only the holder of the start-up lock may listen: listening would take another starting
    // copy's socket from it (Qt binds elsewhere and renames over the path). Without a runtime
    // folder there is neither lock nor socket.
    HandOffServer server;
    if (!gate.holdsLock())
        std::fputs("quillmere: no runtime folder; later copies cannot hand paths over\n", stderr);
    else if (!server.listen(SingleInstance::socketPath(), true))
        std::fprintf(stderr, "quillmere: later copies cannot hand paths over: %s\n",
                     qPrintable(server.errorString()));
    gate.release();
    // Once the window is closing, a new copy must not wait for answers that never come: it
    // finds no server and starts as the running copy.
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &app, [&server] { server.close(); });
    TLxMutex marker;
    std::unique_ptr<TForm1> window;
    // Whatever is open (a box of the start-up load, a dialog) closes as cancelled, and the
    // window closes the normal way, saving what the user had. The session's logout too.
    const auto quit = [&window] {
        QuitRequest::request();
        if (window)
            window->close();
    };
    QuitSignals quitSignals(quit);
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &app,
                     [&quit](QSessionManager &) { quit(); });
    try {
        marker.CreateNamed(SingleInstance::MarkerName);
        window = std::make_unique<TForm1>(absolutePaths(QCoreApplication::arguments().mid(1)));
    } catch (const TForm1::StartupFailed &) { // reported by the window's own boxes
        return 1;
    } catch (const std::runtime_error &e) { // a missing skin image, the marker
        reportStartupFailure(QString::fromLocal8Bit(e.what()));
        return 1;
    }
    if (QuitRequest::requested())
        return 0;
    server.start([&window](const QString &path,
                           std::function<void()> done) { window->CopyDataReceived(path, done); },
                 [&window](const QString &activationToken) {
                     DesktopWindow::bringToFront(*window, activationToken);
                 });
    window->setProperty("QuillmereApp", 1234);
    window->show();
    // Destroyed before the window: the remote control acts on it.
    const std::unique_ptr<MprisService> remote =
        MprisService::start(*window, QDBusConnection::sessionBus());
    const int status = app.exec();
    window->setProperty("QuillmereApp", QVariant());
    return status;
}

} // namespace

int main(int argc, char **argv)
{
    SingleInstance::StartupGate gate;
    bool handled = false;
    const int status = runWithoutWindow(argc, argv, gate, handled);
    return handled ? status : runPlayer(argc, argv, gate);
}
