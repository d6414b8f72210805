#include "fleet/result.h"

#include <iterator>

namespace fleet {

namespace {

struct KindEntry
{
    Kind kind;
    const char* name;
};

constexpr KindEntry kKinds[] = {
    {Kind::Succeeded, "sikeres"},
    {Kind::Failed, "hibás"},
    {Kind::NotModule, "nem modul"},
    {Kind::NotOpened, "nem nyitható meg"},
};

} // namespace

Line Line::of(const Failure& failure)
{
    Line line;
    line.port = failure.details.value(QStringLiteral("port")).toString();
    line.error = failure.code;
    line.message = failure.message;
    line.keys = failure.details;
    return line;
}

Result Result::failed(const QString& port, const Failure& failure)
{
    Result result;
    static_cast<Line&>(result) = Line::of(failure);
    result.port = port;
    return result;
}

Kind kindOf(const Result& result)
{
    if (result.ok)
        return Kind::Succeeded;
    if (result.error == messages::Code::OpenFailed)
        return Kind::NotOpened;
    if (result.error == messages::Code::NoDevice)
        return Kind::NotModule;
    return Kind::Failed;
}

QString kindName(Kind kind)
{
    for (const KindEntry& entry : kKinds) {
        if (entry.kind == kind)
            return QString::fromUtf8(entry.name);
    }
    return QString();
}

QString summary(const QList<Result>& results)
{
    int counts[std::size(kKinds)] = {};
    int unfinished = 0;
    for (const Result& result : results) {
        if (!result.finished()) {
            ++unfinished;
            continue;
        }
        for (std::size_t i = 0; i < std::size(kKinds); ++i) {
            if (kKinds[i].kind == kindOf(result))
                ++counts[i];
        }
    }
    QStringList parts;
    for (std::size_t i = 0; i < std::size(kKinds); ++i)
        parts << QStringLiteral("%1 %2").arg(counts[i]).arg(QString::fromUtf8(kKinds[i].name));
    if (unfinished > 0)
        parts << QStringLiteral("%1 befejezetlen").arg(unfinished);
    return parts.join(QStringLiteral(", "));
}

} // namespace fleet
