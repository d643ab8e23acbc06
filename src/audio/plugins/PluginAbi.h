/* The C interface between the player and its decoder plug-ins (quillmere-plugin-*.so).
 *
 * A plug-in exports one function, quillmere_plugin_entry, returning a static description of
 * itself. The player accepts it only when abi_version equals QUILLMERE_PLUGIN_ABI_VERSION.
 * Streams are opened, read, seeked and closed on one decoder thread at a time; different
 * streams may live on different threads at once, so a plug-in keeps no shared mutable state
 * outside its stream objects (or guards it itself).
 * Samples are interleaved 32-bit floats in -1..1, in the source's own rate and channel count;
 * the player converts them to 44100 Hz stereo.
 */
#ifndef QUILLMERE_PLUGIN_ABI_H
#define QUILLMERE_PLUGIN_ABI_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define QUILLMERE_PLUGIN_ABI_VERSION 1u
#define QUILLMERE_PLUGIN_ENTRY "quillmere_plugin_entry"

typedef struct QuillmerePluginFormat {
    uint32_t type_code; /* reported in the channel info; plug-in codes are 0x10000 or more */
    const char *name;   /* UTF-8, for example "FLAC" */
    const char *extension_mask; /* for example "*.flac" or "*.m4a;*.mp4" */
} QuillmerePluginFormat;

typedef struct QuillmerePluginStreamInfo {
    int32_t channels;    /* 1 or more */
    int32_t sample_rate; /* Hz, 1 or more */
    uint32_t type_code;  /* one of the plug-in's formats */
    int64_t frames;      /* length in source frames; -1 when not known */
} QuillmerePluginStreamInfo;

typedef struct QuillmerePlugin {
    uint32_t abi_version;
    const char *name; /* UTF-8 */
    uint32_t format_count;
    const QuillmerePluginFormat *formats;

    /* Opens a file (UTF-8 path) and fills *info; NULL when the plug-in cannot decode it. */
    void *(*open)(const char *path, QuillmerePluginStreamInfo *info);
    /* Reads up to `frames` frames into `samples` (frames * channels floats). Returns the frames
     * read: 0 at the end of the stream, -1 on an error. */
    int64_t (*read)(void *stream, float *samples, int64_t frames);
    /* Moves to a source frame; 0 on success, -1 on failure. */
    int32_t (*seek)(void *stream, int64_t frame);
    void (*close)(void *stream);
} QuillmerePlugin;

typedef const QuillmerePlugin *(*QuillmerePluginEntryFunction)(void);

#ifdef __cplusplus
}
#endif

#endif
