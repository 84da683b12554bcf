#include <gtest/gtest.h>

#include "base/prompter.h"
#include "shell/meterchooser.h"

using namespace quedral;

TEST(MeterChooser, AsksOnlyWhenSeveralAreAttachedAndGivesThePathChosen)
{
    const AttachedMeter a{"/dev/hidraw0", "KV-A"};
    const AttachedMeter b{"/dev/hidraw1", ""};
    const struct {
        const char* what;
        std::vector<AttachedMeter> attached;
        std::deque<int> choices;
        QString path;
        int choosersShown;
    } cases[] = {
        {"none", {}, {0}, "", 0},
        {"one: no question", {a}, {0}, "", 0},
        {"two, the second chosen", {a, b}, {1}, "/dev/hidraw1", 1},
        {"two, the first chosen", {a, b}, {0}, "/dev/hidraw0", 1},
        {"two, cancelled", {a, b}, {}, "", 1},
    };
    for (const auto& c : cases) {
        ScriptedPrompter prompter;
        prompter.choices = c.choices;
        EXPECT_EQ(meterChosenAtStart(c.attached, prompter), c.path) << c.what;
        EXPECT_EQ(prompter.choosers.size(), c.choosersShown) << c.what;
    }
    ScriptedPrompter prompter;
    prompter.choices = {1};
    meterChosenAtStart({a, b}, prompter);
    EXPECT_EQ(prompter.choosers.value(0),
              "Several meters are attached. Which one?: KV-A   /dev/hidraw0|-   /dev/hidraw1");
}
