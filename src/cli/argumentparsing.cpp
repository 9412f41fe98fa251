#include "argumentparsing.h"

#include <algorithm>

namespace dravix {
namespace {

[[nodiscard]] const QCommandLineOption* optionNamed(const QList<QCommandLineOption>& options,
                                                    const QString& typed)
{
    const QString name = typed.startsWith(QStringLiteral("--")) ? typed.mid(2) : typed.mid(1);
    const auto found =
        std::find_if(options.cbegin(), options.cend(), [&](const QCommandLineOption& option) {
            // A long name needs two dashes, a one-letter name one.
            const bool dashes = typed.startsWith(QStringLiteral("--")) == (name.size() > 1);
            return dashes && option.names().contains(name);
        });
    return found == options.cend() ? nullptr : &*found;
}

// The first argument the parser did not take. QCommandLineParser names an unknown option
// without its dashes and a missing value only in its translated words, so the arguments are
// walked once more to say which one it was.
[[nodiscard]] QString firstRefused(const QList<QCommandLineOption>& options,
                                   const QStringList& arguments)
{
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        const qsizetype equals = argument.indexOf(u'=');
        const QString typed = equals > 0 ? argument.left(equals) : argument;
        const QCommandLineOption* option =
            argument.startsWith(u'-') ? optionNamed(options, typed) : nullptr;
        if (option == nullptr)
            return QStringLiteral("unknown argument '%1'").arg(argument);
        const bool takesValue = !option->valueName().isEmpty();
        if (!takesValue && equals > 0)
            return typed + QStringLiteral(" takes no value");
        if (takesValue && equals < 0 && ++i >= arguments.size())
            return typed + QStringLiteral(" needs a value");
    }
    return {};
}

} // namespace

std::optional<QString> parseArguments(QCommandLineParser& parser,
                                      const QList<QCommandLineOption>& options,
                                      const QStringList& arguments)
{
    parser.addOptions(options);
    const bool parsed = parser.parse(QStringList{QString()} + arguments);
    if (parsed && parser.positionalArguments().isEmpty())
        return std::nullopt;
    const QString refused = firstRefused(options, arguments);
    return refused.isEmpty() ? parser.errorText() : refused;
}

} // namespace dravix
