#pragma once
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace quorvin::fleet {

// The list of computers as its file holds it: one name a line, "#" starts a comment. Every line is kept as
// it was when the list is written back, a line that names no computer too: such a line is reported with its
// number and not watched.
class ComputerList final {
public:
    struct Problem {
        int line = 0; // from 1
        QString text;
        QString why;
    };

    ComputerList() = default;
    static ComputerList fromText(const QString &text);

    // The names in the order of their lines, each once.
    QStringList names() const;
    std::vector<Problem> problems() const;
    QString text() const;

    // False when it is listed already.
    bool add(const QString &computer);
    // Removes each line that names it; false when none does.
    bool remove(const QString &computer);

    // Why the text cannot be the name of a computer, or nothing when it can: the names the Quorvin window
    // takes, without blanks, quotes, "\", "`", ";" or "$", not beginning with "-".
    static std::optional<QString> whyNoComputerName(const QString &name);

private:
    // The name a line gives, or why it gives none; an empty line or a comment gives neither.
    static std::pair<QString, QString> nameOf(const QString &line);

    QStringList m_lines;
};

// Reads and writes the list's file. Missing, it is an empty list; written, it is replaced in one step (a new
// file renamed over it), so that a failure on the way leaves the old one whole.
class ComputerListFile final {
public:
    explicit ComputerListFile(QString path) : m_path(std::move(path)) {}

    // Nothing when the file cannot be read, with the reason in `why`.
    std::optional<ComputerList> load(QString &why) const;
    bool save(const ComputerList &list, QString &why) const;

    const QString &path() const noexcept { return m_path; }

private:
    QString m_path;
};

} // namespace quorvin::fleet
