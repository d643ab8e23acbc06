#pragma once

#include <QSet>
#include <QString>
#include <QStringList>

#include <vector>

// The files under a path, in natural name order ("2" before "10", case ignored), depth first,
// a little at a time: each step reads at most one folder, so the UI thread can take a tree
// of thousands of files in slices. Hidden entries inside folders are skipped; a folder reached
// a second time (a symbolic link back to an ancestor, or two links to one folder) is walked
// once only. A path naming a file yields that file. UI thread (or any one thread).
class FolderWalk {
public:
    // Folders nested deeper than this are not entered: no music collection needs it, and a
    // file system that loops without symbolic links must not take the walk with it.
    static constexpr int MaxDepth = 64;

    // Natural name order: runs of digits compare by value, the rest without case.
    static bool naturalLess(const QString &a, const QString &b);

    explicit FolderWalk(const QString &path);

    enum class Step { File, Folder, Done };
    // One step: a file (its path in filePath), a folder read or left, or the end of the walk.
    Step step(QString &filePath);
    // The next file's path, or false when the walk is over.
    bool next(QString &filePath);

private:
    struct Level {
        QStringList entries; // full paths, in natural name order
        qsizetype next = 0;
    };
    void enter(const QString &folder);

    QString m_single; // a path naming a file, not yet returned
    std::vector<Level> m_levels;
    QSet<QString> m_visited; // canonical paths of the folders entered
};
