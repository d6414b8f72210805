#include "fleet/result.h"

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

} // namespace fleet
