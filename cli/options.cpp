#include "cli/options.h"

#include "cli/argchecks.h"
#include "cli/commands.h"
#include "core/programsettings.h"
#include "device/portmap.h"

#include <algorithm>

namespace cli {

namespace {

// Options that take one value and may be given once; the rest are switches or repeatable.
// clang-format off
const QList<OptionInfo> kOptions{
    {"port",    0,   "P",          false, "COM3, lista (COM3,COM4,COM7) vagy all: minden létező port"},
    {"baud",    0,   "N",          false, "az azonosítás és a kiolvasás sebessége, a port párbeszéd listájából (alapesetben 1200; a betöltés és az állapot mindig 1200)"},
    {"output",  'o', "KIMENET",    false, "a kimenet"},
    {"base",    0,   "FÁJL",       false, "az alapértékek fájlja; alapesetben a defval_vg.dll, ott keresve, ahol az ablakos program is keresi"},
    {"set",     0,   "NÉV=ÉRTÉK",  true,  "mező felülírása objektumnév szerint (m_id, m_nev, t3, tc4_1 ...), mintha begépelnék: jelölőnégyzet és választógomb 0 vagy 1, smskp_combo=0..3 a szolgáltató (3 = egyéni); többször is megadható, sorrendben érvényesül"},
    {"each",    0,   "CSV",        false, "modulonként saját felülírások egy táblázatból (fejléc: port és objektumnevek); a táblázat portjaira ír, --port nélkül"},
    {"verify",  0,   nullptr,      false, "a nyugta után visszaolvassa a modult, és mezőnként összeveti"},
    {"backup",  0,   "KÖNYVTÁR",   false, "írás előtt kiolvassa és elmenti a modult: KÖNYVTÁR/<m_id>-<port>-<UTC idő>.vgf; ha a mentés nem sikerül, nem ír"},
    {"watch",   0,   "MP",         false, "MP másodpercenként ismétli Ctrl+C-ig, soronként"},
    {"all",     0,   nullptr,      false, "a VexaGrid-3 által nem használt mezők is"},
    {"pin",     0,   nullptr,      false, "a PIN-kód számjegyei is (különben ****)"},
    {"json",    0,   nullptr,      false, "soronként egy JSON objektum (lásd a kézikönyvet)"},
    {"quiet",   'q', nullptr,      false, "nincs folyamatjelző"},
    {"help",    'h', nullptr,      false, "a parancs súgója"},
    {"version", 0,   nullptr,      false, "a program verziója"},
};
// clang-format on

using argchecks::usage;

QString dashed(const OptionInfo& option)
{
    return QStringLiteral("--") + QLatin1String(option.name);
}

QString rateList()
{
    QStringList rates;
    for (const qint32 rate : baudRates())
        rates << QString::number(rate);
    return rates.join(QStringLiteral(", "));
}

} // namespace

const QList<OptionInfo>& optionTable()
{
    return kOptions;
}

const OptionInfo* findOption(const QString& name)
{
    for (const OptionInfo& option : kOptions) {
        if (name == QLatin1String(option.name) ||
            (name.size() == 1 && option.shortName && name.at(0) == QLatin1Char(option.shortName)))
            return &option;
    }
    return nullptr;
}

Expected<PortList> parsePorts(const QString& text)
{
    PortList list;
    if (text.trimmed().compare(QLatin1String("all"), Qt::CaseInsensitive) == 0) {
        list.all = true;
        return list;
    }
    QList<int> numbers;
    for (const QString& part : text.split(u',')) {
        const QString name = part.trimmed();
        const int n = PortMap::portNumber(name);
        if (n < PortMap::kFirstPort || n > PortMap::kLastPort)
            return usage(QStringLiteral("hibás port: \"%1\" (COM1 ... COM32, vesszővel "
                                        "elválasztva, vagy all)")
                             .arg(name));
        if (numbers.contains(n))
            return usage(QStringLiteral("a(z) COM%1 port kétszer szerepel").arg(n));
        numbers << n;
    }
    std::sort(numbers.begin(), numbers.end());
    for (const int n : numbers)
        list.ports << QStringLiteral("COM%1").arg(n);
    return list;
}

namespace {

struct Given
{
    const OptionInfo* option;
    QString value;
};

// The words of a command line: the options given, with their values, and the rest.
struct Words
{
    QList<Given> given;
    QStringList positional;

