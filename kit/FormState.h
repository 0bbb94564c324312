#pragma once
#include <QString>
#include <cstdint>

namespace quorvin {

// The state that the window keeps for the whole run and that several pages share.
struct FormState {
    QString TargetComputer;
    QString ComputerMoniker;
    bool RealTimeMode = false;
    std::int16_t CurrentPage = 0;
    std::int16_t TickCount = 0;
    bool PageInitPending = false;
    std::int16_t SortColumn = 1;
    QString SortOrder = QStringLiteral("ASC");

    // One more poll tick counted; the count stops at its upper bound instead of wrapping round.
    void countTick() noexcept
    {
        if (TickCount < INT16_MAX)
            ++TickCount;
    }
};

// Pages by number, as CurrentPage counts them.
namespace page {
inline constexpr std::int16_t General = 1;
inline constexpr std::int16_t Processor = 2;
inline constexpr std::int16_t Processes = 3;
inline constexpr std::int16_t Services = 4;
inline constexpr std::int16_t Network = 5;
} // namespace page

// A title click on the sort column turns the direction round; any other order becomes "ASC".
inline QString toggledSortOrder(const QString &order)
{
    return order == QLatin1String("ASC") ? QStringLiteral("DEC") : QStringLiteral("ASC");
}

// Computer names are case-blind: samples taken on "alpha" hold for "ALPHA".
inline bool sameComputer(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

inline QString plainMoniker(const QString &computer)
{
    return QStringLiteral("winmgmts://") + computer;
}

inline QString impersonatingMoniker(const QString &computer)
{
    return QStringLiteral("winmgmts:{impersonationLevel=Impersonate}!\\\\") + computer +
           QStringLiteral("\\root\\cimv2");
}

} // namespace quorvin
