#include "fleet/ComputerList.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>

namespace quorvin::fleet {

namespace {
// A file of names is small; anything larger is not one.
constexpr qint64 LargestFile = 1 << 20;
constexpr qsizetype LongestName = 1024;
} // namespace

ComputerList ComputerList::fromText(const QString &text)
{
    ComputerList list;
    list.m_lines = text.split(QLatin1Char('\n'));
    if (!list.m_lines.isEmpty() && list.m_lines.back().isEmpty())
        list.m_lines.removeLast(); // the file's last line break
    // Lines are kept as they are, carriage returns too: a name is read trimmed.
    return list;
}

std::optional<QString> ComputerList::whyNoComputerName(const QString &name)
{
    if (name.isEmpty())
        return QStringLiteral("it is empty");
    if (name.size() > LongestName)
        return QStringLiteral("it is longer than %1 characters").arg(LongestName);
    if (name.startsWith(QLatin1Char('-')))
        return QStringLiteral("it begins with \"-\"");
    for (const QChar c : name) {
        if (c.isSpace())
            return QStringLiteral("it holds a blank (one name a line)");
        if (c.unicode() < 0x21 || c.unicode() > 0x7E)
            return QStringLiteral("it holds a character that is not a letter, digit or sign of ASCII");
        if (QStringLiteral("\"'\\`;$").contains(c))
            return QStringLiteral("it holds \"%1\"").arg(c);
    }
    return std::nullopt;
}

std::pair<QString, QString> ComputerList::nameOf(const QString &line)
{
    const QString name = line.left(line.indexOf(QLatin1Char('#'))).trimmed();
    if (name.isEmpty())
        return {};
    if (const std::optional<QString> why = whyNoComputerName(name))
        return {QString(), *why};
    return {name, QString()};
}

QStringList ComputerList::names() const
{
    QStringList names;
    for (const QString &line : m_lines)
        if (const QString name = nameOf(line).first; !name.isEmpty() && !names.contains(name))
            names << name;
    return names;
}

std::vector<ComputerList::Problem> ComputerList::problems() const
{
    std::vector<Problem> problems;
    QHash<QString, int> firstLine;
    for (int i = 0; i < m_lines.size(); ++i) {
        const auto [name, why] = nameOf(m_lines[i]);
        if (!why.isEmpty())
            problems.push_back({i + 1, m_lines[i], QStringLiteral("it names no computer: ") + why});
        else if (!name.isEmpty() && firstLine.contains(name))
            problems.push_back(
                {i + 1, m_lines[i],
                 QStringLiteral("it names a computer listed before, on line %1").arg(firstLine[name])});
        else if (!name.isEmpty())
            firstLine.insert(name, i + 1);
    }
    return problems;
}

QString ComputerList::text() const
{
    QString text;
    for (const QString &line : m_lines)
        text += line + QLatin1Char('\n');
    return text;
}

bool ComputerList::add(const QString &computer)
{
    if (names().contains(computer))
        return false;
    m_lines << computer;
    return true;
}

bool ComputerList::remove(const QString &computer)
{
    return m_lines.removeIf([&computer](const QString &line) { return nameOf(line).first == computer; }) > 0;
}

std::optional<ComputerList> ComputerListFile::load(QString &why) const
{
    QFile file(m_path);
    if (!file.exists())
        return ComputerList();
    if (QFileInfo(m_path).isDir()) {
        why = QStringLiteral("it is a folder");
        return std::nullopt;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        why = file.errorString();
        return std::nullopt;
    }
    const QByteArray bytes = file.read(LargestFile + 1);
    if (bytes.size() > LargestFile) {
        why = QStringLiteral("it is larger than a list of computers can be (1 MiB)");
        return std::nullopt;
    }
    if (file.error() != QFileDevice::NoError) {
        why = file.errorString();
        return std::nullopt;
    }
    return ComputerList::fromText(QString::fromUtf8(bytes));
}

bool ComputerListFile::save(const ComputerList &list, QString &why) const
{
    const QFileInfo info(m_path);
    if (!QDir().mkpath(info.absolutePath())) {
        why = QStringLiteral("its folder %1 cannot be made").arg(info.absolutePath());
        return false;
    }
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly)) {
        why = file.errorString();
        return false;
    }
    const QByteArray bytes = list.text().toUtf8();
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        why = file.errorString();
        return false;
    }
    return true;
}

} // namespace quorvin::fleet
