#include "cli/arguments.h"

#include "cli/cli.h"

#include <QFileInfo>
#include <algorithm>

namespace quedral::cli {

namespace {

// The declared option a word names, and its value when written --name=VALUE.
const OptionSpec* findOption(const ArgumentSpec& spec, const QString& word, std::optional<QString>& attached)
{
    for (const OptionSpec& o : spec.options) {
        if (o.names.contains(word))
            return &o;
        for (const QString& name : o.names) {
            if (o.attachedValue && word.startsWith(name + QLatin1Char('='))) {
                attached = word.mid(name.size() + 1);
                return &o;
            }
        }
    }
    return nullptr;
}

qsizetype requiredPositionals(const ArgumentSpec& spec)
{
    return std::count_if(spec.positionals.begin(), spec.positionals.end(),
                         [](const PositionalSpec& p) { return p.required; });
}

// The checks once every word is read: the positionals' count and the required options.
bool complete(const Arguments& parsed, const ArgumentSpec& spec)
{
    const qsizetype count = parsed.positionals.size();
    if (count < requiredPositionals(spec))
        return false;
    if (!spec.ignoresExtraWords && count > static_cast<qsizetype>(spec.positionals.size()))
        return false;
    return std::all_of(spec.options.begin(), spec.options.end(), [&parsed](const OptionSpec& o) {
        const QString& key = o.names.first();
        return !o.required || (parsed.has(key) && (!o.takesValue() || !parsed.value(key).isEmpty()));
    });
}

} // namespace

QString synopsisOf(const QString& name, const ArgumentSpec& spec)
{
    QString text = name;
    QStringList optional;
    for (const PositionalSpec& p : spec.positionals) {
        if (p.required)
            text += QLatin1Char(' ') + p.name;
        else
            optional << p.name;
    }
    if (!optional.isEmpty())
        text += QStringLiteral(" [") + optional.join(QLatin1Char(' ')) + QLatin1Char(']');
    for (const OptionSpec& o : spec.options) {
        const QString option = o.takesValue() ? o.names.first() + QLatin1Char(' ') + o.valueName : o.names.first();
        text += QLatin1Char(' ') + (o.required ? option : QLatin1Char('[') + option + QLatin1Char(']'));
    }
    return text;
}

std::optional<Arguments> parseArguments(const QStringList& args, const ArgumentSpec& spec)
{
    Arguments parsed;
    const auto declared = static_cast<qsizetype>(spec.positionals.size());
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& word = args[i];
        if (spec.options.empty()) {
            parsed.positionals << word;
            continue;
        }
        std::optional<QString> attached;
        if (const OptionSpec* o = findOption(spec, word, attached)) {
            const QString& key = o->names.first();
            if (o->once && parsed.has(key))
                return std::nullopt;
            if (!attached && o->takesValue() && i + 1 >= args.size())
                return std::nullopt;
            parsed.options[key] << (attached ? *attached : o->takesValue() ? args[++i] : QString());
        } else if (word.startsWith(QLatin1Char('-'))) {
            return std::nullopt;
        } else if (parsed.positionals.size() >= declared) {
            return std::nullopt;
        } else if (!word.isEmpty()) {
            parsed.positionals << word;
        }
    }
    if (!complete(parsed, spec))
        return std::nullopt;
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
