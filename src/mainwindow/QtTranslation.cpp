#include "mainwindow/QtTranslation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include <cstdio>

bool installQtTranslation()
{
    // Owned by the application, so it lives exactly as long as the texts it translates.
    auto *translator = new QTranslator(QCoreApplication::instance());
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (translator->load(QStringLiteral("qtbase_ja"), folder) &&
        QCoreApplication::installTranslator(translator))
        return true;
    delete translator;
    std::fprintf(stderr, "quillmere: qtbase_ja.qm not found in %s; Qt's own texts stay English\n",
                 qPrintable(folder));
    return false;
}
