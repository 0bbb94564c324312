#pragma once
#include <QString>

namespace quorvin {

// What the program learns from the process it runs in.
class Environment {
public:
    virtual ~Environment() = default;
    // The computername variable when it is set, else the host name the system reports.
    virtual QString computerName() const = 0;
    // The running program's file name without extension.
    virtual QString programName() const = 0;
};

class SystemEnvironment final : public Environment {
public:
    QString computerName() const override;
    QString programName() const override;
};

} // namespace quorvin
