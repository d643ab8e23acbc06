// quillmere: the practice player, and its command-line render mode.
#include "app/RenderCommand.h"

#include <QCoreApplication>

#include <cstdio>

namespace {
constexpr const char *Version = "0.1.0";
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quillmere"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(Version));
    const QStringList arguments = QCoreApplication::arguments().mid(1);

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
    std::fputs("quillmere: the player window is not part of this build yet; "
               "use --render (see quillmere --help)\n",
               stderr);
    return 1;
}
