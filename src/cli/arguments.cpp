#include "cli/arguments.h"

#include <QFileInfo>
#include <algorithm>

namespace quedral::cli {

std::optional<Arguments> parseArguments(const QStringList& args, const std::vector<Option>& options,
                                        bool takesPositional)
{
    Arguments parsed;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        const auto option =
            std::find_if(options.begin(), options.end(), [&a](const Option& o) { return o.names.contains(a); });
        if (option != options.end()) {
            if (option->takesValue && i + 1 >= args.size())
                return std::nullopt;
            parsed.options.insert(option->names.first(), option->takesValue ? args[++i] : QString());
        } else if (takesPositional && parsed.positional.isEmpty() && !a.startsWith(QLatin1Char('-'))) {
            parsed.positional = a;
        } else {
            return std::nullopt;
        }
    }
    return parsed;
}

// --set N of the commands that read a data set: true when absent or a number; otherwise the
// message and false.
bool dataSetOption(Context& ctx, const Arguments& a, std::optional<int>& set)
{
    bool ok = true;
    set = a.number("--set", ok);
    if (!ok)
        ctx.err << "--set needs a data set number, counting from 1\n";
    return ok;
}

// Commands that write a file refuse to replace one unless given --force.
bool refusesToReplace(Context& ctx, const QString& file, bool force)
{
    if (force || !QFileInfo::exists(file))
        return false;
    ctx.err << file << " exists; give --force to replace it\n";
    return true;
}

} // namespace quedral::cli
