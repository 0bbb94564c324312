// The list of computers and its file: every line kept, and the lines that name no computer reported by
// number.
#include "fleet/ComputerList.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace quorvin::fleet;

namespace {

const QString Text = QStringLiteral("# web servers\n"
                                    "web1\n"
                                    "pcp://web2:44321   # its collector\n"
                                    "\n"
                                    "web 3\n"
                                    "web1\n"
                                    "pcp://db1?username=ann&method=scram-sha-256\n"
                                    "bob@db2;reboot\n");

QString read(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll())
                                          : QStringLiteral("(unreadable)");
}

void write(const QString &path, const QString &text)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text.toUtf8());
}

} // namespace

TEST(ComputerList, ReportsTheLinesThatNameNoComputerAndKeepsThem)
{
    ComputerList list = ComputerList::fromText(Text);
    EXPECT_EQ(list.names(),
              (QStringList{"web1", "pcp://web2:44321", "pcp://db1?username=ann&method=scram-sha-256"}));
    const auto problems = list.problems();
    ASSERT_EQ(problems.size(), 3u);
    EXPECT_EQ(problems[0].line, 5);
    EXPECT_TRUE(problems[0].why.contains(QStringLiteral("blank")));
    EXPECT_EQ(problems[1].line, 6);
    EXPECT_TRUE(problems[1].why.contains(QStringLiteral("on line 2")));
    EXPECT_EQ(problems[2].line, 8);
    EXPECT_TRUE(problems[2].why.contains(QStringLiteral("\";\"")));
    EXPECT_EQ(list.text(), Text);

    EXPECT_FALSE(list.add(QStringLiteral("web1")));
    EXPECT_TRUE(list.add(QStringLiteral("web4")));
    EXPECT_TRUE(list.remove(QStringLiteral("pcp://web2:44321")));
    EXPECT_FALSE(list.remove(QStringLiteral("web9")));
    QString expected = Text;
    expected.replace(QStringLiteral("pcp://web2:44321   # its collector\n"), QString());
    EXPECT_EQ(list.text(), expected + QStringLiteral("web4\n"));

    // Written back as it was, whatever ends its lines.
    const QString windows = QStringLiteral("web1\r\nweb2\r\r\n");
    EXPECT_EQ(ComputerList::fromText(windows).text(), windows);
    EXPECT_EQ(ComputerList::fromText(windows).names(), (QStringList{"web1", "web2"}));
}

TEST(ComputerList, NamesWhatTheWindowTakes)
{
    const struct {
        const char *name;
        bool computer;
    } cases[] = {
        {"web1", true},
        {"Bob@web1.example.org", true},
        {"pcp://local:", true},
        {"[::1]", true},
        {"", false},
        {"-oProxyCommand=x", false},
        {"a b", false},
        {"a\tb", false},
        {"web'1", false},
        {"web`id`", false},
        {"$(id)", false},
        {"w\\1", false},
        {"w\u00e9b", false},
        {"w\u0007", false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(!ComputerList::whyNoComputerName(QString::fromUtf8(c.name)), c.computer) << c.name;
}

TEST(ComputerListFile, WritesTheListAndRefusesWhatItCannotRead)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("quorvin/fleet"));
    const ComputerListFile file(path);
    QString why;
    const std::optional<ComputerList> missing = file.load(why);
    ASSERT_TRUE(missing) << why.toStdString();
    EXPECT_TRUE(missing->names().isEmpty());

    ComputerList list = ComputerList::fromText(Text);
    list.add(QStringLiteral("web4"));
    ASSERT_TRUE(file.save(list, why)) << why.toStdString();
    EXPECT_EQ(read(path), list.text());
    EXPECT_EQ(QDir(dir.filePath(QStringLiteral("quorvin"))).entryList(QDir::Files), QStringList{"fleet"})
        << "no file left beside it";

    // What cannot be read is no empty list: nothing would then keep it from being replaced.
    const ComputerListFile folder(dir.path());
    EXPECT_FALSE(folder.load(why));
    EXPECT_TRUE(why.contains(QStringLiteral("folder")));
    write(path, QString(2 << 20, QLatin1Char('a')));
    EXPECT_FALSE(file.load(why));
}
