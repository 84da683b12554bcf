#pragma once
// The option parser every quedral-cli command shares, the declarations it reads, and the checks
// common to the commands that read a data set or write a file.
#include <QHash>
#include <QString>
#include <QStringList>
#include <cmath>
#include <optional>
#include <vector>

namespace quedral::cli {

struct Context;

// One option of a command as its row declares it.
struct OptionSpec {
    QStringList names;            // "-o", "--output": the first is shown and keys the parsed value
    QString valueName;            // "OUT.ghf" for an option followed by its value; empty for a flag
    bool required = false;        // must be given (an option with a value: with a value that is not empty)
    bool attachedValue = false;   // also written --name=VALUE
    bool once = false;            // given twice is a usage error
    bool takesValue() const { return !valueName.isEmpty(); }
};

// One positional argument; the optional ones follow the required ones.
struct PositionalSpec {
    QString name; // "FILE.rec"
    bool required = true;
};

// What a command takes. A command without options takes every word as a positional argument,
// "-5" and "--x" included; one with options refuses a word starting with "-" that is none of
// them.
struct ArgumentSpec {
    std::vector<PositionalSpec> positionals;
    std::vector<OptionSpec> options;
    bool ignoresExtraWords = false; // words past the positionals are accepted and left unread
};

// "record --points N --rate SECONDS -o OUT.ghf [--force]": the name, the positionals (the
// optional ones in one pair of brackets), then the options in their order, optional ones in
// brackets.
QString synopsisOf(const QString& name, const ArgumentSpec& spec);

// A command's arguments once parsed: the options given, under their first name, with every
// value given in order (a flag's value empty), and the positional arguments in order.
struct Arguments {
    QHash<QString, QStringList> options;
    QStringList positionals;

    bool has(const QString& name) const { return options.contains(name); }
    // The last value given: a repeated option keeps its last value.
    QString value(const QString& name, const QString& fallback = {}) const
    {
        return has(name) ? options.value(name).last() : fallback;
    }
    QStringList values(const QString& name) const { return options.value(name); }
    QString positional(qsizetype i) const { return positionals.value(i); }
    // The option's value as a whole number; nullopt when it was not given, false in ok when
    // it is not a number.
    std::optional<int> number(const QString& name, bool& ok) const
    {
        ok = true;
        if (!has(name))
            return std::nullopt;
        return value(name).toInt(&ok);
    }
    // The same for a number that may have decimals; false in ok too when it is not finite.
    std::optional<double> decimal(const QString& name, bool& ok) const
    {
        ok = true;
        if (!has(name))
            return std::nullopt;
        const double v = value(name).toDouble(&ok);
        ok = ok && std::isfinite(v);
        return ok ? std::optional<double>(v) : std::nullopt;
    }
};

// Parses a command's arguments by its declaration. nullopt (a usage error) when a word is not
// an option of the command, an option lacks its value or is repeated where it may be given
// once, a required option or positional is missing, or there are more positionals than
// declared. An empty word where a positional
// is still missing leaves it missing.
std::optional<Arguments> parseArguments(const QStringList& args, const ArgumentSpec& spec);

inline const OptionSpec kOutput{{"-o", "--output"}, "OUT"};
inline const OptionSpec kForce{{"--force"}};
inline const OptionSpec kSet{{"--set"}, "N"};

// An option declared with its value's name and whether it is required.
inline OptionSpec withValue(OptionSpec o, const QString& valueName, bool required = false)
{
    o.valueName = valueName;
    o.required = required;
    return o;
}

// --set N of the commands that read a data set: true when absent or a number; otherwise the
// message and false.
bool dataSetOption(Context& ctx, const Arguments& a, std::optional<int>& set);

// Commands that write a file refuse to replace one unless given --force.
bool refusesToReplace(Context& ctx, const QString& file, bool force);

} // namespace quedral::cli
