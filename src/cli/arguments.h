#pragma once
// The option parser every quedral-cli command shares, and the checks common to the commands
// that read a data set or write a file.
#include <QHash>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

#include "cli/cli.h"

namespace quedral::cli {

// One option of a command: its names ("-o", "--output") and whether a value follows it.
struct Option {
    QStringList names;
    bool takesValue = false;
};

// A command's arguments once parsed: the options given, under their first name (a flag with
// an empty value), and the one positional argument of commands that take one.
struct Arguments {
    QHash<QString, QString> options;
    QString positional;

    bool has(const QString& name) const { return options.contains(name); }
    QString value(const QString& name, const QString& fallback = {}) const { return options.value(name, fallback); }
    // The option's value as a whole number; nullopt when it was not given, false in ok when
    // it is not a number.
    std::optional<int> number(const QString& name, bool& ok) const
    {
        ok = true;
        if (!has(name))
            return std::nullopt;
        return value(name).toInt(&ok);
    }
};

// Parses a command's arguments. nullopt when one is not an option of the command (anything
// starting with "-"), an option lacks its value, or a positional argument is one too many.
// A repeated option keeps its last value.
std::optional<Arguments> parseArguments(const QStringList& args, const std::vector<Option>& options,
                                        bool takesPositional);

inline const Option kOutput{{"-o", "--output"}, true};
inline const Option kForce{{"--force"}};
inline const Option kSet{{"--set"}, true};

// --set N of the commands that read a data set: true when absent or a number; otherwise the
// message and false.
bool dataSetOption(Context& ctx, const Arguments& a, std::optional<int>& set);

// Commands that write a file refuse to replace one unless given --force.
bool refusesToReplace(Context& ctx, const QString& file, bool force);

} // namespace quedral::cli
