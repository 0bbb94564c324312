#include "app/HostKeyQuestion.h"
#include "kit/Dialogs.h"

namespace quorvin {

bool HostKeyQuestion::operator()(const std::string &computer, const std::string &keyType,
                                 const std::string &fingerprint) const
{
    const QString name = QString::fromStdString(computer);
    return m_dialogs.confirm(
        QStringLiteral(
            "The authenticity of %1 cannot be established: its host key is not in your known_hosts "
            "file yet.\n\n%2 key fingerprint:\n%3\n\nCompare it with the fingerprint the computer's "
            "administrator gives you. Connect to %1 and record this key?")
            .arg(name, QString::fromStdString(keyType), QString::fromStdString(fingerprint)),
        QStringLiteral("Unknown Host Key"), Dialogs::Default::No); // never trusted by pressing Enter
}

} // namespace quorvin
