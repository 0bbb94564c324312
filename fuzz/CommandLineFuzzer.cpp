// The command line: the arguments as the program gets them (NUL-separated here), joined and read.

#include "FuzzInput.h"
#include "app/CommandLine.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    QStringList arguments{QStringLiteral("quorvin")};
    for (const QByteArray &argument :
         QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)).split('\0'))
        arguments << QString::fromLocal8Bit(argument);
    const quorvin::StartRequest request = quorvin::parseCommandLine(quorvin::argumentText(arguments));
    if (request.page < 1 || request.page > 5)
        std::abort();
    return 0;
}
