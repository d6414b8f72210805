#include "cli/help.h"

#include "core/fields.h"
#include "core/programsettings.h"
#include "device/portmap.h"

namespace cli {

namespace {

QString wrapped(const QString& text, int indent, int width = 92)
{
    QStringList lines;
    QString line;
    for (const QString& word : text.split(u' ', Qt::SkipEmptyParts)) {
        if (!line.isEmpty() && line.size() + 1 + word.size() > width - indent) {
            lines << line;
            line.clear();
        }
        line += (line.isEmpty() ? QString() : QStringLiteral(" ")) + word;
    }
    if (!line.isEmpty())
        lines << line;
    return lines.join(u'\n' + QString(indent, u' '));
}

QString optionLine(const OptionInfo& option, const char* help)
{
    QString head = QStringLiteral("  ");
    if (option.shortName)
        head += QStringLiteral("-%1, ").arg(QLatin1Char(option.shortName));
    head += QStringLiteral("--") + QLatin1String(option.name);
    if (option.value)
        head += u' ' + QString::fromUtf8(option.value);
    const QString text = QString::fromUtf8(help ? help : option.help);
    constexpr int kColumn = 24;
    if (head.size() >= kColumn - 1)
        return head + u'\n' + QString(kColumn, u' ') + wrapped(text, kColumn);
    return head.leftJustified(kColumn, u' ') + wrapped(text, kColumn);
}

QString exitCodes()
{
    return QStringLiteral(
        "Kilépési kód: 0 minden modul sikerült (diff: egyezik), 1 valamelyik nem sikerült vagy "
        "a tervet az ellenőrzés nem engedi (diff: eltér), 2 hibás a parancssor vagy a "
        "táblázat (diff: nem hasonlítható össze), 130 Ctrl+C.");
}

// The first words of the commands, each once: a group's commands ("history sync") share one.
QStringList firstWords()
{
    QStringList words;
    for (const CommandInfo& command : commandTable()) {
        const QString first = QString::fromLatin1(command.name).section(u' ', 0, 0);
        if (!words.contains(first))
            words << first;
    }
    return words;
}

// The completion's case for each first word: the options its commands take, and a group's
// second words.
QString completionCases()
{
    QString cases;
    for (const QString& first : firstWords()) {
        QStringList words;
        QStringList second;
        for (const CommandInfo& command : commandTable()) {
            const QString name = QString::fromLatin1(command.name);
            if (name.section(u' ', 0, 0) != first)
                continue;
            if (name.contains(u' '))
                second << name.section(u' ', 1);
            for (const CommandOption& own : command.options) {
                const QString option = QStringLiteral("--") + QLatin1String(own.name);
                if (!words.contains(option))
                    words << option;
            }
        }
        words << QStringLiteral("--json") << QStringLiteral("--quiet") << QStringLiteral("--help");
        cases += QStringLiteral("        %1) options=\"%2\"; subcommands=\"%3\" ;;\n")
                     .arg(first, words.join(u' '), second.join(u' '));
    }
    return cases;
}

} // namespace

QString generalHelp()
{
    QString text = QStringLiteral(
        "Használat: vexagrid-cli PARANCS [KAPCSOLÓK]\n"
        "\n"
        "VexaGrid-3 modulok beállítása soros porton, ablak nélkül: akár sok modulé egyszerre,\n"
        "mindegyiké a saját szálán, ugyanazokkal a szabályokkal, mint az ablakos programban.\n"
        "\n"
        "Parancsok:\n");
    qsizetype width = 12;
    for (const CommandInfo& command : commandTable())
        width = qMax(width, qsizetype(qstrlen(command.name)) + 2);
    for (const CommandInfo& command : commandTable())
        text += QStringLiteral("  %1%2\n")
                    .arg(QString::fromLatin1(command.name).leftJustified(width, u' '),
                         QString::fromUtf8(command.summary));
    text += QStringLiteral("\nMinden parancsnál:\n");
    for (const char* name : {"json", "quiet", "help"})
        text += optionLine(*findOption(QLatin1String(name)), nullptr) + u'\n';
    text += optionLine(*findOption(QStringLiteral("version")), nullptr) + u'\n';
    text += QStringLiteral("\nA parancsok kapcsolói és példái: vexagrid-cli help PARANCS\n"
                           "(vagy vexagrid-cli PARANCS --help).\n\n");
    text += wrapped(exitCodes(), 0) + u'\n';
    return text;
}

QString commandHelp(const CommandInfo& command)
{
    QString text = QStringLiteral("Használat: vexagrid-cli %1\n\n%2\n")
                       .arg(QString::fromUtf8(command.synopsis),
                            wrapped(QString::fromUtf8(command.description), 0));
    text += QStringLiteral("\nKapcsolók:\n");
    for (const CommandOption& own : command.options)
        text += optionLine(*findOption(QLatin1String(own.name)), own.help) + u'\n';
    for (const char* name : {"json", "quiet", "help"})
        text += optionLine(*findOption(QLatin1String(name)), nullptr) + u'\n';
    text += QStringLiteral("\nPélda:\n  %1\n").arg(QString::fromUtf8(command.example));
    return text;
}

QString bashCompletion()
{
    QStringList names = fields::allEdits() + fields::allBoxes() + fields::allRadios();
    names << kProviderName;
    QStringList ports;
    for (int n = PortMap::kFirstPort; n <= PortMap::kLastPort; ++n)
        ports << QStringLiteral("COM%1").arg(n);
    QStringList rates;
    for (const qint32 rate : baudRates())
        rates << QString::number(rate);
    return QStringLiteral(
               "# bash completion for vexagrid-cli (vexagrid-cli completion prints it)\n"
               "_vexagrid_cli()\n"
               "{\n"
               "    local cur prev command options subcommands i\n"
               "    cur=${COMP_WORDS[COMP_CWORD]}\n"
               "    prev=${COMP_WORDS[COMP_CWORD-1]}\n"
               "    command=\n"
               "    for ((i = 1; i < COMP_CWORD; i++)); do\n"
               "        case ${COMP_WORDS[i]} in\n"
               "        -*) ;;\n"
               "        *) command=${COMP_WORDS[i]}; break ;;\n"
               "        esac\n"
               "    done\n"
               "    case $prev in\n"
               "    --port) COMPREPLY=($(compgen -W \"all %1\" -- \"$cur\")); return ;;\n"
               "    --baud) COMPREPLY=($(compgen -W \"%2\" -- \"$cur\")); return ;;\n"
               "    --set) compopt -o nospace 2>/dev/null\n"
               "        COMPREPLY=($(compgen -S = -W \"%3\" -- \"$cur\")); return ;;\n"
               "    --watch|--remote) return ;;\n"
               "    -o|--output|--base|--each|--backup) COMPREPLY=($(compgen -f -- \"$cur\")); "
               "return ;;\n"
               "    esac\n"
               "    if [ -z \"$command\" ]; then\n"
               "        COMPREPLY=($(compgen -W \"%4 help --help --version\" -- \"$cur\"))\n"
               "        return\n"
               "    fi\n"
               "    case $command in\n"
               "%5"
               "        help) COMPREPLY=($(compgen -W \"%4\" -- \"$cur\")); return ;;\n"
               "        *) options= ;;\n"
               "    esac\n"
               "    if [[ $cur != -* && -n $subcommands && $prev == \"$command\" ]]; then\n"
               "        COMPREPLY=($(compgen -W \"$subcommands\" -- \"$cur\"))\n"
               "    elif [[ $cur == -* ]]; then\n"
               "        COMPREPLY=($(compgen -W \"$options\" -- \"$cur\"))\n"
               "    else\n"
               "        COMPREPLY=($(compgen -f -- \"$cur\"))\n"
               "    fi\n"
               "}\n"
               "complete -F _vexagrid_cli vexagrid-cli\n")
        .arg(ports.join(u' '), rates.join(u' '), names.join(u' '), firstWords().join(u' '),
             completionCases());
}

} // namespace cli
