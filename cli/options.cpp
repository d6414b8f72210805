#include "cli/options.h"

#include "device/portmap.h"

#include <QCommandLineParser>
#include <QSet>

#include <algorithm>

namespace cli {

namespace {

struct CommandInfo
{
    const char* name;
    Command command;
    bool takesFile;
    QStringList options; // beyond --json, --quiet, --help
};

const QList<CommandInfo>& commands()
{
    static const QList<CommandInfo> list{
        {"ports", Command::Ports, false, {}},
        {"identify", Command::Identify, false, {"port", "baud"}},
        {"read", Command::Read, false, {"port", "baud", "output", "base"}},
        {"write",
         Command::Write,
         true,
         {"port", "baud", "set", "each", "verify", "backup", "base"}},
        {"diff", Command::Diff, true, {"port", "baud", "set", "each", "base"}},
        {"check", Command::Check, true, {"set", "each", "base"}},
        {"status", Command::Status, false, {"port", "baud", "watch"}},
    };
    return list;
}

} // namespace

PortList parsePorts(const QString& text)
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
        if (n < PortMap::kFirstPort || n > PortMap::kLastPort) {
            list.error = QStringLiteral("hibás port: \"%1\" (COM1 ... COM32, vesszővel "
                                        "elválasztva, vagy all)")
                             .arg(name);
            return list;
        }
        if (numbers.contains(n)) {
            list.error = QStringLiteral("a(z) COM%1 port kétszer szerepel").arg(n);
            return list;
        }
        numbers << n;
    }
    std::sort(numbers.begin(), numbers.end());
    for (const int n : numbers)
        list.ports << QStringLiteral("COM%1").arg(n);
    return list;
}

