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

// The completion's case for each command: the options it takes.
QString completionCases()
{
    QString cases;
    for (const CommandInfo& command : commandTable()) {
        QStringList words;
        for (const CommandOption& own : command.options)
            words << QStringLiteral("--") + QLatin1String(own.name);
        words << QStringLiteral("--json") << QStringLiteral("--quiet") << QStringLiteral("--help");
        cases += QStringLiteral("        %1) options=\"%2\" ;;\n")
                     .arg(QLatin1String(command.name), words.join(u' '));
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
    for (const CommandInfo& command : commandTable())
        text += QStringLiteral("  %1%2\n")
                    .arg(QString::fromLatin1(command.name).leftJustified(12, u' '),
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
               "    local cur prev command options i\n"
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
               "    --watch) return ;;\n"
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
               "    if [[ $cur == -* ]]; then\n"
               "        COMPREPLY=($(compgen -W \"$options\" -- \"$cur\"))\n"
               "    else\n"
               "        COMPREPLY=($(compgen -f -- \"$cur\"))\n"
               "    fi\n"
               "}\n"
               "complete -F _vexagrid_cli vexagrid-cli\n")
        .arg(ports.join(u' '), rates.join(u' '), names.join(u' '), commandNames().join(u' '),
             completionCases());
}

} // namespace cli
