#include <gtest/gtest.h>

#include "meter/meterchoice.h"

using namespace quedral;

TEST(MeterChoice, TheMeterNamedOrTheOnlyOneIsChosenOtherwiseTheListIsGiven)
{
    const AttachedMeter a{"/dev/hidraw0", "KV-A"};
    const AttachedMeter b{"/dev/hidraw1", "KV-B"};
    const AttachedMeter noSerial{"/dev/hidraw2", ""};
    const struct {
        const char* what;
        std::vector<AttachedMeter> attached;
        QString wanted;
        std::optional<AttachedMeter> chosen;
        QString problem; // what the problem must contain; empty: no problem
    } cases[] = {
        {"the only one", {a}, "", a, ""},
        {"none, none wanted: the caller's message", {}, "", std::nullopt, ""},
        {"several, none wanted", {a, b}, "", std::nullopt,
         "2 meters are attached; choose one with --meter SERIAL|PATH:\n/dev/hidraw0\tKV-A\n/dev/hidraw1\tKV-B"},
        {"by serial number", {a, b}, "KV-B", b, ""},
        {"by path", {a, b}, "/dev/hidraw0", a, ""},
        {"the only one, named", {a}, "KV-A", a, ""},
        {"a serial number not attached", {a, b}, "KV-C", std::nullopt, "no attached meter is \"KV-C\"; attached:\n"},
        {"nothing attached, one wanted", {}, "KV-A", std::nullopt, "no meter is attached"},
        {"a part of a serial number is not it", {a, b}, "KV", std::nullopt, "\"KV\""},
        {"no serial number to tell", {noSerial, a}, "", std::nullopt, "/dev/hidraw2\t-\n"},
    };
    for (const auto& c : cases) {
        QString problem = "stale";
        EXPECT_EQ(chooseMeter(c.attached, c.wanted, problem), c.chosen) << c.what;
        if (c.problem.isEmpty())
            EXPECT_TRUE(problem.isEmpty()) << c.what << ": " << qPrintable(problem);
        else
            EXPECT_TRUE(problem.contains(c.problem)) << c.what << ": " << qPrintable(problem);
    }
}

TEST(MeterChoice, ListLinesArePathTabSerial)
{
    EXPECT_EQ(attachedMetersText({}), "");
    EXPECT_EQ(attachedMetersText({{"/dev/hidraw0", "KV-A"}, {"/dev/hidraw3", ""}}),
              "/dev/hidraw0\tKV-A\n/dev/hidraw3\t-\n");
}
