// The help as the build tree holds it: the copy beside the programs that the player opens.
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QStringDecoder>

#include <gtest/gtest.h>

#include <set>

namespace {

const QDir HelpDir(QStringLiteral(QUILLMERE_HELP_DIR));

QString readUtf8(const QString &path, bool &valid)
{
    QFile file(path);
    valid = file.open(QIODevice::ReadOnly);
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder(file.readAll());
    valid = valid && !decoder.hasError();
    return text;
}

class Help : public ::testing::Test {
protected:
    void SetUp() override
    {
        bool valid = false;
        page = readUtf8(HelpDir.filePath(QStringLiteral("index.html")), valid);
        ASSERT_TRUE(valid) << "index.html is missing or not valid UTF-8 in " << QUILLMERE_HELP_DIR;
    }
    QString page;
};

TEST_F(Help, IsAJapaneseUtf8PageWithATitle)
{
    EXPECT_TRUE(page.startsWith(QStringLiteral("<!DOCTYPE html>")));
    EXPECT_TRUE(page.contains(QStringLiteral("<html lang=\"ja\">")));
    EXPECT_TRUE(page.contains(QStringLiteral("<meta charset=\"utf-8\">")));
    static const QRegularExpression title(QStringLiteral("<title>([^<]+)</title>"));
    const auto match = title.match(page);
    ASSERT_TRUE(match.hasMatch());
    EXPECT_TRUE(match.captured(1).contains(QStringLiteral("ヘルプ")));
}

// Every element that is opened is closed, in order: a broken page renders with whole sections
// swallowed by an unclosed table or list.
TEST_F(Help, ElementsAreClosedInOrder)
{
    static const QRegularExpression tag(QStringLiteral("<(/?)([a-zA-Z][a-zA-Z0-9]*)[^>]*>"));
    static const std::set<QString> empty{QStringLiteral("meta"), QStringLiteral("link"),
                                         QStringLiteral("br"), QStringLiteral("img"),
                                         QStringLiteral("hr")};
    QStringList open;
    for (const auto &match : tag.globalMatch(page)) {
        const QString name = match.captured(2).toLower();
        if (empty.count(name))
            continue;
        if (match.captured(1).isEmpty()) {
            open.push_back(name);
            continue;
        }
        ASSERT_FALSE(open.isEmpty()) << "</" << name.toStdString() << "> closes nothing";
        ASSERT_EQ(open.back(), name) << "at offset " << match.capturedStart();
        open.pop_back();
    }
    EXPECT_TRUE(open.isEmpty()) << "unclosed: " << open.join(QLatin1Char(' ')).toStdString();
}

// Links inside the page lead to an id of the page; links to files lead to files of the help.
TEST_F(Help, LinksLeadSomewhere)
{
    static const QRegularExpression id(QStringLiteral("\\sid=\"([^\"]+)\""));
    std::set<QString> ids;
    for (const auto &match : id.globalMatch(page))
        ids.insert(match.captured(1));
    static const QRegularExpression link(QStringLiteral("\\s(?:href|src)=\"([^\"]+)\""));
    int checked = 0;
    for (const auto &match : link.globalMatch(page)) {
        const QString target = match.captured(1);
        ++checked;
        if (target.startsWith(QLatin1Char('#')))
            EXPECT_TRUE(ids.count(target.mid(1))) << "no id for " << target.toStdString();
        else
            EXPECT_TRUE(HelpDir.exists(target)) << "missing file " << target.toStdString();
    }
    EXPECT_GT(checked, 10);
}

} // namespace
