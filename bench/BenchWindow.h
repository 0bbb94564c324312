#pragma once
// The window for benchmarks: headless, with boxes that answer nothing and a clock that stands still.
#include "app/frmQuorvin.h"
#include "kit/Clock.h"
#include "kit/Dialogs.h"
#include "kit/Environment.h"
#include "mgmt/Source.h"

#include <QApplication>
#include <QTimer>
#include <memory>

namespace quorvin::bench {

class SilentDialogs final : public Dialogs {
public:
    void message(const QString &, const QString &) override { ++messages; }
    bool confirm(const QString &, const QString &, Default) override { return false; }
    std::optional<QString> input(const QString &, const QString &, const QString &) override
    {
        return std::nullopt;
    }
    bool isShowing() const override { return false; }
    int messages = 0;
};

class StillClock final : public Clock {
public:
    double monotonicSeconds() const override { return seconds += 1; }
    QDateTime now() const override { return QDateTime(QDate(2026, 12, 7), QTime(12, 0)); }
    mutable double seconds = 0;
};

class NamedEnvironment final : public Environment {
public:
    QString computerName() const override { return QStringLiteral("localhost"); }
    QString programName() const override { return QStringLiteral("quorvin"); }
};

class BenchWindow {
public:
    explicit BenchWindow(std::unique_ptr<mgmt::Source> source)
        : m_source(std::move(source)), m_form(*m_source, dialogs, clock, environment)
    {
    }
    frmQuorvin &form() { return m_form; }
    // Starts on that page with the poll stopped: the benchmark calls the refresh itself.
    void open(int page, const QString &computer = QStringLiteral("localhost"))
    {
        m_form.Form_Load(QStringLiteral("/c:%1 /t:%2").arg(computer).arg(page));
        m_form.controls().tmr1->stop();
    }

    SilentDialogs dialogs;
    StillClock clock;
    NamedEnvironment environment;

private:
    std::unique_ptr<mgmt::Source> m_source;
    frmQuorvin m_form;
};

} // namespace quorvin::bench