    bool isGiven(const char* name) const
    {
        return std::any_of(given.cbegin(), given.cend(), [name](const Given& each) {
            return qstrcmp(each.option->name, name) == 0;
        });
    }
    QString valueOf(const char* name) const
    {
        for (const Given& each : given) {
            if (qstrcmp(each.option->name, name) == 0)
                return each.value;
        }
        return QString();
    }
};

// One option at `*at`, with its value from the same word or the next.
Expected<void> takeOption(const QStringList& arguments, qsizetype* at, Words& words)
{
    const QString& argument = arguments.at(*at);
    const bool isLong = argument.startsWith(QLatin1String("--"));
    QString name = argument.mid(isLong ? 2 : 1);
    std::optional<QString> inlineValue;
    if (isLong && name.contains(u'=')) {
        inlineValue = name.section(u'=', 1);
        name = name.section(u'=', 0, 0);
    } else if (!isLong && name.size() > 1) {
        // "-oFILE"
        inlineValue = name.mid(1);
        name = name.left(1);
    }
    const OptionInfo* option = (isLong || name.size() == 1) ? findOption(name) : nullptr;
    if (!option || (isLong && name.size() == 1))
        return usage(QStringLiteral("ismeretlen kapcsoló: %1").arg(argument.section(u'=', 0, 0)));
    QString value;
    if (option->value && inlineValue)
        value = *inlineValue;
    else if (option->value && *at + 1 < arguments.size())
        value = arguments.at(++*at);
    else if (option->value)
        return usage(QStringLiteral("a(z) %1 kapcsoló után hiányzik az érték (%1 %2)")
                         .arg(dashed(*option), QString::fromUtf8(option->value)));
    else if (inlineValue)
        return usage(QStringLiteral("a(z) %1 kapcsoló nem kap értéket").arg(dashed(*option)));
    if (!option->repeatable && words.isGiven(option->name))
        return usage(
            QStringLiteral("a(z) %1 kapcsoló csak egyszer adható meg").arg(dashed(*option)));
    words.given.append({option, value});
    return {};
}

// Options anywhere, "--" ends them; everything else is the command and its files.
Expected<Words> split(const QStringList& arguments)
{
    Words words;
    bool optionsEnded = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (optionsEnded || argument == QLatin1String("-") || !argument.startsWith(u'-')) {
            words.positional << argument;
        } else if (argument == QLatin1String("--")) {
            optionsEnded = true;
        } else if (const Expected<void> taken = takeOption(arguments, &i, words); !taken) {
            return taken.failure();
        }
    }
    return words;
}

// An option that takes a whole number: where it goes, what it may be, and the words for a
// value it may not be.
struct NumberOption
{
    const char* name;
    int Options::*target;
    bool (*allowed)(int number);
    QString (*refusal)(const QString& value);
};

const NumberOption kNumberOptions[] = {
    {"baud", &Options::baud, [](int rate) { return baudRates().contains(rate); },
     [](const QString& value) {
         return QStringLiteral("hibás sebesség: --baud %1 (lehet: %2)").arg(value, rateList());
     }},
    {"watch", &Options::watchSeconds, [](int seconds) { return seconds > 0; },
     [](const QString& value) {
         return QStringLiteral("hibás időköz: --watch %1 (egész másodperc, legalább 1)").arg(value);
     }},
};

// The options' values, and the files.
Expected<void> readValues(const Words& words, Options& options)
{
    options.json = words.isGiven("json");
    options.quiet = words.isGiven("quiet");
    options.output = words.valueOf("output");
    options.base = words.valueOf("base");
    options.each = words.valueOf("each");
    options.verify = words.isGiven("verify");
    options.backupDir = words.valueOf("backup");
    options.all = words.isGiven("all");
    options.pin = words.isGiven("pin");
    options.files = words.positional;
    for (const NumberOption& number : kNumberOptions) {
        if (!words.isGiven(number.name))
            continue;
        const QString value = words.valueOf(number.name);
        bool ok = false;
        options.*number.target = value.toInt(&ok);
        if (!ok || !number.allowed(options.*number.target))
            return usage(number.refusal(value));
    }
    for (const Given& each : words.given) {
        if (qstrcmp(each.option->name, "set") != 0)
            continue;
        const Expected<Override> override = parseAssignment(each.value);
        if (!override)
            return override.failure();
        options.overrides.append(*override);
    }
    if (words.isGiven("port")) {
        if (!options.each.isEmpty())
            return usage(QStringLiteral("--each mellett nincs --port: a táblázat portjaira ír"));
        const Expected<PortList> list = parsePorts(words.valueOf("port"));
        if (!list)
            return list.failure();
        options.ports = list->ports;
        options.allPorts = list->all;
    }
    return {};
}

// The command's own options and values, checked as its row says.
Expected<Options> optionsOf(const CommandInfo& command, const QString& name, const Words& words)
{
    for (const Given& each : std::as_const(words.given)) {
        if (!command.takes(QLatin1String(each.option->name)))
            return usage(QStringLiteral("a(z) %1 kapcsoló nem használható a(z) %2 paranccsal")
                             .arg(dashed(*each.option), name));
    }
    Options options;
    options.name = name;
    if (const Expected<void> values = readValues(words, options); !values)
        return values.failure();
    if (const Expected<void> checked = command.check(options); !checked)
        return checked.failure();
    return options;
}

} // namespace

Expected<Parsed> parse(const QStringList& arguments)
{
    Expected<Words> given = split(arguments);
    if (!given)
        return given.failure();
    Words& words = *given;
    Parsed parsed;
    if (words.positional.isEmpty()) {
        parsed.kind = words.isGiven("version") ? Parsed::Version : Parsed::Help;
        if (words.isGiven("version") || words.isGiven("help"))
            return parsed;
        return usage(QStringLiteral("hiányzik a parancs (%1)")
                         .arg(commandNames().join(QStringLiteral(", "))));
    }
    const QString name = words.positional.takeFirst();
    if (name == QLatin1String("help")) {
        parsed.kind = Parsed::Help;
        parsed.helpFor = words.positional.value(0);
        if (!parsed.helpFor.isEmpty() && !findCommand(parsed.helpFor))
            return usage(QStringLiteral("ismeretlen parancs: %1").arg(parsed.helpFor));
        return parsed;
    }
    const CommandInfo* command = findCommand(name);
    if (!command)
        return usage(QStringLiteral("ismeretlen parancs: %1").arg(name));
    if (words.isGiven("help")) {
        parsed.kind = Parsed::Help;
        parsed.helpFor = name;
        return parsed;
    }
    Expected<Options> options = optionsOf(*command, name, words);
    if (!options)
        return options.failure();
    parsed.options = std::move(*options);
    return parsed;
}

} // namespace cli
