// The query and moniker texts: typed by the user, or read from a recording.

#include "FuzzInput.h"
#include "mgmt/Moniker.h"
#include "mgmt/Query.h"

#include <cstdlib>

using namespace quorvin::mgmt;
using quorvin::fuzz::rejectedOrParsed;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view text = quorvin::fuzz::textOf(data, size);
    rejectedOrParsed([&] {
        const Query query = parseQuery(text);
        std::vector<Instance> instances{Instance({{"Name", Value(std::string(text))}}),
                                        Instance({{"Name", Value(1.5)}}), Instance({{"Other", Value()}})};
        answerOf(query, std::move(instances));
        // A name quoted back into a query must come out as it went in.
        if (query.nameEquals && parseQuery(classQuery(query.className) + " where Name = '" +
                                           quoteQueryName(*query.nameEquals) + "'")
                                        .nameEquals != query.nameEquals)
            std::abort();
    });
    rejectedOrParsed([&] {
        const Moniker moniker = parseMoniker(text);
        isLocalComputerName(moniker.computer, "alpha");
    });
    return 0;
}
