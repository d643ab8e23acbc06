#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// Small helpers for tests that work on real files in a private temporary folder.
namespace testfiles {

QByteArray readAll(const QString &path);
// Writes bytes to path (creating folders); fails the current test on error.
void writeFile(const QString &path, const QByteArray &bytes);

} // namespace testfiles
