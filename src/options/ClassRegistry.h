#pragma once

#include <QString>

// Which program the desktop opens a kind of audio file with. The association page asks and
// sets it through this interface; GioClassRegistry is the implementation over the desktop's
// default applications. UI thread only.
class ClassRegistry {
public:
    enum class State {
        Registered,    // the desktop opens this type with the player
        NotRegistered, // another program or none
        UnknownType,   // the desktop has no MIME type for the extension: nothing to register
    };

    virtual ~ClassRegistry() = default;

    // extension as parsed from a caption: ".mp3", or several patterns as ".mp4;*.m4a".
    // Asking never creates or changes anything.
    virtual State QueryFileType(const QString &extension) const = 0;
    // Makes the player the default for the extension's types. False with a reason in error
    // when it could not; nothing has then been written anywhere else instead.
    virtual bool RegisterFileType(const QString &extension, const QString &typeName,
                                  QString &error) = 0;

    bool IsFileTypeRegistered(const QString &extension) const
    {
        return QueryFileType(extension) == State::Registered;
    }
    // Parses the caption and registers its type; a caption that names no type is left alone
    // and counts as done.
    bool RegisterFromCaption(const QString &caption, QString &error);
    // False when the caption names no type (state is then NotRegistered); else the type's
    // state in state and true.
    bool QueryFromCaption(const QString &caption, State &state) const;
};

// A caption such as "Ogg Vorbis (*.ogg)" split into its type name and extension. The
// extension runs from after "(*" to before the final character, so a caption listing several
// patterns keeps them together: "MP4 (*.mp4;*.m4a)" gives ".mp4;*.m4a".
struct FileTypeCaption {
    QString typeName;
    QString extension;
    // False when the caption (trimmed) has no "(" after its first character.
    static bool parse(const QString &caption, FileTypeCaption &out);
};
