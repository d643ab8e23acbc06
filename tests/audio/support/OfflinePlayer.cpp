#include "support/OfflinePlayer.h"

#include <gtest/gtest.h>

using namespace quillmere::audio;

OfflinePlayer::OfflinePlayer(Stretcher::Kind kind)
{
    EXPECT_TRUE(backend.init(QStringLiteral("offline")));
    backend.setStretcherKind(kind);
}

bool OfflinePlayer::open(const QString &path)
{
    const Handle source = backend.openFile(path);
    EXPECT_NE(source, 0u) << path.toStdString();
    channel = backend.createTempoChannel(source);
    EXPECT_NE(channel, 0u);
    EXPECT_NE(backend.setEndNotification(channel, [this](Handle, Handle) { ++endNotifications; }),
              0u);
    return channel != 0;
}

std::vector<float> OfflinePlayer::render(int frames)
{
    std::vector<float> out(size_t(frames) * 2);
    int done = 0;
    while (done < frames) {
        const int n = backend.renderOffline(out.data() + 2 * done, std::min(512, frames - done));
        if (n <= 0)
            break;
        done += n;
    }
    out.resize(size_t(done) * 2);
    return out;
}

std::vector<float> OfflinePlayer::renderToEnd(double maxSeconds)
{
    std::vector<float> out;
    const size_t limit = size_t(maxSeconds * OutputRate) * 2;
    while (out.size() < limit) {
        const std::vector<float> chunk = render(4096);
        out.insert(out.end(), chunk.begin(), chunk.end());
        if (chunk.size() < 4096 * 2)
            break;
    }
    return out;
}
