#include "mgmt/Convert.h"
#include "mgmt/Error.h"
#include "mgmt/Instance.h"

#include <gtest/gtest.h>
#include <stdexcept>

using namespace quorvin::mgmt;

namespace {
template <typename F> std::int32_t errorNumberOf(F &&f)
{
    try {
        f();
    } catch (const Error &e) {
        return e.number();
    }
    return 0;
}
} // namespace

TEST(Convert, TextOfEachKindOfValue)
{
    EXPECT_EQ(toText(Value("abc")), "abc");
    EXPECT_EQ(toText(Value(57)), "57");
    EXPECT_EQ(toText(Value(12.5)), "12.5");
    EXPECT_EQ(toText(Value(12500000000.0)), "12500000000");
    EXPECT_EQ(toText(Value(true)), "True");
    EXPECT_EQ(toText(Value("")), "");
    EXPECT_EQ(errorNumberOf([] { toText(Value()); }), 94);
}

TEST(Convert, DoubleOfEachKindOfValue)
{
    EXPECT_EQ(toDouble(Value("523264")), 523264.0);
    EXPECT_EQ(toDouble(Value(" 18446744073709551615 ")), 18446744073709551615.0);
    EXPECT_EQ(toDouble(Value("000000000000123")), 123.0);
    EXPECT_EQ(toDouble(Value("999999999999999")), 999999999999999.0);
    EXPECT_EQ(toDouble(Value("9007199254740993")), 9007199254740992.0) << "rounded to the nearest double";
    EXPECT_EQ(toDouble(Value("-2.5")), -2.5);
    EXPECT_EQ(toDouble(Value(3)), 3.0);
    EXPECT_EQ(toDouble(Value(true)), -1.0);
    EXPECT_EQ(errorNumberOf([] { toDouble(Value("")); }), 13);
    EXPECT_EQ(errorNumberOf([] { toDouble(Value("12abc")); }), 13);
    EXPECT_EQ(errorNumberOf([] { toDouble(Value("nan")); }), 13);
    EXPECT_EQ(errorNumberOf([] { toDouble(Value()); }), 94);
}

TEST(Convert, ErrorsCarryTheStandardDescriptions)
{
    EXPECT_EQ(Error(94).description(), "Invalid use of Null");
    EXPECT_EQ(Error(13).description(), "Type mismatch");
    EXPECT_EQ(Error(462).description(), "The remote server machine does not exist or is unavailable");
    EXPECT_EQ(Error(err::InvalidClass).description(), "Invalid class");
    EXPECT_EQ(Error(err::AccessDenied).description(), "Access is denied.");
}

// Instances built alike share their names: a property added to one is not added to the others.
TEST(Instance, APropertyAddedToOneOfInstancesSharingNamesStaysItsOwn)
{
    const auto names = sharedNames({"Name", "IDProcess"});
    Instance first(names, {Value("init"), Value(1)});
    const Instance second(names, {Value("bash"), Value(7)});
    first.set("idprocess", Value(2));
    first.set("Extra", Value(true));
    EXPECT_EQ(first.get("IDPROCESS"), Value(2));
    EXPECT_EQ(first.get("extra"), Value(true));
    EXPECT_EQ(second.get("IDProcess"), Value(7));
    EXPECT_EQ(second.find("Extra"), nullptr);
    EXPECT_EQ(second.properties().size(), 2u);
    EXPECT_THROW(Instance(names, {Value("one value for two names")}), std::logic_error);
}

// A key finds its property in whatever list each instance has, however instances alternate between lists.
TEST(Instance, AKeyFindsItsPropertyInInstancesOfDifferentLists)
{
    const auto names = sharedNames({"Name", "IDProcess"});
    const Instance shared(names, {Value("init"), Value(1)});
    const Instance reordered({{"IDPROCESS", Value(2)}, {"Name", Value("bash")}});
    Instance grown(names, {Value("sh"), Value(3)});
    grown.set("Extra", Value(true));
    const Instance without({{"Name", Value("cron")}});
    const PropertyKey id("idprocess");
    const PropertyKey extra("EXTRA");
    for (int pass = 0; pass < 2; ++pass) {
        EXPECT_EQ(shared.get(id), Value(1));
        EXPECT_EQ(reordered.get(id), Value(2));
        EXPECT_EQ(grown.get(id), Value(3));
        EXPECT_EQ(without.find(id), nullptr);
        EXPECT_EQ(errorNumberOf([&] { without.get(id); }), err::NotFound);
        EXPECT_EQ(shared.find(extra), nullptr);
        EXPECT_EQ(grown.get(extra), Value(true));
    }
}
