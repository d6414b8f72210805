// The simulated module's state file: identification, fields, read-out format and status as
// JSON, so that a module keeps its configuration from one run of vexagrid-sim to the next.

#include "sim/simmodule_p.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

namespace {

QJsonObject stateObject(const SimConfig& cfg)
{
    QJsonArray fields;
    for (const QByteArray& field : cfg.fields) {
        fields.append(QString::fromLatin1(field));
    }
    auto flags = [](const bool* values, int count) {
        QJsonArray array;
        for (int i = 0; i < count; ++i) {
            array.append(values[i]);
        }
        return array;
    };
    QJsonObject status;
    status.insert(QStringLiteral("outputs"), flags(cfg.status.outputs, 4));
    status.insert(QStringLiteral("phaseAlarms"), flags(cfg.status.phaseAlarms, 3));
    status.insert(QStringLiteral("input4"), cfg.status.input4);
    status.insert(QStringLiteral("analog"), cfg.status.analog);
    status.insert(QStringLiteral("counter"), cfg.status.counter);
    status.insert(QStringLiteral("supply"), cfg.status.supply);
    status.insert(QStringLiteral("signal"), cfg.status.signal);
    status.insert(QStringLiteral("firmware"), cfg.status.firmware);

    QJsonObject root;
    root.insert(QStringLiteral("identification"), QString::fromLatin1(cfg.identification));
    root.insert(QStringLiteral("readOutFormat"), cfg.format == SimModule::ReadOutFormat::Pipe
                                                     ? QStringLiteral("pipe")
                                                     : QStringLiteral("crlf"));
    root.insert(QStringLiteral("fields"), fields);
    root.insert(QStringLiteral("status"), status);
    return root;
}

bool writeState(const QString& path, const SimConfig& cfg, QString* error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error) {
            *error = file.errorString();
        }
        return false;
    }
    file.write(QJsonDocument(stateObject(cfg)).toJson());
    if (!file.commit()) {
        if (error) {
            *error = file.errorString();
        }
        return false;
    }
    return true;
}

} // namespace

void SimModule::Private::saveAfterStore()
{
    QString path;
    {
        QMutexLocker lock(&mutex);
        path = stateFile;
    }
    QString error;
    if (!path.isEmpty() && !writeState(path, snapshot(), &error)) {
        qCWarning(lcSim).noquote() << comName << "cannot save" << path << error;
    }
}

bool SimModule::saveState(const QString& path, QString* error) const
{
    return writeState(path, d->snapshot(), error);
}

bool SimModule::loadState(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error) {
            *error = file.errorString();
        }
        return false;
    }
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &parseError);
    const QJsonObject root = document.object();
    const QJsonArray fields = root.value(QStringLiteral("fields")).toArray();
    if (document.isNull() || fields.size() != kFieldCount) {
        if (error) {
            *error = document.isNull() ? parseError.errorString()
                                       : QStringLiteral("not %1 fields").arg(kFieldCount);
        }
        return false;
    }
    QMutexLocker lock(&d->mutex);
    SimConfig& cfg = d->config;
    cfg.fields.clear();
    for (const QJsonValue& field : fields) {
        cfg.fields.append(field.toString().toLatin1());
    }
    if (root.contains(QStringLiteral("identification"))) {
        cfg.identification = root.value(QStringLiteral("identification")).toString().toLatin1();
    }
    cfg.format = root.value(QStringLiteral("readOutFormat")).toString() == QLatin1String("pipe")
                     ? ReadOutFormat::Pipe
                     : ReadOutFormat::CrLf;
    const QJsonObject status = root.value(QStringLiteral("status")).toObject();
    if (!status.isEmpty()) {
        const QJsonArray outputs = status.value(QStringLiteral("outputs")).toArray();
        for (int i = 0; i < 4; ++i) {
            cfg.status.outputs[i] = outputs.at(i).toBool();
        }
        const QJsonArray alarms = status.value(QStringLiteral("phaseAlarms")).toArray();
        for (int i = 0; i < 3; ++i) {
            cfg.status.phaseAlarms[i] = alarms.at(i).toBool();
        }
        cfg.status.input4 = status.value(QStringLiteral("input4")).toBool();
        cfg.status.analog = status.value(QStringLiteral("analog")).toString();
        cfg.status.counter = status.value(QStringLiteral("counter")).toString();
        cfg.status.supply = status.value(QStringLiteral("supply")).toBool(true);
        cfg.status.signal = status.value(QStringLiteral("signal")).toInt();
        cfg.status.firmware = status.value(QStringLiteral("firmware")).toString();
    }
    return true;
}

bool SimModule::setStateFile(const QString& path, QString* error)
{
    const bool ok = QFileInfo::exists(path) ? loadState(path, error) : saveState(path, error);
    if (ok) {
        QMutexLocker lock(&d->mutex);
        d->stateFile = path;
    }
    return ok;
}
