// The fleet's list of computers, as its file gives it, and a boot time as a computer gives it.

#include "FuzzInput.h"
#include "fleet/ComputerList.h"
#include "fleet/ComputerReader.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    using quorvin::fleet::ComputerList;
    const std::string_view text = quorvin::fuzz::textOf(data, size);
    quorvin::fleet::epochOfCimDateTime(text);
    ComputerList list = ComputerList::fromText(QString::fromUtf8(text.data(), qsizetype(text.size())));
    // Written back, the list reads the same; every name it watches is one; each line it reports is one of its.
    if (ComputerList::fromText(list.text()).text() != list.text())
        std::abort();
    const QStringList names = list.names();
    for (const QString &name : names)
        if (ComputerList::whyNoComputerName(name))
            std::abort();
    const auto lines = list.text().count(QLatin1Char('\n'));
    for (const ComputerList::Problem &problem : list.problems())
        if (problem.line < 1 || problem.line > lines)
            std::abort();
    for (const QString &name : names)
        if (!list.remove(name))
            std::abort();
    if (!list.names().isEmpty())
        std::abort();
    return 0;
}
