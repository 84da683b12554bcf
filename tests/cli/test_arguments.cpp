// The one parser of quedral-cli's arguments, run on the commands' own declarations: what each
// command accepts and refuses, and the synopsis a declaration gives.
#include <gtest/gtest.h>

#include <algorithm>

#include "cli/arguments.h"
#include "cli/cli.h"

namespace quedral::cli {
namespace {

const ArgumentSpec& declared(const char* command)
{
    const auto& table = commands();
    const auto it = std::find_if(table.begin(), table.end(), [&](const Command& c) { return qstrcmp(c.name, command) == 0; });
    EXPECT_NE(it, table.end()) << command;
    return it->arguments;
}

struct ParseCase {
    const char* command;
    QStringList args;
    bool accepted;
    QStringList positionals = {}; // when accepted
    const char* option = nullptr; // when accepted: this option's values
    QStringList values = {};
};

TEST(CliArguments, EachCommandAcceptsAndRefusesAsItAlwaysHas)
{
    const std::vector<ParseCase> cases{
        // Exactly one --yes, and nothing else.
        {"erase", {"--yes"}, true},
        {"erase", {"--yes", "--yes"}, false},
        {"erase", {}, false},
        {"erase", {"--yes=1"}, false},
        {"erase", {"yes"}, false},
        // --count N or --count=N, every value kept for the command to check.
        {"monitor", {"--count=3"}, true, {}, "--count", {"3"}},
        {"monitor", {"--count", "x", "--count", "5"}, true, {}, "--count", {"x", "5"}},
        {"monitor", {"--count", "-1"}, true, {}, "--count", {"-1"}},
        {"monitor", {"--count"}, false},
        {"monitor", {"extra"}, false},
        // Only monitor takes --name=VALUE; no "--" end of options, no single-dash long names.
        {"record", {"--points=2", "--rate", "1", "-o", "r.ghf"}, false},
        {"download", {"--output=x.rec"}, false},
        {"download", {"-o", "x.rec", "-force"}, false},
        {"leq", {"mem.rec", "--set=1"}, false},
        {"decode", {"--samples=1", "mem.rec"}, false},
        {"decode", {"--", "mem.rec"}, false},
        {"decode", {"-"}, false},
        // Required options need a value that is not empty; an optional one may be empty.
        {"download", {}, false},
        {"download", {"-o", ""}, false},
        {"export", {"mem.rec", "--output", "e.csv"}, true, {"mem.rec"}, "-o", {"e.csv"}},
        {"leq-live", {"--seconds", "1", "-o", ""}, true, {}, "-o", {""}},
        {"wav-check", {"mem.rec"}, false},
        {"record", {"--points", "2", "--rate", "1", "-o", "r.ghf", "--force", "--force"}, true},
        // A value option takes the next word, whatever it is.
        {"leq", {"mem.rec", "--set", "-1"}, true, {"mem.rec"}, "--set", {"-1"}},
        // One positional: an empty word leaves it missing, one too many is refused.
        {"decode", {"", "mem.rec"}, true, {"mem.rec"}},
        {"decode", {"mem.rec", ""}, false},
        {"decode", {"mem.rec", "extra"}, false},
        {"decode", {"--samples"}, false},
        {"record", {"--points", "2", "--rate", "1", "-o", "r.ghf", ""}, false},
        // Commands without options take every word as it is.
        {"quick-rec", {"-5", "1"}, true, {"-5", "1"}},
        {"graph-info", {"--x"}, true, {"--x"}},
        {"key", {""}, true, {""}},
        {"quick-rec", {"1"}, false},
        {"eeprom-write", {"1", "2", "3"}, false},
        {"raw", {"K", "1", "2", "3", "4"}, true, {"K", "1", "2", "3", "4"}},
        {"raw", {"K", "1", "2", "3", "4", "5"}, false},
        {"raw", {}, false},
        {"info", {"extra"}, false},
        {"set-clock", {}, true},
        // read has always left further words unread.
        {"read", {"extra", "--x"}, true, {"extra", "--x"}},
    };
    for (const ParseCase& c : cases) {
        const QString what = QString::fromLatin1(c.command) + QLatin1Char(' ') + c.args.join(QLatin1Char(' '));
        const std::optional<Arguments> a = parseArguments(c.args, declared(c.command));
        ASSERT_EQ(a.has_value(), c.accepted) << what.toStdString();
        if (!a)
            continue;
        EXPECT_EQ(a->positionals, c.positionals) << what.toStdString();
        if (c.option)
            EXPECT_EQ(a->values(QString::fromLatin1(c.option)), c.values) << what.toStdString();
    }
}

TEST(CliArguments, TheSynopsisComesFromTheDeclaration)
{
    const struct {
        ArgumentSpec spec;
        const char* synopsis;
    } cases[]{
        {{}, "cmd"},
        {{{{"L"}, {"B2", false}, {"B3", false}}}, "cmd L [B2 B3]"},
        {{{{"FILE"}}, {{{"--set"}, "N"}, {{"-o", "--output"}, "OUT", true}, {{"--force"}}}},
         "cmd FILE [--set N] -o OUT [--force]"},
        {{{}, {{{"--yes"}, {}, true}}}, "cmd --yes"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(synopsisOf(QStringLiteral("cmd"), c.spec).toStdString(), c.synopsis);
}

} // namespace
} // namespace quedral::cli