Parsed parse(const QStringList& arguments)
{
    Parsed parsed;
    const auto usage = [&parsed](const QString& error) {
        parsed.kind = Parsed::Usage;
        parsed.error = error;
        return parsed;
    };

    QCommandLineParser parser;
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
    const QList<QCommandLineOption> all{
        {"port", "", "P"},    {"baud", "", "N"},         {{"o", "output"}, "", "FILE"},
        {"base", "", "FILE"}, {"set", "", "NAME=VALUE"}, {"each", "", "CSV"},
        {"verify", ""},       {"backup", "", "DIR"},     {"watch", "", "SECONDS"},
        {"json", ""},         {{"q", "quiet"}, ""},      {{"h", "help"}, ""},
        {"version", ""},
    };
    parser.addOptions(all);
    if (!parser.parse(arguments)) {
        const QStringList unknown = parser.unknownOptionNames();
        if (!unknown.isEmpty()) {
            const QString& name = unknown.first();
            return usage(
                QStringLiteral("ismeretlen kapcsoló: %1%2")
                    .arg(name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--"), name));
        }
        return usage(QStringLiteral("hibás parancssor: %1").arg(parser.errorText()));
    }
    if (parser.isSet(QStringLiteral("help"))) {
        parsed.kind = Parsed::Help;
        return parsed;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        parsed.kind = Parsed::Version;
        return parsed;
    }

    QStringList positional = parser.positionalArguments();
    if (positional.isEmpty())
        return usage(QStringLiteral("hiányzik a parancs (ports, identify, read, write, diff, "
                                    "check, status)"));
    const QString name = positional.takeFirst();
    const auto found =
        std::find_if(commands().cbegin(), commands().cend(),
                     [&name](const CommandInfo& info) { return name == QLatin1String(info.name); });
    if (found == commands().cend())
        return usage(QStringLiteral("ismeretlen parancs: %1").arg(name));
    const CommandInfo& info = *found;
    Options& options = parsed.options;
    options.command = info.command;

    for (const QString& option : parser.optionNames()) {
        const QString longName = option == QLatin1String("o")   ? QStringLiteral("output")
                                 : option == QLatin1String("q") ? QStringLiteral("quiet")
                                                                : option;
        if (longName != QLatin1String("json") && longName != QLatin1String("quiet") &&
            !info.options.contains(longName))
            return usage(QStringLiteral("a(z) --%1 kapcsoló nem használható a(z) %2 paranccsal")
                             .arg(longName, name));
    }
    for (const char* single : {"port", "baud", "output", "base", "each", "backup", "watch"}) {
        if (parser.values(QLatin1String(single)).size() > 1)
            return usage(QStringLiteral("a(z) --%1 kapcsoló csak egyszer adható meg").arg(single));
    }

    if (info.takesFile) {
        if (positional.isEmpty())
            return usage(
                QStringLiteral("a(z) %1 parancsnak kell egy konfigurációs fájl").arg(name));
        options.file = positional.takeFirst();
    }
    if (!positional.isEmpty())
        return usage(QStringLiteral("fölösleges argumentum: %1").arg(positional.first()));

    options.json = parser.isSet(QStringLiteral("json"));
    options.quiet = parser.isSet(QStringLiteral("quiet"));
    options.output = parser.value(QStringLiteral("output"));
    options.base = parser.value(QStringLiteral("base"));
    options.each = parser.value(QStringLiteral("each"));
    options.verify = parser.isSet(QStringLiteral("verify"));
    options.backupDir = parser.value(QStringLiteral("backup"));

    if (parser.isSet(QStringLiteral("baud"))) {
        bool ok = false;
        options.baud = parser.value(QStringLiteral("baud")).toInt(&ok);
        if (!ok || options.baud <= 0)
            return usage(QStringLiteral("hibás sebesség: --baud %1")
                             .arg(parser.value(QStringLiteral("baud"))));
    }
    if (parser.isSet(QStringLiteral("watch"))) {
        bool ok = false;
        options.watchSeconds = parser.value(QStringLiteral("watch")).toInt(&ok);
        if (!ok || options.watchSeconds <= 0)
            return usage(QStringLiteral("hibás időköz: --watch %1 (egész másodperc, legalább 1)")
                             .arg(parser.value(QStringLiteral("watch"))));
    }
    for (const QString& assignment : parser.values(QStringLiteral("set"))) {
        const qsizetype equals = assignment.indexOf(u'=');
        if (equals <= 0)
            return usage(QStringLiteral("--set NÉV=ÉRTÉK kell, nem \"%1\"").arg(assignment));
        const QString field = assignment.left(equals);
        if (!isSettableName(field))
            return usage(QStringLiteral("ismeretlen mezőnév: %1").arg(field));
        options.overrides.append({field, assignment.mid(equals + 1)});
    }

    const bool portGiven = parser.isSet(QStringLiteral("port"));
    if (portGiven) {
        if (!options.each.isEmpty())
            return usage(QStringLiteral("--each mellett nincs --port: a táblázat portjaira ír"));
        const PortList list = parsePorts(parser.value(QStringLiteral("port")));
        if (!list.error.isEmpty())
            return usage(list.error);
        options.ports = list.ports;
        options.allPorts = list.all;
    } else if (info.options.contains(QStringLiteral("port")) && options.each.isEmpty()) {
        return usage(QStringLiteral("hiányzik a port: --port COM3 (vagy lista, vagy all)"));
    }
    if (info.command == Command::Read && options.output.isEmpty())
        return usage(QStringLiteral("a read parancsnak kell a kimenet: -o FÁJL vagy -o KÖNYVTÁR/"));

    parsed.kind = Parsed::Run;
    return parsed;
}

QString helpText()
{
    return QStringLiteral(
        "Használat: vexagrid-cli PARANCS [KAPCSOLÓK]\n"
        "\n"
        "VexaGrid-3 modulok beállítása soros porton, ablak nélkül: akár sok modulé egyszerre,\n"
        "mindegyiké a saját szálán, ugyanazokkal a szabályokkal, mint az ablakos programban.\n"
        "\n"
        "Parancsok:\n"
        "  ports                      a létező COM portok: eszköz, adapter, sorozatszám, és hogy\n"
        "                             megnyitható-e (ha nem: foglalt, vagy nincs jogosultság)\n"
        "  identify --port P          a modul azonosítója\n"
        "  read --port P -o KIMENET   kiolvasás és mentés konfigurációs fájlba\n"
        "  write --port P FÁJL        a fájl betöltése a modulba (mint Megnyitás, majd Letöltés)\n"
        "  diff --port P FÁJL         a modul tartalma ugyanaz-e, mint amit a write küldene\n"
        "  check FÁJL                 a fájl és a felülírások ellenőrzése modul nélkül\n"
        "  status --port P            térerő, fázisok, kimenetek, firmware-verzió\n"
        "\n"
        "Kapcsolók:\n"
        "  --port P            COM3, lista (COM3,COM4,COM7) vagy all: minden port, amely\n"
        "                      megnyílik és modulként azonosítja magát\n"
        "  --baud N            az azonosítás és a kiolvasás sebessége (alapértelmezés 1200;\n"
        "                      a betöltés és az állapot mindig 1200)\n"
        "  -o, --output KIM    read: egy port esetén fájl; több portnál KÖNYVTÁR/ (a \"/\" a\n"
        "                      végén, vagy létező könyvtár: KÖNYVTÁR/COM3.vgf) vagy minta\n"
        "                      {port} helyettesítéssel (modul-{port}.vgf)\n"
        "  --base FÁJL         az alapértékek fájlja; alapesetben a defval_vg.dll, ott keresve,\n"
        "                      ahol az ablakos program is keresi\n"
        "  --set NÉV=ÉRTÉK     mező felülírása objektumnév szerint (m_id, m_nev, t3, tc1_1 ...),\n"
        "                      mintha begépelnék: jelölőnégyzet és választógomb 0 vagy 1,\n"
        "                      smskp_combo=0..3 az SMS-központ szolgáltatója (3 = egyéni).\n"
        "                      Többször is megadható, a megadás sorrendjében érvényesül.\n"
        "  --each CSV          write, diff, check: modulonként saját felülírások. Fejléc: port\n"
        "                      és objektumnevek (port,m_id,m_nev), soronként egy modul\n"
        "                      (COM3,0101,Szivattyu 1); elválasztó \",\" vagy \";\". Üres cella:\n"
        "                      a fájl értéke marad. A táblázat portjaira ír (--port nélkül).\n"
        "  --verify            write: a nyugta után visszaolvassa a modult, mezőnként összeveti\n"
        "  --backup KÖNYVTÁR   write: írás előtt kiolvassa és elmenti a modult\n"
        "                      (KÖNYVTÁR/<m_id>-<UTC idő>.vgf); ha a mentés nem sikerül, nem ír\n"
        "  --watch MP          status: MP másodpercenként ismétli Ctrl+C-ig, soronként\n"
        "  --json              modulonként egy JSON objektum soronként\n"
        "  -q, --quiet         nincs folyamatjelző (terminálon a stderr-en jelenik meg)\n"
        "  -h, --help          ez a súgó\n"
        "  --version           a program verziója\n"
        "\n"
        "Kimenet: modulonként egy sor, port szerinti sorrendben (\"COM3: Sikeres betöltés.\").\n"
        "Kilépési kód: 0 ha minden modul sikerült (diff: ha egyezik), 1 ha valamelyik nem,\n"
        "2 hibás parancssor esetén. Ctrl+C: minden átvitel leáll, a portok bezárulnak, a\n"
        "befejezetlen modulok listája megjelenik, a kód 1 (status --watch: 0, ha az utolsó\n"
        "lekérdezés sikerült).\n"
        "\n"
        "Példa:\n"
        "  vexagrid-cli write --port COM3,COM4 --set m_nev=\"Szivattyu 1\" --verify \\\n"
        "      --backup mentesek/ alap.vgf\n");
}

} // namespace cli
